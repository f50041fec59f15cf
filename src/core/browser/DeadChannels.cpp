#include "core/browser/DeadChannels.h"

#include "core/base/AsciiText.h"
#include "core/base/TextCodec.h"
#include "core/browser/ChannelTree.h"
#include "core/store/ChannelStore.h"

#include <algorithm>

namespace kw {

ChannelState channelStateOf(const std::optional<StoredCheck>& check) {
    if (!check) return ChannelState::Unchecked;
    return check->failures >= kFailuresOfADeadChannel ? ChannelState::Dead : ChannelState::Alive;
}

std::optional<ChannelState> channelStateNamed(std::string_view word) {
    if (word == "alive") return ChannelState::Alive;
    if (word == "dead") return ChannelState::Dead;
    if (word == "unchecked") return ChannelState::Unchecked;
    return std::nullopt;
}

std::string DeadChannels::keyOf(std::string_view name) { return ascii::lower(text::trimBlanks(name)); }

void DeadChannels::reload(ChannelStore& store) {
    std::unordered_map<std::string, std::string> reasons;
    store.forEachFailingChannel(kFailuresOfADeadChannel,
                                [&](std::string_view name, const StoredCheck& check) {
                                    reasons.emplace(keyOf(name), check.reasonCode);
                                });
    std::unordered_set<std::string> gone;
    store.forEachGoneChannel([&](std::string_view name) {
        std::string key = keyOf(name);
        reasons.insert_or_assign(key, std::string(kGoneFromSource));
        gone.insert(std::move(key));
    });
    gone_ = std::move(gone);
    const bool changed = reasons != reasons_;
    reasons_ = std::move(reasons);
    if (changed) notify();
}

void DeadChannels::clear() {
    gone_.clear();
    if (reasons_.empty()) return;
    reasons_.clear();
    notify();
}

void DeadChannels::follow(ChannelStore& store, std::span<const std::string> names) {
    bool changed = false;
    for (const std::string& name : names) {
        const std::optional<StoredCheck> check = store.readCheck(name);
        std::string key = keyOf(name);
        if (gone_.contains(key)) continue;  // its list's mark stands whatever a check says
        if (channelStateOf(check) == ChannelState::Dead) {
            changed = reasons_.insert_or_assign(std::move(key), check->reasonCode).second || changed;
        } else {
            changed = reasons_.erase(key) > 0 || changed;
        }
    }
    if (changed) notify();
}

bool DeadChannels::contains(std::string_view name) const {
    return !reasons_.empty() && reasons_.contains(keyOf(name));
}

std::string_view DeadChannels::reasonOf(std::string_view name) const {
    if (reasons_.empty()) return {};
    const auto found = reasons_.find(keyOf(name));
    return found == reasons_.end() ? std::string_view() : std::string_view(found->second);
}

void DeadChannels::watch(TreeObserver* observer) { observers_.push_back(observer); }

void DeadChannels::unwatch(TreeObserver* observer) { std::erase(observers_, observer); }

void DeadChannels::notify() {
    for (TreeObserver* observer : std::vector(observers_)) observer->marksChanged();
}

}  // namespace kw
