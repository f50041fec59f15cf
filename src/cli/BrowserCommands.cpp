#include "cli/Cli.h"
#include "cli/CliSession.h"
#include "core/base/Error.h"
#include "core/browser/ChannelBrowser.h"
#include "core/browser/TreeCache.h"
#include "core/settings/SettingsFile.h"

#include <array>
#include <memory>
#include <ostream>

namespace kw::cli {
namespace {

// A browser over the program directory's database with its tree built the way
// the window builds it: the settings row's lock mode, the rating filter and
// display mode from the options or else the settings file.
class BrowserSession {
public:
    explicit BrowserSession(CommandContext& context) : cli_(context) {
        std::string filter;
        std::string mode;
        const bool filterGiven = takeOption(context.args, "--filter", filter);
        const bool modeGiven = takeOption(context.args, "--mode", mode);
        const SettingsFile settings(context.programDir);
        const int ratingFilter = filterGiven ? parseNumber(filter, "N") : settings.filterChannelIndex();
        if (ratingFilter < 0 || ratingFilter >= kFilterChannelCount)
            throw UsageError("N must be 0 (all) to 5");
        const int displayMode = modeGiven ? parseNumber(mode, "M") : settings.classDisplayChannelIndex();

        browser().setRatingFilter(ratingFilter);
        browser().setDisplayMode(displayMode);
    }

    ChannelBrowser& browser() { return cli_->browser(); }
    const CliUi& ui() { return cli_.ui(); }

    // The first node in tree order with this text, preferring a channel leaf.
    NodeId nodeNamed(std::string_view name, bool preferChannel) {
        const ChannelTree& tree = cli_->browser().tree();
        NodeId first = kNoNode;
        for (NodeId node = tree.nextInTreeOrder(kNoNode); node != kNoNode;
             node = tree.nextInTreeOrder(node)) {
            if (tree.text(node) != name) continue;
            if (!preferChannel || tree.IsChannelLeaf(node)) return node;
            if (first == kNoNode) first = node;
        }
        if (first == kNoNode) throw Error("No node named \"" + std::string(name) + "\" in the channel tree");
        return first;
    }

private:
    CliSession cli_;
};

int runTree(CommandContext& context) {
    BrowserSession session(context);
    expectArgCount(context.args, 0, 0);
    session.browser().RebuildChannelTree(false);
    context.out << formatTreeOutline(session.browser().tree());
    return 0;
}

int runFind(CommandContext& context) {
    BrowserSession session(context);
    std::string from;
    const bool fromGiven = takeOption(context.args, "--from", from);
    expectArgCount(context.args, 1, 1);
    const std::string& text = context.args[0];
    if (text.empty()) throw UsageError("TEXT must not be empty");
    ChannelBrowser& browser = session.browser();
    browser.RebuildChannelTree(false);
    if (fromGiven) browser.select(session.nodeNamed(from, false));
    if (!browser.FindNextChannel(text)) return 1;
    context.out << browser.tree().text(browser.selected()) << '\n';
    return 0;
}

int runDetails(CommandContext& context) {
    BrowserSession session(context);
    expectArgCount(context.args, 1, 1);
    ChannelBrowser& browser = session.browser();
    browser.RebuildChannelTree(false);
    const NodeDetails& details = browser.ShowNodeDetails(session.nodeNamed(context.args[0], true));
    if (session.ui().errorsShown() > 0) return 1;
    context.out << details.memo << '\n';
    return 0;
}

constexpr std::array kCommands{
    Command{"tree", "tree [--filter N] [--mode M]", runTree},
    Command{"find", "find TEXT [--from NAME] [--filter N] [--mode M]", runFind},
    Command{"details", "details NAME [--filter N] [--mode M]", runDetails},
};

}  // namespace

std::span<const Command> browserCommands() { return kCommands; }

}  // namespace kw::cli
