#include "core/base/Error.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/store/ChannelStore.h"
#include "support/ExpectError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;
using kw::ChannelRecord;
using kw::ChannelStore;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

ChannelRecord channel(std::string name, std::string class0 = "B电视台", std::string class1 = "综合") {
    ChannelRecord record;
    record.class0 = std::move(class0);
    record.class1 = std::move(class1);
    record.class2 = "中国大陆";
    record.class3 = "普通话";
    record.scrambledUrl = kw::scrambleText("mms://live.example/" + name, name);
    record.name = std::move(name);
    record.link = "http://example.cn/guide";
    record.memo = "[直播][全天][新闻]";
    record.type = "Windows Media";
    record.speed = "56";
    return record;
}

class ChannelStoreTest : public testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        dir_ = fs::temp_directory_path() / ("kw-store-" + std::to_string(random()));
        fs::create_directories(dir_);
        settings_.name = "Kestrel";
        settings_.scrambledType = kw::scrambleText("secret", "computer-key");
        settings_.rating = 3;  // so that a rating filter that forgot the group would list it
        settings_.locked = 1;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path databaseFile() const { return dir_ / ChannelStore::kFileName; }
    fs::path lockFile() const { return dir_ / ChannelStore::kLockFileName; }
    std::unique_ptr<ChannelStore> createStore() { return ChannelStore::create(databaseFile(), settings_); }

    std::vector<std::string> listedNames(ChannelStore& store, int ratingFilter) {
        std::vector<std::string> names;
        store.forEachListedChannel(ratingFilter,
                                   [&](const kw::ChannelListing& row) { names.push_back(row.name); });
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
    kw::SettingsRow settings_;
};

TEST_F(ChannelStoreTest, CreateWritesSettingsRowThatSurvivesReopen) {
    // Bytes that are no valid UTF-8 must come back unchanged.
    settings_.scrambledSpeed = std::string("\xFF\x80\xC0", 3);
    createStore().reset();
    auto store = ChannelStore::open(databaseFile());
    const kw::SettingsRow row = store->readSettingsRow();
    EXPECT_EQ(row.name, "Kestrel");
    EXPECT_EQ(row.scrambledType, settings_.scrambledType);
    EXPECT_EQ(row.scrambledSpeed, settings_.scrambledSpeed);
    EXPECT_EQ(row.locked, 1);
    EXPECT_EQ(kw::unscrambleText(row.scrambledType, "computer-key"), "secret");

    store->writeSettingsRow(2, std::string("\xC0\x80\xFE", 3));
    EXPECT_EQ(store->readSettingsRow().scrambledType, std::string("\xC0\x80\xFE", 3));
    EXPECT_EQ(store->readSettingsRow().locked, 2);
    EXPECT_EQ(store->readSettingsRow().scrambledSpeed, settings_.scrambledSpeed);
}

TEST_F(ChannelStoreTest, CreateRefusesAnExistingFileAndLeavesItAlone) {
    writeFile(databaseFile(), "keep me");
    EXPECT_ERROR("File exists", createStore());
    EXPECT_EQ(readFile(databaseFile()), "keep me");
}

struct BadFile {
    const char* label;
    const char* sqliteText;
    void (*make)(const fs::path& file);
};

class ChannelStoreOpenRefuses : public ChannelStoreTest, public testing::WithParamInterface<BadFile> {};

TEST_P(ChannelStoreOpenRefuses, WithSQLitesTextAndChangesNothing) {
    GetParam().make(databaseFile());
    const bool existed = fs::exists(databaseFile());
    const std::string before = existed && fs::is_regular_file(databaseFile()) ? readFile(databaseFile()) : "";

    try {
        ChannelStore::open(databaseFile());
        ADD_FAILURE() << "open succeeded";
    } catch (const kw::Error& error) {
        EXPECT_THAT(error.what(), HasSubstr(GetParam().sqliteText));
    }
    EXPECT_EQ(fs::exists(databaseFile()), existed);
    if (existed && fs::is_regular_file(databaseFile())) {
        EXPECT_EQ(readFile(databaseFile()), before);
    }
    EXPECT_FALSE(fs::exists(lockFile()));
    EXPECT_FALSE(fs::exists(databaseFile().string() + "-wal"));
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, ChannelStoreOpenRefuses,
    testing::Values(BadFile{"Missing", "unable to open database file", [](const fs::path&) {}},
                    BadFile{"TextFile", "file is not a database",
                            [](const fs::path& f) {
                                writeFile(f, "B电视台\nCCTV-1\nmms://x\n" + std::string(600, 'x'));
                            }},
                    BadFile{"EmptyFile", "no such table: ChannelInfo",
                            [](const fs::path& f) { writeFile(f, ""); }},
                    BadFile{"OtherDatabase", "no such table: ChannelInfo",
                            [](const fs::path& f) {
                                sqlite3* db = nullptr;
                                sqlite3_open(f.c_str(), &db);
                                sqlite3_exec(db, "create table Other (a)", nullptr, nullptr, nullptr);
                                sqlite3_close(db);
                            }},
                    BadFile{"Directory", "unable to open database file",
                            [](const fs::path& f) { fs::create_directory(f); }}),
    [](const testing::TestParamInfo<BadFile>& param) { return std::string(param.param.label); });

TEST_F(ChannelStoreTest, LockFileExistsExactlyWhileOpen) {
    auto store = createStore();
    EXPECT_TRUE(fs::exists(lockFile()));
    store->close();
    EXPECT_FALSE(store->isOpen());
    EXPECT_FALSE(fs::exists(lockFile()));
    EXPECT_FALSE(fs::exists(databaseFile().string() + "-wal"));  // closing checkpoints the log
    EXPECT_THAT([&] { store->readSettingsRow(); }, testing::Throws<kw::Error>());

    store->reopen();
    EXPECT_TRUE(store->isOpen());
    EXPECT_TRUE(fs::exists(lockFile()));
    EXPECT_EQ(store->readSettingsRow().name, "Kestrel");
    store.reset();
    EXPECT_FALSE(fs::exists(lockFile()));
}

TEST_F(ChannelStoreTest, NamesMatchAndCollideIgnoringLetterCase) {
    auto store = createStore();
    store->insertChannel(channel("CCTV-1综合"), 1, "2006-01");
    EXPECT_EQ(store->countChannelsByName("cctv-1综合"), 1);
    EXPECT_EQ(store->readChannelAddress("cctv-1综合").name, "CCTV-1综合");
    EXPECT_EQ(store->countChannelsByName("KESTREL"), 1);  // the settings row's name is taken too
    try {
        store->insertChannel(channel("cctv-1综合"), 2, "User");
        ADD_FAILURE() << "second name differing in case was stored";
    } catch (const kw::Error& error) {
        EXPECT_THAT(error.what(), HasSubstr("UNIQUE constraint failed"));
    }
}

TEST_F(ChannelStoreTest, NameWithSingleQuotesWorksInEveryStatement) {
    auto store = createStore();
    const std::string name = "It's O'Brien''s '); drop table ChannelInfo; --";
    store->insertChannel(channel(name), 2, "User");
    EXPECT_EQ(store->countChannelsByName(name), 1);
    store->setFavorited(name, 1);
    store->setRating(name, 5);
    store->setLocked(name, 1);

    const kw::ChannelDetails details = store->readChannelDetails(name);
    EXPECT_EQ(details.rating, 5);
    EXPECT_EQ(details.favorited, 1);
    EXPECT_EQ(details.locked, 1);
    EXPECT_EQ(details.groupId, 2);
    EXPECT_EQ(details.vol, "User");
    EXPECT_EQ(details.type, "Windows Media");
    EXPECT_EQ(details.speed, "56");
    EXPECT_EQ(details.memo, "[直播][全天][新闻]");
    EXPECT_EQ(store->readChannelPlacement(name).class2, "中国大陆");
    EXPECT_EQ(kw::unscrambleText(store->readChannelAddress(name).scrambledUrl, name),
              "mms://live.example/" + name);
    EXPECT_EQ(store->readStoredUrl(name), channel(name).scrambledUrl);

    ChannelRecord changed = channel(name, "C广播电台");
    store->updateChannelByName(changed, "User");
    EXPECT_EQ(store->readChannelForEdit(name).record.class0, "C广播电台");
    const std::int64_t id = store->readChannelForEdit(name).id;
    changed.name = name + "'";
    store->updateChannelById(id, changed);
    EXPECT_EQ(store->countChannelsByName(name), 0);
    store->deleteChannel(name + "'");
    EXPECT_EQ(store->countChannelsInGroup(2), 0);
}

TEST_F(ChannelStoreTest, ClassListsQuoteTheMainCategoryAndSkipTheSettingsRow) {
    auto store = createStore();
    store->insertChannel(channel("a", "B'电视台", "综合"), 1, "v");
    store->insertChannel(channel("b", "B'电视台", "娱乐"), 1, "v");
    store->insertChannel(channel("c", "B'电视台", "综合"), 2, "User");
    store->insertChannel(channel("d", "C广播电台", "新闻"), 1, "v");
    store->insertChannel(channel("e", "", "空"), 1, "v");  // empty text must match '' in the query

    EXPECT_THAT(store->distinctMainCategories(), ElementsAre("", "B'电视台", "C广播电台"));
    EXPECT_THAT(store->distinctClassValues(1, ""), ElementsAre("空"));
    EXPECT_THAT(store->distinctClassValues(1, "B'电视台"), ElementsAre("娱乐", "综合"));
    EXPECT_THAT(store->distinctClassValues(3, "B'电视台"), ElementsAre("普通话"));
    EXPECT_TRUE(store->distinctClassValues(1, "x') or (1=1) or ('").empty());
    EXPECT_ERROR("class column must be 1, 2 or 3", store->distinctClassValues(4, "B'电视台"));
}

TEST_F(ChannelStoreTest, ListingsFilterByRatingAndNeverShowTheSettingsRow) {
    auto store = createStore();  // the settings row has rating 3
    for (const char* name : {"one", "two", "three"}) store->insertChannel(channel(name), 1, "v");
    store->insertChannel(channel("mine"), 2, "User");
    store->setRating("ONE", 1);
    store->setRating("two", 5);
    EXPECT_THAT(listedNames(*store, 0), ElementsAre("mine", "one", "three", "two"));
    EXPECT_THAT(listedNames(*store, 1), ElementsAre("one"));
    EXPECT_THAT(listedNames(*store, 5), ElementsAre("two"));
    EXPECT_THAT(listedNames(*store, 3), ElementsAre("mine", "three"));
    EXPECT_TRUE(listedNames(*store, 2).empty());
    EXPECT_EQ(store->countChannelsInGroup(1), 3);
    EXPECT_EQ(store->countChannelsInGroup(2), 1);
}

TEST_F(ChannelStoreTest, MissingRowsReadAsEmptyTextAndZero) {
    auto store = createStore();
    EXPECT_EQ(store->readChannelDetails("nobody").id, 0);
    EXPECT_EQ(store->readChannelDetails("nobody").vol, "");
    EXPECT_EQ(store->readChannelAddress("nobody").scrambledUrl, "");
    EXPECT_EQ(store->readChannelPlacement("nobody").class0, "");
    EXPECT_EQ(store->readStoredUrl("nobody"), "");
    EXPECT_EQ(store->readChannelForEdit("nobody").id, 0);
    EXPECT_EQ(store->countChannelsByName("nobody"), 0);
    store->setRating("nobody", 1);  // matches nothing, reports nothing
    store->updateChannelByName(channel("nobody"), "User");
    EXPECT_EQ(store->countChannelsByName("nobody"), 0);

    // A database without its settings row (the row is no channel: no command deletes it).
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(databaseFile().c_str(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "delete from ChannelInfo where ci_GroupID=0", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    const kw::SettingsRow row = store->readSettingsRow();
    EXPECT_EQ(row.name, "");
    EXPECT_EQ(row.scrambledType, "");
    EXPECT_EQ(row.locked, 0);
}

TEST_F(ChannelStoreTest, ScrambledAddressIsStoredAsExactBytesInABlob) {
    auto store = createStore();
    ChannelRecord record = channel("中央台");
    record.scrambledUrl = kw::ScrambleText(kw::text::toGbk("mms://电台.cn/直播"),
                                           kw::text::toGbk(record.name), kw::ScrambleDirection::Scramble);
    store->insertChannel(record, 2, "User");
    EXPECT_EQ(store->readChannelAddress("中央台").scrambledUrl, record.scrambledUrl);
    EXPECT_EQ(store->readChannelForEdit("中央台").record.scrambledUrl, record.scrambledUrl);
    EXPECT_EQ(kw::unscrambleText(store->readStoredUrl("中央台"), "中央台"), "mms://电台.cn/直播");
    store.reset();

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(databaseFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "select typeof(ci_URL) from ChannelInfo where ci_GroupID=2", -1, &statement,
                       nullptr);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "blob");
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

TEST_F(ChannelStoreTest, UpdateByIdRenamesAndKeepsRatingAndFavourite) {
    auto store = createStore();
    store->insertChannel(channel("old"), 2, "User");
    store->setFavorited("old", 1);
    const ChannelStore::EditableChannel loaded = store->readChannelForEdit("old");
    ASSERT_NE(loaded.id, 0);
    ChannelRecord renamed = channel("new", "D在线电影", "");
    store->updateChannelById(loaded.id, renamed);

    EXPECT_EQ(store->countChannelsByName("old"), 0);
    const ChannelStore::EditableChannel reread = store->readChannelForEdit("new");
    EXPECT_EQ(reread.id, loaded.id);
    EXPECT_EQ(reread.record.class0, "D在线电影");
    EXPECT_EQ(reread.record.class1, "");
    EXPECT_EQ(kw::unscrambleText(reread.record.scrambledUrl, "new"), "mms://live.example/new");
    EXPECT_EQ(store->readChannelDetails("new").favorited, 1);
    EXPECT_EQ(store->readChannelDetails("new").rating, 3);
}

TEST_F(ChannelStoreTest, UpdateByNameKeepsTheStoredNameAndWritesVol) {
    auto store = createStore();
    store->insertChannel(channel("Radio One"), 1, "2006-01");
    ChannelRecord record = channel("RADIO ONE", "C广播电台");
    store->updateChannelByName(record, "User");
    const kw::ChannelDetails details = store->readChannelDetails("radio one");
    EXPECT_EQ(details.vol, "User");
    EXPECT_EQ(details.groupId, 1);
    EXPECT_EQ(store->readChannelAddress("radio one").name, "Radio One");
    EXPECT_EQ(store->readChannelPlacement("Radio One").class0, "C广播电台");
}

TEST_F(ChannelStoreTest, ExportListsUserChannelsOnly) {
    auto store = createStore();
    store->insertChannel(channel("system marked User"), 1, "User");
    store->insertChannel(channel("user channel"), 2, "User");
    store->insertChannel(channel("group 2 with issue"), 2, "2006-01");
    std::vector<ChannelRecord> exported;
    store->forEachUserChannel([&](const ChannelRecord& record) { exported.push_back(record); });
    ASSERT_EQ(exported.size(), 1u);
    EXPECT_EQ(exported[0].name, "user channel");
    EXPECT_EQ(exported[0].scrambledUrl, channel("user channel").scrambledUrl);
    EXPECT_EQ(exported[0].memo, "[直播][全天][新闻]");
}

TEST_F(ChannelStoreTest, VisitMayRunStatementsIncludingTheSameListing) {
    auto store = createStore();
    for (const char* name : {"a", "b", "c"}) store->insertChannel(channel(name), 1, "v");
    int inner = 0;
    std::vector<std::string> outer;
    store->forEachListedChannel(0, [&](const kw::ChannelListing& row) {
        if (outer.size() == 3) throw std::runtime_error("the outer listing started again");
        outer.push_back(row.name);
        store->forEachListedChannel(0, [&](const kw::ChannelListing&) { ++inner; });
        store->setFavorited(row.name, 1);
        EXPECT_ERROR("the channel database is in use", store->close());
    });
    std::sort(outer.begin(), outer.end());
    EXPECT_THAT(outer, ElementsAre("a", "b", "c"));
    EXPECT_EQ(inner, 9);
    EXPECT_EQ(store->readChannelDetails("c").favorited, 1);
}

TEST_F(ChannelStoreTest, TransactionCommitsOrRollsBackAsAWhole) {
    auto store = createStore();
    store->inTransaction([&] { store->insertChannel(channel("kept"), 1, "v"); });
    EXPECT_ERROR("UNIQUE constraint failed: ChannelInfo.ci_Name", store->inTransaction([&] {
        store->insertChannel(channel("dropped"), 1, "v");
        store->insertChannel(channel("KEPT"), 1, "v");  // name taken: fails
    }));
    EXPECT_EQ(store->countChannelsByName("kept"), 1);
    EXPECT_EQ(store->countChannelsByName("dropped"), 0);
}

}  // namespace

namespace {

void execOn(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

struct LockValue {
    const char* stored;
    int locked;
};

class DamagedLockValue : public ChannelStoreTest, public testing::WithParamInterface<LockValue> {};

TEST_P(DamagedLockValue, ReadsAsLockedUnlessZeroOrNull) {
    createStore()->insertChannel(channel("台"), 2, "User");
    execOn(databaseFile(),
           std::string("update ChannelInfo set ci_Locked=") + GetParam().stored + " where ci_GroupID<>0");
    auto store = ChannelStore::open(databaseFile());
    EXPECT_EQ(store->readChannelAddress("台").locked, GetParam().locked);
    EXPECT_EQ(store->readChannelDetails("台").locked, GetParam().locked);
    store->forEachListedChannel(
        0, [&](const kw::ChannelListing& row) { EXPECT_EQ(row.locked, GetParam().locked); });
}

INSTANTIATE_TEST_SUITE_P(Values, DamagedLockValue,
                         testing::Values(LockValue{"0", 0}, LockValue{"NULL", 0}, LockValue{"'0'", 0},
                                         LockValue{"1", 1}, LockValue{"2", 1}, LockValue{"-1", 1},
                                         LockValue{"'yes'", 1}, LockValue{"''", 1}, LockValue{"0.5", 1},
                                         LockValue{"x'00'", 1}));

TEST_F(ChannelStoreTest, TheSettingsRowIsMissingToEveryLookupByName) {
    auto store = createStore();
    EXPECT_EQ(store->readChannelAddress("Kestrel").name, "");
    EXPECT_EQ(store->readChannelAddress("kestrel").scrambledUrl, "");
    EXPECT_EQ(store->readChannelDetails("Kestrel").id, 0);
    EXPECT_EQ(store->readChannelForEdit("Kestrel").id, 0);
    EXPECT_EQ(store->readStoredUrl("Kestrel"), "");
    EXPECT_EQ(store->readChannelPlacement("Kestrel").class0, "");
    store->setLocked("Kestrel", 0);
    store->setRating("Kestrel", 5);
    store->deleteChannel("Kestrel");
    const kw::SettingsRow row = store->readSettingsRow();
    EXPECT_EQ(row.locked, 1) << "the lock mode stays";
    EXPECT_EQ(row.rating, 3);
    EXPECT_EQ(store->countChannelsByName("Kestrel"), 1) << "its name is still taken";
}

TEST_F(ChannelStoreTest, NamesWithControlCharactersAreNeverStoredButExistingOnesAreRead) {
    auto store = createStore();
    for (const std::string& name :
         std::vector<std::string>{"A\nB", "A\rB", "A\tB", "\x7f", std::string("A\0B", 3)}) {
        EXPECT_THAT([&] { store->insertChannel(channel(name), 2, "User"); },
                    testing::ThrowsMessage<kw::Error>(std::string(ChannelStore::kNameWithControlCharacter)));
        store->insertChannel(channel("好名"), 2, "User");
        const auto id = store->readChannelForEdit("好名").id;
        EXPECT_ERROR(kw::ChannelStore::kNameWithControlCharacter,
                     store->updateChannelById(id, channel(name)));
        store->deleteChannel("好名");
    }
    EXPECT_EQ(store->countChannelsInGroup(2), 0);
    execOn(databaseFile(),
           "insert into ChannelInfo (ci_Class0,ci_Name,ci_GroupID) values ('B', 'A' || char(10) || 'B', 1)");
    EXPECT_EQ(store->readChannelAddress("A\nB").name, "A\nB");
}

TEST_F(ChannelStoreTest, ReadOnlyCatalogueReadsAndRefusesWritesInOneSentenceLeavingNothingBehind) {
    auto created = createStore();
    created->insertChannel(channel("台"), 2, "User");
    created.reset();
    const std::string before = readFile(databaseFile());

    auto store = ChannelStore::open(databaseFile(), ChannelStore::Access::ReadOnly);
    EXPECT_TRUE(store->isReadOnly());
    EXPECT_EQ(store->readChannelAddress("台").name, "台");
    EXPECT_EQ(listedNames(*store, 0), std::vector<std::string>{"台"});
    const std::string readOnly(ChannelStore::kReadOnlyCatalogue);
    EXPECT_THAT([&] { store->setRating("台", 1); }, testing::ThrowsMessage<kw::Error>(readOnly));
    EXPECT_THAT([&] { store->deleteChannel("台"); }, testing::ThrowsMessage<kw::Error>(readOnly));
    EXPECT_THAT([&] { store->insertChannel(channel("新"), 2, "User"); },
                testing::ThrowsMessage<kw::Error>(readOnly));
    EXPECT_THAT([&] { store->writeSettingsRow(0, ""); }, testing::ThrowsMessage<kw::Error>(readOnly));
    EXPECT_FALSE(fs::exists(databaseFile().string() + "-wal"));
    EXPECT_FALSE(fs::exists(databaseFile().string() + "-shm"));
    EXPECT_FALSE(fs::exists(lockFile()));
    store.reset();
    EXPECT_EQ(readFile(databaseFile()), before);
    EXPECT_FALSE(fs::exists(databaseFile().string() + "-wal"));
    EXPECT_FALSE(fs::exists(databaseFile().string() + "-shm"));
}

}  // namespace
