#pragma once

#include "core/ports/StreamProbe.h"

namespace kw {

// The probe over libcurl. Speaks http and https only, follows at most 5
// redirects among them, keeps no cookies, asks for no compression and reads
// at most the limits.
class CurlStreamProbe final : public StreamProbe {
public:
    std::vector<ProbeResult> probe(std::span<const ProbeTarget> targets, const ProbeLimits& limits,
                                   const ProbeProgress& progress) override;
};

}  // namespace kw
