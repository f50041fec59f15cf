#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Which addresses the program stores and hands to the desktop. Channel
// addresses come from files that users swap, so only the schemes a catalogue
// of streams and sites needs pass; local paths and file: addresses name
// documents, which the desktop opens.
namespace kw::address {

// The lower-cased scheme of an address ("http" for " HTTP://x"), or nullopt
// when the text is a local path. A scheme is a letter followed by letters,
// digits, "+", "-" or "." before the first colon; one letter is a drive
// ("C:\..."). Blanks and control characters before the colon are dropped
// first, as browsers drop them ("java\tscript:" is "javascript").
std::optional<std::string> schemeOf(std::string_view address);

// The lower-cased scheme exactly as written: a letter, then letters, digits,
// "+", "-" or "." up to the first colon, at least two characters; nullopt
// for anything else (a local path, a drive, text with blanks before the colon).
std::optional<std::string> exactSchemeOf(std::string_view address);

// Whether a channel's address or related site may be stored and opened: a
// local path, or an address of an allowed scheme (http, https, ftp, file,
// mms and its variants, rtsp and its variants, rtmp and its variants, rtp,
// udp, srt, pnm, icy, ijl).
bool isAllowedAddress(std::string_view address);

// What the desktop may be asked to open: an allowed address, or the mailto:
// address of the e-mail command.
bool isOpenableTarget(std::string_view target);

// The longest channel address, in characters (a Chinese character counts
// one). Every path that stores or reads an address holds it to this and
// refuses or skips a longer one: a cut address is a wrong address.
inline constexpr std::size_t kMaxAddressChars = 2048;

// Whether the address has at most kMaxAddressChars characters.
bool fitsAddressLimit(std::string_view address);

// Why a longer address is skipped ("地址超过 2048 个字符"), for the notes
// and reasons of batch add and playlist import.
std::string overlongReason();

// The message where a longer address would be stored (the add and edit form).
std::string overlongMessage();

// Whether text is an http or https address (a list or a directory is
// fetched from one), scheme as written, ASCII case aside.
bool isWebAddress(std::string_view text);

// The parts of "scheme://user@host:port/path/name.m3u?query#part" that
// names and checks are made of; empty where the address has none.
// "host:port", without the user part: a name made from it shows no password.
std::string_view authorityOf(std::string_view address);
// "host" ("[::1]" for an IPv6 address), without the port.
std::string_view hostOf(std::string_view address);
// "name.m3u": the last part of the path, without query and fragment.
std::string_view fileNameOf(std::string_view address);

// The message where an address of another scheme would be stored.
inline constexpr std::string_view kRefusedScheme =
    "不支持这种地址：只能使用 http、https、ftp、mms、rtsp、rtmp 等"
    "媒体和网页地址，或本机文件。";

}  // namespace kw::address
