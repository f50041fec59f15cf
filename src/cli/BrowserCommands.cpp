#include "app/SettingsFile.h"
#include "app/UiPort.h"
#include "app/YieldHook.h"
#include "browser/ChannelBrowser.h"
#include "browser/TreeCache.h"
#include "cli/Cli.h"
#include "store/ChannelStore.h"
#include "store/Error.h"

#include <array>
#include <memory>
#include <ostream>

namespace kw::cli {
namespace {

// The Ui of these commands: messages are their output, errors go to the
// error stream, and nothing they run asks a question.
class PrintingUi : public UiPort {
public:
    explicit PrintingUi(CommandContext& context) : context_(context) {}

    void ShowMessage(std::string_view text, std::string_view /*caption*/) override {
        context_.out << text << '\n';
    }
    void ShowError(std::string_view text) override {
        context_.err << text << '\n';
        ++errors_;
    }
    bool AskYesNo(std::string_view /*caption*/, std::string_view /*text*/) override { return false; }
    std::optional<std::string> InputBox(std::string_view, std::string_view, std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& /*request*/) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& /*request*/) override {
        return std::nullopt;
    }

    int errors() const { return errors_; }

private:
    CommandContext& context_;
    int errors_ = 0;
};

// A browser over the program directory's database with its tree built the way
// the window builds it: the settings row's lock mode, the rating filter and
// display mode from the options or else the settings file.
class BrowserSession {
public:
    explicit BrowserSession(CommandContext& context) : ui_(context) {
        std::string filter;
        std::string mode;
        const bool filterGiven = takeOption(context.args, "--filter", filter);
        const bool modeGiven = takeOption(context.args, "--mode", mode);
        const SettingsFile settings(context.programDir);
        const int ratingFilter = filterGiven ? parseNumber(filter, "N") : settings.filterChannelIndex();
        if (ratingFilter < 0 || ratingFilter >= kFilterChannelCount)
            throw UsageError("N must be 0 (all) to 5");
        const int displayMode = modeGiven ? parseNumber(mode, "M") : settings.classDisplayChannelIndex();

        store_ = ChannelStore::open(context.programDir / ChannelStore::kFileName);
        browser_ = std::make_unique<ChannelBrowser>(*store_, context.programDir, ui_, yield_);
        browser_->setLockMode(store_->readSettingsRow().locked);
        browser_->setRatingFilter(ratingFilter);
        browser_->setDisplayMode(displayMode);
    }

    ChannelBrowser& browser() { return *browser_; }
    const PrintingUi& ui() const { return ui_; }

    // The first node in tree order with this text, preferring a channel leaf.
    NodeId nodeNamed(std::string_view name, bool preferChannel) const {
        const ChannelTree& tree = browser_->tree();
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
    PrintingUi ui_;
    YieldHook yield_;
    std::unique_ptr<ChannelStore> store_;
    std::unique_ptr<ChannelBrowser> browser_;
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
    if (session.ui().errors() > 0) return 1;
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
