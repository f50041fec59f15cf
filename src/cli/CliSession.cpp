#include "cli/CliSession.h"

#include "core/actions/ChannelOpener.h"
#include "core/actions/ShellOpen.h"
#include "core/base/Error.h"
#include "core/browser/ChannelBrowser.h"
#include "platform/LinuxDesktop.h"

#include <ostream>
#include <string>

namespace kw::cli {
namespace {

// Prints every address it is asked to open, so a script sees what a play
// would hand to the desktop; what the desktop would refuse is refused here too.
class PrintingDesktop final : public DesktopPort {
public:
    explicit PrintingDesktop(std::ostream& out) : out_(out) {}

    bool openDocument(std::string_view target, std::string_view /*format*/, LateFailure) override {
        return print(desktop::openerArgument(target).has_value(), target);
    }
    bool openInBrowser(std::string_view address, LateFailure) override {
        return print(desktop::browserArgument(address).has_value(), address);
    }

private:
    bool print(bool allowed, std::string_view target) {
        if (allowed) out_ << target << '\n';
        return allowed;
    }

    std::ostream& out_;
};

std::unique_ptr<DesktopPort> makeDesktop(Opening opening, std::ostream& out) {
    if (opening == Opening::Print) return std::make_unique<PrintingDesktop>(out);
    return std::make_unique<LinuxDesktop>();
}

}  // namespace

CliSession::CliSession(CommandContext& context, Opening opening)
    : ui_(context.out, context.err),
      desktop_(makeDesktop(opening, context.out)),
      session_(context.programDir, ui_, *desktop_) {
    session_.open();
    // A preview changes nothing: no last played channel.
    if (opening == Opening::Print) session_.opener().setPreview(true);
}

bool CliSession::openedWithoutFailure(unsigned failuresBefore) {
    desktop_->waitForLaunches(kOpenerWait);
    return session_.shell().failures() == failuresBefore;
}

NodeId CliSession::findChannel(std::string_view name) {
    ChannelBrowser& browser = session_.browser();
    browser.RebuildChannelTree(false);
    const ChannelTree& tree = browser.tree();
    for (NodeId node = tree.nextInTreeOrder(kNoNode); node != kNoNode; node = tree.nextInTreeOrder(node)) {
        if (tree.IsChannelLeaf(node) && tree.text(node) == name) return node;
    }
    return kNoNode;
}

void CliSession::select(NodeId node) {
    ChannelBrowser& browser = session_.browser();
    browser.select(node);
    browser.ShowNodeDetails(node);
}

NodeId CliSession::selectChannel(std::string_view name) {
    const NodeId node = findChannel(name);
    if (node == kNoNode) throwNoChannel(name);
    select(node);
    return node;
}

void throwNoChannel(std::string_view name) {
    throw Error("No channel named \"" + std::string(name) + "\" in the channel tree");
}

}  // namespace kw::cli
