#pragma once

#include "core/ports/ProbeReasons.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kw {

// How the program names itself to the servers it asks.
inline constexpr std::string_view kDefaultUserAgent = "KestrelWave/1.0";

// What one fetch of a document (a playlist, a directory's answer) may take.
struct FetchLimits {
    std::chrono::milliseconds connectTimeout{10000};
    // The fetch fails when no byte of the body arrived for this long.
    std::chrono::milliseconds stallTimeout{15000};
    // Body bytes kept, counted after any decompression; a larger answer fails.
    std::uint64_t maxBytes = std::uint64_t{64} << 20;
    int maxRedirects = 5;
    // Whether the server may compress the answer (gzip, deflate, br).
    bool compressed = true;
    // Sent as the User-Agent header; empty sends kDefaultUserAgent.
    std::string userAgent{kDefaultUserAgent};
};

enum class FetchOutcome { Fetched, Failed, TooLarge, Stalled, Cancelled };

struct FetchResult {
    FetchOutcome outcome = FetchOutcome::Failed;
    // Why it failed (Failed only): the probe's reasons, HttpStatus with httpStatus set.
    ProbeReason reason = ProbeReason::Unchecked;
    long httpStatus = 0;
    std::string contentType;
    std::string finalAddress;  // after redirects
    std::string body;          // the whole body, Fetched only
};

// Called on the calling thread every few tens of milliseconds while a fetch
// waits, with the body bytes so far and the announced length (0 when none
// was announced); returning false cancels the fetch.
using FetchProgress = std::function<bool(std::uint64_t received, std::uint64_t expected)>;

// The program's one way to read a document from an address: a GET of an
// http or https address that follows redirects among those two only.
class WebFetch {
public:
    virtual ~WebFetch() = default;
    virtual FetchResult fetch(const std::string& address, const FetchLimits& limits,
                              const FetchProgress& progress) = 0;
};

}  // namespace kw
