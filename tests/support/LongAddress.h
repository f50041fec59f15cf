#pragma once

#include <cstddef>
#include <string>

namespace kw::test {

// A web address of exactly `chars` characters whose path alternates Latin
// and Chinese characters, so that characters, GBK bytes and UTF-8 bytes all
// differ in number.
// With onlyChinese, every character of the path takes three UTF-8 bytes.
inline std::string addressOfChars(std::size_t chars, bool onlyChinese = false) {
    std::string address = "http://e.example/";
    for (std::size_t have = address.size(); have < chars; ++have)
        address += onlyChinese || have % 2 == 0 ? "频" : "a";
    return address;
}

}  // namespace kw::test
