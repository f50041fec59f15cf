#pragma once

#include "core/ports/StreamProbe.h"

namespace kw {

// The probe over libcurl. Speaks http and https only, follows at most 5
// redirects among them, keeps no cookies, asks for no compression and reads
// at most the limits. Runs no more transfers at once than the open-file
// limit leaves room for.
class CurlStreamProbe final : public StreamProbe {
public:
    // Raises the process's soft limit of open files to its hard limit, once,
    // so that a check of many channels at once is not cut short by it.
    CurlStreamProbe();

    std::vector<ProbeResult> probe(std::span<const ProbeTarget> targets, const ProbeLimits& limits,
                                   const ProbeProgress& progress, const ProbeFinished& finished) override;
};

}  // namespace kw
