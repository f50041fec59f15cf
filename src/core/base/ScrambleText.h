#pragma once

#include <string>
#include <string_view>

namespace kw {

enum class ScrambleDirection { Scramble, Unscramble };

// The key used whenever the given key is empty.
inline constexpr std::string_view kDefaultScrambleKey = "Marlin Oak QZ";

// The reversible scrambling of stored addresses and settings-row values, on
// raw bytes: XOR with a cycling key (key bytes above 127 lowered by 127, a byte
// equal to its key byte left alone) and a reversal of the byte order. The
// length never changes.
std::string ScrambleText(std::string_view bytes, std::string_view key, ScrambleDirection direction);

// The same on UTF-8 text and key: both are scrambled in their GBK form, so the
// stored bytes are those of the GBK system. Returns the scrambled bytes.
std::string scrambleText(std::string_view text, std::string_view key);

// Unscrambles stored bytes with a UTF-8 key and returns UTF-8 text.
std::string unscrambleText(std::string_view storedBytes, std::string_view key);

}  // namespace kw
