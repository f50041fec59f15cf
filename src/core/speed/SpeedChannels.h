#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kw {

class UiPort;

// The 22 speed-channel slots: the channel name each holds (empty when
// unassigned) and which one, if any, is pressed. The slots form one group in
// which at most one is pressed and all may be released. Slots are numbered
// 1 to 22; other numbers throw kw::Error.
class SpeedChannels {
public:
    static constexpr int kSlotCount = 22;
    static constexpr std::string_view kEmptySlotHint = "[空]快捷频道";

    const std::string& name(int slot) const;
    bool pressed(int slot) const;
    // The pressed slot, 0 when none is.
    int pressedSlot() const { return pressed_; }

    // Replaces a slot's name (loading a set); pressed states and the dirty
    // flag stay as they are.
    void setName(int slot, std::string name);

    // Assigns `channel` to `slot`, asking first about the first conflict in
    // slot order: the target slot holding another channel (replace) or any
    // slot already holding this channel (duplicate). No to either changes
    // nothing. Returns whether the slot was assigned; assigning sets the dirty
    // flag and presses or releases nothing. An empty channel is never assigned.
    bool assign(int slot, std::string_view channel, UiPort& ui);

    // A click on a slot: toggles it within the group, releases it again when
    // it is empty. Returns true when its channel is to be played now (the
    // slot is pressed and holds a channel); clicking the pressed slot only
    // releases it.
    bool click(int slot);
    // The play started by click() was refused (password cancelled).
    void playRefused(int slot);

    // The information line while the mouse is over a slot.
    std::string_view hoverText(int slot) const;

    // After the Play command: presses the first slot whose name equals the
    // played name byte for byte and releases all others; none matching
    // releases all.
    void markPlayed(std::string_view played);

    bool dirty() const { return dirty_; }
    void setDirty(bool dirty) { dirty_ = dirty; }

    static std::string replaceQuestion(int slot, std::string_view current);
    static std::string duplicateQuestion(std::string_view channel, int heldIn);
    static constexpr std::string_view kReplaceCaption = "是否重新设置快捷频道";
    static constexpr std::string_view kDuplicateCaption = "是否重复设置快捷频道";

private:
    static std::size_t index(int slot);

    std::array<std::string, kSlotCount> names_;
    int pressed_ = 0;
    bool dirty_ = false;
};

}  // namespace kw
