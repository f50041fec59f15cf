#include "core/base/ScrambleText.h"

#include "core/base/TextCodec.h"

#include <algorithm>

namespace kw {

std::string ScrambleText(std::string_view bytes, std::string_view key, ScrambleDirection direction) {
    std::string text(bytes);
    if (direction == ScrambleDirection::Unscramble) std::reverse(text.begin(), text.end());
    if (text.empty()) return text;
    if (key.empty()) key = kDefaultScrambleKey;

    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto s = static_cast<unsigned char>(text[i]);
        unsigned k = static_cast<unsigned char>(key[i % key.size()]);
        if (k > 127) k -= 127;
        if (s != k) text[i] = static_cast<char>(s ^ k);
    }

    if (direction == ScrambleDirection::Scramble) std::reverse(text.begin(), text.end());
    return text;
}

std::string scrambleText(std::string_view text, std::string_view key) {
    return ScrambleText(text::toGbk(text), text::toGbk(key), ScrambleDirection::Scramble);
}

std::string unscrambleText(std::string_view storedBytes, std::string_view key) {
    return text::fromGbk(ScrambleText(storedBytes, text::toGbk(key), ScrambleDirection::Unscramble));
}

}  // namespace kw
