#pragma once

#include <string>

namespace kw {

class ChannelStore;

// The about page's count line "系统 S个 + 自添 U个 = T个": system channels,
// the user's own channels and their sum (the settings row never counts).
std::string channelCountLine(ChannelStore& store);

}  // namespace kw
