#pragma once

#include "core/exchange/PlaylistExchange.h"
#include "core/sources/RadioStation.h"

#include <string>
#include <string_view>
#include <vector>

namespace kw {

// Where a directory station goes among the user's categories. Each takes
// the station's values as cleanStations leaves them (tags and languages
// lower-case, the country code upper-case).

// The content (class1): the first tag that names a kind of programme
// decides ("jazz" 音乐, "news" 新闻, "sports" 体育, ...); none is 综合.
std::string_view contentCategory(const std::vector<std::string>& tags);
// The region (class2) of an ISO 3166-1 country code: 中国大陆, 中国港澳台,
// 日韩, 东南亚, 欧洲, 美洲, else 其它.
std::string_view regionCategory(std::string_view countryCode);
// The language (class3): the first of the station's languages that maps
// decides (普通话, 粤语, 英语, 法语, 日语); none is 其它.
std::string_view languageCategory(const std::vector<std::string>& languages);

// The stream format the channel records and the player is told: HLS, the
// codec, else what the address tells.
std::string stationFormat(const RadioStation& station);

// The station as a radio channel of the catalogue: its address plain in
// `url` (not yet scrambled), its name not yet made unique, and its uuid as
// the entry's id, so that a later read of the directory finds it again.
PlaylistExchange::ListedChannel stationRecord(const RadioStation& station);

}  // namespace kw
