#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kw {

// The two showings of the advertisement window.
enum class AdMode { Advertisement = 0, News = 1 };

// What the window shows for one showing.
struct AdShowing {
    std::string caption;
    std::string label;
    std::string tooltip;
    std::string page;  // the home-page address followed by "ad.htm" or "news.htm"
};

// What the window does after one second of its clock.
struct AdTick {
    std::optional<std::string> caption;  // the caption to set, when it changes
    bool hide = false;
    bool reload = false;  // reload the page that is showing
};

// The clock of the advertisement and news window and its timing rules,
// ticked once a second while the window shows. An advertisement cannot be
// closed during its first 3 seconds, reloads its page then, and hides itself
// after 31 seconds; the news can be closed at once and hides after 30. The
// caption counts down from "(30)" after the first second to "(0)" and stays.
class AdClock {
public:
    using HomePage = std::function<std::string()>;
    using FailedOpen = std::function<void()>;

    static constexpr std::string_view kAdCaption = "看看广告吧, 为了鹰波视听的持续健康发展！";
    static constexpr std::string_view kAdLabel = "鹰波视听的持续发展离不开您的支持，谢谢您看看广告。";
    static constexpr std::string_view kAdTooltip =
        "欢迎广告主在此做广告，请发电子邮件联系作者。\r\n[半分钟后自动关闭此窗口]";
    static constexpr std::string_view kNewsCaption = "鹰波视听 (Kestrel Wave) 最新资讯";
    static constexpr std::string_view kNewsLabel = "有关鹰波视听的程序升级、频道数据更新、举行活动等最新资讯";
    static constexpr std::string_view kNewsTooltip =
        "请您随时关注最新资讯，以便您获得最佳使用效果。\r\n[半分钟后自动关闭此窗口]";
    static constexpr int kAdLockSeconds = 3;
    static constexpr int kAdSeconds = 31;
    static constexpr int kNewsSeconds = 30;
    static constexpr int kCountdownStart = 30;

    // homePage gives the completed home-page address the pages are under;
    // failedOpen tells the user that a link of a page could not be opened.
    explicit AdClock(HomePage homePage, FailedOpen failedOpen = {});

    // Starts a showing from its beginning, also over one still running.
    AdShowing show(AdMode mode);
    AdShowing actADExecute() { return show(AdMode::Advertisement); }
    AdShowing actNewsExecute() { return show(AdMode::News); }
    // One second has passed; nothing happens unless a showing runs.
    AdTick tick();
    // The user asks to close the window. Returns whether the window object
    // may close; when it shows, the answer is always no, and `hideNow` tells
    // whether it hides (not during an advertisement's first 3 seconds).
    bool closeRequested(bool visible, bool& hideNow) const;
    // The window hid: the clock stops until the next showing.
    void hidden() { running_ = false; }
    // The desktop could not open a link the page offered, at once or later:
    // told as every failed open is.
    void linkNotOpened() const;

    bool running() const { return running_; }
    AdMode mode() const { return mode_; }

private:
    HomePage homePage_;
    FailedOpen failedOpen_;
    AdMode mode_ = AdMode::Advertisement;
    bool running_ = false;
    bool locked_ = false;  // an advertisement's first 3 seconds
    int elapsed_ = 0;      // seconds since the showing started
    int countdown_ = -1;
    std::string baseCaption_;
};

}  // namespace kw
