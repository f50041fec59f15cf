#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text inside the program is UTF-8. Files and scrambled values hold GBK bytes;
// they are converted with ICU's gb18030 converter, which is byte-identical to
// GBK for every GBK character and also carries what GBK lacks.
namespace kw::text {

// UTF-8 to GBK (gb18030) bytes. Malformed UTF-8 becomes U+FFFD first.
std::string toGbk(std::string_view utf8);

// GBK (gb18030) bytes to UTF-8. Bytes that form no character become U+FFFD;
// the rest of the value is kept.
std::string fromGbk(std::string_view gbk);

// Replaces malformed UTF-8 sequences with U+FFFD (text from outside the program).
std::string sanitizeUtf8(std::string_view utf8);

// Removes every byte up to 0x20 (blanks and control characters) at both ends.
std::string_view trimBlanks(std::string_view text);

// Number of characters (code points) in UTF-8 text.
std::size_t charCount(std::string_view utf8);

// The first maxChars characters of UTF-8 text, never splitting a character.
std::string_view cutToChars(std::string_view utf8, std::size_t maxChars);

// The longest leading part of UTF-8 text whose GBK form fits in maxBytes,
// never splitting a character.
std::string_view cutToGbkBytes(std::string_view utf8, std::size_t maxBytes);

// Text without a leading UTF-8 byte-order mark.
std::string_view stripUtf8Bom(std::string_view text);

}  // namespace kw::text
