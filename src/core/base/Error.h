#pragma once

#include <stdexcept>
#include <string>

namespace kw {

// The one error type of the core. Its text is meant for the user as it stands:
// SQLite's own message, "Unable to write to <path>", "Invalid level ...".
// Commands let it escape; the window's event boundary or kwave's main shows it.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& userText) : std::runtime_error(userText) {}
};

}  // namespace kw
