#pragma once

#include "core/browser/ChannelTree.h"
#include "core/browser/NodeDetails.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class ChannelBrowser;
class ChannelStore;
class SettingsFile;

// What the information line and the cursor show while the mouse is over a node.
struct NodeHover {
    std::string_view info;
    bool channel = false;
};

// The channel tree as the window's channel pane and kwave's queries see it:
// the tree with its selection and expansion, the details of a node, the two
// lists (rating filter, display mode), find and the look-ups by name. Every
// command does nothing while the database is not open.
class CatalogueView final : public TreeViewAccess {
public:
    CatalogueView(ChannelStore& store, ChannelBrowser& browser, SettingsFile& settings);

    // The tree a view model reads and watches; the view changes it only
    // through setExpanded and setSelected.
    const ChannelTree& tree() const override;
    void watch(TreeObserver* observer) override;
    void unwatch(TreeObserver* observer) override;
    void setExpanded(NodeId node, bool expanded) override;
    // Moves the tree's selection, as a click in the view does; the window
    // then asks for the details.
    void setSelected(NodeId node) override;
    bool isMarkedDead(NodeId node) const override;

    // The details of node as the window shows them (a database error is shown
    // through the Ui and leaves the details as set up to that point).
    const NodeDetails& ShowNodeDetails(NodeId node);
    // The pop-up menu over the tree acts on the node under the mouse, or on
    // the selection when there is none; returns the details then in force.
    const NodeDetails& tvSelectChannelContextPopup(NodeId nodeUnderMouse);
    NodeHover tvSelectChannelMouseMove(NodeId node) const;

    void muCurNodeFullExpandClick();
    void muCurNodeFullCollapseClick();
    void muFullExpandClick();
    void muFullCollapseClick();
    void cbFilterChannelChange(int filter);
    void cbClassDisplayChannelChange(int mode);
    // "隐藏失效频道": kept in the settings file, the tree rebuilt with or without them.
    bool hidesDeadChannels() const;
    void setHideDeadChannels(bool hide);
    void actFindChannelExecute();
    void actFindChannelContinueExecute();
    // Selects the next channel below the selection whose name contains text.
    bool FindNextChannel(std::string_view text);

private:
    ChannelStore& store_;
    ChannelBrowser& browser_;
    SettingsFile& settings_;
};

}  // namespace kw
