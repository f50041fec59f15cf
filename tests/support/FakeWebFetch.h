#pragma once

#include "core/ports/WebFetch.h"

#include <map>
#include <string>
#include <vector>

namespace kw::test {

// Answers fetches from a table of addresses without touching the network;
// any other address is refused. Records what it was asked.
class FakeWebFetch final : public WebFetch {
public:
    std::map<std::string, FetchResult> answers;
    std::vector<std::string> fetched;

    // The address answers body, as a server that sends it whole would.
    void serve(const std::string& address, std::string body) {
        FetchResult result;
        result.outcome = FetchOutcome::Fetched;
        result.httpStatus = 200;
        result.finalAddress = address;
        result.body = std::move(body);
        answers[address] = std::move(result);
    }

    FetchResult fetch(const std::string& address, const FetchLimits& /*limits*/,
                      const FetchProgress& progress) override {
        fetched.push_back(address);
        if (progress && !progress(0, 0)) {
            FetchResult cancelled;
            cancelled.outcome = FetchOutcome::Cancelled;
            return cancelled;
        }
        const auto found = answers.find(address);
        if (found != answers.end()) return found->second;
        FetchResult refused;
        refused.reason = ProbeReason::ConnectionRefused;
        return refused;
    }
};

}  // namespace kw::test
