#pragma once

#include "core/ports/DesktopPort.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace kw {

// The desktop as the window sees it: every open goes to the platform's
// desktop, and while a started program is watched the event loop checks on
// it, so a late failure shows the play-error message and runs the fallback
// without the window ever waiting.
class LaunchWatch final : public QObject, public DesktopPort {
    Q_OBJECT
public:
    // Failures come early (an opener without a handler ends within a second
    // or two): checked often at first, then seldom while a player runs on.
    static constexpr int kCheckIntervalMs = 100;
    static constexpr int kLaterIntervalMs = 1000;
    static constexpr int kEarlyChecks = 50;

    explicit LaunchWatch(std::unique_ptr<DesktopPort> desktop, QObject* parent = nullptr);

    bool openDocument(std::string_view target, std::string_view format, LateFailure onLateFailure) override;
    bool openInBrowser(std::string_view address, LateFailure onLateFailure) override;
    bool startProgram(std::string_view program, const std::vector<std::string>& arguments,
                      LateFailure onLateFailure) override;
    void checkLaunches() override;
    bool watchingLaunches() const override { return desktop_->watchingLaunches(); }

private:
    bool watch(bool started);

    std::unique_ptr<DesktopPort> desktop_;
    QTimer timer_;
    bool checking_ = false;
    int checks_ = 0;
};

}  // namespace kw
