#pragma once

#include "core/browser/ChannelTree.h"
#include "core/browser/DeadChannels.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class ChannelBrowser;
class ChannelStore;

// The catalogue as kwave and the commands by name see it: the tree built from
// the database as it is now, its nodes looked up by name, the selection, and
// the listings kwave prints. Does nothing while the database is not open.
class CatalogueQuery {
public:
    CatalogueQuery(ChannelStore& store, ChannelBrowser& browser);

    // Sets the rating filter
    // and display mode (each checked against its list; kw::Error outside it)
    // and builds the tree from the database.
    void rebuildFromDatabase(std::optional<int> ratingFilter = std::nullopt,
                             std::optional<int> displayMode = std::nullopt);
    // The first channel leaf in tree order whose text is exactly name, or kNoNode.
    NodeId findChannelLeaf(std::string_view name) const;
    // The first node in tree order whose text is exactly text, or kNoNode.
    NodeId findNode(std::string_view text) const;
    // Selects node and shows its details, as a click on it does.
    void select(NodeId node);
    // Builds the tree from the database and selects the first channel leaf
    // named name; kw::Error when there is none.
    NodeId selectChannelLeaf(std::string_view name);
    // The name of the selected node.
    std::string selectedText() const;
    // Whether the next builds leave the dead channels out.
    void setHideDeadChannels(bool hide);
    // The names of the channels of one rating (0: all), and of one state when
    // given, in the engine's order.
    std::vector<std::string> channelNames(int ratingFilter, std::optional<ChannelState> state = {}) const;
    // The tree as kwave's tree command prints it, one node a line.
    std::string treeOutline() const;
    // "系统 S个 + 自添 U个 = T个", the about page's and kwave's count line.
    std::string channelCountLine() const;

private:
    ChannelStore& store_;
    ChannelBrowser& browser_;
};

// kwave's refusal of a name no channel of the tree carries.
std::string noChannelNamed(std::string_view name);

}  // namespace kw
