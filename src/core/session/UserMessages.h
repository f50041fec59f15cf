#pragma once

#include <string>
#include <string_view>

namespace kw {

// An error text for the user: where it is a message of the database engine
// or the picture decoder, a Chinese sentence saying what it means for the
// user goes in front, and the engine's own text stays after it for support.
// Any other text is returned as it is.
std::string explainForUser(std::string_view text);

}  // namespace kw
