#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace kw {

class DesktopPort;
class UiPort;

// Hands documents and addresses to the desktop, falls back to the web browser
// for http addresses, and tells the user when nothing could be opened.
class ShellOpener {
public:
    static constexpr std::string_view kPlayError =
        "很抱歉，播放频道出错了! "
        "看看别的吧。\r\n\r\n可能是频道地址错了，也可能是您没有安装并且设置好必需的软件，"
        "详情请阅帮助\r\n\r\n或作者网站：";

    // `homePage` is the completed home-page address named in the error message.
    ShellOpener(DesktopPort& desktop, UiPort& ui, std::string homePage = {});

    void setHomePage(std::string homePage) { homePage_ = std::move(homePage); }
    const std::string& homePage() const { return homePage_; }

    // Opens target (nothing when it is empty). When the desktop cannot open an
    // address starting with "http://" (any letter case), the web browser is
    // tried; failing that, the play-error message is shown. `format` is the
    // channel's stream format, empty when unknown. Never waits: a program
    // that fails after this returns runs the same steps when the desktop
    // reports it.
    void ShellOpen(std::string_view target, std::string_view format = {});

    // The play-error message, counted as a failed open.
    void reportPlayError();
    // How many opens have failed so far, including late ones.
    unsigned failures() const { return failures_; }

private:
    void afterDocumentFailed(const std::string& target);

    DesktopPort& desktop_;
    UiPort& ui_;
    std::string homePage_;
    unsigned failures_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kw
