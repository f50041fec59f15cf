#include "core/speed/SpeedSlots.h"

#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/browser/DeadChannels.h"
#include "core/speed/SlotPlayer.h"
#include "core/speed/SpeedChannelSet.h"
#include "core/store/ChannelStore.h"

namespace kw {

SpeedSlots::SpeedSlots(SpeedChannels& slots, SpeedChannelSet& set, SlotPlayer& player,
                       const ChannelStore& store, const DeadChannels& dead)
    : slots_(slots), set_(set), player_(player), store_(store), dead_(dead) {}

SpeedSlotStates SpeedSlots::states() const {
    SpeedSlotStates states;
    for (int slot = 1; slot <= SpeedChannels::kSlotCount; ++slot) {
        const std::string& name = slots_.name(slot);
        states[static_cast<std::size_t>(slot - 1)] = {name, slots_.pressed(slot),
                                                      !name.empty() && dead_.contains(name)};
    }
    return states;
}

const std::string& SpeedSlots::openSetHint() const { return set_.openHint(); }

std::string_view SpeedSlots::SpeedChannelMouseMove(int slot) const { return slots_.hoverText(slot); }

void SpeedSlots::SpeedChannelClick(int slot) {
    if (!store_.isOpen()) throw Error(std::string(ChannelStore::kNotOpen));
    player_.SpeedChannelClick(slot);
}

void SpeedSlots::SpeedChannelSaveClick() { set_.SpeedChannelSaveClick(); }

void SpeedSlots::SpeedChannelOpenClick() { set_.SpeedChannelOpenClick(); }

void SpeedSlots::loadSpeedChannelSet() { set_.loadAtStartup(); }

void SpeedSlots::saveChangedSpeedChannels() {
    if (slots_.dirty()) set_.saveOnExit();
}

const std::string& SpeedSlots::name(int slot) const { return slots_.name(slot); }

void SpeedSlots::followRename(std::string_view from, std::string_view to) {
    for (int slot = 1; slot <= SpeedChannels::kSlotCount; ++slot) {
        if (!ascii::equalIgnoringCase(slots_.name(slot), from)) continue;
        slots_.setName(slot, std::string(to));
        slots_.setDirty(true);
    }
}

}  // namespace kw
