#include "core/actions/DesktopHelpers.h"

#include "core/actions/ShellOpen.h"
#include "core/base/AsciiText.h"
#include "core/base/LocalTime.h"
#include "core/ports/DesktopPort.h"
#include "core/ports/UiPort.h"
#include "core/settings/SettingsFile.h"

#include <cstdio>
#include <utility>

namespace kw {
namespace {

// Names the packages of a list for the user, as "a 或 b".
std::string packageNames(const std::vector<HelperProgram>& programs) {
    std::string names;
    for (const HelperProgram& program : programs) {
        if (names.find(program.package) != std::string::npos) continue;
        if (!names.empty()) names += " 或 ";
        names += program.package;
    }
    return names;
}

std::string missingProgramText(std::string_view what, const std::vector<HelperProgram>& programs) {
    return "没有找到" + std::string(what) + "程序。\r\n\r\n请安装软件包 " + packageNames(programs) +
           " 后再试。";
}

}  // namespace

std::string dateTooltipText(const std::tm& localTime) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "现在是: %04d年%02d月%02d日\r\n\r\n          %02d时%02d分%02d秒",
                  localTime.tm_year + 1900, localTime.tm_mon + 1, localTime.tm_mday, localTime.tm_hour,
                  localTime.tm_min, localTime.tm_sec);
    return buffer;
}

std::string dateTooltipTextNow() { return dateTooltipText(localTimeOf(std::time(nullptr))); }

std::string percentEncode(std::string_view text, std::string_view alsoKept) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                                byte == '~' || alsoKept.find(c) != std::string_view::npos;
        if (unreserved) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

std::string searchAddress(std::string_view text) {
    return "http://" + std::string(DesktopHelpers::kSearchHost) + "/search?hl=zh-CN&q=" + percentEncode(text);
}

std::string emailAddress(std::string_view recipient) {
    // "@" stays readable; everything else that could end the address or start
    // a header of its own ("?", "&", "%", blanks) is encoded.
    return "mailto:" + percentEncode(recipient, "@") +
           "?subject=" + percentEncode(DesktopHelpers::kEmailSubject);
}

const std::vector<HelperProgram>& DesktopHelpers::volumeControls() {
    static const std::vector<HelperProgram> programs{{"pavucontrol", "pavucontrol"},
                                                     {"pavucontrol-qt", "pavucontrol-qt"},
                                                     {"mate-volume-control", "mate-media"},
                                                     {"xfce4-mixer", "xfce4-mixer"}};
    return programs;
}

const std::vector<HelperProgram>& DesktopHelpers::soundRecorders() {
    static const std::vector<HelperProgram> programs{{"gnome-sound-recorder", "gnome-sound-recorder"},
                                                     {"audacity", "audacity"}};
    return programs;
}

const std::vector<HelperProgram>& DesktopHelpers::helpBrowsers() {
    static const std::vector<HelperProgram> programs{{"x-www-browser", "firefox-esr"},
                                                     {"sensible-browser", "sensible-utils"},
                                                     {"firefox-esr", "firefox-esr"},
                                                     {"chromium", "chromium"}};
    return programs;
}

DesktopHelpers::DesktopHelpers(std::filesystem::path programDir, const SettingsFile& settings,
                               ShellOpener& shell, DesktopPort& desktop, UiPort& ui)
    : programDir_(std::move(programDir)), settings_(settings), shell_(shell), desktop_(desktop), ui_(ui) {}

std::filesystem::path DesktopHelpers::helpPage() const { return programDir_ / "Help" / "help.htm"; }

void DesktopHelpers::spGoogleClick(std::string_view boxText) {
    if (boxText.empty()) return;
    shell_.ShellOpen(searchAddress(boxText));
}

void DesktopHelpers::spVolumClick() {
    startFirstOf(volumeControls(), {},
                 [this] { ui_.ShowMessage(missingProgramText("系统音量控制", volumeControls())); });
}

void DesktopHelpers::spSoundRecordClick() {
    const std::string recorder = settings_.sndrec();
    if (recorder.empty() || ascii::upper(recorder) == ascii::upper(kSystemRecorder)) {
        startFirstOf(soundRecorders(), {},
                     [this] { ui_.ShowMessage(missingProgramText("录音机", soundRecorders())); });
        return;
    }
    startFirstOf({{recorder, ""}}, {},
                 [this, recorder] { ui_.ShowMessage("无法启动录音机程序：" + recorder); });
}

void DesktopHelpers::actHelpExecute() {
    const std::filesystem::path page = helpPage();
    std::error_code error;
    if (!std::filesystem::is_regular_file(page, error)) {
        ui_.ShowMessage(kHelpNotFound);
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    auto tryBrowsers = [this, alive, page] {
        if (!alive.lock()) return;
        // The page is there: what is missing is a program to show it.
        startFirstOf(helpBrowsers(), {page.string()},
                     [this] { ui_.ShowMessage(missingProgramText("网页浏览器", helpBrowsers())); });
    };
    if (!desktop_.openDocument(page.string(), {}, tryBrowsers)) tryBrowsers();
}

std::string DesktopHelpers::homePage() const {
    return shell_.homePage().empty() ? settings_.homePageUrl() : shell_.homePage();
}

void DesktopHelpers::actAuthorHomePageExecute() { shell_.ShellOpen(homePage()); }

void DesktopHelpers::actAuthorEmailExecute() { shell_.ShellOpen(emailAddress(settings_.authorEmail())); }

void DesktopHelpers::startFirstOf(std::vector<HelperProgram> programs, std::vector<std::string> arguments,
                                  std::function<void()> noneStarted) {
    for (std::size_t i = 0; i < programs.size(); ++i) {
        std::vector<HelperProgram> rest(programs.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                        programs.end());
        std::weak_ptr<bool> alive = alive_;
        auto failedLater = [this, alive, rest, arguments, noneStarted] {
            if (alive.lock()) startFirstOf(rest, arguments, noneStarted);
        };
        if (desktop_.startProgram(programs[i].program, arguments, failedLater)) return;
    }
    noneStarted();
}

}  // namespace kw
