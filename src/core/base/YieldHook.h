#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

namespace kw {

// Lets long loops (tree builds, searches, batch add) hand control to the
// window's event loop now and then. The loop calls tick() once per unit of
// work; the callback runs when at least `interval` of work has passed, so the
// window stays live without paying an event-loop round per row. The clock is
// read only every `kCheckEvery` ticks.
class YieldHook {
public:
    using Callback = std::function<void()>;
    static constexpr std::chrono::milliseconds kDefaultInterval{10};

    YieldHook() = default;
    explicit YieldHook(Callback callback, std::chrono::nanoseconds interval = kDefaultInterval)
        : callback_(std::move(callback)), interval_(interval) {}

    void tick() {
        if (!callback_ || (++ticks_ & (kCheckEvery - 1)) != 0) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < interval_) return;
        callback_();
        last_ = std::chrono::steady_clock::now();
    }

    // For waits that are not loops over work (a channel probe): hands control
    // over at once.
    void yieldNow() {
        if (!callback_) return;
        callback_();
        last_ = std::chrono::steady_clock::now();
    }

    bool active() const { return static_cast<bool>(callback_); }

private:
    static constexpr std::uint32_t kCheckEvery = 64;  // a power of two
    Callback callback_;
    std::chrono::nanoseconds interval_{kDefaultInterval};
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    std::uint32_t ticks_ = 0;
};

}  // namespace kw
