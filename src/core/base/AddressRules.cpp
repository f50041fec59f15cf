#include "core/base/AddressRules.h"

#include "core/base/AsciiText.h"
#include "core/base/TextCodec.h"

#include <algorithm>
#include <array>

namespace kw::address {
namespace {

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// ijl: is the address form of the 3CX stream format the add form names.
constexpr std::array<std::string_view, 26> kAllowedSchemes = {
    "http",  "https", "ftp",  "file",  "mms",   "mmsh",  "mmst",     "mmsu",    "rtsp",
    "rtspu", "rtsps", "rtmp", "rtmpe", "rtmps", "rtmpt", "rtmpte",   "rtmpts",  "rtp",
    "udp",   "srt",   "pnm",  "icy",   "icyx",  "ijl",   "rtsp+tcp", "rtsp+udp"};

}  // namespace

std::optional<std::string> schemeOf(std::string_view address) {
    std::string scheme;
    for (const char c : address) {
        if (c == ':') break;
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) continue;
        const bool allowed = scheme.empty()
                                 ? ascii::isLetter(c)
                                 : ascii::isLetter(c) || isDigit(c) || c == '+' || c == '-' || c == '.';
        if (!allowed) return std::nullopt;
        scheme += ascii::toLower(c);
    }
    const bool hasColon = address.find(':') != std::string_view::npos;
    if (!hasColon || scheme.size() < 2) return std::nullopt;
    return scheme;
}

std::optional<std::string> exactSchemeOf(std::string_view address) {
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos || colon < 2 || !ascii::isLetter(address[0])) return std::nullopt;
    for (const char c : address.substr(1, colon - 1)) {
        if (!ascii::isLetter(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return std::nullopt;
    }
    return ascii::lower(address.substr(0, colon));
}

bool isAllowedAddress(std::string_view address) {
    const auto scheme = schemeOf(address);
    return !scheme ||
           std::find(kAllowedSchemes.begin(), kAllowedSchemes.end(), *scheme) != kAllowedSchemes.end();
}

bool isOpenableTarget(std::string_view target) {
    return isAllowedAddress(target) || schemeOf(target) == "mailto";
}

bool fitsAddressLimit(std::string_view address) { return text::charCount(address) <= kMaxAddressChars; }

std::string overlongReason() { return "地址超过 " + std::to_string(kMaxAddressChars) + " 个字符"; }

bool isWebAddress(std::string_view text) {
    const std::optional<std::string> scheme = exactSchemeOf(text);
    return scheme && (*scheme == "http" || *scheme == "https");
}

std::string_view authorityOf(std::string_view address) {
    const std::size_t slashes = address.find("://");
    if (slashes == std::string_view::npos) return {};
    std::string_view authority = address.substr(slashes + 3);
    authority = authority.substr(0, std::min(authority.find_first_of("/?#"), authority.size()));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    return authority;
}

std::string_view hostOf(std::string_view address) {
    const std::string_view authority = authorityOf(address);
    if (!authority.empty() && authority.front() == '[')  // [::1]:8000
        return authority.substr(0, std::min(authority.find(']') + 1, authority.size()));
    return authority.substr(0, std::min(authority.find(':'), authority.size()));
}

std::string_view fileNameOf(std::string_view address) {
    const std::size_t slashes = address.find("://");
    if (slashes == std::string_view::npos) return {};
    std::string_view rest = address.substr(slashes + 3);
    rest = rest.substr(0, std::min(rest.find_first_of("?#"), rest.size()));
    const std::size_t slash = rest.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
}

std::string overlongMessage() {
    return "频道地址太长：" + overlongReason() +
           "，不能保存。截短的地址是错误的地址，请检查地址是否完整、正确。";
}

}  // namespace kw::address
