#include "core/base/AddressRules.h"
#include "core/base/Error.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "support/FakeDesktop.h"
#include "support/FakeDirectoryServers.h"
#include "support/FakeProbe.h"
#include "support/FakeUi.h"
#include "support/FakeWebFetch.h"
#include "support/LongAddress.h"
#include "support/SessionProbe.h"
#include "support/StoreFixture.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>

namespace kw {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::writeBytes;

class ExchangeTest : public test::StoreFixture {
protected:
    void SetUp() override { makeStore(); }

    void addRecord(std::string_view name, std::string_view url, int group, std::string_view vol) {
        ChannelRecord record;
        record.class0 = "B电视台";
        record.class1 = "新闻";
        record.name = name;
        record.scrambledUrl = scrambleText(url, name);
        record.memo = "第一行\r\n第二行";
        record.type = "Windows Media";
        record.speed = "56";
        store_->insertChannel(record, group, vol);
    }

    Session& session() {
        if (!session_) {
            store_.reset();
            session_ = std::make_unique<Session>(programDir_, ui_, desktop_, probe_, web_, servers_);
            session_->open();
        }
        return *session_;
    }

    ChannelStore& channels() { return kw::test::SessionProbe::store(session()); }

    std::string plainUrl(std::string_view name) {
        const ChannelAddress address = channels().readChannelAddress(name);
        return unscrambleText(address.scrambledUrl, address.name);
    }

    bool importFile(const fs::path& file) {
        ui_.openFileAnswers.push_back(file.string());
        return session().exchange().actUserBatchAddChannel();
    }

    void sql(std::string_view text) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((programDir_ / ChannelStore::kFileName).c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, std::string(text).c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    test::FakeUi ui_;
    test::FakeDesktop desktop_;
    test::FakeProbe probe_;
    test::FakeWebFetch web_;
    test::FakeDirectoryServers servers_;
    std::unique_ptr<Session> session_;
};

std::string record(std::string_view name, std::string_view marker = "InsertChannel",
                   std::string_view url = "mms://x/") {
    ChannelTextRecord r{"B电视台", "", "", "", std::string(name),  std::string(url),
                        "",        "", "", "", std::string(marker)};
    return encodeChannelRecord(r);
}

TEST_F(ExchangeTest, ExportThenBatchAddGivesTheSameChannelsAndThenNumberedCopies) {
    addRecord("中央一台", "mms://a/一", 2, "User");
    addRecord("", "http://empty/", 2, "User");
    addRecord("系统台", "mms://sys/", 1, "User");
    addRecord("旧期号", "mms://old/", 2, "0801");
    const fs::path file = programDir_ / "out.txt";
    ui_.saveFileAnswers.push_back(file.string());
    ASSERT_TRUE(session().exchange().actExportUserChannel());
    EXPECT_EQ(ui_.messageTexts().back(),
              std::string(exchange_texts::kExportDone) + "\r\n\r\n" + file.string());

    const std::string bytes = readBytes(file);
    EXPECT_EQ(bytes,
              text::toGbk("B电视台\r\n新闻\r\n\r\n\r\n中央一台\r\nmms://a/一\r\n\r\n第一行第二行\r\nWindows "
                          "Media\r\n56\r\nInsertChannel\r\n"
                          "B电视台\r\n新闻\r\n\r\n\r\n\r\nhttp://empty/\r\n\r\n第一行第二行\r\nWindows "
                          "Media\r\n56\r\nInsertChannel\r\n"));

    channels().deleteChannel("中央一台");
    ASSERT_TRUE(importFile(file));
    EXPECT_EQ(plainUrl("中央一台"), "mms://a/一");
    const ChannelDetails back = channels().readChannelDetails("中央一台");
    EXPECT_EQ(back.rating, 3);
    EXPECT_EQ(back.groupId, 2);
    EXPECT_EQ(back.memo, "第一行第二行");
    EXPECT_EQ(ui_.messageTexts().back(), exchange_texts::kBatchDone);

    ASSERT_TRUE(importFile(file));
    EXPECT_EQ(plainUrl("中央一台 (2)"), "mms://a/一");
    EXPECT_EQ(plainUrl(" (2)"), "http://empty/");
}

TEST_F(ExchangeTest, ExportWithoutUserChannelsWritesAnEmptyFile) {
    const fs::path file = programDir_ / "none.txt";
    writeBytes(file, "old contents");
    ui_.saveFileAnswers.push_back(file.string());
    ASSERT_TRUE(session().exchange().actExportUserChannel());
    EXPECT_EQ(readBytes(file), "");
}

TEST_F(ExchangeTest, ExportIntoAMissingFolderSaysTheFileCouldNotBeCreated) {
    const fs::path file = programDir_ / "no such folder" / "out.txt";
    ui_.saveFileAnswers.push_back(file.string());
    EXPECT_FALSE(session().exchange().actExportUserChannel());
    EXPECT_EQ(ui_.messageTexts().back(), "创建 " + file.string() + " 文件出错，请重试。");
}

TEST_F(ExchangeTest, ExportsIntoAWriteProtectedFolderSaySo) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
    const fs::path folder = programDir_ / "locked";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    ui_.saveFileAnswers.push_back((folder / "out.txt").string());
    EXPECT_FALSE(session().exchange().actExportUserChannel());
    EXPECT_TRUE(ui_.messageTexts().back().starts_with(exchange_texts::kFolderWriteProtected));
    try {
        session().exchange().exportPlaylist(folder / "out.m3u8", {}, std::nullopt);
        ADD_FAILURE() << "written";
    } catch (const Error& error) {
        EXPECT_TRUE(std::string_view(error.what()).starts_with(exchange_texts::kFolderWriteProtected));
    }
    fs::permissions(folder, fs::perms::owner_all);
}

struct UniqueCase {
    const char* what;
    std::vector<std::string> taken;
    std::string name;
    std::string expected;
};

class UniqueNameTest : public ExchangeTest, public ::testing::WithParamInterface<UniqueCase> {};

TEST_P(UniqueNameTest, TakesTheFirstFreeNumber) {
    for (const std::string& name : GetParam().taken) addRecord(name, "u", 2, "User");
    EXPECT_EQ(kw::test::SessionProbe::channelExchange(session()).MakeUniqueChannelName(GetParam().name),
              GetParam().expected);
}

std::string chars(std::string_view c, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += c;
    return out;
}

std::vector<std::string> withSuffixes(const std::string& base, int upTo) {
    std::vector<std::string> names{base};
    for (int k = 2; k <= upTo; ++k) {
        const std::string suffix = " (" + std::to_string(k) + ")";
        names.push_back(base.substr(0, 100 - suffix.size()) + suffix);
    }
    return names;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UniqueNameTest,
    ::testing::Values(
        UniqueCase{"first", {"a"}, " a ", "a (2)"}, UniqueCase{"next", {"a", "A (2)"}, "a", "a (3)"},
        UniqueCase{"second suffix", {"新闻 (2)"}, "新闻 (2)", "新闻 (2) (2)"},
        UniqueCase{"hundred", {chars("x", 100)}, chars("x", 100), chars("x", 96) + " (2)"},
        UniqueCase{"ten", withSuffixes(chars("x", 100), 9), chars("x", 100), chars("x", 95) + " (10)"},
        UniqueCase{"chinese", {chars("频", 60)}, chars("频", 60), chars("频", 60) + " (2)"},
        UniqueCase{"chinese cut", {chars("频", 100)}, chars("频", 100), chars("频", 96) + " (2)"}),
    [](const auto& param) {
        std::string name = param.param.what;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST_F(ExchangeTest, MarkersDecideInsertUpdateOrSkip) {
    addRecord("系统台", "mms://old/", 1, "0801");
    addRecord("两个", "u", 2, "User");
    const fs::path file = programDir_ / "in.txt";
    writeBytes(file, record("一", "insertchannel") + record("二", "Insert") + record("三", "I") +
                         record("四", "x") + record("五", "") + record("系统台", "U", "mms://new/") +
                         record("没有", "Update") + record("设置", "U") + record("六", "  i"));
    ASSERT_TRUE(importFile(file));
    for (const char* name : {"一", "二", "三", "六"})
        EXPECT_EQ(channels().countChannelsByName(name), 1) << name;
    for (const char* name : {"四", "五", "没有"}) EXPECT_EQ(channels().countChannelsByName(name), 0) << name;
    const ChannelDetails updated = channels().readChannelDetails("系统台");
    EXPECT_EQ(updated.groupId, 1);
    EXPECT_EQ(updated.vol, "User");
    EXPECT_EQ(plainUrl("系统台"), "mms://new/");
    // The settings row is never a channel: its columns stay as they were.
    EXPECT_EQ(channels().readSettingsRow().scrambledUrl, "");
    EXPECT_EQ(channels().countChannelsInGroup(2), 5);
}

TEST_F(ExchangeTest, RecordsWithAScriptAddressAreLeftOutAndNamedInTheMessage) {
    const fs::path file = programDir_ / "in.txt";
    writeBytes(file, record("好台") + record("坏台", "I", "javascript:alert(document.cookie)") +
                         record("后台", "I", "rtsp://x/") + record("改台", "U", "data:text/html,x"));
    ASSERT_TRUE(importFile(file));
    EXPECT_EQ(channels().countChannelsByName("好台"), 1);
    EXPECT_EQ(channels().countChannelsByName("后台"), 1);
    EXPECT_EQ(channels().countChannelsByName("坏台"), 0);
    const std::string refused(exchange_texts::kRefusedAddress);
    EXPECT_EQ(ui_.messageTexts().back(), std::string(exchange_texts::kBatchDone) +
                                             "\r\n第 2 条记录 (文件第 12 行起)：" + refused + "坏台" +
                                             "\r\n第 4 条记录 (文件第 34 行起)：" + refused + "改台");
}

// The longest address goes out whole and comes back whole; a longer one in
// a file (also one whose end lies past a run of blanks) is left out, counted
// and named, never stored cut.
TEST_F(ExchangeTest, TheLongestAddressRoundTripsWholeAndALongerOneIsLeftOut) {
    const std::string longest = test::addressOfChars(address::kMaxAddressChars);
    addRecord("长台", longest, 2, "User");
    addRecord("更新", "mms://old/", 1, "0801");
    const fs::path file = programDir_ / "out.txt";
    ui_.saveFileAnswers.push_back(file.string());
    ASSERT_TRUE(session().exchange().actExportUserChannel());
    EXPECT_NE(readBytes(file).find("\r\n" + text::toGbk(longest) + "\r\n"), std::string::npos);
    writeBytes(file, readBytes(file) +
                         record("更长", "I", test::addressOfChars(address::kMaxAddressChars + 1)) +
                         record("更新", "U", longest + std::string(8192, ' ') + "x"));
    ASSERT_TRUE(importFile(file));
    EXPECT_EQ(plainUrl("长台 (2)"), longest);
    EXPECT_EQ(channels().countChannelsByName("更长"), 0);
    EXPECT_EQ(plainUrl("更新"), "mms://old/");
    const std::string leftOut =
        address::overlongReason() + std::string(exchange_texts::kOverlongAddressLeftOut);
    EXPECT_EQ(ui_.messageTexts().back(), std::string(exchange_texts::kBatchDone) +
                                             "\r\n第 2 条记录 (文件第 12 行起)：" + leftOut + "更长" +
                                             "\r\n第 3 条记录 (文件第 23 行起)：" + leftOut + "更新");
}

TEST_F(ExchangeTest, UpdateInOtherLetterCaseKeepsTheAddressPlayable) {
    addRecord("News One", "mms://old/", 2, "User");
    const fs::path file = programDir_ / "in.txt";
    writeBytes(file, record("NEWS ONE", "U", "mms://new/"));
    ASSERT_TRUE(importFile(file));
    EXPECT_EQ(plainUrl("News One"), "mms://new/");
}

struct FailCase {
    const char* what;
    const char* raise;
};

class BatchFailureTest : public ExchangeTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(BatchFailureTest, KeepsEveryRecordBeforeTheFailingOneAndNamesIt) {
    sql(std::string(
            "create trigger refuse before insert on ChannelInfo when new.ci_Name='坏' begin select raise(") +
        GetParam().raise + ",'refused'); end");
    const fs::path file = programDir_ / "in.txt";
    writeBytes(file, record("一") + record("二") + record("坏") + record("三"));
    ui_.openFileAnswers.push_back(file.string());
    try {
        session().exchange().actUserBatchAddChannel();
        FAIL() << "the failing record must end the command";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("第 3 条记录 (文件第 23 行起)"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(channels().countChannelsByName("一"), 1);
    EXPECT_EQ(channels().countChannelsByName("二"), 1);
    EXPECT_EQ(channels().countChannelsByName("三"), 0);
    EXPECT_FALSE(session().exchange().running());
    EXPECT_EQ(ui_.progressEnds, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, BatchFailureTest,
                         ::testing::Values(FailCase{"statement", "abort"},
                                           FailCase{"transaction", "rollback"}),
                         [](const auto& param) { return std::string(param.param.what); });

TEST_F(ExchangeTest, RecordsThatCannotBeWrittenAgainAfterARollbackAreNamedAsLost) {
    // The connection's change count survives the rollback, so the second
    // write of "一" (the replay after "坏" rolled everything back) is refused.
    sql("create trigger refuse before insert on ChannelInfo when new.ci_Name='坏' begin "
        "select raise(rollback,'refused'); end");
    sql("create trigger again before insert on ChannelInfo when new.ci_Name='一' and total_changes() > 0 "
        "begin select raise(abort,'written twice'); end");
    const fs::path file = programDir_ / "in.txt";
    writeBytes(file, record("一") + record("坏"));
    ui_.openFileAnswers.push_back(file.string());
    try {
        session().exchange().actUserBatchAddChannel();
        FAIL() << "the failing record must end the command";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("此前读入的 1 条记录也没能保存：written twice"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(channels().countChannelsByName("一"), 0);
    EXPECT_FALSE(session().exchange().running());
}

TEST_F(ExchangeTest, HostileFilesStoreNothingBrokenAndNeverCrash) {
    std::mt19937 random(7);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    std::string badGbk;
    for (int i = 0; i < 2000; ++i) badGbk += "\x81\x20\xFF\x80\n";
    const std::vector<std::string> files{noise, badGbk + "I\n", std::string(3 << 20, 'I'),
                                         std::string(5000, '\0') + "\n\n\n\n\n\n\n\n\n\nI"};
    for (const std::string& bytes : files) {
        writeBytes(programDir_ / "bad.txt", bytes);
        EXPECT_NO_THROW(importFile(programDir_ / "bad.txt"));
    }
    for (const fs::path& unreadable : {programDir_, programDir_ / "gone.txt"}) {
        EXPECT_FALSE(importFile(unreadable));
        EXPECT_EQ(ui_.messageTexts().back(), std::string(exchange_texts::kCannotOpenBefore) +
                                                 unreadable.string() +
                                                 std::string(exchange_texts::kCannotOpenAfter));
    }
    // Every stored channel is whole: its name within the limit.
    kw::test::SessionProbe::store(session()).forEachListedChannel(0, [](const ChannelListing& row) {
        EXPECT_LE(text::charCount(row.name), 100u);
        EXPECT_LE(text::charCount(row.class0), 20u);
    });
}

TEST_F(ExchangeTest, AFileThatGrowsWhileItIsReadIsReadToItsEnd) {
    const fs::path file = programDir_ / "growing.txt";
    writeBytes(file, record("先"));
    ChannelTextReader reader(file);
    std::ofstream(file, std::ios::binary | std::ios::app) << record("后");
    kw::test::SessionProbe::channelExchange(session()).batchAdd(reader);
    EXPECT_EQ(channels().countChannelsByName("先"), 1);
    EXPECT_EQ(channels().countChannelsByName("后"), 1);
}

TEST_F(ExchangeTest, OnlyPlainFilesAreReadAndNoneIsWaitedFor) {
    const fs::path pipe = programDir_ / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const fs::path& file : {pipe, fs::path("/dev/zero")}) {
        EXPECT_FALSE(importFile(file));
        EXPECT_EQ(ui_.messageTexts().back(), std::string(exchange_texts::kCannotOpenBefore) + file.string() +
                                                 std::string(exchange_texts::kCannotOpenAfter));
    }
}

TEST_F(ExchangeTest, ControlCharactersInANameAreBlankedAndTheRunGoesOn) {
    const fs::path file = programDir_ / "in.txt";
    writeBytes(file, record("一") + record("制\t表") + record(std::string("空\0字", 7)) + record("二\x01三"));
    ASSERT_TRUE(importFile(file));
    for (const char* name : {"一", "制 表", "空 字", "二 三"})
        EXPECT_EQ(channels().countChannelsByName(name), 1) << name;
    const std::string message = ui_.messageTexts().back();
    EXPECT_TRUE(message.starts_with(exchange_texts::kBatchDone)) << message;
    for (const char* where : {"第 2 条记录 (文件第 12 行起)", "第 3 条记录 (文件第 23 行起)", "第 4 条记录"})
        EXPECT_NE(message.find(where), std::string::npos) << message;
    EXPECT_EQ(message.find("第 1 条记录"), std::string::npos) << message;
}

TEST_F(ExchangeTest, EmptyFileStoresNothingButStillRebuildsAndSaysDone) {
    writeBytes(programDir_ / "empty.txt", "");
    ASSERT_TRUE(importFile(programDir_ / "empty.txt"));
    EXPECT_EQ(channels().countChannelsInGroup(2), 0);
    EXPECT_EQ(ui_.messageTexts().back(), exchange_texts::kBatchDone);
}

}  // namespace
}  // namespace kw
