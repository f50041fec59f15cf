#include "core/store/ChannelStore.h"
#include "core/store/TextCollation.h"
#include "support/StoreFixture.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace kw {
namespace {

struct OrderCase {
    const char* a;
    const char* b;
    int sign;
};

class TextCollationTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(TextCollationTest, FoldsAsciiCaseAndSortsAsTheTree) {
    const int result = compareChannelText(GetParam().a, GetParam().b);
    EXPECT_EQ((result > 0) - (result < 0), GetParam().sign);
    const int back = compareChannelText(GetParam().b, GetParam().a);
    EXPECT_EQ((back > 0) - (back < 0), -GetParam().sign);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextCollationTest,
                         ::testing::Values(OrderCase{"News", "news", 0}, OrderCase{"USER", "User", 0},
                                           OrderCase{"Ａ", "ａ", 1},  // only ASCII folds
                                           OrderCase{"B电视台", "C广播电台", -1},
                                           OrderCase{"新闻", "财经", 1}, OrderCase{"Zoo", "阿", -1},
                                           OrderCase{"abc", "ABD", -1}));

class SchemaUpgradeTest : public test::StoreFixture {};

TEST_F(SchemaUpgradeTest, AnOlderFileGroupsClassesWithoutLetterCaseAndKeepsItsRows) {
    const auto file = programDir_ / ChannelStore::kFileName;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    for (const char* statement :
         {"create table ChannelInfo (ci_ID INTEGER PRIMARY KEY AUTOINCREMENT,ci_Class0 TEXT,ci_Class1 TEXT,"
          "ci_Class2 TEXT,ci_Class3 TEXT,ci_Name TEXT COLLATE NOCASE,ci_URL BLOB,ci_Link TEXT,ci_Memo TEXT,"
          "ci_Type TEXT,ci_Speed TEXT,ci_Rating INTEGER,ci_GroupID INTEGER,ci_Vol TEXT,"
          "ci_Favorited INTEGER DEFAULT 0,ci_Locked INTEGER DEFAULT 0)",
          "create unique index ChannelInfo_Name on ChannelInfo (ci_Name)",
          "insert into ChannelInfo (ci_ID,ci_Name,ci_GroupID,ci_Locked) values (1,'设置',0,2)",
          "insert into ChannelInfo (ci_ID,ci_Class0,ci_Class1,ci_Name,ci_GroupID,ci_Vol) values "
          "(7,'B电视台','News','a',2,'user'),(9,'B电视台','news','b',2,'User'),(12,'b电视台','综合','c',1,'"
          "0801')"}) {
        ASSERT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    }
    sqlite3_close(db);

    store_ = ChannelStore::open(file);
    EXPECT_EQ(store_->distinctMainCategories().size(), 1u);
    EXPECT_EQ(store_->distinctClassValues(1, "B电视台").size(), 2u);  // News and 综合
    EXPECT_EQ(store_->readChannelDetails("b").id, 9);
    EXPECT_EQ(store_->readSettingsRow().locked, 2);
    int exported = 0;
    store_->forEachUserChannel([&](const ChannelRecord&) { ++exported; });
    EXPECT_EQ(exported, 2);
    // A second open finds the file current and leaves it alone.
    store_.reset();
    store_ = ChannelStore::open(file);
    EXPECT_EQ(store_->countChannelsInGroup(2), 2);
}

}  // namespace
}  // namespace kw
