#include "core/base/TextCodec.h"

#include "core/base/Error.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <memory>
#include <vector>

namespace kw::text {
namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One gb18030 converter per thread: opening one costs more than converting a value.
UConverter& gbConverter() {
    thread_local ConverterPtr converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        ConverterPtr opened(ucnv_open("gb18030", &status));
        if (U_FAILURE(status)) {
            throw Error(std::string("ICU cannot open the gb18030 converter: ") + u_errorName(status));
        }
        return opened;
    }();
    return *converter;
}

constexpr UChar32 kReplacement = 0xFFFD;

std::u16string utf16FromUtf8(std::string_view utf8) {
    std::u16string out(utf8.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), kReplacement, nullptr, &status);
    if (U_FAILURE(status)) {
        throw Error(std::string("Text conversion failed: ") + u_errorName(status));
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string utf8FromUtf16(std::u16string_view utf16) {
    std::string out(utf16.size() * 3 + 1, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, utf16.data(),
                       static_cast<int32_t>(utf16.size()), kReplacement, nullptr, &status);
    if (U_FAILURE(status)) {
        throw Error(std::string("Text conversion failed: ") + u_errorName(status));
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

}  // namespace

std::string toGbk(std::string_view utf8) {
    if (utf8.empty()) return {};
    const std::u16string utf16 = utf16FromUtf8(utf8);
    UConverter& converter = gbConverter();
    ucnv_resetFromUnicode(&converter);
    // gb18030 needs at most four bytes per UTF-16 unit.
    std::string out(utf16.size() * 4 + 4, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(&converter, out.data(), static_cast<int32_t>(out.size()),
                                           utf16.data(), static_cast<int32_t>(utf16.size()), &status);
    if (U_FAILURE(status)) {
        throw Error(std::string("Text conversion failed: ") + u_errorName(status));
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string fromGbk(std::string_view gbk) {
    if (gbk.empty()) return {};
    UConverter& converter = gbConverter();
    ucnv_resetToUnicode(&converter);
    std::u16string utf16(gbk.size() * 2 + 2, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    // The default to-Unicode callback substitutes U+FFFD for malformed bytes
    // and goes on with the rest of the input.
    const int32_t length = ucnv_toUChars(&converter, utf16.data(), static_cast<int32_t>(utf16.size()),
                                         gbk.data(), static_cast<int32_t>(gbk.size()), &status);
    if (U_FAILURE(status)) {
        throw Error(std::string("Text conversion failed: ") + u_errorName(status));
    }
    utf16.resize(static_cast<std::size_t>(length));
    // ICU marks an unassigned single byte with U+001A (SUB); report it like
    // any other byte that forms no character.
    for (char16_t& unit : utf16) {
        if (unit == u'\x1A') unit = u'\xFFFD';
    }
    return utf8FromUtf16(utf16);
}

std::string sanitizeUtf8(std::string_view utf8) { return utf8FromUtf16(utf16FromUtf8(utf8)); }

std::string_view trimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
    return text.substr(begin, end - begin);
}

namespace {

// Byte length of the character that starts at offset (at least 1, never past the end).
std::size_t charLengthAt(std::string_view utf8, std::size_t offset) {
    auto next = static_cast<int32_t>(offset);
    UChar32 ignored = 0;
    U8_NEXT(reinterpret_cast<const uint8_t*>(utf8.data()), next, static_cast<int32_t>(utf8.size()), ignored);
    (void)ignored;
    return static_cast<std::size_t>(next) - offset;
}

}  // namespace

std::size_t charCount(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t offset = 0; offset < utf8.size(); offset += charLengthAt(utf8, offset)) ++count;
    return count;
}

std::string_view cutToChars(std::string_view utf8, std::size_t maxChars) {
    std::size_t offset = 0;
    for (std::size_t chars = 0; chars < maxChars && offset < utf8.size(); ++chars) {
        offset += charLengthAt(utf8, offset);
    }
    return utf8.substr(0, offset);
}

std::string_view cutToGbkBytes(std::string_view utf8, std::size_t maxBytes) {
    if (toGbk(utf8).size() <= maxBytes) return utf8;
    std::size_t offset = 0;
    std::size_t gbkBytes = 0;
    while (offset < utf8.size()) {
        const std::size_t length = charLengthAt(utf8, offset);
        const std::size_t encoded = toGbk(utf8.substr(offset, length)).size();
        if (gbkBytes + encoded > maxBytes) break;
        gbkBytes += encoded;
        offset += length;
    }
    return utf8.substr(0, offset);
}

std::string_view stripUtf8Bom(std::string_view text) {
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    return text.starts_with(bom) ? text.substr(bom.size()) : text;
}

}  // namespace kw::text
