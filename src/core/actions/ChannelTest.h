#pragma once

#include "core/ports/StreamProbe.h"

#include <functional>
#include <string>
#include <string_view>

namespace kw {

class ChannelStore;
class UiPort;

// The quick channel test: looks up the stored address, asks a probe for a
// status and shows it. The child lock is not consulted.
class ChannelTest {
public:
    // Given the channel's name and unscrambled address, returns 0 (unknown),
    // 1 (reachable) or 2 (smooth).
    using Probe = std::function<int(std::string_view name, std::string_view address)>;

    // The probe in use: reports every channel reachable without contacting it.
    static int reachableProbe(std::string_view name, std::string_view address);

    ChannelTest(ChannelStore& store, UiPort& ui, Probe probe = reachableProbe);

    // A probe that also gets the channel's stored name, format and stated
    // speed and tells why; its reason is shown below the status.
    using DetailedProbe = std::function<ProbeResult(std::string_view name, const ProbeTarget& target)>;
    ChannelTest(ChannelStore& store, UiPort& ui, DetailedProbe probe);

    static std::string message(std::string_view name, int status);

    // Tests the channel named by the selected node's text and shows the result.
    void actTestChannelExecute(std::string_view name);

private:
    ChannelStore& store_;
    UiPort& ui_;
    Probe probe_;
    DetailedProbe detailedProbe_;
};

}  // namespace kw
