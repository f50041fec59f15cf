#pragma once

#include "core/ports/WebFetch.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kw {

class UiPort;
class YieldHook;

// Offers cancel with the progress display when shown, and ends the display
// however the command ends.
class ProgressShown {
public:
    explicit ProgressShown(UiPort& ui, bool shown = true);
    ~ProgressShown();
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

private:
    UiPort& ui_;
    bool shown_;
};

// What a fetch calls while it waits: a turn for the window through yield
// and, unless `what` is empty, the progress line "<what>：已收到 N KB" a few
// times a second, and the display's cancel.
FetchProgress fetchProgressShown(UiPort& ui, YieldHook& yield, std::string what);

// "64 MB".
std::string megabytesText(std::uint64_t bytes);
// Why a fetch did not fetch, in the user's words: "连接被拒绝", "服务器回答
// HTTP 404", "服务器 15 秒没有再发送数据", "内容超过 64 MB", "已取消".
std::string fetchFailureReason(const FetchResult& result, const FetchLimits& limits);

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
