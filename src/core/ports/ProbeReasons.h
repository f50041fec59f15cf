#pragma once

#include <array>
#include <string_view>

namespace kw {

// Why a probe judged a channel as it did. Each reason has a stable code for
// scripts (kwave's TSV and JSON) and the Chinese words every display uses.
enum class ProbeReason {
    Unchecked,
    NoAddress,
    BadAddress,
    UnsupportedScheme,
    HostNotFound,
    ConnectionRefused,
    ConnectTimeout,
    NoAnswer,
    CertificateInvalid,
    NetworkError,
    HttpStatus,
    NotHttp,
    HeadersTooLong,
    RedirectRefused,
    TooManyRedirects,
    WebPageInstead,
    NotMedia,
    SegmentIsPlaylist,
    EmptyPlaylist,
    NoData,
    Slow,
    Smooth,
    PageAnswered,
    DashAnswered,
    // No probe's: the list the channel was subscribed from no longer has it.
    GoneFromSource,
};

struct ProbeReasonEntry {
    ProbeReason reason;
    std::string_view code;
    std::string_view words;  // a detail, when there is one, follows after a blank
};

inline constexpr std::array<ProbeReasonEntry, 25> kProbeReasons = {{
    {ProbeReason::Unchecked, "unchecked", "未检查"},
    {ProbeReason::NoAddress, "no-address", "没有地址"},
    {ProbeReason::BadAddress, "bad-address", "地址无法识别"},
    {ProbeReason::UnsupportedScheme, "unsupported-scheme", "不支持的地址类型"},
    {ProbeReason::HostNotFound, "host-not-found", "域名无法解析"},
    {ProbeReason::ConnectionRefused, "connection-refused", "连接被拒绝"},
    {ProbeReason::ConnectTimeout, "connect-timeout", "连接超时"},
    {ProbeReason::NoAnswer, "no-answer", "超时无应答"},
    {ProbeReason::CertificateInvalid, "certificate-invalid", "证书无效"},
    {ProbeReason::NetworkError, "network-error", "网络错误"},
    {ProbeReason::HttpStatus, "http-status", "服务器回答 HTTP"},
    {ProbeReason::NotHttp, "not-http", "应答不是 HTTP 格式"},
    {ProbeReason::HeadersTooLong, "headers-too-long", "应答头过长"},
    {ProbeReason::RedirectRefused, "redirect-refused", "重定向到不允许的协议"},
    {ProbeReason::TooManyRedirects, "too-many-redirects", "重定向次数过多"},
    {ProbeReason::WebPageInstead, "web-page", "返回的是网页, 不是媒体"},
    {ProbeReason::NotMedia, "not-media", "内容不像媒体:"},
    {ProbeReason::SegmentIsPlaylist, "segment-is-playlist", "播放列表的分段又是播放列表, 不是媒体"},
    {ProbeReason::EmptyPlaylist, "empty-playlist", "播放列表里没有可用的地址"},
    {ProbeReason::NoData, "no-data", "有应答, 但没有媒体数据"},
    {ProbeReason::Slow, "slow", "有媒体数据, 但速度不足"},
    {ProbeReason::Smooth, "smooth", "媒体数据速度足够"},
    {ProbeReason::PageAnswered, "page-answered", "网页有应答"},
    {ProbeReason::DashAnswered, "dash-answered", "DASH 清单有应答"},
    {ProbeReason::GoneFromSource, "gone-from-source", "订阅源中已没有此频道"},
}};

constexpr const ProbeReasonEntry& probeReasonEntry(ProbeReason reason) {
    for (const ProbeReasonEntry& entry : kProbeReasons) {
        if (entry.reason == reason) return entry;
    }
    return kProbeReasons.front();
}

// The entry a stored code stands for; none for a code this program does not know.
constexpr const ProbeReasonEntry* probeReasonByCode(std::string_view code) {
    for (const ProbeReasonEntry& entry : kProbeReasons) {
        if (entry.code == code) return &entry;
    }
    return nullptr;
}

// A status in the words of the channel test: 2 smooth, 1 reachable, any
// other value unknown.
constexpr std::string_view probeStatusWord(int status) {
    switch (status) {
        case 1:
            return "[可达]";
        case 2:
            return "[流畅]";
        default:
            return "[未知]";
    }
}

}  // namespace kw
