// The GBK and UTF-8 conversions and the cuts: what comes out is valid text,
// converts back to itself, and a cut is a whole-character prefix that fits.
#include "FuzzSupport.h"
#include "core/base/TextCodec.h"

using namespace kw;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::size_t limit = input.byte();
    const std::string_view bytes = input.rest();

    const std::string utf8 = text::sanitizeUtf8(bytes);
    fuzz::check(text::sanitizeUtf8(utf8) == utf8, "sanitized text is valid UTF-8");

    const std::string fromGbk = text::fromGbk(bytes);
    fuzz::check(text::sanitizeUtf8(fromGbk) == fromGbk, "GBK reads as valid UTF-8");
    fuzz::check(text::fromGbk(text::toGbk(fromGbk)) == fromGbk, "text read from GBK converts back to itself");
    // The byte 0x1A reads as U+FFFD (ICU gives it for unassigned bytes), so
    // U+001A is the one character that does not come back.
    if (utf8.find('\x1A') == std::string::npos)
        fuzz::check(text::fromGbk(text::toGbk(utf8)) == utf8, "any other valid text survives GBK");

    const std::string_view chars = text::cutToChars(utf8, limit);
    fuzz::check(utf8.starts_with(chars), "a cut to characters is a prefix");
    fuzz::check(text::charCount(chars) == std::min(limit, text::charCount(utf8)),
                "a cut keeps that many characters");
    fuzz::check(text::sanitizeUtf8(chars) == chars, "a cut to characters splits none");

    const std::string_view gbkCut = text::cutToGbkBytes(utf8, limit);
    fuzz::check(utf8.starts_with(gbkCut), "a cut to GBK bytes is a prefix");
    fuzz::check(text::toGbk(gbkCut).size() <= limit, "a cut fits its GBK bytes");
    fuzz::check(text::sanitizeUtf8(gbkCut) == gbkCut, "a cut to GBK bytes splits no character");
    if (gbkCut.size() < utf8.size()) {
        const std::string_view longer = text::cutToChars(utf8, text::charCount(gbkCut) + 1);
        fuzz::check(text::toGbk(longer).size() > limit, "a cut to GBK bytes is the longest that fits");
    }

    const std::string_view trimmed = text::trimBlanks(bytes);
    fuzz::check(trimmed.empty() || (static_cast<unsigned char>(trimmed.front()) > 0x20 &&
                                    static_cast<unsigned char>(trimmed.back()) > 0x20),
                "trimmed text has no blank at either end");
    return 0;
}
