#pragma once

#include <string>
#include <string_view>

// The byte rules that names, searches and addresses use: only the ASCII
// letters change case, so a byte of a multi-byte character never does.
namespace kw::ascii {

constexpr char toUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char toLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr bool isLetter(char c) { return toUpper(c) >= 'A' && toUpper(c) <= 'Z'; }

inline std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = toUpper(c);
    return out;
}

inline std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = toLower(c);
    return out;
}

constexpr bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (toUpper(a[i]) != toUpper(b[i])) return false;
    }
    return true;
}

// The value of a hexadecimal digit, -1 for any other character.
constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace kw::ascii
