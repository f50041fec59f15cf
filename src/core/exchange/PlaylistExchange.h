#pragma once

#include "core/browser/ChannelScope.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/PlaylistReader.h"
#include "core/store/ChannelStore.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class UiPort;
class YieldHook;

// The stable id of an entry of a list, as its channel remembers it: the
// list's own id (tvg-id) where the entry has one, else its address. Entries
// without an address are never imported, so the title is not needed. Real
// lists repeat ids (one channel from twenty servers under one tvg-id): a
// refresh tells the repeats apart by address and title (EntryMatcher), not
// by their place in the list, which moves whenever an entry is added.
std::string playlistEntryId(std::string_view listId, std::string_view address);

// Playlists (M3U/M3U8, PLS, XSPF) in as user channels and out of the catalogue.

class PlaylistExchange {
public:
    static constexpr std::string_view kTvCategory = "B电视台";
    static constexpr std::string_view kRadioCategory = "C广播电台";
    static constexpr std::string_view kOpenFilter =
        "播放列表 (*.m3u *.m3u8 *.pls *.xspf)|*.m3u;*.m3u8;*.pls;*.xspf|所有文件(*.*)|*.*";
    // How many skip reasons a report keeps word for word.
    static constexpr std::size_t kMaxNotes = 100;

    PlaylistExchange(ChannelExchange& names, ChannelStore& store, UiPort& ui, YieldHook& yield);

    struct ImportOptions {
        // The main category; empty chooses radio or TV per entry.
        std::string class0;
        // Counts and names as an import would, storing nothing.
        bool dryRun = false;
        // Keeps a note for every skipped entry, not only the first kMaxNotes.
        bool everyNote = false;
        // What the channels remember as their source and what messages name
        // the list by (the address it was fetched from); empty for the file's path.
        std::string source;
    };
    struct SkipReason {
        std::string reason;
        std::int64_t count = 0;
    };
    struct ImportReport {
        std::int64_t entries = 0, added = 0, renamed = 0, skipped = 0;
        // Group, region and language values cut to the category limit.
        std::int64_t cutValues = 0;
        // Why entries were skipped, with how many each, in the order first met.
        std::vector<SkipReason> reasons;
        std::vector<std::string> notes;  // "line N: reason" for skipped entries, the first kMaxNotes
        // The user stopped it: what was stored before stays.
        bool cancelled = false;
    };
    // Reads the playlist into the user's channels through batch add's writer
    // and name rules. A file that is no playlist (a web page, a binary file)
    // is refused before anything is read from it as one. Entries whose
    // address is neither an address of a playable kind nor an existing local
    // file, or is longer than address::kMaxAddressChars, are skipped. The progress display's cancel stops it
    // after the entry in hand. An error keeps every entry stored before it and throws kw::Error naming the
    // entry and its line.
    ImportReport importPlaylist(const std::filesystem::path& file, const ImportOptions& options);

    // One entry as the catalogue keeps it: the record's name is the one the
    // entry asks for (not yet made unique) and its address is in `url`,
    // not yet scrambled.
    struct ListedChannel {
        ChannelRecord record;
        std::string url;
        std::string entryId;  // playlistEntryId of the entry
        std::string seen;     // seenOf(*this)
    };
    // Reads the playlist as the import does, with its refusals, skips,
    // progress and cancel, handing each entry that can be stored to take;
    // the report's added and renamed stay 0.
    ImportReport readPlaylist(const std::filesystem::path& file, const ImportOptions& options,
                              const std::function<void(ListedChannel&)>& take);
    // What a refresh compares to tell a changed entry: name, address and the three classes.
    static std::string seenOf(const ListedChannel& channel);
    // Stores a listed channel as a new user channel under a unique name and
    // remembers its source; returns whether its name had to be changed.
    bool addListed(ListedChannel& listed, std::string_view source, ChannelExchange::BatchWriter& writer,
                   ChannelExchange::UniqueNames& uniqueNames);

    enum class Format { M3u8, Pls, Xspf };
    struct ExportRequest {
        Format format = Format::M3u8;
        ChannelScope scope;
        // Asked once, at the first locked channel in scope: whether locked
        // channels may go out. Unset leaves them out.
        std::function<bool()> unlock;
    };
    struct ExportReport {
        std::int64_t written = 0, lockedLeftOut = 0;
    };
    // What the export window offers: the scopes and the formats with their
    // file-dialog filter and extension, in the order shown.
    struct ScopeChoice {
        std::string_view label;
        ChannelScope::Kind kind;
    };
    static constexpr std::array<ScopeChoice, 3> kExportScopes = {{{"全部频道", ChannelScope::Kind::All},
                                                                  {"我的最爱", ChannelScope::Kind::Favorites},
                                                                  {"自添频道", ChannelScope::Kind::User}}};
    struct FormatChoice {
        std::string_view filter;
        std::string_view extension;
        Format format;
    };
    static constexpr std::array<FormatChoice, 3> kExportFormats = {{{"M3U8 (*.m3u8)", "m3u8", Format::M3u8},
                                                                    {"PLS (*.pls)", "pls", Format::Pls},
                                                                    {"XSPF (*.xspf)", "xspf", Format::Xspf}}};
    // The message after an export to file.
    static std::string describe(const ExportReport& report, const std::filesystem::path& file);

    // Writes the channels in scope, whole, through the crash-safe writer. A
    // branch that names no category throws kw::Error and writes nothing.
    ExportReport exportPlaylist(const std::filesystem::path& file, const ExportRequest& request);

    // What the format column says for an address: "HLS", "MP3", ... never a web page.
    static std::string streamFormat(std::string_view url);
    static bool isAudio(std::string_view url);
    // Whether the file's name marks a playlist the import reads (a drop on the window).
    static bool isPlaylistFile(const std::filesystem::path& file);
    static std::optional<Format> parseFormat(std::string_view name);
    // The importing report as the final message shows it, and the lines for
    // its details part (the skipped entries one by one).
    static std::string describe(const ImportReport& report);
    static std::string describeDetails(const ImportReport& report);

private:
    ChannelExchange& names_;
    ChannelStore& store_;
    UiPort& ui_;
    YieldHook& yield_;
};

}  // namespace kw
