#pragma once

#include "core/ports/WebFetch.h"

namespace kw {

// The document fetch over libcurl: a GET of an http or https address that
// follows redirects among those two only, sends no cookies and no
// credentials past a redirect, and keeps at most limits.maxBytes of body.
// Each call has its own handles, so two threads may fetch at once.
class CurlWebFetch final : public WebFetch {
public:
    CurlWebFetch();

    FetchResult fetch(const std::string& address, const FetchLimits& limits,
                      const FetchProgress& progress) override;
};

}  // namespace kw
