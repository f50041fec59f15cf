#pragma once

#include <cstdint>
#include <ctime>

namespace kw {

// A time in seconds since 1970 as the user's clock shows it.
inline std::tm localTimeOf(std::int64_t secondsSince1970) {
    const auto at = static_cast<std::time_t>(secondsSince1970);
    std::tm parts{};
    ::localtime_r(&at, &parts);
    return parts;
}

}  // namespace kw
