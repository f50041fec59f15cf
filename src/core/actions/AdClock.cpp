#include "core/actions/AdClock.h"

#include <utility>

namespace kw {

AdClock::AdClock(HomePage homePage, FailedOpen failedOpen)
    : homePage_(std::move(homePage)), failedOpen_(std::move(failedOpen)) {}

AdShowing AdClock::show(AdMode mode) {
    mode_ = mode;
    running_ = true;
    elapsed_ = 0;
    countdown_ = kCountdownStart;
    locked_ = mode == AdMode::Advertisement;
    const bool ad = mode == AdMode::Advertisement;
    AdShowing showing{std::string(ad ? kAdCaption : kNewsCaption), std::string(ad ? kAdLabel : kNewsLabel),
                      std::string(ad ? kAdTooltip : kNewsTooltip),
                      (homePage_ ? homePage_() : std::string()) + (ad ? "ad.htm" : "news.htm")};
    baseCaption_ = showing.caption;
    return showing;
}

AdTick AdClock::tick() {
    AdTick result;
    if (!running_) return result;
    ++elapsed_;
    if (countdown_ >= 0) {
        result.caption = baseCaption_ + " (" + std::to_string(countdown_) + ")";
        --countdown_;
    }
    const int shownFor = mode_ == AdMode::Advertisement ? kAdSeconds : kNewsSeconds;
    if (elapsed_ >= shownFor) {
        // A page that never loaded changes nothing here: the window goes anyway.
        result.hide = true;
        running_ = false;
    } else if (locked_ && elapsed_ >= kAdLockSeconds) {
        locked_ = false;
        result.reload = true;
    }
    return result;
}

bool AdClock::closeRequested(bool visible, bool& hideNow) const {
    hideNow = false;
    if (!visible) return true;
    hideNow = !(mode_ == AdMode::Advertisement && locked_ && running_);
    return false;
}

void AdClock::linkNotOpened() const {
    if (failedOpen_) failedOpen_();
}

}  // namespace kw
