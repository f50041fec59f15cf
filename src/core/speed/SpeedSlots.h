#pragma once

#include "core/speed/SpeedChannels.h"

#include <array>
#include <string>
#include <string_view>

namespace kw {

class ChannelStore;
class DeadChannels;
class SlotPlayer;
class SpeedChannelSet;

// One speed-channel slot as its button shows it.
struct SpeedSlotState {
    std::string name;  // the tooltip; empty when unassigned
    bool pressed = false;
    bool dead = false;  // its channel's last two checks failed
};

using SpeedSlotStates = std::array<SpeedSlotState, SpeedChannels::kSlotCount>;

// The 22 speed-channel slots and their set files, as the slot bar and kwave
// use them.
class SpeedSlots {
public:
    SpeedSlots(SpeedChannels& slots, SpeedChannelSet& set, SlotPlayer& player, const ChannelStore& store,
               const DeadChannels& dead);

    SpeedSlotStates states() const;
    // The set Open button's hint.
    const std::string& openSetHint() const;
    std::string_view SpeedChannelMouseMove(int slot) const;

    // A click on slot 1..22: plays its channel when the click pressed it (the
    // child lock applies). kw::Error while the database is not open.
    void SpeedChannelClick(int slot);
    void SpeedChannelSaveClick();
    void SpeedChannelOpenClick();
    // Loads the set in use, as start-up does (kwave has no start-up).
    void loadSpeedChannelSet();
    // A channel was renamed: the slots holding it hold the new name, saved as a change.
    void followRename(std::string_view from, std::string_view to);
    // Saves changed slots to SCS/Temp.scs, as the exit does.
    void saveChangedSpeedChannels();
    // The name in slot 1..22; empty when unassigned.
    const std::string& name(int slot) const;

private:
    SpeedChannels& slots_;
    SpeedChannelSet& set_;
    SlotPlayer& player_;
    const ChannelStore& store_;
    const DeadChannels& dead_;
};

}  // namespace kw
