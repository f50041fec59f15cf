#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace kw {

// One entry of a playlist as its file gives it, UTF-8. `url` is resolved: a
// relative path is made absolute against the playlist's folder.
struct PlaylistEntry {
    std::string title;
    std::string url;
    std::string group, country, language, logo;
    std::string id;          // the list's own id of the entry (M3U tvg-id)
    std::string link;        // a page about the entry (XSPF info)
    std::string duration;    // seconds as written; empty or negative for a live stream
    bool radio = false;      // the list says it is audio
    std::uint64_t line = 0;  // where the entry starts in the file (XSPF: its track element)
};

enum class PlaylistFormat { M3u, Pls, Xspf };

// Reads a playlist entry by entry through a fixed buffer; no reader holds
// the whole file, and a line keeps at most kMaxLineBytes.
class PlaylistReader {
public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;

    virtual ~PlaylistReader() = default;
    // The next entry, or false at the end. Throws kw::Error on a read error
    // or a file the format refuses (broken or hostile XML).
    virtual bool next(PlaylistEntry& entry) = 0;
    virtual std::uint64_t bytesRead() const = 0;
    // What the reader left out of the file to stay within its memory, for the
    // report; empty when nothing. Complete once next() returned false.
    virtual std::string note() const { return {}; }
    virtual std::uint64_t size() const = 0;
};

// The format by the file's extension (.m3u, .m3u8, .pls, .xspf), else by its
// first bytes. Throws kw::Error when the file cannot be opened or is no plain file.
PlaylistFormat detectPlaylistFormat(const std::filesystem::path& file);
// readBytes sets the size of the read buffer (fuzzing moves its boundaries);
// 0 keeps the default.
std::unique_ptr<PlaylistReader> openPlaylistReader(const std::filesystem::path& file, PlaylistFormat format,
                                                   std::size_t readBytes = 0);

// An address as the catalogue stores it: relative paths resolved against
// folder, blanks trimmed, control characters blanked. Empty when nothing is left.
std::string resolvePlaylistAddress(std::string_view address, const std::filesystem::path& folder);

}  // namespace kw
