#include "platform/LinuxDesktop.h"

#include "core/base/TextCodec.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <thread>
#include <utility>

extern char** environ;

namespace kw {
namespace desktop {
namespace {

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Names the desktop would run rather than open: launchers, scripts, and
// programs that an installed Windows loader would start.
bool hasLauncherName(const std::filesystem::path& path) {
    static constexpr std::array<std::string_view, 14> kLaunchers = {
        ".desktop", ".exe", ".com", ".bat", ".cmd", ".msi",      ".scr",
        ".pif",     ".lnk", ".jar", ".sh",  ".run", ".appimage", ".vbs"};
    const std::string name = lowerAscii(path.filename().string());
    return std::any_of(kLaunchers.begin(), kLaunchers.end(),
                       [&](std::string_view suffix) { return name.ends_with(suffix); });
}

bool isLocalProgram(const std::filesystem::path& path) {
    if (hasLauncherName(path)) return true;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;  // a missing file starts nothing
    if (S_ISREG(info.st_mode) && (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) return true;
    // A link named like media may point at a launcher.
    std::error_code error;
    const auto resolved = std::filesystem::canonical(path, error);
    return !error && hasLauncherName(resolved);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecode(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The local paths a file: address may name: with and without its query and
// fragment, since openers differ in whether they strip them. Empty for an
// address on another host or one that decodes to control characters.
std::vector<std::filesystem::path> fileUrlPaths(std::string_view url) {
    std::string_view rest = url.substr(5);  // after "file:"
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        const std::string host = lowerAscii(rest.substr(0, slash));
        if (!host.empty() && host != "localhost") return {};
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    std::vector<std::filesystem::path> paths;
    for (std::string_view part : {rest, rest.substr(0, rest.find_first_of("?#"))}) {
        const std::string path = percentDecode(part);
        if (!path.starts_with('/') || hasControlCharacter(path)) return {};
        paths.emplace_back(path);
    }
    return paths;
}

std::string_view pathOfAddress(std::string_view address) {
    std::size_t start = address.find(':') + 1;
    if (address.substr(start).starts_with("//")) {
        start = address.find('/', start + 2);
        if (start == std::string_view::npos) return {};
    }
    std::string_view path = address.substr(start);
    return path.substr(0, path.find_first_of("?#"));
}

}  // namespace

std::optional<std::string> urlScheme(std::string_view target) {
    const std::size_t colon = target.find(':');
    if (colon == std::string_view::npos || colon < 2) return std::nullopt;
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!isLetter(target[0])) return std::nullopt;
    for (char c : target.substr(1, colon - 1)) {
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return std::nullopt;
    }
    return lowerAscii(target.substr(0, colon));
}

std::optional<std::string> openerArgument(std::string_view target) {
    if (target.empty() || hasControlCharacter(target)) return std::nullopt;
    if (const auto scheme = urlScheme(target)) {
        if (*scheme != "file") return std::string(target);  // starts with a letter, never an option
        const auto paths = fileUrlPaths(target);
        if (paths.empty() || std::any_of(paths.begin(), paths.end(), isLocalProgram)) return std::nullopt;
        return std::string(target);
    }
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(std::filesystem::path(target), error);
    if (error || isLocalProgram(path)) return std::nullopt;
    return path.string();
}

bool isMediaStream(std::string_view target, std::string_view format) {
    static constexpr std::array<std::string_view, 19> kStreamSchemes = {
        "mms",   "mmsh",   "mmst",   "mmsu", "rtsp", "rtspu", "rtsps", "rtmp", "rtmpe", "rtmps",
        "rtmpt", "rtmpte", "rtmpts", "pnm",  "rtp",  "udp",   "srt",   "icy",  "icyx"};
    static constexpr std::array<std::string_view, 30> kMediaExtensions = {
        ".m3u8", ".m3u", ".pls", ".asx", ".wax",  ".wvx",  ".ram", ".rm",  ".ra",  ".rmvb",
        ".mp3",  ".aac", ".ogg", ".oga", ".opus", ".flac", ".wma", ".wmv", ".asf", ".flv",
        ".mp4",  ".m4a", ".ts",  ".mpd", ".mkv",  ".webm", ".avi", ".mov", ".mpg", ".mpeg"};
    const auto scheme = urlScheme(target);
    if (!scheme) return false;
    if (std::find(kStreamSchemes.begin(), kStreamSchemes.end(), *scheme) != kStreamSchemes.end()) return true;
    if (*scheme != "http" && *scheme != "https") return false;

    const std::string_view kind = text::trimBlanks(format);
    if (kind == kWebPageFormat) return false;
    if (!kind.empty() && kind != "未知格式") return true;
    const std::string extension =
        lowerAscii(std::filesystem::path(pathOfAddress(target)).extension().string());
    return std::find(kMediaExtensions.begin(), kMediaExtensions.end(), extension) != kMediaExtensions.end();
}

}  // namespace desktop

LinuxDesktopConfig LinuxDesktopConfig::fromEnvironment() {
    LinuxDesktopConfig config;
    if (const char* list = std::getenv("BROWSER")) {
        std::string_view rest = list;
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            const std::string_view entry = rest.substr(0, colon);
            // Entries that need a shell ("firefox %s", "a b") are left out.
            if (!entry.empty() && entry.find_first_of(" \t%") == std::string_view::npos) {
                config.browsers.emplace_back(entry);
            }
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    config.browsers.emplace_back("x-www-browser");
    config.browsers.emplace_back("sensible-browser");
    return config;
}

LinuxDesktop::LinuxDesktop(LinuxDesktopConfig config) : config_(std::move(config)) {}

LinuxDesktop::~LinuxDesktop() {
    reapFinished();
    if (!playlistFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(playlistFolder_, ignored);
    }
}

bool LinuxDesktop::openDocument(std::string_view target, std::string_view format) {
    const std::optional<std::string> argument = desktop::openerArgument(target);
    if (!argument) return false;
    if (!desktop::isMediaStream(target, format)) return launch(config_.opener, *argument);
    const auto playlist = writePlaylist(target);
    return playlist && launch(config_.opener, playlist->string());
}

bool LinuxDesktop::openInBrowser(std::string_view address) {
    const auto scheme = desktop::urlScheme(address);
    if (!scheme || (*scheme != "http" && *scheme != "https") || !desktop::openerArgument(address))
        return false;
    const std::string argument(address);
    return std::any_of(config_.browsers.begin(), config_.browsers.end(),
                       [&](const std::string& browser) { return launch(browser, argument); });
}

bool LinuxDesktop::launch(const std::string& program, const std::string& argument) {
    reapFinished();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    // Its own process group, so a terminal's Ctrl+C to us spares the player;
    // no blocked signals, and the ones we might ignore back to their defaults.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    for (int signal : {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGQUIT, SIGTERM}) sigaddset(&signals, signal);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::string programArg = program;
    std::string targetArg = argument;
    char* argv[] = {programArg.data(), targetArg.data(), nullptr};
    pid_t pid = 0;
    const int result = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) return false;

    // Children are reaped by pid, never with waitpid(-1) or a SIGCHLD handler,
    // which would take children the window toolkit is waiting for.
    const auto deadline = std::chrono::steady_clock::now() + config_.failureWindow;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR) return true;  // reaped elsewhere (SIGCHLD ignored): it did start
        if (std::chrono::steady_clock::now() >= deadline) {
            running_.push_back(pid);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void LinuxDesktop::reapFinished() {
    std::erase_if(running_, [](pid_t pid) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        return done == pid || (done < 0 && errno == ECHILD);
    });
}

std::optional<std::filesystem::path> LinuxDesktop::writePlaylist(std::string_view address) {
    if (playlistFolder_.empty()) {
        std::filesystem::path root = config_.playlistRoot;
        for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
            if (!root.empty()) break;
            if (const char* value = std::getenv(variable); value && *value == '/') root = value;
        }
        if (root.empty()) root = "/tmp";
        std::string pattern = (root / "kestrelwave-XXXXXX").string();
        if (!mkdtemp(pattern.data())) return std::nullopt;  // mode 0700
        playlistFolder_ = pattern;
    }

    // A player reads its playlist when it starts; the last few are kept for
    // players still starting, older ones removed.
    constexpr unsigned kKept = 8;
    const auto nameOf = [&](unsigned number) {
        return playlistFolder_ / ("play-" + std::to_string(number) + ".m3u");
    };
    ++playlistCount_;
    if (playlistCount_ > kKept) {
        std::error_code ignored;
        std::filesystem::remove(nameOf(playlistCount_ - kKept), ignored);
    }
    const std::filesystem::path file = nameOf(playlistCount_);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return std::nullopt;
    const std::string content = "#EXTM3U\n" + std::string(address) + "\n";
    const bool written = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    const bool closed = ::close(fd) == 0;
    if (written && closed) return file;
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    return std::nullopt;
}

}  // namespace kw
