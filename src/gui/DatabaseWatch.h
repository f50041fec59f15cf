#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace kw {

class Session;

// Looks after the channel database while the panel runs: the check of the
// file begun at start-up, whose finding is reported once no other dialog is
// open, and the connection's locks on the file, checked every few seconds.
class DatabaseWatch : public QObject {
public:
    // `run` runs a command the way the window runs its commands (errors shown).
    using CommandRunner = std::function<void(const std::function<void()>&)>;
    DatabaseWatch(Session& session, CommandRunner run, QObject* parent);

    static constexpr int kCheckPollMs = 500;
    static constexpr int kLockCheckMs = 2000;

private:
    void pollCheck();

    Session& session_;
    CommandRunner run_;
    QTimer checkPoll_;
    QTimer lockCheck_;
};

}  // namespace kw
