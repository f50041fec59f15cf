#pragma once

#include <string_view>

namespace kw {

class ChannelOpener;
class SpeedChannels;

// Plays channels for the Play command and the slot buttons, and keeps the
// slots' pressed state in step with what was played.
class SlotPlayer {
public:
    SlotPlayer(ChannelOpener& opener, SpeedChannels& slots) : opener_(opener), slots_(slots) {}

    // The Play command: plays the channel and, when it played, marks the first
    // slot holding it. Returns whether it played.
    bool actPlayChannelExecute(std::string_view name);
    // A click on slot 1..22: plays its channel when the click pressed it, and
    // releases the slot again when the password was refused.
    void SpeedChannelClick(int slot);

private:
    ChannelOpener& opener_;
    SpeedChannels& slots_;
};

}  // namespace kw
