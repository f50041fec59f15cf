#include "core/base/MediaKinds.h"

#include "core/base/AsciiText.h"

#include <algorithm>
#include <array>

namespace kw::media {
namespace {

constexpr std::array<std::string_view, 19> kStreamingSchemes = {
    "mms",   "mmsh",   "mmst",   "mmsu", "rtsp", "rtspu", "rtsps", "rtmp", "rtmpe", "rtmps",
    "rtmpt", "rtmpte", "rtmpts", "pnm",  "rtp",  "udp",   "srt",   "icy",  "icyx"};

// The audio files a playlist entry may name; such an entry is a radio channel.
constexpr std::array<std::string_view, 7> kAudioExtensions = {"mp3",  "aac", "ogg", "opus",
                                                              "flac", "m4a", "wma"};

constexpr std::array<std::string_view, 30> kOtherMediaFileExtensions = {
    "mp2", "mpga", "ac3", "oga", "spx", "wav",  "aif", "aiff", "mka", "rm",
    "ra",  "rmvb", "ogv", "wmv", "asf", "flv",  "mp4", "m4v",  "ts",  "m2ts",
    "mkv", "webm", "avi", "mov", "mpg", "mpeg", "3gp", "amr",  "nsv", "f4v"};

// Playlists and manifests: what they name is media.
constexpr std::array<std::string_view, 9> kManifestExtensions = {"m3u8", "m3u",  "pls", "asx", "wax",
                                                                 "wvx",  "xspf", "ram", "mpd"};

constexpr std::array<std::string_view, 4> kPlaylistExtensions = {"m3u", "m3u8", "pls", "xspf"};

template <std::size_t N>
bool holds(const std::array<std::string_view, N>& list, std::string_view word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

}  // namespace

bool isStreamingScheme(std::string_view scheme) { return holds(kStreamingSchemes, scheme); }

bool isAudioExtension(std::string_view extension) { return holds(kAudioExtensions, extension); }

bool isMediaFileExtension(std::string_view extension) {
    return isAudioExtension(extension) || holds(kOtherMediaFileExtensions, extension);
}

bool isMediaExtension(std::string_view extension) {
    return isMediaFileExtension(extension) || holds(kManifestExtensions, extension);
}

bool isPlaylistExtension(std::string_view extension) { return holds(kPlaylistExtensions, extension); }

std::string extensionOf(std::string_view address) {
    address = address.substr(0, std::min(address.find('?'), address.find('#')));
    const std::size_t slash = address.find_last_of("/\\");
    const std::size_t dot = address.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    return ascii::lower(address.substr(dot + 1));
}

}  // namespace kw::media
