#pragma once

#include "core/ports/StreamProbe.h"

#include <map>
#include <string>
#include <vector>

namespace kw::test {

// Answers every probe from a table of addresses without touching the network:
// a status per address, 0 (no answer) for any other. Records what it was asked.
class FakeProbe final : public StreamProbe {
public:
    std::map<std::string, int> statusOf;
    std::vector<ProbeTarget> probed;

    std::vector<ProbeResult> probe(std::span<const ProbeTarget> targets, const ProbeLimits& /*limits*/,
                                   const ProbeProgress& progress, const ProbeFinished& finished) override {
        std::vector<ProbeResult> results;
        for (const ProbeTarget& target : targets) {
            probed.push_back(target);
            const auto found = statusOf.find(target.address);
            ProbeResult result;
            result.status = found == statusOf.end() ? 0 : found->second;
            result.code = result.status == 0 ? ProbeReason::NoAnswer : ProbeReason::Smooth;
            result.reason = std::string(probeReasonEntry(result.code).words);
            result.checked = true;
            results.push_back(result);
            if (finished) finished(results.size() - 1, result);
            if (progress) progress(results.size(), targets.size());
        }
        return results;
    }
};

}  // namespace kw::test
