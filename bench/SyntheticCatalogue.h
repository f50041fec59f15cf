#pragma once

// Catalogues spread like a real one: 8 main categories, about 20 content
// classes, 10 regions, 8 languages, a few data issues, unique names, some
// favourites, user channels and locked channels.

#include "core/store/ChannelStore.h"

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kw::bench {

inline std::vector<ChannelListing> syntheticCatalogue(std::size_t count, std::uint32_t seed = 42) {
    static constexpr std::array<const char*, 7> kCategories{
        "B电视台", "C广播电台", "D在线电影", "E最新专题", "Flash精品", "G远程教育", "H精选网址"};
    static constexpr std::array<const char*, 20> kContent{
        "综合", "新闻", "娱乐", "体育", "音乐", "电影", "电视剧", "财经", "教育", "少儿",
        "科技", "旅游", "生活", "戏曲", "动漫", "军事", "健康",   "文化", "交通", "MTV"};
    static constexpr std::array<const char*, 10> kRegions{"中国大陆", "香港",   "台湾", "欧美", "日本",
                                                          "韩国",     "东南亚", "澳洲", "非洲", "其它地区"};
    static constexpr std::array<const char*, 8> kLanguages{"普通话", "粤语", "英语", "日语",
                                                           "韩语",   "法语", "德语", "其它语言"};
    static constexpr std::array<const char*, 6> kIssues{"2025.06", "2025.09", "2025.12",
                                                        "2026.03", "2026.06", "2026.12"};
    static constexpr std::array<const char*, 24> kSyllables{
        "凤凰", "卫视", "之声", "频道",  "音乐", "新闻", "都市", "经济", "交通", "文艺", "天空", "阳光",
        "CCTV", "FM",   "TV",   "Radio", "海峡", "东方", "星空", "环球", "城市", "影院", "在线", "教育"};

    std::mt19937 random(seed);
    const auto pick = [&](const auto& list) { return list[random() % list.size()]; };
    std::vector<ChannelListing> rows;
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        ChannelListing row;
        // The first main category gets a double share, as television does in a real catalogue.
        const std::size_t category = random() % (kCategories.size() + 1);
        row.class0 = kCategories[category == kCategories.size() ? 0 : category];
        row.class1 = random() % 20 == 0 ? "" : pick(kContent);
        row.class2 = random() % 20 == 0 ? "" : pick(kRegions);
        row.class3 = random() % 10 == 0 ? "" : pick(kLanguages);
        const bool user = random() % 10 == 0;
        row.vol = user ? "User" : pick(kIssues);
        row.name = std::string(pick(kSyllables)) + pick(kSyllables) + " " + std::to_string(i);
        row.favorited = random() % 100 == 0 ? 1 : 0;
        row.locked = random() % 50 == 0 ? 1 : 0;
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace kw::bench
