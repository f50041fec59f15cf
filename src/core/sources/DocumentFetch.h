#pragma once

#include "core/ports/WebFetch.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kw {

class UiPort;
class YieldHook;

// Whether text is an address a list is fetched from (http or https) rather than a file.
bool isWebAddress(std::string_view text);

// A file in the system's temporary folder, removed with the object. The
// fetched list is read from it by the same readers as a list on disk.
class TemporaryFile {
public:
    // Makes an empty file whose name ends in extension (".m3u", or empty).
    explicit TemporaryFile(std::string_view extension);
    ~TemporaryFile();
    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Replaces the file's bytes, a piece at a time with a turn for the
    // window between pieces; throws kw::Error when the disk refuses.
    void write(std::string_view bytes, YieldHook& yield) const;

private:
    std::filesystem::path path_;
};

// The limits of fetching a playlist: 64 MB whole, compressed transfer allowed.
FetchLimits playlistFetchLimits();

// What the user reads when a fetch fails, naming the address.
std::string fetchFailureText(const FetchResult& result, const FetchLimits& limits, std::string_view address);

// Fetches a playlist from address into a temporary file named with the
// address's extension, showing progress and offering cancel while it
// waits; the window keeps painting through yield. nullopt when the user
// cancelled. Throws kw::Error with fetchFailureText's words on a failure.
std::optional<TemporaryFile> fetchPlaylist(WebFetch& web, UiPort& ui, YieldHook& yield,
                                           const std::string& address,
                                           const FetchLimits& limits = playlistFetchLimits());

}  // namespace kw
