#include "platform/CurlStreamProbe.h"

#include "core/base/AsciiText.h"
#include "platform/CurlCommon.h"

#include <curl/curl.h>
#include <sys/resource.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <sstream>

namespace kw {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kManifestBytes = 64 * 1024;
constexpr std::string_view kUserAgent = "KestrelWave/1.0 (channel test)";

constexpr std::string_view kIcyStatus = "ICY 200";

#if LIBCURL_VERSION_NUM >= 0x080600
constexpr CURLcode kHeaderTooLarge = CURLE_TOO_LARGE;
#else
constexpr CURLcode kHeaderTooLarge = CURLE_OUT_OF_MEMORY;
#endif

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && ascii::equalIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// reference resolved against base; empty when it cannot be.
std::string resolve(const std::string& base, const std::string& reference) {
    UrlHandle handle;
    if (curl_url_set(handle.url, CURLUPART_URL, base.c_str(), 0) != CURLUE_OK) return {};
    if (curl_url_set(handle.url, CURLUPART_URL, reference.c_str(), 0) != CURLUE_OK) return {};
    char* full = nullptr;
    if (curl_url_get(handle.url, CURLUPART_URL, &full, 0) != CURLUE_OK) return {};
    std::string result = full;
    curl_free(full);
    return result;
}

enum class Kind { Undecided, Media, Manifest, Page, Other };

Kind kindOf(std::string_view contentType, bool icy, std::string_view body) {
    const std::string type = ascii::lower(contentType);
    if (type.find("mpegurl") != std::string::npos || type.find("dash+xml") != std::string::npos)
        return Kind::Manifest;
    if (startsWithNoCase(body, "#EXTM3U")) return Kind::Manifest;
    if (startsWithNoCase(body, kIcyStatus)) return Kind::Media;
    if (icy || type.starts_with("audio/") || type.starts_with("video/") ||
        type.starts_with("application/ogg") || type.starts_with("application/octet-stream"))
        return Kind::Media;
    if (type.starts_with("text/html") || type.starts_with("application/xhtml")) return Kind::Page;
    return Kind::Other;
}

// The first address an HLS or plain m3u playlist names, and whether it is a
// variant (another playlist) rather than media.
struct PlaylistEntry {
    std::string uri;
    bool variant = false;
};

std::optional<PlaylistEntry> firstEntry(std::string_view manifest) {
    std::istringstream lines{std::string(manifest)};
    std::string line;
    bool variantNext = false;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty()) continue;
        if (line.front() == '#') {
            if (line.starts_with("#EXT-X-STREAM-INF")) variantNext = true;
            continue;
        }
        return PlaylistEntry{line, variantNext};
    }
    return std::nullopt;
}

enum class Stage { First, Variant, Segment };

// One channel's probe; it may run up to three transfers in turn (playlist,
// variant, first segment), each on a fresh handle.
struct Probe {
    const ProbeTarget* target = nullptr;
    ProbeResult* result = nullptr;
    const ProbeLimits* limits = nullptr;
    int requiredKbit = 0;
    bool webPage = false;

    CURL* easy = nullptr;
    Stage stage = Stage::First;
    std::string url;
    Clock::time_point started;
    std::optional<Clock::time_point> answered;
    std::optional<Clock::time_point> firstByte;
    std::size_t headerBytes = 0;
    bool icy = false;
    bool headersTooLong = false;
    Kind kind = Kind::Undecided;
    std::string manifest;
    std::string head;  // the first bytes of an answer without a status line
    std::uint64_t bytes = 0;
    bool capped = false;
    bool stopped = false;  // we ended the transfer ourselves; the result is set
    std::string nextUrl;   // set when the transfer leads to another
    bool done = false;
};

void finish(Probe& probe, int status, ProbeReason reason, std::string_view detail = {}) {
    probe.result->status = status;
    probe.result->code = reason;
    probe.result->reason = std::string(probeReasonEntry(reason).words);
    if (!detail.empty()) probe.result->reason += " " + std::string(detail);
    probe.result->checked = true;
    probe.stopped = true;
}

// Judges the media read so far. Without reaching the byte limit, data that did
// not arrive within the window counts as missing.
void judgeMedia(Probe& probe, Clock::time_point now) {
    probe.result->bytes = probe.bytes;
    if (probe.bytes == 0) return finish(probe, 1, ProbeReason::NoData);
    const auto window = std::chrono::duration<double>(probe.limits->window).count();
    double seconds = window;
    if (probe.capped && probe.firstByte) {
        seconds = std::chrono::duration<double>(now - *probe.firstByte).count();
        seconds = std::clamp(seconds, 0.001, window);
    }
    const double kbit = static_cast<double>(probe.bytes) * 8.0 / 1000.0 / seconds;
    probe.result->kbitPerSecond = kbit;
    if (kbit >= probe.requiredKbit) return finish(probe, 2, ProbeReason::Smooth);
    finish(
        probe, 1, ProbeReason::Slow,
        "(" + std::to_string(static_cast<int>(kbit)) + "/" + std::to_string(probe.requiredKbit) + " kbit/s)");
}

long responseCode(CURL* easy) {
    long code = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto& probe = *static_cast<Probe*>(user);
    const std::size_t length = size * count;
    probe.headerBytes += length;
    if (probe.headerBytes > probe.limits->maxHeaderBytes) {
        probe.headersTooLong = true;
        return 0;
    }
    if (!probe.answered) probe.answered = Clock::now();
    const std::string_view line(data, length);
    if (startsWithNoCase(line, "ICY ") || startsWithNoCase(line, "icy-")) probe.icy = true;
    return length;
}

// Decides what the answer is at its first body bytes.
bool classify(Probe& probe, std::string_view body) {
    const long code = responseCode(probe.easy);
    // curl passes an "ICY 200 OK" answer on whole as HTTP/0.9, without a code.
    const bool icyAnswer = code == 0 && startsWithNoCase(body, kIcyStatus);
    if (code == 0 && !icyAnswer) {
        finish(probe, 0, ProbeReason::NotHttp);
        return false;
    }
    if (!icyAnswer && (code < 200 || code > 299)) return false;  // the code is the answer
    char* type = nullptr;
    curl_easy_getinfo(probe.easy, CURLINFO_CONTENT_TYPE, &type);
    const std::string contentType = type ? type : "";
    probe.kind = kindOf(contentType, probe.icy, body);
    if (probe.stage == Stage::Segment) {
        // Segments come with all kinds of types; only a page or another
        // playlist is surely no media.
        if (probe.kind == Kind::Manifest) {
            finish(probe, 0, ProbeReason::SegmentIsPlaylist);
            return false;
        }
        if (probe.kind != Kind::Page) probe.kind = Kind::Media;
    }
    if (probe.webPage) {
        finish(probe, 1, ProbeReason::PageAnswered);
        return false;
    }
    if (probe.kind == Kind::Page) {
        finish(probe, 0, ProbeReason::WebPageInstead);
        return false;
    }
    if (probe.kind == Kind::Other) {
        finish(probe, 0, ProbeReason::NotMedia, contentType.empty() ? "?" : contentType);
        return false;
    }
    return true;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto& probe = *static_cast<Probe*>(user);
    const std::size_t length = size * count;
    std::string_view body(data, length);
    std::string held;
    if (probe.kind == Kind::Undecided && responseCode(probe.easy) == 0) {
        // An answer without an HTTP status line (Shoutcast's "ICY 200 OK") is
        // judged on its first bytes: a status line that comes slowly is waited for.
        probe.head.append(body);
        if (probe.head.size() < kIcyStatus.size() && startsWithNoCase(kIcyStatus, probe.head)) return length;
        held = std::move(probe.head);
        body = held;
    }
    if (probe.kind == Kind::Undecided && !classify(probe, body)) return 0;
    if (probe.kind == Kind::Manifest) {
        probe.manifest.append(
            body.substr(0, kManifestBytes - std::min(kManifestBytes, probe.manifest.size())));
        return probe.manifest.size() >= kManifestBytes ? 0 : length;
    }
    if (!probe.firstByte) probe.firstByte = Clock::now();
    probe.bytes += body.size();
    if (probe.bytes >= probe.limits->maxBytes) {
        probe.bytes = std::min<std::uint64_t>(probe.bytes, probe.limits->maxBytes);
        probe.capped = true;
        judgeMedia(probe, Clock::now());
        return 0;
    }
    return length;
}

CURL* makeHandle(Probe& probe) {
    CURL* easy = curl_easy_init();
    if (!easy) return nullptr;
    const auto& limits = *probe.limits;
    const long timeout = static_cast<long>(limits.timeout.count());
    curl_easy_setopt(easy, CURLOPT_URL, probe.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    // Credentials in the address go to its own host only, never after a redirect.
    curl_easy_setopt(easy, CURLOPT_UNRESTRICTED_AUTH, 0L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent.data());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Shoutcast servers answer "ICY 200 OK", which curl takes for HTTP/0.9.
    curl_easy_setopt(easy, CURLOPT_HTTP09_ALLOWED, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeout);
    // A backstop; the answer time-out and the window are kept by the loop.
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeout * 2 + static_cast<long>(limits.window.count()) + 1000);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &probe);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &probe);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &probe);
    return easy;
}

void resetTransfer(Probe& probe, Stage stage, std::string url) {
    probe.stage = stage;
    probe.url = std::move(url);
    probe.started = Clock::now();
    probe.answered.reset();
    probe.firstByte.reset();
    probe.headerBytes = 0;
    probe.icy = false;
    probe.headersTooLong = false;
    probe.kind = Kind::Undecided;
    probe.manifest.clear();
    probe.head.clear();
    probe.bytes = 0;
    probe.capped = false;
    probe.stopped = false;
}

// After a manifest: the variant or segment to fetch next, or the result.
void followManifest(Probe& probe) {
    if (probe.manifest.find("<MPD") != std::string::npos) return finish(probe, 1, ProbeReason::DashAnswered);
    const std::optional<PlaylistEntry> entry = firstEntry(probe.manifest);
    if (!entry) return finish(probe, 0, ProbeReason::EmptyPlaylist);
    std::string next = resolve(probe.url, entry->uri);
    const std::optional<std::string> scheme = next.empty() ? std::nullopt : schemeOf(next);
    if (!scheme || (*scheme != "http" && *scheme != "https"))
        return finish(probe, 0, ProbeReason::UnsupportedScheme, scheme ? *scheme : entry->uri);
    // One variant only: a variant that names another variant is taken as media.
    const Stage stage = entry->variant && probe.stage == Stage::First ? Stage::Variant : Stage::Segment;
    probe.nextUrl = std::move(next);
    probe.stage = stage;
}

// The transfer ended (curl finished it or we stopped it): sets the result or
// the next transfer.
void concludeTransfer(Probe& probe, CURLcode code, Clock::time_point now) {
    if (probe.answered && probe.result->answerSeconds < 0)
        probe.result->answerSeconds = std::chrono::duration<double>(*probe.answered - probe.started).count();
    if (probe.stopped) return;
    if (probe.headersTooLong) return finish(probe, 0, ProbeReason::HeadersTooLong);
    long redirects = 0;
    curl_easy_getinfo(probe.easy, CURLINFO_REDIRECT_COUNT, &redirects);
    if (code == CURLE_UNSUPPORTED_PROTOCOL && redirects > 0)
        return finish(probe, 0, ProbeReason::RedirectRefused);
    if (code == CURLE_TOO_MANY_REDIRECTS) return finish(probe, 0, ProbeReason::TooManyRedirects);
    const long status = responseCode(probe.easy);
    if (status != 0 && (status < 200 || status > 299))
        return finish(probe, 0, ProbeReason::HttpStatus, std::to_string(status));
    if (code == CURLE_OPERATION_TIMEDOUT && !probe.answered) return finish(probe, 0, ProbeReason::NoAnswer);
    // curl refuses a header line past its own limit as out of memory (as too large since 8.6).
    if (probe.kind == Kind::Undecided && (code == CURLE_OUT_OF_MEMORY || code == kHeaderTooLarge))
        return finish(probe, 0, ProbeReason::HeadersTooLong);
    if (probe.kind == Kind::Media) return judgeMedia(probe, now);
    if (probe.kind == Kind::Manifest && (code == CURLE_OK || code == CURLE_WRITE_ERROR))
        return followManifest(probe);
    if (code != CURLE_OK) return finish(probe, 0, reasonOf(code));
    // An answer without a body.
    if (probe.webPage) return finish(probe, 1, ProbeReason::PageAnswered);
    finish(probe, 0, ProbeReason::NoData);
}

// Ends a transfer that ran out of time: no answer within the time-out, or the
// measuring window is over.
bool overdue(Probe& probe, Clock::time_point now) {
    if (!probe.answered && !probe.firstByte) return now - probe.started >= probe.limits->timeout;
    if (probe.firstByte) return now - *probe.firstByte >= probe.limits->window;
    return now - *probe.answered >= probe.limits->timeout;
}

void concludeOverdue(Probe& probe, Clock::time_point now) {
    if (probe.kind == Kind::Media) return judgeMedia(probe, now);
    if (probe.kind == Kind::Manifest) return followManifest(probe);
    return finish(probe, 0, ProbeReason::NoAnswer);
}

// Where the probe can tell about a target without a transfer: the result is set.
bool refusedBeforeStart(Probe& probe) {
    const std::string& address = probe.target->address;
    if (address.empty()) {
        finish(probe, 0, ProbeReason::NoAddress);
        return true;
    }
    const std::optional<std::string> scheme = schemeOf(address);
    if (!scheme) {
        finish(probe, 0, ProbeReason::BadAddress);
        return true;
    }
    if (*scheme == "http" || *scheme == "https") return false;
    finish(probe, 0, ProbeReason::UnsupportedScheme, *scheme);
    return true;
}

// Descriptors kept free for the rest of the program (the database, the
// window system, the resolver) while transfers run.
constexpr rlim_t kReservedFiles = 64;

rlim_t raiseOpenFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    return limit.rlim_cur;
}

rlim_t openFileLimit() {
    static const rlim_t files = raiseOpenFileLimit();
    return files;
}

// Transfers at once within the open-file limit: each holds one socket.
std::size_t jobsWithinFileLimit(int asked) {
    const rlim_t files = openFileLimit();
    const std::size_t room =
        files > 2 * kReservedFiles ? static_cast<std::size_t>(files - kReservedFiles) : kReservedFiles;
    return std::min(static_cast<std::size_t>(std::max(1, asked)), room);
}

}  // namespace

CurlStreamProbe::CurlStreamProbe() {
    // Once, before any probe: a probe may then run on another thread.
    initCurlOnce();
    openFileLimit();
}

std::vector<ProbeResult> CurlStreamProbe::probe(std::span<const ProbeTarget> targets,
                                                const ProbeLimits& limits, const ProbeProgress& progress,
                                                const ProbeFinished& finished) {
    std::vector<ProbeResult> results(targets.size());
    for (ProbeResult& result : results)
        result.reason = std::string(probeReasonEntry(ProbeReason::Unchecked).words);
    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(), curl_multi_cleanup);
    const std::size_t jobs = jobsWithinFileLimit(limits.jobs);
    std::vector<Probe> probes(targets.size());
    std::size_t next = 0;
    std::size_t running = 0;
    std::size_t done = 0;

    auto release = [&](Probe& probe) {
        curl_multi_remove_handle(multi.get(), probe.easy);
        curl_easy_cleanup(probe.easy);
        probe.easy = nullptr;
    };
    auto startTransfer = [&](Probe& probe) {
        probe.easy = makeHandle(probe);
        if (!probe.easy) {
            finish(probe, 0, ProbeReason::NetworkError);
            return false;
        }
        curl_multi_add_handle(multi.get(), probe.easy);
        return true;
    };
    // After a transfer: starts the next one of the same probe, or ends it.
    // A result is final: counted, and told to the caller.
    auto concluded = [&](std::size_t index) {
        ++done;
        if (finished) finished(index, results[index]);
    };
    auto afterTransfer = [&](Probe& probe) {
        release(probe);
        if (!probe.stopped && !probe.nextUrl.empty()) {
            std::string url = std::move(probe.nextUrl);
            probe.nextUrl.clear();
            resetTransfer(probe, probe.stage, std::move(url));
            if (startTransfer(probe)) return;
        }
        if (!probe.stopped) finish(probe, 0, ProbeReason::NoData);
        probe.done = true;
        --running;
        concluded(static_cast<std::size_t>(probe.result - results.data()));
    };

    bool cancelled = false;
    while (!cancelled && (next < targets.size() || running > 0)) {
        while (running < jobs && next < targets.size()) {
            Probe& probe = probes[next];
            probe.target = &targets[next];
            probe.result = &results[next];
            probe.limits = &limits;
            ++next;
            if (refusedBeforeStart(probe)) {
                concluded(next - 1);
                continue;
            }
            probe.requiredKbit = probe.target->requiredKbitPerSecond;
            probe.webPage = probe.target->webPage;
            resetTransfer(probe, Stage::First, probe.target->address);
            if (startTransfer(probe)) {
                ++running;
            } else {
                concluded(next - 1);
            }
        }
        int stillRunning = 0;
        curl_multi_perform(multi.get(), &stillRunning);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
            if (message->msg != CURLMSG_DONE) continue;
            Probe* probe = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &probe);
            const CURLcode code = message->data.result;
            if (!probe) continue;
            concludeTransfer(*probe, code, Clock::now());
            afterTransfer(*probe);
        }
        const auto now = Clock::now();
        for (std::size_t i = 0; i < next; ++i) {
            Probe& probe = probes[i];
            if (!probe.easy || !overdue(probe, now)) continue;
            if (probe.answered && probe.result->answerSeconds < 0)
                probe.result->answerSeconds =
                    std::chrono::duration<double>(*probe.answered - probe.started).count();
            concludeOverdue(probe, now);
            afterTransfer(probe);
        }
        if (progress && !progress(done, targets.size())) cancelled = true;
        if (running > 0) curl_multi_poll(multi.get(), nullptr, 0, 20, nullptr);
    }
    for (Probe& probe : probes) {
        if (probe.easy) release(probe);
    }
    for (ProbeResult& result : results) {
        if (!result.checked)
            result = ProbeResult{0, std::string(probeReasonEntry(ProbeReason::Unchecked).words)};
    }
    return results;
}

}  // namespace kw
