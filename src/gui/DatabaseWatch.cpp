#include "gui/DatabaseWatch.h"

#include "core/session/Roles.h"
#include "core/session/Session.h"

#include <QApplication>
#include <QWidget>

namespace kw {

DatabaseWatch::DatabaseWatch(Session& session, CommandRunner run, QObject* parent)
    : QObject(parent), session_(session), run_(std::move(run)) {
    session_.database().beginDatabaseCheck();
    connect(&checkPoll_, &QTimer::timeout, this, &DatabaseWatch::pollCheck);
    checkPoll_.start(kCheckPollMs);
    connect(&lockCheck_, &QTimer::timeout, this,
            [this] { run_([this] { session_.database().keepDatabaseLocks(); }); });
    lockCheck_.start(kLockCheckMs);
}

void DatabaseWatch::pollCheck() {
    // A question over another dialog would stack on top of it.
    if (QApplication::activeModalWidget() != nullptr) return;
    bool finished = true;
    checkPoll_.stop();
    run_([this, &finished] { finished = session_.database().finishDatabaseCheck(); });
    if (!finished) checkPoll_.start(kCheckPollMs);
}

}  // namespace kw
