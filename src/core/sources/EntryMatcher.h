#pragma once

#include "core/store/ChannelStore.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kw {

// The parts of what a list said of an entry (PlaylistExchange::seenOf).
struct SeenParts {
    enum Part { Name, Address, Class1, Class2, Class3 };
    std::array<std::string_view, 5> parts;
    explicit SeenParts(std::string_view seen);
    std::string_view operator[](Part part) const { return parts[part]; }
};

// Finds, for each entry of a list read again, the channel that came from it
// the last time. Real lists repeat an id (one channel in several qualities,
// or from several servers, under one tvg-id; one address under two groups),
// so the entries are matched in three rounds, each among the channels of
// the entry's id that no entry took yet: first every entry whose address a
// channel has, then every entry whose title one has, then the rest in the
// order the channels were stored. An entry moved within the list, or a new
// one among repeats, then leaves the others where they are.
class EntryMatcher {
public:
    explicit EntryMatcher(std::vector<SourceEntry> known);

    // The channel an entry came from, taken from now on; nullptr when the
    // round finds none. Each entry is offered to the rounds in their order.
    const SourceEntry* takeByAddress(std::string_view entryId, std::string_view address);
    const SourceEntry* takeByName(std::string_view entryId, std::string_view name);
    const SourceEntry* takeAny(std::string_view entryId);
    // The known channels no entry took, in the order they were stored.
    std::vector<const SourceEntry*> untaken() const;
    std::size_t size() const { return known_.size(); }

private:
    // Positions in known_, last first, so that the earliest is taken from the back.
    using Candidates = std::unordered_map<std::string, std::vector<std::size_t>>;
    const SourceEntry* takeFrom(Candidates& candidates, const std::string& key);
    // Indexes the channels not taken yet; the later rounds' indexes are made
    // only when a round needs them, as most refreshes find every entry at its address.
    void index(Candidates& candidates, const std::function<std::string(const SourceEntry&)>& keyOfEntry);

    std::vector<SourceEntry> known_;
    std::vector<bool> taken_;
    Candidates byAddress_, byName_, byId_;
    bool nameIndexed_ = false, idIndexed_ = false;
};

}  // namespace kw
