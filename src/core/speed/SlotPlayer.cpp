#include "core/speed/SlotPlayer.h"

#include "core/actions/ChannelOpener.h"
#include "core/speed/SpeedChannels.h"

#include <string>

namespace kw {

bool SlotPlayer::actPlayChannelExecute(std::string_view name) {
    if (!opener_.OpenChannel(name, OpenMode::Play)) return false;
    slots_.markPlayed(name);
    return true;
}

void SlotPlayer::SpeedChannelClick(int slot) {
    if (!slots_.click(slot)) return;
    // The name is copied: the play may ask for a password before it is read.
    const std::string name = slots_.name(slot);
    if (!opener_.OpenChannel(name, OpenMode::Play)) slots_.playRefused(slot);
}

}  // namespace kw
