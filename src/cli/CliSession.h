#pragma once

#include "cli/Cli.h"
#include "cli/CliUi.h"
#include "core/ports/DesktopPort.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "platform/CurlStreamProbe.h"
#include "platform/CurlWebFetch.h"
#include "platform/DnsDirectoryServers.h"

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

// Whether a command needs the channel database.
enum class Database { Open, Closed };

// A session over the command's program directory with kwave's Ui and a
// desktop, opened the way start-up opens it (database, settings row, child
// lock, list positions, home page) unless the command works on files only.
class CliSession {
public:
    explicit CliSession(CommandContext& context, Opening opening = Opening::Desktop,
                        Database database = Database::Open);

    CliUi& ui() { return ui_; }
    Session& session() { return session_; }
    Session* operator->() { return &session_; }

    // kwave has no event loop: it waits for the programs it started, at most
    // kOpenerWait, and tells whether every open since the shell counted
    // `failuresBefore` failures went well. A program still running then has
    // started; the playlists it reads outlive us.
    static constexpr std::chrono::milliseconds kOpenerWait{4000};
    bool openedWithoutFailure(unsigned failuresBefore);

private:
    CliUi ui_;
    std::unique_ptr<DesktopPort> desktop_;
    CurlStreamProbe probe_;
    CurlWebFetch web_;
    DnsDirectoryServers directoryServers_{clockSeededRandomSource()};
    Session session_;
};

}  // namespace kw::cli
