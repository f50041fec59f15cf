#pragma once

#include "cli/Cli.h"
#include "cli/CliUi.h"
#include "core/browser/ChannelTree.h"
#include "core/ports/DesktopPort.h"
#include "core/session/Session.h"

#include <chrono>
#include <iosfwd>
#include <memory>
#include <string_view>

namespace kw::cli {

// Where kwave hands the addresses it opens.
enum class Opening {
    Desktop,  // the real desktop, as the program does
    Print,    // printed, one a line, instead of opened (--print)
};

// A session over the command's program directory with kwave's Ui and a
// desktop, opened the way start-up opens it (database, settings row, child
// lock, list positions, home page).
class CliSession {
public:
    explicit CliSession(CommandContext& context, Opening opening = Opening::Desktop);

    CliUi& ui() { return ui_; }
    Session& session() { return session_; }
    Session* operator->() { return &session_; }

    // Builds the tree from the database (not the cache: kwave sees the
    // database as it is now) with the settings' rating filter and display
    // mode, and returns the first channel leaf whose text is `name`, or
    // kNoNode.
    NodeId findChannel(std::string_view name);
    // Selects the node and shows its details, as a click on it does in the window.
    void select(NodeId node);
    // findChannel, then select; a name without a leaf throws kw::Error.
    NodeId selectChannel(std::string_view name);

    // kwave has no event loop: it waits for the programs it started, at most
    // kOpenerWait, and tells whether every open since the shell counted
    // `failuresBefore` failures went well. A program still running then has
    // started; the playlists it reads outlive us.
    static constexpr std::chrono::milliseconds kOpenerWait{4000};
    bool openedWithoutFailure(unsigned failuresBefore);

private:
    CliUi ui_;
    std::unique_ptr<DesktopPort> desktop_;
    Session session_;
};

// The error for a name that names no channel leaf in the tree.
[[noreturn]] void throwNoChannel(std::string_view name);

}  // namespace kw::cli
