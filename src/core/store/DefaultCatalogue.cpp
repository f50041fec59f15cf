#include "core/store/DefaultCatalogue.h"

#include "core/base/AddressRules.h"
#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/TextCodec.h"

#include <array>
#include <fstream>
#include <unordered_set>

namespace kw {
namespace {

constexpr std::size_t kColumns = 10;
constexpr std::array<std::string_view, kColumns> kHeader{"class0", "class1", "class2", "class3", "name",
                                                         "url",    "link",   "memo",   "type",   "speed"};
// Widths of ci_Class0..3, ci_Name, ci_URL, ci_Link, ci_Memo, ci_Type, ci_Speed
// in characters.
constexpr std::array<std::size_t, kColumns> kWidths{20,  20,   20, 20, 100, address::kMaxAddressChars,
                                                    200, 2000, 30, 10};

std::vector<std::string> splitTabs(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.emplace_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

[[noreturn]] void fail(const std::filesystem::path& file, std::size_t lineNumber, const std::string& what) {
    throw Error("Invalid catalogue " + file.string() + " line " + std::to_string(lineNumber) + ": " + what);
}

}  // namespace

std::vector<CatalogueChannel> readCatalogue(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw Error("Cannot open catalogue " + file.string());

    std::vector<CatalogueChannel> channels;
    std::unordered_set<std::string> upperNames;
    std::string line;
    std::size_t lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (lineNumber == 1) {
            const auto header = splitTabs(text::stripUtf8Bom(line));
            if (!std::equal(header.begin(), header.end(), kHeader.begin(), kHeader.end())) {
                fail(file, lineNumber, "the header must name the columns class0 to speed");
            }
            continue;
        }
        if (line.empty()) continue;
        const auto fields = splitTabs(line);
        if (fields.size() != kColumns) {
            fail(file, lineNumber, "expected 10 columns, found " + std::to_string(fields.size()));
        }
        for (std::size_t column = 0; column < kColumns; ++column) {
            if (text::sanitizeUtf8(fields[column]) != fields[column]) {
                fail(file, lineNumber, std::string(kHeader[column]) + " is not valid UTF-8");
            }
            if (text::charCount(fields[column]) > kWidths[column]) {
                fail(file, lineNumber,
                     std::string(kHeader[column]) + " is longer than " + std::to_string(kWidths[column]) +
                         " characters");
            }
        }
        CatalogueChannel channel{fields[0], fields[1], fields[2], fields[3], fields[4],
                                 fields[5], fields[6], fields[7], fields[8], fields[9]};
        if (channel.class0.empty() || channel.name.empty() || channel.url.empty()) {
            fail(file, lineNumber, "class0, name and url are required");
        }
        if (!upperNames.insert(ascii::upper(channel.name)).second) {
            fail(file, lineNumber, "the name \"" + channel.name + "\" is taken (letter case ignored)");
        }
        channels.push_back(std::move(channel));
    }
    return channels;
}

}  // namespace kw
