// The radio directory's answers: any bytes are read as stations, or refused
// with the user's text; what the cleaning keeps has valid UTF-8, a web
// address the desktop may be handed, no control character in it, and becomes
// a channel record within the catalogue's limits. The lists for the filters
// are read the same way.
#include "FuzzSupport.h"
#include "core/base/AddressRules.h"
#include "core/base/Error.h"
#include "core/base/TextCodec.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/sources/RadioStation.h"
#include "core/sources/StationCategories.h"
#include "core/sources/StationCleaning.h"

using namespace kw;

namespace {

void checkRecord(const ChannelRecord& record) {
    const std::string* fields[] = {&record.class0, &record.class1, &record.class2, &record.class3,
                                   &record.name,   nullptr,        &record.link,   &record.memo,
                                   &record.type,   &record.speed};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (fields[i] == nullptr) continue;
        fuzz::check(text::sanitizeUtf8(*fields[i]) == *fields[i], "a record's field is valid UTF-8");
        fuzz::check(text::charCount(*fields[i]) <= kChannelTextLimits[i], "a record's field keeps its limit");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    try {
        std::vector<RadioStation> stations = parseStations(answer);
        cleanStations(stations);
        for (const RadioStation& station : stations) {
            fuzz::check(text::sanitizeUtf8(station.name) == station.name, "a name is valid UTF-8");
            fuzz::check(address::isWebAddress(station.address) && address::isAllowedAddress(station.address),
                        "a kept address is a web address the desktop may open");
            for (const char c : station.address)
                fuzz::check(static_cast<unsigned char>(c) > 0x20 && c != 0x7F, "an address holds no blank");
            const PlaylistExchange::ListedChannel listed = stationRecord(station);
            fuzz::check(listed.url == station.address, "the channel keeps the station's address");
            checkRecord(listed.record);
        }
    } catch (const Error&) {
        // Refused with the user's text: the answer was cut short or no list of stations.
    }
    try {
        for (const DirectoryFacet& facet : parseFacets(answer))
            fuzz::check(text::sanitizeUtf8(facet.name) == facet.name, "a facet is valid UTF-8");
    } catch (const Error&) {
    }
    return 0;
}
