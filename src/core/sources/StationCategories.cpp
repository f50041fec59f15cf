#include "core/sources/StationCategories.h"

#include "core/base/AddressRules.h"
#include "core/base/AsciiText.h"
#include "core/base/TextCodec.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/sources/DocumentFetch.h"

#include <array>
#include <initializer_list>

namespace kw {

namespace {

struct Category {
    std::string_view name;
    std::initializer_list<std::string_view> words;
};

// Within one tag the more particular kinds come first, so "sports talk" is
// 体育 and "business news" 财经, while "talk" alone is 新闻.
const std::array<Category, 11> kContents{{
    {"体育", {"sport", "sports", "football", "soccer", "baseball", "basketball", "hockey", "cricket"}},
    {"宗教",
     {"religion", "religious", "christian", "catholic", "islam", "islamic", "quran", "gospel", "church",
      "bible", "worship", "buddhist", "buddhism"}},
    {"财经", {"business", "finance", "financial", "economy", "economics"}},
    {"交通", {"traffic"}},
    {"科教", {"education", "educational", "science"}},
    {"文艺", {"culture", "cultural", "arts", "literature", "poetry"}},
    {"戏剧", {"opera", "theatre", "theater", "drama"}},
    {"娱乐", {"comedy", "entertainment", "humor"}},
    {"生活", {"lifestyle", "health"}},
    {"新闻", {"news", "talk", "information", "politics", "current affairs"}},
    {"音乐", {"music",   "musica",   "musik",  "jazz",       "rock",        "pop",       "classical",
              "dance",   "blues",    "metal",  "electronic", "hits",        "oldies",    "country",
              "folk",    "soul",     "funk",   "disco",      "house",       "techno",    "trance",
              "ambient", "chillout", "lounge", "reggae",     "rap",         "hip hop",   "hiphop",
              "r&b",     "rnb",      "punk",   "indie",      "alternative", "schlager",  "latin",
              "edm",     "top 40",   "80s",    "90s",        "70s",         "60s",       "instrumental",
              "kpop",    "jpop",     "cpop",   "mandopop",   "cantopop",    "love songs"}},
}};

// Cantonese before Chinese: "cantonese chinese" is 粤语.
const std::array<Category, 5> kLanguages{{
    {"粤语", {"cantonese", "yue", "粤语", "廣東話", "广东话"}},
    {"普通话", {"chinese", "mandarin", "putonghua", "普通话", "中文", "汉语", "國語", "国语"}},
    {"英语", {"english"}},
    {"法语", {"french", "français"}},
    {"日语", {"japanese", "日本語", "日语"}},
}};

constexpr std::string_view kOther = "其它";

bool isWordBreak(char c) { return c == ' ' || c == '-' || c == '/' || c == '_' || c == '&'; }

// Whether the value is one of the words, or has one of them as a word of its own.
bool names(std::string_view value, std::initializer_list<std::string_view> words) {
    for (const std::string_view word : words) {
        if (value == word) return true;
    }
    while (!value.empty()) {
        std::size_t end = 0;
        while (end < value.size() && !isWordBreak(value[end])) ++end;
        for (const std::string_view word : words) {
            if (value.substr(0, end) == word) return true;
        }
        value.remove_prefix(std::min(end + 1, value.size()));
    }
    return false;
}

template <std::size_t N>
std::string_view firstNamed(const std::vector<std::string>& values, const std::array<Category, N>& table,
                            std::string_view none) {
    for (const std::string& value : values) {
        for (const Category& category : table) {
            if (names(value, category.words)) return category.name;
        }
    }
    return none;
}

// Country codes by region, blank-separated: a code found is a whole code.
constexpr std::string_view kSoutheastAsia = "BN KH ID LA MY MM PH SG TH VN TL";
constexpr std::string_view kEurope =
    "AD AL AT AX BA BE BG BY CH CY CZ DE DK EE ES FI FO FR GB GG GI GR HR HU IE IM IS IT JE LI LT LU LV MC "
    "MD "
    "ME MK MT NL NO PL PT RO RS RU SE SI SJ SK SM UA VA XK";
constexpr std::string_view kAmericas =
    "US CA MX GL PM BM BZ CR SV GT HN NI PA AG AI AW BB BL BQ BS CU CW DM DO GD GP HT JM KN KY LC MF MQ MS "
    "PR "
    "SX TC TT VC VG VI AR BO BR CL CO EC FK GF GY PE PY SR UY VE";

}  // namespace

std::string_view contentCategory(const std::vector<std::string>& tags) {
    return firstNamed(tags, kContents, "综合");
}

std::string_view regionCategory(std::string_view countryCode) {
    const std::string code = ascii::upper(text::trimBlanks(countryCode));
    if (code.size() != 2 || !ascii::isLetter(code[0]) || !ascii::isLetter(code[1])) return kOther;
    if (code == "CN") return "中国大陆";
    if (code == "HK" || code == "MO" || code == "TW") return "中国港澳台";
    if (code == "JP" || code == "KR") return "日韩";
    if (kSoutheastAsia.find(code) != std::string_view::npos) return "东南亚";
    if (kEurope.find(code) != std::string_view::npos) return "欧洲";
    if (kAmericas.find(code) != std::string_view::npos) return "美洲";
    return kOther;
}

std::string_view languageCategory(const std::vector<std::string>& languages) {
    return firstNamed(languages, kLanguages, kOther);
}

std::string stationFormat(const RadioStation& station) {
    const std::string codec = ascii::upper(text::trimBlanks(station.codec));
    if (station.hls) return "HLS";
    if (codec.empty() || codec == "UNKNOWN") return PlaylistExchange::streamFormat(station.address);
    return cleanChannelValue(codec, kChannelTextLimits[8]);
}

PlaylistExchange::ListedChannel stationRecord(const RadioStation& station) {
    PlaylistExchange::ListedChannel listed;
    ChannelRecord& record = listed.record;
    record.class0 = PlaylistExchange::kRadioCategory;
    record.class1 = contentCategory(station.tags);
    record.class2 = regionCategory(station.countryCode);
    record.class3 = languageCategory(station.languages);
    record.name = cleanChannelValue(station.name, kChannelTextLimits[4]);
    listed.url = station.address;
    // The related site is opened on the desktop: a web page, never a file.
    if (address::isWebAddress(station.homepage) && address::isAllowedAddress(station.homepage) &&
        text::charCount(station.homepage) <= kChannelTextLimits[6])
        record.link = station.homepage;

    std::string memo =
        "[直播][全天][" + record.class1 + "类广播电台，" + record.class2 + "，" + record.class3 + "]";
    // The directory's own words: a category such as 欧洲 or 其它 does not name the country.
    const std::string country =
        station.country.empty()
            ? station.countryCode
            : station.country + (station.countryCode.empty() ? "" : "（" + station.countryCode + "）");
    if (!country.empty()) memo += "\r\n国家/地区：" + country;
    if (!station.languages.empty()) {
        memo += "\r\n语言：";
        for (std::size_t i = 0; i < station.languages.size(); ++i)
            memo.append(i > 0 ? ", " : "").append(station.languages[i]);
    }
    if (!station.tags.empty()) {
        memo += "\r\n标签：";
        for (std::size_t i = 0; i < station.tags.size(); ++i)
            memo.append(i > 0 ? ", " : "").append(station.tags[i]);
    }
    record.memo = text::cutToChars(memo, kChannelTextLimits[7]);

    record.type = stationFormat(station);
    if (station.bitrate > 0) record.speed = std::to_string(station.bitrate);

    listed.entryId = playlistEntryId(station.uuid, station.address);
    listed.seen = PlaylistExchange::seenOf(listed);
    return listed;
}

}  // namespace kw
