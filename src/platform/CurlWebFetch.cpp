#include "platform/CurlWebFetch.h"

#include "core/base/AsciiText.h"
#include "platform/CurlCommon.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

namespace kw {
namespace {

using Clock = std::chrono::steady_clock;

// The loop wakes at least this often, and tells the caller at most this
// often (less a little, so the waits do not add up): a window can paint and
// a cancel is noticed within about twice the wait.
constexpr std::chrono::milliseconds kWait{20};
constexpr std::chrono::milliseconds kProgressInterval{15};
// Header bytes over all answers of one fetch (redirects included): curl
// keeps every header line, and headers do not count against maxBytes.
constexpr std::size_t kMaxHeaderBytes = 256 * 1024;

#if LIBCURL_VERSION_NUM >= 0x080600
constexpr CURLcode kHeaderTooLarge = CURLE_TOO_LARGE;
#else
constexpr CURLcode kHeaderTooLarge = CURLE_OUT_OF_MEMORY;
#endif

// Why the fetch ended the transfer itself.
enum class Stop { None, TooLarge, HttpStatus, HeadersTooLong };

struct Transfer {
    const FetchLimits* limits = nullptr;
    std::string userAgent;  // without line breaks, which would start a header of their own
    CURL* easy = nullptr;
    std::string body;
    std::uint64_t received = 0;
    Stop stop = Stop::None;
    std::size_t headerBytes = 0;
    bool connected = false;
    Clock::time_point lastActivity;  // the connection or the last body byte

    // The answer whose headers arrive now (each redirect brings another).
    long status = 0;
    std::optional<std::uint64_t> contentLength;
    bool encoded = false;  // Content-Encoding other than identity
    bool inHeaders = false;
};

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// The value of header line when it names header, else nullopt.
std::optional<std::string_view> headerValue(std::string_view line, std::string_view header) {
    if (line.size() <= header.size() || line[header.size()] != ':' ||
        !ascii::equalIgnoringCase(line.substr(0, header.size()), header))
        return std::nullopt;
    return trimmed(line.substr(header.size() + 1));
}

// The status code of an "HTTP/1.1 200 OK" or "HTTP/2 404" line; 0 for none.
long statusOf(std::string_view line) {
    if (!line.starts_with("HTTP/")) return 0;
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos) return 0;
    const std::string_view rest = line.substr(blank + 1);
    long code = 0;
    std::from_chars(rest.data(), rest.data() + rest.size(), code);
    return code;
}

// The answer's headers are complete: refuses an error status and an
// announced length over the limit before any body is read.
bool headersComplete(Transfer& transfer) {
    transfer.inHeaders = false;
    // A redirect's target has the stall time-out anew to connect and answer.
    transfer.lastActivity = Clock::now();
    if (transfer.status >= 400) {
        transfer.stop = Stop::HttpStatus;
        return false;
    }
    const bool final = transfer.status >= 200 && transfer.status <= 299;
    // An encoded answer announces its encoded length, which says nothing
    // sure about the decoded body the limit counts.
    if (final && !transfer.encoded && transfer.contentLength &&
        *transfer.contentLength > transfer.limits->maxBytes) {
        transfer.stop = Stop::TooLarge;
        return false;
    }
    if (final && !transfer.encoded && transfer.contentLength) transfer.body.reserve(*transfer.contentLength);
    return true;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    transfer.headerBytes += length;
    if (transfer.headerBytes > kMaxHeaderBytes) {
        transfer.stop = Stop::HeadersTooLong;
        return 0;
    }
    const std::string_view line(data, length);
    if (const long status = statusOf(line); status != 0) {
        transfer.status = status;
        transfer.contentLength.reset();
        transfer.encoded = false;
        transfer.inHeaders = true;
    } else if (trimmed(line).empty()) {
        if (!headersComplete(transfer)) return 0;
    } else if (const auto value = headerValue(line, "Content-Length")) {
        std::uint64_t announced = 0;
        const std::errc error = std::from_chars(value->data(), value->data() + value->size(), announced).ec;
        // A length too large to read is over any limit.
        if (error == std::errc::result_out_of_range) announced = UINT64_MAX;
        if (error == std::errc() || error == std::errc::result_out_of_range)
            transfer.contentLength = announced;
    } else if (const auto encoding = headerValue(line, "Content-Encoding")) {
        transfer.encoded = !encoding->empty() && !ascii::equalIgnoringCase(*encoding, "identity");
    }
    return length;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    transfer.lastActivity = Clock::now();
    if (length > transfer.limits->maxBytes - std::min(transfer.received, transfer.limits->maxBytes)) {
        transfer.stop = Stop::TooLarge;
        std::string().swap(transfer.body);
        return 0;
    }
    transfer.received += length;
    transfer.body.append(data, length);
    return length;
}

// Called once the connection for a request stands (for each redirect too):
// from here the stall time-out runs.
int onConnected(void* user, char*, char*, int, int) {
    auto& transfer = *static_cast<Transfer*>(user);
    transfer.connected = true;
    transfer.lastActivity = Clock::now();
    return CURL_PREREQFUNC_OK;
}

CURL* makeHandle(const std::string& address, Transfer& transfer) {
    CURL* easy = curl_easy_init();
    if (!easy) return nullptr;
    const FetchLimits& limits = *transfer.limits;
    curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(std::max(0, limits.maxRedirects)));
    // Credentials in the address go to its own host only, never after a redirect.
    curl_easy_setopt(easy, CURLOPT_UNRESTRICTED_AUTH, 0L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, transfer.userAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    // No overall time-out: a long list on a slow line takes as long as bytes
    // flow; the stall time-out is kept by the loop.
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, 0L);
    // An empty list asks for every encoding this curl decodes.
    if (limits.compressed) curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, onConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, &transfer);
    return easy;
}

std::string withoutControls(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) out.push_back(c);
    }
    return out;
}

void describe(CURL* easy, FetchResult& result) {
    char* type = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        result.contentType = withoutControls(type);
    char* url = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url) result.finalAddress = url;
}

FetchResult failed(ProbeReason reason) {
    FetchResult result;
    result.outcome = FetchOutcome::Failed;
    result.reason = reason;
    return result;
}

// The result of a transfer curl finished (or a callback of ours ended).
void conclude(Transfer& transfer, CURLcode code, FetchResult& result) {
    long status = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
    auto fail = [&](ProbeReason reason) {
        result.outcome = FetchOutcome::Failed;
        result.reason = reason;
    };
    switch (transfer.stop) {
        case Stop::TooLarge:
            result.outcome = FetchOutcome::TooLarge;
            return;
        case Stop::HeadersTooLong:
            return fail(ProbeReason::HeadersTooLong);
        case Stop::HttpStatus:
        case Stop::None:
            break;
    }
    // A final answer outside 2xx (an error, a redirect without a target) is
    // not the document.
    if (transfer.stop == Stop::HttpStatus || (code == CURLE_OK && (status < 200 || status > 299))) {
        result.httpStatus = transfer.stop == Stop::HttpStatus ? transfer.status : status;
        return fail(ProbeReason::HttpStatus);
    }
    if (code == CURLE_OK) {
        result.outcome = FetchOutcome::Fetched;
        result.body = std::move(transfer.body);
        return;
    }
    long redirects = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_REDIRECT_COUNT, &redirects);
    if (code == CURLE_UNSUPPORTED_PROTOCOL && redirects > 0) return fail(ProbeReason::RedirectRefused);
    // An answer without a status line (HTTP/0.9), which curl refuses.
    if (code == CURLE_UNSUPPORTED_PROTOCOL && transfer.connected) return fail(ProbeReason::NotHttp);
    // curl refuses a header line past its own limit as out of memory (as too large since 8.6).
    if (transfer.inHeaders && (code == CURLE_OUT_OF_MEMORY || code == kHeaderTooLarge))
        return fail(ProbeReason::HeadersTooLong);
    fail(reasonOf(code));
}

// One fetch's handles; the easy one leaves the multi one before either goes,
// also when a callback throws.
struct Handles {
    CURLM* multi = curl_multi_init();
    CURL* easy = nullptr;
    bool added = false;

    Handles() = default;
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;
    ~Handles() {
        if (added) curl_multi_remove_handle(multi, easy);
        if (easy) curl_easy_cleanup(easy);
        if (multi) curl_multi_cleanup(multi);
    }
    bool add() { return added = curl_multi_add_handle(multi, easy) == CURLM_OK; }
};

}  // namespace

CurlWebFetch::CurlWebFetch() { initCurlOnce(); }

FetchResult CurlWebFetch::fetch(const std::string& address, const FetchLimits& limits,
                                const FetchProgress& progress) {
    // curl would guess a scheme for an address without one; only an
    // address that names http or https is fetched.
    const std::optional<std::string> scheme = schemeOf(address);
    if (!scheme) return failed(ProbeReason::BadAddress);
    if (*scheme != "http" && *scheme != "https") return failed(ProbeReason::UnsupportedScheme);

    Transfer transfer;
    transfer.limits = &limits;
    transfer.userAgent = withoutControls(limits.userAgent);
    if (transfer.userAgent.empty()) transfer.userAgent = kDefaultUserAgent;
    Handles handles;
    handles.easy = makeHandle(address, transfer);
    if (!handles.easy || !handles.multi || !handles.add()) return failed(ProbeReason::NetworkError);
    transfer.easy = handles.easy;
    CURLM* multi = handles.multi;

    FetchResult result;
    std::optional<Clock::time_point> lastProgress;
    bool running = true;
    while (running) {
        int active = 0;
        curl_multi_perform(multi, &active);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg != CURLMSG_DONE || message->easy_handle != handles.easy) continue;
            conclude(transfer, message->data.result, result);
            running = false;
        }
        if (!running) break;
        const auto now = Clock::now();
        if (transfer.connected && now - transfer.lastActivity >= limits.stallTimeout) {
            result.outcome = FetchOutcome::Stalled;
            break;
        }
        if (progress && (!lastProgress || now - *lastProgress >= kProgressInterval)) {
            lastProgress = now;
            const std::uint64_t expected = transfer.status >= 200 && transfer.status <= 299 &&
                                                   !transfer.encoded && transfer.contentLength
                                               ? *transfer.contentLength
                                               : 0;
            if (!progress(transfer.received, expected)) {
                result.outcome = FetchOutcome::Cancelled;
                break;
            }
        }
        curl_multi_poll(multi, nullptr, 0, static_cast<int>(kWait.count()), nullptr);
    }
    describe(handles.easy, result);
    return result;
}

}  // namespace kw
