#include "cli/Cli.h"
#include "cli/CliSession.h"
#include "core/base/Error.h"

#include <array>
#include <optional>
#include <ostream>

namespace kw::cli {
namespace {

// A session with its tree built from the database the way the window builds
// it: the settings row's lock mode, and the rating filter and display mode
// from the options or else the settings file.
class BrowserSession {
public:
    explicit BrowserSession(CommandContext& context) : cli_(context) {
        std::string filter;
        std::string mode;
        std::optional<int> ratingFilter;
        std::optional<int> displayMode;
        if (takeOption(context.args, "--filter", filter)) {
            ratingFilter = parseNumber(filter, "N");
            if (!isValidRatingFilter(*ratingFilter)) throw UsageError(ratingFilterRange());
        }
        if (takeOption(context.args, "--mode", mode)) {
            displayMode = parseNumber(mode, "M");
            if (!isValidDisplayMode(*displayMode)) throw UsageError(displayModeRange());
        }
        ratingFilter_ = ratingFilter;
        displayMode_ = displayMode;
        hideDead_ = takeFlag(context.args, "--hide-dead");
    }

    CatalogueView& view() { return cli_->view(); }
    CatalogueQuery& query() { return cli_->query(); }
    const CliUi& ui() { return cli_.ui(); }

    // Builds the tree; called once the command's own arguments are checked.
    void build() {
        if (hideDead_) query().setHideDeadChannels(true);
        query().rebuildFromDatabase(ratingFilter_, displayMode_);
    }

    // The first node in tree order with this text, preferring a channel leaf.
    NodeId nodeNamed(std::string_view name, bool preferChannel) {
        const NodeId leaf = preferChannel ? query().findChannelLeaf(name) : kNoNode;
        const NodeId node = leaf != kNoNode ? leaf : query().findNode(name);
        if (node == kNoNode) throw Error("No node named \"" + std::string(name) + "\" in the channel tree");
        return node;
    }

private:
    CliSession cli_;
    std::optional<int> ratingFilter_;
    std::optional<int> displayMode_;
    bool hideDead_ = false;
};

int runTree(CommandContext& context) {
    BrowserSession browser(context);
    expectArgCount(context.args, 0, 0);
    browser.build();
    context.out << printable(browser.query().treeOutline());
    return 0;
}

int runFind(CommandContext& context) {
    BrowserSession browser(context);
    std::string from;
    const bool fromGiven = takeOption(context.args, "--from", from);
    expectArgCount(context.args, 1, 1);
    const std::string& text = context.args[0];
    if (text.empty()) throw UsageError("TEXT must not be empty");
    browser.build();
    if (fromGiven) browser.query().select(browser.nodeNamed(from, false));
    if (!browser.view().FindNextChannel(text)) return 1;
    context.out << printable(browser.query().selectedText()) << '\n';
    return 0;
}

int runDetails(CommandContext& context) {
    BrowserSession browser(context);
    expectArgCount(context.args, 1, 1);
    browser.build();
    const NodeDetails& details = browser.view().ShowNodeDetails(browser.nodeNamed(context.args[0], true));
    if (browser.ui().errorsShown() > 0) return 1;
    context.out << printable(details.memo) << '\n';
    return 0;
}

constexpr std::array kCommands{
    Command{"tree", "tree [--filter N] [--mode M] [--hide-dead]", runTree},
    Command{"find", "find TEXT [--from NAME] [--filter N] [--mode M]", runFind},
    Command{"details", "details NAME [--filter N] [--mode M]", runDetails},
};

}  // namespace

std::span<const Command> browserCommands() { return kCommands; }

}  // namespace kw::cli
