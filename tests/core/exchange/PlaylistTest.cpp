#include "core/actions/ComputerKey.h"
#include "core/base/AddressRules.h"
#include "core/base/Error.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/exchange/PlaylistExchange.h"
#include "core/exchange/PlaylistReader.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "support/ExpectError.h"
#include "support/FakeDesktop.h"
#include "support/FakeDirectoryServers.h"
#include "support/FakeProbe.h"
#include "support/FakeUi.h"
#include "support/FakeWebFetch.h"
#include "support/Kwave.h"
#include "support/LongAddress.h"
#include "support/SessionProbe.h"
#include "support/StoreFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <random>

namespace kw {
namespace {

namespace fs = std::filesystem;
const fs::path kData = fs::path(KW_TEST_DATA_DIR) / "playlists";

std::vector<PlaylistEntry> readAll(const fs::path& file) {
    const auto reader = openPlaylistReader(file, detectPlaylistFormat(file));
    std::vector<PlaylistEntry> entries;
    PlaylistEntry entry;
    while (reader->next(entry)) entries.push_back(entry);
    return entries;
}

struct ReadCase {
    const char* file;
    std::size_t count;
    std::size_t index;
    const char* title;
    const char* url;  // "@" stands for the playlist's folder
    const char* group;
    const char* country;
    const char* language;
};

class PlaylistReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(PlaylistReadTest, GivesEntryAsWritten) {
    const ReadCase& c = GetParam();
    const std::vector<PlaylistEntry> entries = readAll(kData / c.file);
    ASSERT_EQ(entries.size(), c.count);
    const PlaylistEntry& entry = entries.at(c.index);
    std::string url = c.url;
    if (url.starts_with("@")) url = (kData / url.substr(2)).lexically_normal().string();
    EXPECT_EQ(entry.title, c.title);
    EXPECT_EQ(entry.url, url);
    EXPECT_EQ(entry.group, c.group);
    EXPECT_EQ(entry.country, c.country);
    EXPECT_EQ(entry.language, c.language);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PlaylistReadTest,
    ::testing::Values(
        // BOM, CR LF, quoted attributes with commas, other # lines
        ReadCase{"iptv.m3u8", 5, 0, "CCTV-13 新闻", "http://live.example.net/cctv13/index.m3u8",
                 "News, China", "CN", "Chinese"},
        ReadCase{"iptv.m3u8", 5, 1, "Cartoons, \"Hello\" & more",
                 "http://kids.example.org/stream.flv?token=a,b", "Kids", "", ""},
        ReadCase{"iptv.m3u8", 5, 2, "Radio Paradise, Main Mix", "https://stream.example.com/rp/aac-320",
                 "Music", "UK", ""},
        ReadCase{"iptv.m3u8", 5, 4, "Local clip", "@/clips/intro.mp4", "", "", ""},
        // no #EXTM3U, CR-only line ends, a relative path going up
        ReadCase{"plain.m3u", 3, 0, "", "rtmp://media.example.cn/live/cctv5", "", "", ""},
        ReadCase{"plain.m3u", 3, 2, "", "@/../shared/film.ts", "", "", ""},
        ReadCase{"gbk.m3u", 1, 0, "广东体育", "http://gd.example.cn/sport.m3u8", "体育", "", ""},
        // odd letter case, numbering with gaps, NumberOfEntries wrong
        ReadCase{"radio.pls", 3, 0, "Classic Rock FM", "http://ice.example.org:8000/rock", "", "", ""},
        ReadCase{"radio.pls", 3, 1, "Smooth Jazz Radio", "http://ice.example.org:8000/jazz.ogg", "", "", ""},
        // entities, the first of several locations, annotation as title
        ReadCase{"tracks.xspf", 3, 0, "News & Talk 中文", "http://cdn.example.com/news&talk.m3u8?a=1&b=2",
                 "Talk <Live>", "", ""},
        ReadCase{"tracks.xspf", 3, 1, "Concert recording", "@/media/concert.flac", "", "", ""}));

class PlaylistTest : public test::StoreFixture {
protected:
    void SetUp() override { makeStore(); }

    Session& session() {
        if (!session_) {
            store_.reset();
            session_ = std::make_unique<Session>(programDir_, ui_, desktop_, probe_, web_, servers_);
            session_->open();
        }
        return *session_;
    }
    ChannelStore& channels() { return test::SessionProbe::store(session()); }
    ChannelRecord channel(std::string_view name) { return channels().readChannelForEdit(name).record; }
    std::string url(std::string_view name) {
        const ChannelAddress address = channels().readChannelAddress(name);
        return unscrambleText(address.scrambledUrl, address.name);
    }
    std::int64_t userChannels() { return channels().countChannelsInGroup(2); }
    fs::path write(std::string_view name, std::string_view bytes) {
        const fs::path file = dir_.path() / name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
    PlaylistExchange::ImportReport import(const fs::path& file,
                                          PlaylistExchange::ImportOptions options = {}) {
        return session().exchange().importPlaylist(file, options);
    }

    test::FakeUi ui_;
    test::FakeDesktop desktop_;
    test::FakeProbe probe_;
    test::FakeWebFetch web_;
    test::FakeDirectoryServers servers_;
    std::unique_ptr<Session> session_;
};

TEST_F(PlaylistTest, MapsEntriesToUserChannelsAndSkipsScripts) {
    const auto report = import(kData / "iptv.m3u8");
    EXPECT_EQ(report.added, 4);
    EXPECT_EQ(report.skipped, 1);
    ASSERT_EQ(report.notes.size(), 1U);
    EXPECT_NE(report.notes[0].find("第 11 行"), std::string::npos) << report.notes[0];

    const ChannelRecord news = channel("CCTV-13 新闻");
    EXPECT_EQ(news.class0, "B电视台");
    EXPECT_EQ(news.class1, "News, China");
    EXPECT_EQ(news.class2, "CN");
    EXPECT_EQ(news.class3, "Chinese");
    EXPECT_EQ(news.type, "HLS");
    EXPECT_EQ(news.memo, "台标：http://logo.example.net/cctv13.png");
    EXPECT_EQ(channels().readChannelDetails("CCTV-13 新闻").rating, 3);

    const ChannelRecord radio = channel("Radio Paradise, Main Mix");
    EXPECT_EQ(radio.class0, "C广播电台");
    EXPECT_EQ(radio.type, "流媒体");
    EXPECT_EQ(channel("Local clip").memo, "时长：185 秒");
    EXPECT_EQ(channel("Local clip").type, "MP4");
    EXPECT_EQ(url("Cartoons, \"Hello\" & more"), "http://kids.example.org/stream.flv?token=a,b");
    EXPECT_EQ(channels().countChannelsByName("Evil"), 0);
}

TEST_F(PlaylistTest, EachChannelRemembersItsListAndEntry) {
    const fs::path list = write("ids.m3u",
                                "#EXTM3U\n"
                                "#EXTINF:-1 tvg-id=\"cctv1.cn\",CCTV-1 高清\nhttp://a.example/1080.m3u8\n"
                                "#EXTINF:-1 tvg-id=\"cctv1.cn\",CCTV-1 标清\nhttp://a.example/576.m3u8\n"
                                "#EXTINF:-1,Radio\nhttp://r.example/live.mp3\n"
                                "#EXTINF:-1 group-title=\"Music\",Radio again\nhttp://r.example/live.mp3\n");
    import(list);
    const std::string source = fs::absolute(list).lexically_normal().string();
    const std::pair<const char*, const char*> expected[] = {{"CCTV-1 高清", "cctv1.cn"},
                                                            {"CCTV-1 标清", "cctv1.cn"},
                                                            {"Radio", "http://r.example/live.mp3"},
                                                            {"Radio again", "http://r.example/live.mp3"}};
    for (const auto& [name, id] : expected) EXPECT_EQ(channels().readOrigin(name)->entryId, id) << name;
    EXPECT_EQ(channels().readOrigin("Radio")->source, source);
}

TEST_F(PlaylistTest, ChosenMainCategoryAndDryRun) {
    PlaylistExchange::ImportOptions options;
    options.class0 = "D在线电影";
    options.dryRun = true;
    const auto rehearsal = import(kData / "radio.pls", options);
    EXPECT_EQ(rehearsal.added, 2);
    EXPECT_EQ(rehearsal.skipped, 1);  // the data: entry
    EXPECT_EQ(userChannels(), 0);

    EXPECT_FALSE(channels().readOrigin("Classic Rock FM")) << "a rehearsal remembers nothing";
    options.dryRun = false;
    import(kData / "radio.pls", options);
    EXPECT_EQ(userChannels(), 2);
    EXPECT_EQ(channel("Classic Rock FM").class0, "D在线电影");
}

TEST_F(PlaylistTest, RenamesTakenAndRepeatedTitles) {
    addChannel("News", "http://old.example/news");
    addChannel("NEWS (3)", "http://old.example/news3");
    const std::string longTitle(120, 'x');
    std::string list = "#EXTM3U\n";
    for (int i = 0; i < 20; ++i)
        list += "#EXTINF:-1," + std::string(i % 2 == 0 ? "News" : "news") + "\nhttp://n.example/" +
                std::to_string(i) + ".m3u8\n";
    for (int i = 0; i < 12; ++i)
        list += "#EXTINF:-1," + longTitle + "\nhttp://x.example/" + std::to_string(i) + "\n";
    list += "http://untitled.example/live.m3u8\n";
    const auto report = import(write("dups.m3u8", list));

    EXPECT_EQ(report.added, 33);
    EXPECT_EQ(report.renamed, 31);
    EXPECT_EQ(url("News"), "http://old.example/news");
    // The first free number each time, letter case ignored: 3 is taken.
    EXPECT_EQ(url("News (2)"), "http://n.example/0.m3u8");
    EXPECT_EQ(url("news (4)"), "http://n.example/1.m3u8");
    EXPECT_EQ(url("News (22)"), "http://n.example/19.m3u8");
    EXPECT_EQ(url(std::string(100, 'x')), "http://x.example/0");
    EXPECT_EQ(url(std::string(96, 'x') + " (2)"), "http://x.example/1");
    EXPECT_EQ(url(std::string(96, 'x') + " (9)"), "http://x.example/8");
    EXPECT_EQ(url(std::string(95, 'x') + " (11)"), "http://x.example/10");
    EXPECT_EQ(url("http://untitled.example/live.m3u8"), "http://untitled.example/live.m3u8");
}

TEST_F(PlaylistTest, OverlongAddressIsSkippedNotCut) {
    const auto report =
        import(write("long.m3u", "http://e.example/" + std::string(address::kMaxAddressChars, 'a') + "\n"));
    EXPECT_EQ(report.added, 0);
    EXPECT_EQ(report.skipped, 1);
}

// Hostile files: each either imports what it holds or throws kw::Error, and
// every row stored is whole.
struct HostileCase {
    const char* name;
    std::string (*make)();
    bool throws;
    std::int64_t stored;  // -1: any number
};

class PlaylistHostileTest : public PlaylistTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(PlaylistHostileTest, NoCrashNoPartialRecord) {
    const HostileCase& c = GetParam();
    const fs::path file = write(c.name, c.make());
    if (c.throws)
        EXPECT_THROW(import(file), Error);
    else
        EXPECT_NO_THROW(import(file));
    if (c.stored >= 0) {
        EXPECT_EQ(userChannels(), c.stored);
    }
    channels().forEachUserChannel([](const ChannelRecord& row) {
        EXPECT_FALSE(row.name.empty());
        EXPECT_FALSE(unscrambleText(row.scrambledUrl, row.name).empty());
    });
}

std::string fileText(const char* name) {
    std::ifstream in(kData / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

INSTANTIATE_TEST_SUITE_P(
    Files, PlaylistHostileTest,
    ::testing::Values(HostileCase{"random.m3u",
                                  [] {
                                      std::mt19937 random(7);
                                      std::string bytes(1 << 20, '\0');
                                      for (char& c : bytes) c = static_cast<char>(random());
                                      return bytes;
                                  },
                                  true, 0},
                      HostileCase{"line.m3u",
                                  [] {
                                      return "#EXTM3U\n" + std::string(100 << 20, 'a') +
                                             "\nhttp://ok.example/x.m3u8\n";
                                  },
                                  false, 1},
                      HostileCase{"infos.m3u",
                                  [] {
                                      std::string text = "#EXTM3U\n";
                                      for (int i = 0; i < 1000000; ++i) text += "#EXTINF:-1,x\n";
                                      return text;
                                  },
                                  false, 0},
                      HostileCase{"nested.xspf",
                                  [] {
                                      std::string text = "<playlist><trackList>";
                                      for (int i = 0; i < 100000; ++i) text += "<a>";
                                      return text;
                                  },
                                  true, 0},
                      HostileCase{"truncated.xspf", [] { return fileText("truncated.xspf"); }, true, 1},
                      HostileCase{"bomb.xspf", [] { return fileText("bomb.xspf"); }, true, 0}),
    [](const auto& testInfo) {
        return std::string(testInfo.param.name).substr(0, std::string(testInfo.param.name).find('.'));
    });

TEST_F(PlaylistTest, OnlyPlainFilesAreReadAndNoneIsWaitedFor) {
    const fs::path pipe = dir_.path() / "pipe.m3u";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const fs::path& file : {dir_.path(), pipe, fs::path("/dev/zero")})
        EXPECT_THROW(import(file), Error) << file;
}

// What a reader gives at its limits: a cut line or value ends at a whole
// character, a huge XML token or a PLS of keys without files is refused or
// bounded with a note.
TEST(PlaylistReaderLimits, CutsAtCharactersAndBoundsWhatItHolds) {
    test::TempDir dir;
    const auto file = [&](std::string_view name, std::string_view bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    };
    const std::size_t limit = PlaylistReader::kMaxLineBytes;
    // The 64 KiB cut falls inside the second byte of "新".
    const std::string cutLine =
        "#EXTINF:-1 group-title=\"新闻\"," + std::string(limit - 30, 'a') + "新闻\nhttp://a.example/\n";
    const std::vector<PlaylistEntry> m3u = readAll(file("cut.m3u", cutLine));
    ASSERT_EQ(m3u.size(), 1U);
    EXPECT_EQ(m3u[0].group, "新闻");
    EXPECT_EQ(text::sanitizeUtf8(m3u[0].title), m3u[0].title);

    const std::string title = std::string(limit - 1, 'a') + "新";
    const std::vector<PlaylistEntry> xspf =
        readAll(file("cut.xspf", "<playlist><trackList><track><location>http://a/</location><title>" + title +
                                     "</title></track></trackList></playlist>"));
    ASSERT_EQ(xspf.size(), 1U);
    EXPECT_EQ(xspf[0].title, std::string(limit - 1, 'a'));

    const fs::path token = file("token.xspf", "<playlist><" + std::string(8 << 20, 'n') + "/></playlist>");
    try {
        readAll(token);
        ADD_FAILURE() << "a huge token must be refused";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("超过"), std::string::npos) << error.what();
    }

    std::string pls = "[playlist]\nFile1=http://a.example/\nTitle1=One\n";
    for (int i = 2; i < 400000; ++i) pls += "Title" + std::to_string(i) + "=x\n";
    const auto reader = openPlaylistReader(file("titles.pls", pls), PlaylistFormat::Pls);
    PlaylistEntry entry;
    ASSERT_TRUE(reader->next(entry));
    EXPECT_EQ(entry.title, "One");
    EXPECT_FALSE(reader->next(entry));
    EXPECT_NE(reader->note().find("没有读入"), std::string::npos);
}

TEST_F(PlaylistTest, WhatIsNoPlaylistIsRefusedWithNothingStored) {
    using namespace std::string_literals;
    const std::string page =
        "\n<!DOCTYPE html>\n<html><head><title>x</title></head><body>http://a/b.m3u8</body>\n";
    const std::string feed = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<rss><item>http://a/b.mp3</item></rss>\n";
    const std::string program =
        "#EXTM3U\n\x7F"
        "ELF\x02\x01\x00\x00http://a/b.mp3\n"s;
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"page.m3u8", page}, {"page.xspf", page}, {"feed.pls", feed}, {"program.m3u", program}}) {
        try {
            import(write(name, bytes));
            ADD_FAILURE() << "imported " << name;
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()).find("不是播放列表"), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(userChannels(), 0);

    // A title that reads like markup does not make a headed list a page.
    import(write("titled.m3u8", "#EXTM3U\n#EXTINF:-1,Radio <html> One\nhttp://a.example/1\n"));
    import(write("titled.pls", "[playlist]\nFile1=http://a.example/2\nTitle1=<html>\n"));
    EXPECT_EQ(userChannels(), 2);
}

TEST_F(PlaylistTest, TheLiveDatabaseIsNeverReadAsAPlaylist) {
    session();
    EXPECT_THROW(import(programDir_ / "Kestrelwave.dll"), Error);
}

TEST_F(PlaylistTest, SkipsAreGroupedWithReasonsAndCutCategoriesCounted) {
    const fs::path clip = write("clip.mp3", "x");
    std::string list = "#EXTM3U\n";
    for (int i = 0; i < 3; ++i) list += "#EXTINF:-1,Closed " + std::to_string(i) + "\n[NO PUBLIC STREAM]\n";
    list +=
        "#EXTINF:-1 group-title=\"Bosnia and Herzegovina\" "
        "tvg-country=\"BA\",Live\nhttp://a.example/x.m3u8\n";
    list += "#EXTINF:-1,Here\n" + clip.string() + "\n#EXTINF:-1,Gone\n" +
            (dir_.path() / "gone.mp3").string() + "\n#EXTINF:-1,Evil\njavascript:alert(1)\n";
    const auto report = import(write("list.m3u", list));

    EXPECT_EQ(report.added, 2);
    EXPECT_EQ(report.skipped, 5);
    ASSERT_EQ(report.reasons.size(), 2U);
    EXPECT_EQ(report.reasons[0].count, 4);
    EXPECT_EQ(report.reasons[1].count, 1);
    EXPECT_EQ(report.cutValues, 1);
    EXPECT_EQ(channel("Live").class1, "Bosnia and Herzegovi");
    EXPECT_EQ(channels().countChannelsByName("Closed 0"), 0);
    const std::string text = PlaylistExchange::describe(report);
    EXPECT_NE(text.find(report.reasons[0].reason + "：4 个"), std::string::npos) << text;
    EXPECT_NE(text.find("有 1 个分组"), std::string::npos) << text;
    EXPECT_NE(PlaylistExchange::describeDetails(report).find("第 2 行："), std::string::npos);
}

TEST_F(PlaylistTest, AListWithoutChannelsSaysSoWithoutCongratulating) {
    for (const char* content : {"", "#EXTM3U\n#EXTINF:-1,Closed\n[NO PUBLIC STREAM]\n"}) {
        ui_.openFileAnswers.push_back(write("empty.m3u", content).string());
        ASSERT_TRUE(session().exchange().actImportPlaylist());
        ASSERT_FALSE(ui_.messages.empty());
        EXPECT_EQ(ui_.messages.back().text.find("祝贺您"), std::string::npos) << ui_.messages.back().text;
        EXPECT_TRUE(ui_.messages.back().text.starts_with("没有导入任何频道")) << ui_.messages.back().text;
    }
}

TEST_F(PlaylistTest, CancelKeepsWhatWasStoredBeforeIt) {
    std::string list = "#EXTM3U\n";
    for (int i = 0; i < 50; ++i)
        list += "#EXTINF:-1,C" + std::to_string(i) + "\nhttp://c.example/" + std::to_string(i) + "\n";
    ui_.cancelAtCheck = 11;
    const auto report = import(write("many.m3u", list));
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(report.added, 10);
    EXPECT_EQ(userChannels(), 10);
    EXPECT_TRUE(PlaylistExchange::describe(report).starts_with("播放列表导入已取消"));
}

// Export, then import into the same catalogue: every name comes back renamed,
// with its address and its categories.
class PlaylistRoundTripTest : public PlaylistTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PlaylistRoundTripTest, GivesBackNamesAddressesCategories) {
    ChannelRecord record;
    record.class0 = "B电视台";
    record.class1 = "News, \"World\"";
    record.class2 = "欧美";
    record.class3 = "英语";
    record.name = "BBC <One>, & London";
    record.scrambledUrl = scrambleText("http://bbc.example/live.m3u8?a=1&b=2", record.name);
    store_->insertChannel(record, 2, "User");
    addChannel("广播 一台", "http://radio.example.cn/fm.mp3");

    const std::string format = GetParam();
    const fs::path file = dir_.path() / ("out." + format);
    PlaylistExchange::ExportRequest request;
    request.format = *PlaylistExchange::parseFormat(format);
    EXPECT_EQ(session().exchange().exportPlaylist(file, request).written, 2);
    const auto report = import(file);
    EXPECT_EQ(report.added, 2);
    EXPECT_EQ(report.renamed, 2);

    EXPECT_EQ(url("BBC <One>, & London (2)"), "http://bbc.example/live.m3u8?a=1&b=2");
    EXPECT_EQ(url("广播 一台 (2)"), "http://radio.example.cn/fm.mp3");
    const ChannelRecord back = channel("BBC <One>, & London (2)");
    if (format == "pls") return;  // PLS has no categories
    EXPECT_EQ(back.class1, format == "m3u8" ? "News, 'World'" : "News, \"World\"");
    if (format == "m3u8") {
        EXPECT_EQ(back.class2, "欧美");
        EXPECT_EQ(back.class3, "英语");
    }
}

// An address starting with "#" and a name with characters XML forbids come back too.
TEST_P(PlaylistRoundTripTest, GivesBackOddAddressesAndNames) {
    // A local address must name a file that is there to be imported.
    test::writeBytes(dir_.path() / "#live", "");
    addChannel("Hash", "#live");
    addChannel("Odd\xEF\xBF\xBE\xEF\xBF\xBF", "http://odd.example/");
    const fs::path file = dir_.path() / (std::string("odd.") + GetParam());
    PlaylistExchange::ExportRequest request;
    request.format = *PlaylistExchange::parseFormat(GetParam());
    EXPECT_EQ(session().exchange().exportPlaylist(file, request).written, 2);
    const auto report = import(file);
    EXPECT_EQ(report.added, 2);
    EXPECT_EQ(url("Hash (2)"), (dir_.path() / "#live").string());
}

// In Chinese characters (three UTF-8 bytes each), the longest address comes
// back whole; a longer one goes out and is skipped, never cut, on the way in.
TEST_P(PlaylistRoundTripTest, GivesBackTheLongestAddressWholeAndSkipsALongerOne) {
    const std::string longest = test::addressOfChars(address::kMaxAddressChars, true);
    addChannel("Long", longest);
    addChannel("Longer", longest + "a");
    const fs::path file = dir_.path() / (std::string("long.") + GetParam());
    PlaylistExchange::ExportRequest request;
    request.format = *PlaylistExchange::parseFormat(GetParam());
    EXPECT_EQ(session().exchange().exportPlaylist(file, request).written, 2);
    const auto report = import(file);
    EXPECT_EQ(report.added, 1);
    ASSERT_EQ(report.reasons.size(), 1U);
    EXPECT_EQ(report.reasons[0].reason, address::overlongReason());
    EXPECT_EQ(url("Long (2)"), longest);
}

INSTANTIATE_TEST_SUITE_P(Formats, PlaylistRoundTripTest, ::testing::Values("m3u8", "pls", "xspf"));

TEST_F(PlaylistTest, MemoKeepsTheLineBetweenDurationAndLogo) {
    import(
        write("memo.m3u", "#EXTINF:185 tvg-logo=\"http://l.example/a.png\",Clip\nhttp://c.example/a.mp4\n"));
    EXPECT_EQ(channel("Clip").memo, "时长：185 秒\r\n台标：http://l.example/a.png");
}

struct LockCase {
    int lockMode;
    std::optional<std::string> password;  // nullopt: the dialog, answered with `typed`
    std::optional<std::string> typed;
    std::int64_t written;
};

class PlaylistLockTest : public PlaylistTest, public ::testing::WithParamInterface<LockCase> {};

TEST_P(PlaylistLockTest, LockedChannelsNeedThePassword) {
    const LockCase& c = GetParam();
    store_->writeSettingsRow(c.lockMode, scrambleText("secret", computerKey()));
    addChannel("Open", "http://open.example/a.m3u8");
    addChannel("Guarded", "http://guarded.example/b.m3u8", {}, {}, true);
    addChannel("Guarded too", "http://guarded.example/c.m3u8", {}, {}, true);
    if (!c.password && c.lockMode != 2) ui_.passwordEntries.push_back(c.typed);

    const auto report = session().exchange().exportPlaylist(dir_.path() / "out.m3u8", {}, c.password);
    EXPECT_EQ(report.written, c.written);
    EXPECT_EQ(report.lockedLeftOut, 3 - c.written);
    // Asked once for the whole export, never per channel.
    EXPECT_EQ(ui_.passwordShowings.size(), !c.password && c.lockMode != 2 ? 1U : 0U);
}

INSTANTIATE_TEST_SUITE_P(Modes, PlaylistLockTest,
                         ::testing::Values(LockCase{0, "secret", {}, 3}, LockCase{0, "wrong", {}, 1},
                                           LockCase{1, "secret", {}, 3}, LockCase{1, {}, std::nullopt, 1},
                                           LockCase{0, {}, "secret", 3}, LockCase{2, {}, {}, 3},
                                           LockCase{2, "wrong", {}, 3}));

TEST_F(PlaylistTest, ExportScopes) {
    addChannel("Mine", "http://a.example/1.m3u8");
    ChannelRecord shipped;
    shipped.class0 = "C广播电台";
    shipped.class1 = "音乐";
    shipped.name = "Shipped";
    shipped.scrambledUrl = scrambleText("http://b.example/2.mp3", shipped.name);
    store_->insertChannel(shipped, 1, "V1");
    store_->setFavorited("Shipped", 1);

    const auto written = [&](ChannelScope scope) {
        PlaylistExchange::ExportRequest request;
        request.scope = std::move(scope);
        return session().exchange().exportPlaylist(dir_.path() / "s.m3u8", request).written;
    };
    EXPECT_EQ(written(ChannelScope(ChannelScope::Kind::All)), 2);
    EXPECT_EQ(written(ChannelScope(ChannelScope::Kind::User)), 1);
    EXPECT_EQ(written(ChannelScope(ChannelScope::Kind::Favorites)), 1);
    EXPECT_EQ(written(ChannelScope::branch("C广播电台/音乐")), 1);
    // A branch that names no category is refused, as the check refuses it.
    EXPECT_ERROR("No branch \"C广播电台/新闻\"", written(ChannelScope::branch("C广播电台/新闻")));
    EXPECT_EQ(PlaylistExchange::describe({2, 1}, "/tmp/s.m3u8"),
              "祝贺您，已经导出 2 个频道到下面的播放列表中：\n\n/tmp/s.m3u8\n\n1 个加了童锁的频道没有导出。");
}

TEST_F(PlaylistTest, KwaveImportsAndExports) {
    store_.reset();
    const test::KwaveRun dry =
        test::runKwave(programDir_, {"import-playlist", (kData / "iptv.m3u8").string(), "--dry-run"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("added 4\nrenamed 0\nskipped 1\n  地址类型不能播放: 1\n"), std::string::npos)
        << dry.out;
    EXPECT_EQ(dry.out.find("第 11 行"), std::string::npos) << "every line only with --verbose";
    const test::KwaveRun verbose = test::runKwave(
        programDir_, {"import-playlist", (kData / "iptv.m3u8").string(), "--dry-run", "--verbose"});
    EXPECT_NE(verbose.out.find("  第 11 行：地址类型不能播放：javascript:alert(1)\n"), std::string::npos)
        << verbose.out;
    EXPECT_EQ(userChannels(), 0);
    session_.reset();

    EXPECT_EQ(test::runKwave(programDir_, {"import-playlist", (kData / "iptv.m3u8").string()}).status, 0);
    const fs::path out = dir_.path() / "out.xspf";
    const test::KwaveRun exported =
        test::runKwave(programDir_, {"export-playlist", out.string(), "--format", "xspf", "--scope", "user"});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, "written 4\n");
    EXPECT_EQ(readAll(out).size(), 4U);
    EXPECT_EQ(test::runKwave(programDir_, {"export-playlist", out.string(), "--format", "wav"}).status, 2);
}

}  // namespace
}  // namespace kw
