#pragma once

#include "core/session/Roles.h"
#include "gui/MainCommand.h"

#include <QObject>
#include <QPoint>

#include <functional>
#include <memory>

class QComboBox;
class QFont;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolButton;
class QWidget;

namespace kw {

class ChannelTreeModel;
class ChannelTreeView;
class MainCommandTable;
class Session;
struct NodeDetails;

// The main window's channel pane: the channel tree, the details of the
// selected node under it, the three lists (rating, filter, display mode) and
// the row of channel buttons. Each event runs one session command; the pane
// then shows the details the session reports.
class ChannelPane : public QObject {
    Q_OBJECT
public:
    // The controls, by the names they carry.
    struct Controls {
        ChannelTreeView* tvSelectChannel = nullptr;
        QPlainTextEdit* meDisplayMemo = nullptr;
        QComboBox* cbRateChannel = nullptr;
        QComboBox* cbFilterChannel = nullptr;
        QComboBox* cbClassDisplayChannel = nullptr;
        QToolButton* spPlayChannel = nullptr;
        QToolButton* spFavoritesChannel = nullptr;
        QToolButton* spFindChannel = nullptr;
        QToolButton* spChannelRelatedLink = nullptr;
        QToolButton* spEditChannel = nullptr;
        QToolButton* spUserAddChannel = nullptr;
    };

    // Makes the controls on window at their places, in the window's font;
    // the window outlives the pane.
    ChannelPane(QWidget& window, const QFont& font);
    ~ChannelPane() override;

    // The tree's and the lists' events and the commands on the selected
    // channel; the details' information line shows in info.
    void connectCommands(Session& session, MainCommandTable& commands, QLabel& info, const CommandRunner& run,
                         const std::function<void()>& showState);
    // Shows the session's tree and its selection with the lists at the
    // positions the tree was built with.
    void attach();
    const Controls& controls() const { return c_; }

    // Shows the details of node and sets the commands' states and captions.
    void ShowNodeDetails(NodeId node);
    void applyNodeDetails(const NodeDetails& details);
    // The pop-up menu over the tree acts on node (the selection when none).
    void tvSelectChannelContextPopup(NodeId node, QPoint mouse);

private:
    void applyListPositions();
    void tvSelectChannelMouseMove(NodeId node);

    Controls c_;
    Session* session_ = nullptr;
    MainCommandTable* commands_ = nullptr;
    QLabel* info_ = nullptr;
    CommandRunner run_;
    std::function<void()> showState_;
    std::unique_ptr<ChannelTreeModel> treeModel_;
};

}  // namespace kw
