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

// The argument to give the opener for `target`, or nullopt when it must not be
// opened: control characters, a local program or script (an executable file,
// a launcher such as ".desktop", or a file: address naming one, judged after
// "/" and "/." at its end are dropped; a path that cannot be checked for any
// reason but not existing counts as one), a file: address on another host,
// or an address of another scheme (smb:, sftp:, ...) naming a launcher. A
// relative path becomes absolute, so no argument can start with "-" and pass
// for an option.
std::optional<std::string> openerArgument(std::string_view target);

// The argument to give a web browser: only http and https addresses that
// openerArgument() lets through.
std::optional<std::string> browserArgument(std::string_view address);

// Whether `target` is a media stream that belongs in the media player rather
// than the browser: the streaming schemes (mms, rtsp, rtmp, pnm, ...), and
// http(s) addresses whose channel format names a stream format, or, for an
// empty or unknown format, whose path ends in a media or playlist extension
// (.wav, .flac, .m3u8, .mpd, .pls, .xspf, ...) or names a stream mount
// ("/stream", "/live", "/listen", ";stream"). The web-page format, and a page
// such as ".html" or ".php", always mean the browser.
bool isMediaStream(std::string_view target, std::string_view format);

// Media players that take an address as their last argument, in the order
// they are tried when the desktop cannot open a stream.
std::vector<std::string> knownPlayers();

// The options that make `player` (judged by its file name) show a window of
// its own for any stream, also one without pictures, put before the address.
std::vector<std::string> playerWindowOptions(std::string_view player);

// Whether `program` may be started as a desktop helper: a bare name without
// "/" (found on PATH) or an absolute path, not starting with "-", without
// control characters.
bool isStartableProgram(std::string_view program);

// Where the desktop keeps its program associations: the config folders
// ($XDG_CONFIG_HOME, $XDG_CONFIG_DIRS) and data folders ($XDG_DATA_HOME,
// $XDG_DATA_DIRS), most important first.
struct XdgFolders {
    std::vector<std::filesystem::path> config;
    std::vector<std::filesystem::path> data;
    static XdgFolders fromEnvironment();
};

// What the desktop would start for a playlist (audio/x-mpegurl): looked up as
// the desktop's opener does (mimeapps.list defaults, then added associations,
// then mimeinfo.cache), and judged by the program's categories.
enum class PlaylistHandler { Player, TextEditor, None };
PlaylistHandler playlistHandler(const XdgFolders& folders);

}  // namespace desktop

struct LinuxDesktopConfig {
    // The desktop's opener, started with the target as its only argument.
    std::string opener = "xdg-open";
    // Browsers tried in order for openInBrowser().
    std::vector<std::string> browsers;
    // Players tried in order, with the address, when the opener fails on a
    // stream, or before it when the desktop has no player for playlists.
    std::vector<std::string> players = desktop::knownPlayers();
    desktop::XdgFolders xdg = desktop::XdgFolders::fromEnvironment();
    // A started program that fails within this time is reported as a late
    // failure; one still running after it has started whatever it opens.
    std::chrono::milliseconds failureWindow{30000};
    // Where the playlists' folder "kestrelwave" is made; empty means
    // $XDG_RUNTIME_DIR, else "kestrelwave-<uid>" under $TMPDIR or /tmp.
    std::filesystem::path playlistRoot;
    // Playlists older than this are removed when the next one is written.
    std::chrono::seconds playlistAge{24 * 3600};

    // The defaults with browsers from $BROWSER (a colon-separated list of
    // program names), then "x-www-browser" and "sensible-browser".
    static LinuxDesktopConfig fromEnvironment();
};

// The desktop port on Linux desktops: "xdg-open" for documents and web pages;
// media streams are written to a one-line playlist (.m3u, in a private folder,
// readable by the user only) and that is opened, since the desktop gives
// playlists to its media player while it gives bare http addresses to the
// browser. When the opener fails on a stream, the known players are tried
// with the address. Programs are started directly, never through a shell,
// with the target as one argument, in their own process group, their output
// going to /dev/null; nothing waits for them: checkLaunches() reaps them and
// reports late failures. A new openDocument() is a new play: late failures
// of earlier opens are no longer reported (the user has moved on, and their
// fallbacks would start the old channel), and when it starts one of the
// known players itself, the player an earlier play started that way ends.
// Playlists outlive the process, since the player may read them after we end.
class LinuxDesktop final : public DesktopPort {
public:
    explicit LinuxDesktop(LinuxDesktopConfig config = LinuxDesktopConfig::fromEnvironment());
    ~LinuxDesktop() override;
    LinuxDesktop(const LinuxDesktop&) = delete;
    LinuxDesktop& operator=(const LinuxDesktop&) = delete;

    bool openDocument(std::string_view target, std::string_view format, LateFailure onLateFailure) override;
    // Only http and https addresses are given to a browser.
    bool openInBrowser(std::string_view address, LateFailure onLateFailure) override;
    // Only a bare program name (searched on PATH) or an absolute path.
    bool startProgram(std::string_view program, const std::vector<std::string>& arguments,
                      LateFailure onLateFailure) override;
    void checkLaunches() override;
    bool watchingLaunches() const override { return !watched_.empty(); }

    // The folder the playlists go to, made on the first stream.
    const std::filesystem::path& playlistFolder() const { return playlistFolder_; }

private:
    struct Step {
        std::string program;
        std::vector<std::string> arguments;
        bool ownPlayer = false;  // a known player given the address by us
    };
    struct Watched {
        pid_t pid;
        std::chrono::steady_clock::time_point started;
        LateFailure onFailure;  // empty once the failure window has passed
        bool open = false;      // part of an open, not a helper program
    };

    // Starts the first step that can be started; when it fails later, the
    // steps after it, and when none is left, onLateFailure.
    bool startFirst(std::vector<Step> steps, LateFailure onLateFailure, bool open);
    // Ends the player the last play started itself, if it still runs.
    void endOwnPlayer();
    std::optional<pid_t> spawn(const std::string& program, const std::vector<std::string>& arguments);
    std::optional<std::filesystem::path> writePlaylist(std::string_view address);
    bool makePlaylistFolder();

    LinuxDesktopConfig config_;
    std::vector<Watched> watched_;
    std::optional<pid_t> ownPlayer_;
    std::filesystem::path playlistFolder_;
    unsigned playlistCount_ = 0;
};

}  // namespace kw
