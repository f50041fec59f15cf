#pragma once

#include "core/sources/RadioStation.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// The longest tag kept, in characters and in words: longer ones are
// sentences someone typed into the tag field.
inline constexpr std::size_t kMaxTagChars = 30;
inline constexpr std::size_t kMaxTagWords = 3;

// What cleanStations left out.
struct StationCleaning {
    std::size_t kept = 0;
    std::size_t duplicates = 0;    // a station already kept under its uuid, or its name and address
    std::size_t badAddresses = 0;  // not http or https, longer than the address limit, or broken
    std::size_t namedByHost = 0;   // had no name and now bears the address's host
};

// Tidies the directory's stations in place, in one pass: texts made valid
// UTF-8 with control characters blanked and cut to the channel limits;
// addresses trimmed, with inner blanks written %20; stations whose address
// is not http(s) or too long dropped; tags trimmed, lower-cased, without
// sentences and repeats; an empty name replaced by the address's host. Of
// stations with the same uuid, or the same name (ASCII case ignored) and
// address, the first is kept: the directory answers in the order asked for.
StationCleaning cleanStations(std::vector<RadioStation>& stations);

// The address tidied as cleanStations tidies it; empty when it cannot be
// kept (another scheme, no host, a control character inside, too long).
std::string cleanStreamAddress(std::string_view address);

}  // namespace kw
