#pragma once

#include <string>
#include <string_view>

// What an address's scheme or file extension says about the media behind it.
// The desktop hand-over, the playlist import's format column and the playlist
// windows all ask here, so a kind is added in one place.
namespace kw::media {

// Schemes that only streaming servers speak (mms, rtsp, rtmp and their
// variants, pnm, rtp, udp, srt, icy): whatever they name is a stream. Lower case.
bool isStreamingScheme(std::string_view scheme);

// Extensions (lower case, without the dot): of media files and of the
// playlists and manifests players read; of media files alone; of the audio
// files that make an imported playlist entry a radio channel.
bool isMediaExtension(std::string_view extension);
bool isMediaFileExtension(std::string_view extension);
bool isAudioExtension(std::string_view extension);
// The playlist files the program reads and writes: m3u, m3u8, pls, xspf.
bool isPlaylistExtension(std::string_view extension);

// The extension of an address's or path's last segment, lower case, without
// the dot, query or fragment; empty when it has none.
std::string extensionOf(std::string_view address);

}  // namespace kw::media
