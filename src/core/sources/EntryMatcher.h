#pragma once

#include "core/store/ChannelStore.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace kw {

class YieldHook;

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
// so the entries are matched in rounds, each among the channels of the
// entry's id that no entry took yet: first every entry whose address a
// channel has, then every entry whose title one has, then the rest in the
// order the channels were stored. An entry moved within the list, or a new
// one among repeats, then leaves the others where they are.
class EntryMatcher {
public:
    // Hands the window its turns through yield while it indexes.
    EntryMatcher(std::vector<SourceEntry> known, YieldHook& yield);

    // The channel an entry came from, taken from now on; nullptr when the
    // round finds none. Each entry is offered to the rounds in their order.
    const SourceEntry* takeByAddress(std::string_view entryId, std::string_view address);
    const SourceEntry* takeByName(std::string_view entryId, std::string_view name);
    const SourceEntry* takeAny(std::string_view entryId);
    // A last round for an entry without an id of the list's own (its id is
    // its address, so a new address is a new id): the untaken channel of that
    // title that had no such id either.
    const SourceEntry* takeUnidentifiedByName(std::string_view name);
    // The known channels, in the order they were stored.
    const std::vector<SourceEntry>& known() const { return known_; }
    // The known channels no entry took, in the order they were stored.
    std::vector<const SourceEntry*> untaken() const;

private:
    // One round's index: a hash of the id and the round's part beside each
    // channel's position, sorted, so a catalogue-sized list costs one array.
    struct Index {
        Index(SeenParts::Part indexed, bool keyed, bool unidentified = false)
            : part(indexed), withPart(keyed), unidentifiedOnly(unidentified) {}
        SeenParts::Part part;
        bool withPart;          // false: by id alone
        bool unidentifiedOnly;  // by the part alone, among channels whose id is their address
        bool built = false;
        std::vector<std::pair<std::uint64_t, std::size_t>> slots;
    };
    void build(Index& index);
    std::string_view partOf(const Index& index, const SourceEntry& entry) const;
    static std::string_view idOf(const Index& index, std::string_view entryId);
    const SourceEntry* take(Index& index, std::string_view entryId, std::string_view part);

    YieldHook& yield_;
    std::vector<SourceEntry> known_;
    std::vector<bool> taken_;
    Index byAddress_{SeenParts::Address, true}, byName_{SeenParts::Name, true}, byId_{SeenParts::Name, false},
        unidentifiedByName_{SeenParts::Name, true, true};
};

}  // namespace kw
