#include "core/speed/SpeedChannels.h"

#include "core/base/Error.h"
#include "core/ports/UiPort.h"

#include <string>
#include <utility>

namespace kw {

std::size_t SpeedChannels::index(int slot) {
    if (slot < 1 || slot > kSlotCount) {
        throw Error("Speed-channel slot " + std::to_string(slot) + " is not 1 to 22");
    }
    return static_cast<std::size_t>(slot - 1);
}

const std::string& SpeedChannels::name(int slot) const { return names_[index(slot)]; }

bool SpeedChannels::pressed(int slot) const {
    index(slot);
    return pressed_ == slot;
}

void SpeedChannels::setName(int slot, std::string name) { names_[index(slot)] = std::move(name); }

std::string SpeedChannels::replaceQuestion(int slot, std::string_view current) {
    return "您的目标快捷频道 " + std::to_string(slot) + " 已经设置为 \"" + std::string(current) + "\"" +
           "\r\n\r\n" + "\r\n\r\n" + "    选择 “是”   进行重新指定；" + "\r\n\r\n" +
           "    选择 “否”   取消指定。";
}

std::string SpeedChannels::duplicateQuestion(std::string_view channel, int heldIn) {
    return "您选择的 “" + std::string(channel) + "” 频道已经指定到 “快捷频道 " + std::to_string(heldIn) +
           "”" + "\r\n\r\n" + "\r\n\r\n" + "    选择 “是”   进行重复指定；" + "\r\n\r\n" +
           "    选择 “否”   取消指定。";
}

bool SpeedChannels::assign(int slot, std::string_view channel, UiPort& ui) {
    const std::size_t target = index(slot);
    if (channel.empty()) return false;
    for (int i = 1; i <= kSlotCount; ++i) {
        const std::string& held = names_[index(i)];
        if (i == slot && !held.empty() && held != channel) {
            if (!ui.AskYesNo(kReplaceCaption, replaceQuestion(slot, held))) return false;
            break;
        }
        if (held == channel) {
            if (!ui.AskYesNo(kDuplicateCaption, duplicateQuestion(channel, i))) return false;
            break;
        }
    }
    names_[target] = channel;
    dirty_ = true;
    return true;
}

bool SpeedChannels::click(int slot) {
    const std::size_t at = index(slot);
    pressed_ = pressed_ == slot ? 0 : slot;
    if (names_[at].empty()) pressed_ = 0;
    return pressed_ == slot;
}

void SpeedChannels::playRefused(int slot) {
    index(slot);
    if (pressed_ == slot) pressed_ = 0;
}

std::string_view SpeedChannels::hoverText(int slot) const {
    const std::string& held = names_[index(slot)];
    return held.empty() ? kEmptySlotHint : std::string_view(held);
}

void SpeedChannels::markPlayed(std::string_view played) {
    pressed_ = 0;
    if (played.empty()) return;
    for (int i = 1; i <= kSlotCount; ++i) {
        if (names_[index(i)] == played) {
            pressed_ = i;
            return;
        }
    }
}

}  // namespace kw
