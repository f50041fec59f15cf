#pragma once

#include "actions/LinuxDesktop.h"
#include "app/Session.h"
#include "cli/Cli.h"
#include "cli/CliUi.h"

namespace kw::cli {

// A session over the command's program directory with kwave's Ui and the
// real desktop, opened the way start-up opens it (database, settings row,
// child lock, list positions, home page).
class CliSession {
public:
    explicit CliSession(CommandContext& context)
        : ui_(context.out, context.err), session_(context.programDir, ui_, desktop_) {
        session_.open();
    }

    CliUi& ui() { return ui_; }
    Session& session() { return session_; }
    Session* operator->() { return &session_; }

private:
    CliUi ui_;
    LinuxDesktop desktop_;
    Session session_;
};

}  // namespace kw::cli
