#pragma once

#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class DesktopPort;
class SettingsFile;
class ShellOpener;
class UiPort;

// The window icon's tooltip for a local time: "现在是: 2003年08月15日", an
// empty line (CR LF twice), then ten blanks and "09时05分03秒".
std::string dateTooltipText(const std::tm& localTime);

// The same for the current local time.
std::string dateTooltipTextNow();

// Percent-encodes the UTF-8 bytes of text, leaving only the unreserved
// characters (A-Z a-z 0-9 - . _ ~) and those of `alsoKept` as they are, so
// that any text can stand in a query value or an e-mail address.
std::string percentEncode(std::string_view text, std::string_view alsoKept = {});

// The web search address for what the search box holds.
std::string searchAddress(std::string_view text);

// The e-mail address with its subject; an empty recipient opens a new
// message without one.
std::string emailAddress(std::string_view recipient);

// A desktop program that stands for one of the helpers, with the Debian
// package that provides it.
struct HelperProgram {
    std::string program;
    std::string package;
};

// The small conveniences around the channel tree that start other programs
// or documents: web search, volume control, sound recorder, help page, home
// page and e-mail.
class DesktopHelpers {
public:
    static constexpr std::string_view kSearchPrompt = "Google搜索>请在此单击并输入关键词";
    static constexpr std::string_view kSearchHost = "www.google.com";
    static constexpr std::string_view kEmailSubject = "鹰波视听";
    static constexpr std::string_view kHelpNotFound = "很抱歉，找不到帮助文件。";
    // The recorder setting's default; also what an empty setting means.
    static constexpr std::string_view kSystemRecorder = "sndrec32.exe";

    // The search box's text: empty while it has the focus, so the user types
    // into a clean box, and the prompt again once it loses it.
    static constexpr std::string_view searchBoxText(bool focused) { return focused ? "" : kSearchPrompt; }

    static const std::vector<HelperProgram>& volumeControls();
    static const std::vector<HelperProgram>& soundRecorders();
    static const std::vector<HelperProgram>& helpBrowsers();

    DesktopHelpers(std::filesystem::path programDir, const SettingsFile& settings, ShellOpener& shell,
                   DesktopPort& desktop, UiPort& ui);

    // The search button: searches for whatever the box holds, the prompt
    // included; an empty box starts nothing.
    void spGoogleClick(std::string_view boxText);
    void spVolumClick();
    // SNDREC, read afresh: empty or the system recorder's name means the
    // desktop's recorder; any other value is a program the user chose,
    // started as stored.
    void spSoundRecordClick();
    // The help page with the desktop's program for it, else a browser, else
    // the not-found message.
    void actHelpExecute();
    // The completed home-page address (always ending in "/"): the one read at
    // start-up, before that (kwave) the settings file's.
    std::string homePage() const;
    void actAuthorHomePageExecute();
    void actAuthorEmailExecute();

    std::filesystem::path helpPage() const;

private:
    // Starts the first installed program of the list with the arguments; when
    // one fails later, the next. When none runs, `noneStarted`.
    void startFirstOf(std::vector<HelperProgram> programs, std::vector<std::string> arguments,
                      std::function<void()> noneStarted);

    std::filesystem::path programDir_;
    const SettingsFile& settings_;
    ShellOpener& shell_;
    DesktopPort& desktop_;
    UiPort& ui_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kw
