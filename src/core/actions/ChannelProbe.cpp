#include "core/actions/ChannelProbe.h"

#include "core/base/AsciiText.h"
#include "core/ports/DesktopPort.h"

#include <algorithm>
#include <charconv>

namespace kw {

int requiredKbitPerSecond(std::string_view speed) {
    while (!speed.empty() && static_cast<unsigned char>(speed.front()) <= 0x20) speed.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(speed.data(), speed.data() + speed.size(), value);
    if (error != std::errc() || value <= 0) return kDefaultRequiredKbitPerSecond;
    // "128", "128k", "128 kbps" and "128K" all state kbit/s; anything else after
    // the number means it is no rate.
    std::string rest = ascii::lower(std::string_view(end, speed.data() + speed.size() - end));
    std::erase(rest, ' ');
    if (rest.empty() || rest == "k" || rest == "kb" || rest == "kbps" || rest == "kbit/s" || rest == "kb/s")
        return value;
    return kDefaultRequiredKbitPerSecond;
}

ProbeTarget probeTargetFor(std::string address, std::string_view format, std::string_view speed) {
    return ProbeTarget{std::move(address), format == kWebPageFormat, requiredKbitPerSecond(speed)};
}

}  // namespace kw
