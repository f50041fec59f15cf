#pragma once

#include "gui/ChannelTreeModel.h"

#include <QPointer>
#include <QTreeView>

namespace kw {

// The channel tree on screen (`tvSelectChannel`): labels not editable, a
// click selects the row, the item under the mouse is highlighted, the
// selection stays visible without focus, no expand button on the root,
// children indented 14 pixels. Expansion and selection are the tree's own:
// the view shows them and reports the user's changes back to the tree.
class ChannelTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit ChannelTreeView(QWidget* parent = nullptr);

    void setChannelModel(ChannelTreeModel* model);
    ChannelTreeModel* channelModel() const { return model_.data(); }

signals:
    // The mouse moved over a node's label (not over empty tree space).
    void nodeHovered(kw::NodeId node);
    // A context menu is asked for at globalPos; node is the node under the
    // mouse, kNoNode over empty space.
    void contextPopup(kw::NodeId node, QPoint globalPos);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void followExpansion(NodeId node);
    void followSelection(NodeId node);
    void followScroll(NodeId node);
    void reportExpansion(const QModelIndex& index, bool expanded);

    QPointer<ChannelTreeModel> model_;  // may go before the view
    bool following_ = false;            // the view is copying the tree's state
    int modelChanging_ = 0;             // inside a change of the model's rows or layout
};

}  // namespace kw
