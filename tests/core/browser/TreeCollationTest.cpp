#include "core/browser/TreeCollation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace kw;

namespace {

std::vector<std::string> sorted(std::vector<std::string> texts) {
    TreeCollation collation;
    std::stable_sort(texts.begin(), texts.end(),
                     [&](const std::string& a, const std::string& b) { return collation.compare(a, b) < 0; });
    return texts;
}

}  // namespace

TEST(TreeCollation, CategoryRootsRunAToHWithLatinBeforeHanAndFlashBetweenEAndG) {
    EXPECT_EQ(sorted({"体育", "H精选网址", "G远程教育", "Flash精品", "E最新专题", "D在线电影", "C广播电台",
                      "B电视台", "A我的最爱", "综合"}),
              (std::vector<std::string>{"A我的最爱", "B电视台", "C广播电台", "D在线电影", "E最新专题",
                                        "Flash精品", "G远程教育", "H精选网址", "体育", "综合"}));
}

TEST(TreeCollation, HanSortsByPinyin) {
    EXPECT_EQ(sorted({"上海", "北京", "广州", "重庆"}),
              (std::vector<std::string>{"北京", "重庆", "广州", "上海"}));
}

TEST(TreeCollation, IsCaseSensitiveAndTotal) {
    TreeCollation collation;
    EXPECT_NE(collation.compare("cctv", "CCTV"), 0);
    EXPECT_EQ(collation.compare("cctv", "CCTV"), -collation.compare("CCTV", "cctv"));
    EXPECT_LT(collation.compare("CCTV", "CCTW"), 0);
    EXPECT_EQ(collation.compare("新闻", "新闻"), 0);
    // Texts the collator finds equal (a control character is ignorable) still differ.
    EXPECT_NE(collation.compare("a\x01"
                                "b",
                                "ab"),
              0);
}

TEST(TreeCollation, SortKeysAgreeWithCompare) {
    TreeCollation collation;
    const std::vector<std::string> texts{"Flash精品", "E最新专题", "北京",  "cctv",
                                         "CCTV",      "CCTV-10",   "CCTV-2"};
    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            std::string keyA;
            std::string keyB;
            collation.appendSortKey(a, keyA);
            collation.appendSortKey(b, keyB);
            const int byKey = keyA.compare(keyB);
            const int byCompare = collation.compare(a, b);
            if (byKey != 0) {
                EXPECT_EQ(byKey < 0, byCompare < 0) << a << " / " << b;
            }
        }
    }
}
