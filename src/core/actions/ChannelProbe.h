#pragma once

#include "core/ports/StreamProbe.h"

#include <string>
#include <string_view>

namespace kw {

// The rate a channel must reach to be smooth: its stated kbit/s, else 64.
int requiredKbitPerSecond(std::string_view speed);

// What the probe needs of a channel: its unscrambled address, and from its
// format (ci_Type) and stated speed (ci_Speed) how to judge the answer.
ProbeTarget probeTargetFor(std::string address, std::string_view format, std::string_view speed);

}  // namespace kw
