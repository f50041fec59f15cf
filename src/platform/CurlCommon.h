#pragma once

#include "core/ports/ProbeReasons.h"

#include <curl/curl.h>

#include <optional>
#include <string>

// What the curl adapters (the channel probe, the document fetch) share.
namespace kw {

// Initialises libcurl once for the process; every adapter calls it before
// its first transfer, so transfers may then run on any thread.
void initCurlOnce();

// A parsed address, freed with its scope.
struct UrlHandle {
    CURLU* url = curl_url();
    UrlHandle() = default;
    UrlHandle(const UrlHandle&) = delete;
    UrlHandle& operator=(const UrlHandle&) = delete;
    ~UrlHandle() { curl_url_cleanup(url); }
};

// What a transfer error means to the user, in the probe's own reasons.
ProbeReason reasonOf(CURLcode code);

// The scheme of address in lower case, or nullopt when it is no address
// (also when it names no scheme: curl would guess one).
std::optional<std::string> schemeOf(const std::string& address);

}  // namespace kw
