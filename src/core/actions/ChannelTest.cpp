#include "core/actions/ChannelTest.h"

#include "core/actions/ChannelProbe.h"
#include "core/base/ScrambleText.h"
#include "core/ports/UiPort.h"
#include "core/store/ChannelStore.h"

#include <utility>

namespace kw {

int ChannelTest::reachableProbe(std::string_view, std::string_view) { return 1; }

ChannelTest::ChannelTest(ChannelStore& store, UiPort& ui, Probe probe)
    : store_(store), ui_(ui), probe_(std::move(probe)) {}

ChannelTest::ChannelTest(ChannelStore& store, UiPort& ui, DetailedProbe probe)
    : store_(store), ui_(ui), detailedProbe_(std::move(probe)) {}

std::string ChannelTest::message(std::string_view name, int status) {
    return "\" " + std::string(name) + " \"" + " 频道的当前状态是: " + std::string(probeStatusWord(status));
}

void ChannelTest::actTestChannelExecute(std::string_view name) {
    // The key is the stored name, as for a play: the lookup ignores letter
    // case, the scrambling does not.
    const ChannelAddress channel = store_.readChannelAddress(name);
    const std::string address = unscrambleText(channel.scrambledUrl, channel.name);
    if (!detailedProbe_) return ui_.ShowMessage(message(name, probe_(name, address)));
    const ChannelDetails details = store_.readChannelDetails(channel.name);
    const ProbeResult result =
        detailedProbe_(channel.name, probeTargetFor(address, channel.type, details.speed));
    ui_.ShowMessage(message(name, result.status) + "\r\n" + result.reason);
}

}  // namespace kw
