#pragma once

#include <string_view>

namespace kw {

// The channel format that marks a web page rather than a stream.
inline constexpr std::string_view kWebPageFormat = "网页";

// What the core needs from the desktop to hand a channel over: opening a
// document or address with the program the desktop associates with it, and
// opening a web address in the web browser. Both return whether the program
// could be started; neither waits for it.
class DesktopPort {
public:
    virtual ~DesktopPort() = default;

    // `format` is the channel's stream format (empty when unknown); it tells a
    // web page (kWebPageFormat) from a media stream.
    virtual bool openDocument(std::string_view target, std::string_view format) = 0;
    virtual bool openInBrowser(std::string_view address) = 0;
};

}  // namespace kw
