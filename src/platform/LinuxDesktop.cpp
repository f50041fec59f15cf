#include "platform/LinuxDesktop.h"

#include "core/base/AddressRules.h"
#include "core/base/AsciiText.h"
#include "core/base/MediaKinds.h"
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
#include <fstream>
#include <utility>

extern char** environ;

namespace kw {
namespace desktop {
namespace {

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
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

// Names the desktop would run rather than open: launchers, scripts, and
// programs that an installed Windows loader would start.
bool hasLauncherName(const std::filesystem::path& path) {
    static constexpr std::array<std::string_view, 14> kLaunchers = {
        ".desktop", ".exe", ".com", ".bat", ".cmd", ".msi",      ".scr",
        ".pif",     ".lnk", ".jar", ".sh",  ".run", ".appimage", ".vbs"};
    // Openers drop blanks and a ";" at the end, and decode "%20".
    std::string name = ascii::lower(percentDecode(path.filename().string()));
    while (!name.empty() && (name.back() == ' ' || name.back() == ';' || name.back() == '.')) name.pop_back();
    return std::any_of(kLaunchers.begin(), kLaunchers.end(),
                       [&](std::string_view suffix) { return name.ends_with(suffix); });
}

// "/x/a.desktop/" and "/x/a.desktop/." name what "/x/a.desktop" names.
std::filesystem::path withoutTrailingDots(const std::filesystem::path& path) {
    std::filesystem::path normal = path.lexically_normal();
    while (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
    return normal;
}

bool isLocalProgram(const std::filesystem::path& given) {
    const std::filesystem::path path = withoutTrailingDots(given);
    if (hasLauncherName(path)) return true;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return errno != ENOENT;  // only a missing file starts nothing
    if (S_ISREG(info.st_mode) && (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) return true;
    // A link named like media may point at a launcher.
    std::error_code error;
    const auto resolved = std::filesystem::canonical(path, error);
    return error || hasLauncherName(resolved);
}

// The local paths a file: address may name: with and without its query and
// fragment, since openers differ in whether they strip them. Empty for an
// address on another host or one that decodes to control characters.
std::vector<std::filesystem::path> fileUrlPaths(std::string_view url) {
    std::string_view rest = url.substr(5);  // after "file:"
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        const std::string host = ascii::lower(rest.substr(0, slash));
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

std::optional<std::string> openerArgument(std::string_view target) {
    if (target.empty() || hasControlCharacter(target) || !address::isOpenableTarget(target))
        return std::nullopt;
    if (const auto scheme = address::exactSchemeOf(target)) {
        if (*scheme == "http" || *scheme == "https") return std::string(target);  // never an option
        if (*scheme != "file") {
            // smb:, sftp:, dav: ... are mounted by the desktop, and a launcher there would run.
            const std::string path = percentDecode(pathOfAddress(target));
            if (hasControlCharacter(path) || hasLauncherName(withoutTrailingDots(path))) return std::nullopt;
            return std::string(target);
        }
        const auto paths = fileUrlPaths(target);
        if (paths.empty() || std::any_of(paths.begin(), paths.end(), isLocalProgram)) return std::nullopt;
        return std::string(target);
    }
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(std::filesystem::path(target), error);
    if (error || isLocalProgram(path)) return std::nullopt;
    return path.string();
}

std::optional<std::string> browserArgument(std::string_view address) {
    const auto scheme = address::exactSchemeOf(address);
    if (!scheme || (*scheme != "http" && *scheme != "https")) return std::nullopt;
    return openerArgument(address);
}

bool isStartableProgram(std::string_view program) {
    if (program.empty() || program.front() == '-') return false;
    for (const char c : program) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    // A relative path with a folder would depend on our working folder.
    return program.front() == '/' || program.find('/') == std::string_view::npos;
}

std::vector<std::string> knownPlayers() {
    // mpv and vlc play nearly every stream kind (HLS, DASH, RTSP, MMS, Icecast)
    // from one address; celluloid is mpv in a desktop window; totem depends on
    // the GStreamer plug-ins installed; smplayer needs a back end; audacious
    // plays sound only.
    return {"mpv", "vlc", "celluloid", "totem", "smplayer", "audacious"};
}

std::vector<std::string> playerWindowOptions(std::string_view player) {
    // Started from a program rather than a desktop entry, mpv plays sound
    // without a window and so cannot be stopped; the desktop entry's mode
    // gives it one. The others open their window whatever they play.
    if (std::filesystem::path(player).filename() == "mpv")
        return {"--player-operation-mode=pseudo-gui", "--"};
    return {};
}

namespace {

std::vector<std::filesystem::path> folderList(const char* variable, std::string_view fallback) {
    const char* value = std::getenv(variable);
    std::string_view rest = value && *value ? std::string_view(value) : fallback;
    std::vector<std::filesystem::path> folders;
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        if (const std::string_view entry = rest.substr(0, colon); entry.starts_with('/'))
            folders.emplace_back(entry);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return folders;
}

// The values of `key` in section `section` of a desktop-entry style file, split at ';'.
std::vector<std::string> entryValues(const std::filesystem::path& file, std::string_view section,
                                     std::string_view key) {
    std::ifstream in(file);
    std::vector<std::string> values;
    bool inSection = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with('[')) {
            inSection = line == "[" + std::string(section) + "]";
        } else if (inSection && line.starts_with(key) && line.size() > key.size() &&
                   line[key.size()] == '=') {
            std::string_view rest = std::string_view(line).substr(key.size() + 1);
            while (!rest.empty()) {
                const std::size_t semicolon = rest.find(';');
                if (semicolon != 0) values.emplace_back(text::trimBlanks(rest.substr(0, semicolon)));
                rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
            }
            break;
        }
    }
    return values;
}

std::optional<std::filesystem::path> findDesktopFile(const XdgFolders& folders, const std::string& id) {
    for (const auto& data : folders.data) {
        const auto file = data / "applications" / id;
        if (std::filesystem::is_regular_file(file)) return file;
    }
    return std::nullopt;
}

}  // namespace

XdgFolders XdgFolders::fromEnvironment() {
    XdgFolders folders;
    const char* home = std::getenv("HOME");
    const std::string homeDir = home && *home == '/' ? home : "";
    const auto own = [&](const char* variable, const char* under) {
        const char* value = std::getenv(variable);
        if (value && *value == '/') return std::filesystem::path(value);
        return homeDir.empty() ? std::filesystem::path() : std::filesystem::path(homeDir) / under;
    };
    if (auto config = own("XDG_CONFIG_HOME", ".config"); !config.empty()) folders.config.push_back(config);
    for (auto& folder : folderList("XDG_CONFIG_DIRS", "/etc/xdg")) folders.config.push_back(folder);
    if (auto data = own("XDG_DATA_HOME", ".local/share"); !data.empty()) folders.data.push_back(data);
    for (auto& folder : folderList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        folders.data.push_back(folder);
    return folders;
}

PlaylistHandler playlistHandler(const XdgFolders& folders) {
    static constexpr std::array<std::string_view, 2> kPlaylistTypes = {"audio/x-mpegurl", "audio/mpegurl"};
    std::vector<std::filesystem::path> lists;
    for (const auto& config : folders.config) lists.push_back(config / "mimeapps.list");
    for (const auto& data : folders.data) lists.push_back(data / "applications" / "mimeapps.list");
    std::vector<std::pair<std::filesystem::path, std::string_view>> sources;
    for (const auto& list : lists) sources.emplace_back(list, "Default Applications");
    for (const auto& list : lists) sources.emplace_back(list, "Added Associations");
    for (const auto& data : folders.data)
        sources.emplace_back(data / "applications" / "mimeinfo.cache", "MIME Cache");

    for (const auto& [file, section] : sources) {
        for (const std::string_view type : kPlaylistTypes) {
            for (const std::string& id : entryValues(file, section, type)) {
                const auto desktopFile = findDesktopFile(folders, id);
                if (!desktopFile) continue;  // named but not installed
                const auto categories = entryValues(*desktopFile, "Desktop Entry", "Categories");
                const bool editor =
                    std::find(categories.begin(), categories.end(), "TextEditor") != categories.end();
                return editor ? PlaylistHandler::TextEditor : PlaylistHandler::Player;
            }
        }
    }
    return PlaylistHandler::None;
}

bool isMediaStream(std::string_view target, std::string_view format) {
    // Mount points of streaming servers, as a whole path segment.
    static constexpr std::array<std::string_view, 3> kStreamSegments = {"stream", "live", "listen"};
    const auto scheme = address::exactSchemeOf(target);
    if (!scheme) return false;
    if (media::isStreamingScheme(*scheme)) return true;
    if (*scheme != "http" && *scheme != "https") return false;

    const std::string_view kind = text::trimBlanks(format);
    if (kind == kWebPageFormat) return false;
    if (!kind.empty() && kind != "未知格式") return true;
    const std::string path = ascii::lower(pathOfAddress(target));
    const std::string extension = std::filesystem::path(path).extension().string();
    if (!extension.empty() && media::isMediaExtension(std::string_view(extension).substr(1))) return true;
    if (!extension.empty() && extension.find(';') == std::string::npos) return false;  // a page: .html, .php
    // ";stream" is how SHOUTcast servers tell a player from a browser.
    if (path.find("/;") != std::string::npos) return true;
    std::string_view rest = path;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view segment = rest.substr(0, slash);
        if (std::find(kStreamSegments.begin(), kStreamSegments.end(), segment) != kStreamSegments.end())
            return true;
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
    return false;
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
    // Programs still running are left to run; finished ones leave no zombie.
    for (const Watched& launch : watched_) {
        int status = 0;
        waitpid(launch.pid, &status, WNOHANG);
    }
}

bool LinuxDesktop::openDocument(std::string_view target, std::string_view format, LateFailure onLateFailure) {
    const std::optional<std::string> argument = desktop::openerArgument(target);
    if (!argument) return false;
    // A new play: what earlier opens still have to say is of no use now.
    for (Watched& launch : watched_) {
        if (launch.open) launch.onFailure = nullptr;
    }
    std::vector<Step> steps;
    if (!desktop::isMediaStream(target, format)) {
        steps.push_back({config_.opener, {*argument}});
    } else {
        // Where the desktop has no player for playlists (none, or a text
        // editor), a known player gets the address itself first.
        const bool desktopPlays = desktop::playlistHandler(config_.xdg) == desktop::PlaylistHandler::Player;
        if (desktopPlays) {
            if (const auto playlist = writePlaylist(target))
                steps.push_back({config_.opener, {playlist->string()}});
        }
        for (const std::string& player : config_.players) {
            std::vector<std::string> arguments = desktop::playerWindowOptions(player);
            arguments.push_back(*argument);
            steps.push_back({player, std::move(arguments), true});
        }
        if (!desktopPlays) {
            if (const auto playlist = writePlaylist(target))
                steps.push_back({config_.opener, {playlist->string()}});
        }
    }
    return startFirst(std::move(steps), std::move(onLateFailure), true);
}

bool LinuxDesktop::openInBrowser(std::string_view address, LateFailure onLateFailure) {
    const std::optional<std::string> argument = desktop::browserArgument(address);
    if (!argument) return false;
    std::vector<Step> steps;
    for (const std::string& browser : config_.browsers) steps.push_back({browser, {*argument}});
    return startFirst(std::move(steps), std::move(onLateFailure), true);
}

bool LinuxDesktop::startProgram(std::string_view program, const std::vector<std::string>& arguments,
                                LateFailure onLateFailure) {
    if (!desktop::isStartableProgram(program)) return false;
    return startFirst({{std::string(program), arguments}}, std::move(onLateFailure), false);
}

bool LinuxDesktop::startFirst(std::vector<Step> steps, LateFailure onLateFailure, bool open) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::optional<pid_t> pid = spawn(steps[i].program, steps[i].arguments);
        if (!pid) continue;  // not installed: the next one at once
        if (steps[i].ownPlayer) {
            endOwnPlayer();
            ownPlayer_ = *pid;
        }
        std::vector<Step> rest(std::make_move_iterator(steps.begin() + static_cast<std::ptrdiff_t>(i) + 1),
                               std::make_move_iterator(steps.end()));
        auto failed = [this, rest = std::move(rest), onLateFailure = std::move(onLateFailure),
                       open]() mutable {
            if (!startFirst(std::move(rest), onLateFailure, open) && onLateFailure) onLateFailure();
        };
        watched_.push_back({*pid, std::chrono::steady_clock::now(), std::move(failed), open});
        return true;
    }
    return false;
}

void LinuxDesktop::endOwnPlayer() {
    if (!ownPlayer_) return;
    const pid_t pid = *std::exchange(ownPlayer_, std::nullopt);
    // Only a child not yet reaped: its process id and group cannot have been
    // given to another process meanwhile.
    const auto launch = std::find_if(watched_.begin(), watched_.end(),
                                     [pid](const Watched& watched) { return watched.pid == pid; });
    if (launch == watched_.end()) return;
    launch->onFailure = nullptr;  // ended by us: no failure, no fallback
    ::kill(-pid, SIGTERM);        // the player and what it started, its own process group
}

void LinuxDesktop::checkLaunches() {
    // Children are reaped by pid, never with waitpid(-1) or a SIGCHLD handler,
    // which would take children the window toolkit is waiting for.
    const auto now = std::chrono::steady_clock::now();
    std::vector<LateFailure> failures;
    std::erase_if(watched_, [&](Watched& launch) {
        int status = 0;
        const pid_t done = waitpid(launch.pid, &status, WNOHANG);
        if (done == 0) {
            if (now - launch.started > config_.failureWindow) launch.onFailure = nullptr;  // it started
            return false;
        }
        if (done < 0 && errno == EINTR) return false;
        // Reaped elsewhere (SIGCHLD ignored) tells nothing: it did start.
        const bool failed = done == launch.pid && !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        const bool inWindow = now - launch.started <= config_.failureWindow;
        if (failed && inWindow && launch.onFailure) failures.push_back(std::move(launch.onFailure));
        if (ownPlayer_ == launch.pid) ownPlayer_.reset();
        return true;
    });
    // Reported after the list is settled: a report may start the next program.
    for (LateFailure& failure : failures) failure();
}

std::optional<pid_t> LinuxDesktop::spawn(const std::string& program,
                                         const std::vector<std::string>& arguments) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // A player's progress output does not belong on our output or in our
    // log (an opener may run the player in its own foreground), and a pipe
    // reading kwave's output must not wait for the player to end.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

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

    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int result = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) return std::nullopt;
    return pid;
}

bool LinuxDesktop::makePlaylistFolder() {
    std::filesystem::path folder;
    if (!config_.playlistRoot.empty()) {
        folder = config_.playlistRoot / "kestrelwave";
    } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        folder = std::filesystem::path(runtime) / "kestrelwave";
    } else {
        const char* tmp = std::getenv("TMPDIR");
        folder = std::filesystem::path(tmp && *tmp == '/' ? tmp : "/tmp") /
                 ("kestrelwave-" + std::to_string(::geteuid()));
    }
    // A shared folder such as /tmp may hold a folder of that name made by
    // someone else to read or swap our playlists: only our own private one will do.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & 077) != 0)
        return false;
    playlistFolder_ = folder;

    // Playlists of earlier runs: their players have long read them.
    std::error_code error;
    const auto oldest = std::filesystem::file_time_type::clock::now() - config_.playlistAge;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::error_code ignored;
        const std::string name = entry.path().filename().string();
        if (name.starts_with("play-") && name.ends_with(".m3u") && entry.last_write_time(ignored) < oldest)
            std::filesystem::remove(entry.path(), ignored);
    }
    return true;
}

std::optional<std::filesystem::path> LinuxDesktop::writePlaylist(std::string_view address) {
    if (playlistFolder_.empty() && !makePlaylistFolder()) return std::nullopt;
    const std::string content = "#EXTM3U\n" + std::string(address) + "\n";
    // Several runs share the folder: the process id keeps their names apart.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path file = playlistFolder_ / ("play-" + std::to_string(::getpid()) + "-" +
                                                              std::to_string(++playlistCount_) + ".m3u");
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;  // left by an earlier process of the same id
            return std::nullopt;
        }
        const bool written =
            ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
        const bool closed = ::close(fd) == 0;
        if (written && closed) return file;
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace kw
