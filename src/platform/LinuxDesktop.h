#pragma once

#include "core/ports/DesktopPort.h"

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// Rules that decide what the Linux desktop may be asked to open. Channel
// addresses come from files that users swap, so a target is only ever opened
// as a document or an address, never run.
namespace desktop {

// The lower-cased scheme of an address ("http" for "HTTP://x"), or nullopt when
// the target is not an address. One-letter schemes are drive letters, not schemes.
std::optional<std::string> urlScheme(std::string_view target);

// The argument to give the opener for `target`, or nullopt when it must not be
// opened: control characters, a local program or script (an executable file,
// a launcher such as ".desktop", or a file: address naming one), or a file:
// address on another host. A relative path becomes absolute, so no argument
// can start with "-" and pass for an option.
std::optional<std::string> openerArgument(std::string_view target);

// Whether `target` is a media stream that belongs in the media player rather
// than the browser: the streaming schemes (mms, rtsp, rtmp, pnm, ...), and
// http(s) addresses whose channel format names a stream format, or, for an
// empty or unknown format, whose path ends in a media extension (.m3u8, .mp3,
// .flv, .mpd, ...). The web-page format always means the browser.
bool isMediaStream(std::string_view target, std::string_view format);

}  // namespace desktop

struct LinuxDesktopConfig {
    // The desktop's opener, started with the target as its only argument.
    std::string opener = "xdg-open";
    // Browsers tried in order for openInBrowser().
    std::vector<std::string> browsers;
    // An opener or browser that exits with failure within this time counts as
    // failed; one still running after it counts as started.
    std::chrono::milliseconds failureWindow{250};
    // Parent of the private folder for stream playlists; empty means
    // $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp.
    std::filesystem::path playlistRoot;

    // The defaults with browsers from $BROWSER (a colon-separated list of
    // program names), then "x-www-browser" and "sensible-browser".
    static LinuxDesktopConfig fromEnvironment();
};

// The desktop port on Linux desktops: "xdg-open" for documents and web pages;
// media streams are written to a one-line playlist (.m3u, in a private folder,
// readable by the user only) and that is opened, since the desktop gives
// playlists to its media player while it gives bare http addresses to the
// browser. Programs are started directly, never through a shell, with the
// target as one argument, in their own process group, and never waited for
// beyond the failure window.
class LinuxDesktop final : public DesktopPort {
public:
    explicit LinuxDesktop(LinuxDesktopConfig config = LinuxDesktopConfig::fromEnvironment());
    ~LinuxDesktop() override;
    LinuxDesktop(const LinuxDesktop&) = delete;
    LinuxDesktop& operator=(const LinuxDesktop&) = delete;

    bool openDocument(std::string_view target, std::string_view format) override;
    // Only http and https addresses are given to a browser.
    bool openInBrowser(std::string_view address) override;

private:
    bool launch(const std::string& program, const std::string& argument);
    void reapFinished();
    std::optional<std::filesystem::path> writePlaylist(std::string_view address);

    LinuxDesktopConfig config_;
    std::vector<pid_t> running_;  // started programs not yet reaped
    std::filesystem::path playlistFolder_;
    unsigned playlistCount_ = 0;
};

}  // namespace kw
