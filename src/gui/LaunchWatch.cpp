#include "gui/LaunchWatch.h"

#include <utility>

namespace kw {

LaunchWatch::LaunchWatch(std::unique_ptr<DesktopPort> desktop, QObject* parent)
    : QObject(parent), desktop_(std::move(desktop)) {
    timer_.setInterval(kCheckIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &LaunchWatch::checkLaunches);
}

bool LaunchWatch::openDocument(std::string_view target, std::string_view format, LateFailure onLateFailure) {
    return watch(desktop_->openDocument(target, format, std::move(onLateFailure)));
}

bool LaunchWatch::openInBrowser(std::string_view address, LateFailure onLateFailure) {
    return watch(desktop_->openInBrowser(address, std::move(onLateFailure)));
}

bool LaunchWatch::startProgram(std::string_view program, const std::vector<std::string>& arguments,
                               LateFailure onLateFailure) {
    return watch(desktop_->startProgram(program, arguments, std::move(onLateFailure)));
}

void LaunchWatch::checkLaunches() {
    // A late failure shows a message box, whose own event loop runs this
    // timer again: one check at a time.
    if (checking_) return;
    checking_ = true;
    desktop_->checkLaunches();
    checking_ = false;
    if (!desktop_->watchingLaunches()) {
        timer_.stop();
    } else if (++checks_ == kEarlyChecks) {
        timer_.setInterval(kLaterIntervalMs);
    }
}

bool LaunchWatch::watch(bool started) {
    if (!desktop_->watchingLaunches()) return started;
    checks_ = 0;  // a new launch: its failure would come early
    timer_.start(kCheckIntervalMs);
    return started;
}

}  // namespace kw
