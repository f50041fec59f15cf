#pragma once

#include "core/ports/ProbeReasons.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kw {

class ChannelStore;
class TreeObserver;
struct StoredCheck;

// What the checks kept so far say of a channel.
enum class ChannelState { Unchecked, Alive, Dead };

// A channel is dead once its last two checks failed: one failure may be a
// moment's trouble of the network.
inline constexpr int kFailuresOfADeadChannel = 2;
ChannelState channelStateOf(const std::optional<StoredCheck>& check);
// kwave's words for the states: "alive", "dead", "unchecked"; none for another word.
std::optional<ChannelState> channelStateNamed(std::string_view word);

// The reason code of a channel whose subscription's list no longer has it.
inline constexpr std::string_view kGoneFromSource = probeReasonEntry(ProbeReason::GoneFromSource).code;

// The dead channels as the tree marks them, with the reason of the last
// check (or kGoneFromSource for a channel its list no longer has): by name with ASCII case ignored and blanks
// at either end trimmed, as the tree's leaves read. Loaded from the database and followed as checks are kept;
// the tree's watchers hear when a mark changes.
class DeadChannels {
public:
    void reload(ChannelStore& store);
    void clear();
    // Reads the kept checks of these channels again and tells the watchers
    // when a mark changed.
    void follow(ChannelStore& store, std::span<const std::string> names);

    bool empty() const { return reasons_.empty(); }
    std::size_t size() const { return reasons_.size(); }
    bool contains(std::string_view name) const;
    // The reason code of the dead channel's last check; empty when it is not dead.
    std::string_view reasonOf(std::string_view name) const;

    void watch(TreeObserver* observer);
    void unwatch(TreeObserver* observer);

private:
    static std::string keyOf(std::string_view name);
    void notify();

    std::unordered_map<std::string, std::string> reasons_;  // key -> reason code
    std::unordered_set<std::string> gone_;                  // keys of channels their lists no longer have
    std::vector<TreeObserver*> observers_;
};

}  // namespace kw
