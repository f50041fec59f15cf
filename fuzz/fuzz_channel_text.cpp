// The channel text reader: every value comes cleaned (valid UTF-8, within its
// limit in characters, no blank at either end), and what it read, written
// and read again, is the same records.
#include "FuzzSupport.h"
#include "core/base/Error.h"
#include "core/base/TextCodec.h"
#include "core/exchange/ChannelTextFile.h"

#include <array>
#include <vector>

using namespace kw;

namespace {

namespace fs = std::filesystem;

std::array<const std::string*, 11> valuesOf(const ChannelTextRecord& r) {
    return {&r.class0, &r.class1, &r.class2, &r.class3, &r.name,  &r.url,
            &r.link,   &r.memo,   &r.type,   &r.speed,  &r.marker};
}

std::vector<ChannelTextRecord> readAll(const fs::path& file) {
    ChannelTextReader reader(file);
    std::vector<ChannelTextRecord> records;
    do {
        reader.read(records.emplace_back());
    } while (!reader.atEnd());
    return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& dir = fuzz::Scratch::fresh();
    fuzz::writeFile(dir / "in.txt", std::string_view(reinterpret_cast<const char*>(data), size));
    const std::vector<ChannelTextRecord> records = readAll(dir / "in.txt");

    std::string written;
    for (const ChannelTextRecord& record : records) {
        const auto values = valuesOf(record);
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::string& value = *values[i];
            fuzz::check(text::sanitizeUtf8(value) == value, "a value is valid UTF-8");
            fuzz::check(text::trimBlanks(value) == value, "a value has no blank at either end");
            const std::size_t limit = i < kChannelTextLimits.size() ? kChannelTextLimits[i] : 1;
            fuzz::check(text::charCount(value) <= limit, "a value keeps its limit");
        }
        written += encodeChannelRecord(record);
    }
    fuzz::writeFile(dir / "out.txt", written);
    const std::vector<ChannelTextRecord> again = readAll(dir / "out.txt");
    fuzz::check(again.size() == records.size(), "written records read back as many");
    for (std::size_t r = 0; r < records.size(); ++r) {
        const auto before = valuesOf(records[r]);
        const auto after = valuesOf(again[r]);
        for (std::size_t i = 0; i < before.size(); ++i)
            fuzz::check(*before[i] == *after[i], "a written record reads back the same");
    }
    return 0;
}
