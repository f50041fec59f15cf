#include "core/sources/DocumentFetch.h"

#include "core/base/AddressRules.h"
#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/SafeFile.h"
#include "core/base/YieldHook.h"
#include "core/exchange/PlaylistExchange.h"
#include "core/ports/UiPort.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace kw {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kProgressInterval{100};

// The extension of the address's path (".m3u8" for "http://h/x/list.m3u8?t=1")
// when it names a playlist the readers know; empty otherwise, and the readers
// then tell the format by the first bytes.
std::string playlistExtensionOf(std::string_view address) {
    const fs::path file{std::string(address::fileNameOf(address))};
    return PlaylistExchange::isPlaylistFile(file) ? ascii::lower(file.extension().string()) : std::string();
}

}  // namespace

ProgressShown::ProgressShown(UiPort& ui, bool shown) : ui_(ui), shown_(shown) {
    if (shown_) ui_.OfferProgressCancel();
}

ProgressShown::~ProgressShown() {
    if (shown_) ui_.EndProgress();
}

FetchProgress fetchProgressShown(UiPort& ui, YieldHook& yield, std::string what) {
    return [&ui, &yield, what = std::move(what), lastProgress = Clock::now()](
               std::uint64_t received, std::uint64_t expected) mutable {
        yield.yieldNow();
        if (what.empty()) return true;
        if (const Clock::time_point now = Clock::now(); now - lastProgress >= kProgressInterval) {
            lastProgress = now;
            const int percent =
                expected == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(100, received * 100 / expected));
            ui.ShowProgress(what + "：已收到 " + std::to_string(received / 1024) + " KB", percent);
        }
        return !ui.ProgressCancelled();
    };
}

std::string megabytesText(std::uint64_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

std::string fetchFailureReason(const FetchResult& result, const FetchLimits& limits) {
    switch (result.outcome) {
        case FetchOutcome::Fetched:
            return {};
        case FetchOutcome::TooLarge:
            return "内容超过 " + megabytesText(limits.maxBytes);
        case FetchOutcome::Stalled:
            return "服务器 " + std::to_string(limits.stallTimeout.count() / 1000) + " 秒没有再发送数据";
        case FetchOutcome::Cancelled:
            return "已取消";
        case FetchOutcome::Failed:
            break;
    }
    std::string why(probeReasonEntry(result.reason).words);
    if (result.reason == ProbeReason::HttpStatus) why += " " + std::to_string(result.httpStatus);
    return why;
}

TemporaryFile::TemporaryFile(std::string_view extension) {
    std::error_code noFolder;
    fs::path folder = fs::temp_directory_path(noFolder);
    if (noFolder) folder = "/tmp";
    std::string pattern = (folder / "kestrelwave-list-XXXXXX").string() + std::string(extension);
    const int fd = ::mkstemps(pattern.data(), static_cast<int>(extension.size()));
    if (fd < 0) throw Error("Unable to write to " + pattern);
    ::close(fd);
    path_ = pattern;
}

TemporaryFile::~TemporaryFile() {
    if (path_.empty()) return;
    std::error_code ignored;
    fs::remove(path_, ignored);
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

void TemporaryFile::write(std::string_view bytes, YieldHook& yield) const {
    constexpr std::size_t kPiece = 1 << 20;
    FileDescriptor out(::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    bool written = out.get() >= 0;
    for (std::size_t at = 0; written && at < bytes.size(); at += kPiece) {
        written = writeAll(out.get(), bytes.substr(at, kPiece));
        yield.yieldNow();
    }
    if (!written || !out.close()) throw Error("Unable to write to " + path_.string());
}

FetchLimits playlistFetchLimits() { return FetchLimits{}; }

std::string fetchFailureText(const FetchResult& result, const FetchLimits& limits, std::string_view address) {
    if (result.outcome == FetchOutcome::Fetched) return {};
    const std::string why = fetchFailureReason(result, limits) +
                            (result.outcome == FetchOutcome::TooLarge ? "，不像播放列表" : "");
    return "不能从下面的地址读取播放列表（" + why + "）：\r\n\r\n" + std::string(address);
}

std::optional<TemporaryFile> fetchPlaylist(WebFetch& web, UiPort& ui, YieldHook& yield,
                                           const std::string& address, const FetchLimits& limits) {
    ui.OfferProgressCancel();
    const FetchResult result = web.fetch(address, limits, fetchProgressShown(ui, yield, "正在下载播放列表"));
    if (result.outcome == FetchOutcome::Cancelled) return std::nullopt;
    if (result.outcome != FetchOutcome::Fetched) throw Error(fetchFailureText(result, limits, address));
    if (result.body.empty()) throw Error("不能导入：下面的地址回答的是空内容：\r\n\r\n" + address);
    TemporaryFile file(playlistExtensionOf(result.finalAddress.empty() ? address : result.finalAddress));
    file.write(result.body, yield);
    return file;
}

}  // namespace kw
