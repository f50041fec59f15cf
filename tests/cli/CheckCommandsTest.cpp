#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/session/Installation.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "core/store/ChannelStore.h"
#include "support/Kwave.h"
#include "support/LocalStreamServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

using namespace kw;
using test::runKwave;

namespace {

TEST(CheckCommands, ChecksUserChannelsReportsTheDeadAndKeepsEachResult) {
    test::TempDir temp;
    const std::filesystem::path dir = temp.path() / "program";
    createInstallation(dir, KW_DATA_DIR, false);
    test::LocalStreamServer server;
    const std::vector<std::pair<std::string, std::string>> channels = {
        {"稳定台", "/steady128"}, {"死台", "/404"}, {"慢台", "/drip"}};
    {
        auto store = ChannelStore::open(dir / ChannelStore::kFileName);
        for (const auto& [name, path] : channels) {
            ChannelRecord record;
            record.class0 = "A电台";
            record.name = name;
            record.scrambledUrl = scrambleText(server.url(path), name);
            store->insertChannel(record, 2, "User");
        }
    }
    const std::filesystem::path report = temp.path() / "dead.txt";

    const test::KwaveRun run = runKwave(dir, {"check", "--scope", "user", "--timeout", "1", "--format", "tsv",
                                              "--write-report", report.string()});

    EXPECT_EQ(run.status, 0) << run.err;
    std::istringstream rows(run.out);
    std::string row;
    std::getline(rows, row);
    std::map<std::string, std::string> words;
    while (std::getline(rows, row)) {
        const auto tab = row.find('\t');
        words[row.substr(0, tab)] = row.substr(tab + 1, row.find('\t', tab + 1) - tab - 1);
    }
    EXPECT_EQ(words, (std::map<std::string, std::string>{
                         {"稳定台", "[流畅]"}, {"死台", "[未知]"}, {"慢台", "[可达]"}}));
    EXPECT_NE(run.err.find("checked 3/3"), std::string::npos) << run.err;
    std::ifstream in(report, std::ios::binary);
    const std::string text = text::fromGbk(std::string(std::istreambuf_iterator<char>(in), {}));
    EXPECT_NE(text.find("死台\r\n" + server.url("/404")), std::string::npos) << text;
    EXPECT_EQ(text.find("稳定台"), std::string::npos);
    {
        auto store = ChannelStore::open(dir / ChannelStore::kFileName);
        EXPECT_EQ(store->readCheck("死台")->reasonCode, "http-status");
        EXPECT_EQ(store->readCheck("稳定台")->status, 2);
        EXPECT_EQ(store->readCheck("慢台")->status, 1);
    }

    EXPECT_EQ(runKwave(dir, {"check", "--scope", "user", "--timeout", "1", "--fail-on-dead"}).status, 3);
}

TEST(CheckCommands, RateMeasuredOverTooShortATimeIsNotShown) {
    struct Case {
        std::uint64_t bytes;
        double kbit;
        bool shown;
    };
    // 256 KiB in a millisecond is no rate; 24 KiB over three seconds is one.
    for (const Case c : {Case{262144, 2097152, false}, Case{24576, 65.5, true}, Case{0, 0, false}}) {
        ChannelCheck check;
        check.result.checked = true;
        check.result.bytes = c.bytes;
        check.result.kbitPerSecond = c.kbit;
        EXPECT_EQ(check.shownKbitPerSecond().has_value(), c.shown) << c.bytes;
    }
}

TEST(CheckCommands, EscapeSequencesFromAServerNeverReachTheTerminal) {
    test::TempDir temp;
    const std::filesystem::path dir = temp.path() / "program";
    createInstallation(dir, KW_DATA_DIR, false);
    test::LocalStreamServer server;
    {
        auto store = ChannelStore::open(dir / ChannelStore::kFileName);
        ChannelRecord record;
        record.class0 = "A电台";
        record.name = "怪台";
        record.scrambledUrl = scrambleText(server.url("/escape-type"), record.name);
        store->insertChannel(record, 2, "User");
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check", "--scope", "user", "--timeout", "1"},
          std::vector<std::string>{"check", "--scope", "user", "--timeout", "1", "--format", "tsv"},
          std::vector<std::string>{"test", "怪台"}}) {
        const test::KwaveRun run = runKwave(dir, args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("text/x-\\x1b[31mred"), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << args[0];
    }
}

// The names a check printed (TSV) or a playlist export wrote (M3U8), sorted.
std::vector<std::string> checkedNames(const std::string& tsv) {
    std::vector<std::string> names;
    std::istringstream rows(tsv);
    std::string row;
    std::getline(rows, row);
    while (std::getline(rows, row)) names.push_back(row.substr(0, row.find('\t')));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> exportedNames(const std::filesystem::path& playlist) {
    std::vector<std::string> names;
    std::ifstream in(playlist);
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("#EXTINF")) names.push_back(line.substr(line.rfind(',') + 1));
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CheckCommands, CheckAndPlaylistExportCoverTheSameChannelsOfAScope) {
    test::TempDir temp;
    const std::filesystem::path dir = temp.path() / "program";
    createInstallation(dir, KW_DATA_DIR, false);
    test::LocalStreamServer server;
    {
        auto store = ChannelStore::open(dir / ChannelStore::kFileName);
        // Only the channels below stand in a scope: none of the catalogue's is probed.
        std::vector<std::string> favourites;
        store->forEachListedChannel(0, [&](const ChannelListing& channel) {
            if (channel.favorited != 0) favourites.push_back(channel.name);
        });
        for (const std::string& name : favourites) store->setFavorited(name, 0);
        struct Row {
            const char* class0;
            const char* class1;
            const char* name;
            int group;
            const char* vol;
        };
        for (const Row& row :
             {Row{"Q电台", "音乐", "乐台", 2, "User"}, Row{"Q电台", "新闻", "闻台", 2, "User"},
              Row{"Q电台", "音乐", "旧乐台", 1, "User"}, Row{"R电台", "", "另台", 2, "V1"}}) {
            ChannelRecord record;
            record.class0 = row.class0;
            record.class1 = row.class1;
            record.name = row.name;
            record.scrambledUrl = scrambleText(server.url("/404"), row.name);
            store->insertChannel(record, row.group, row.vol);
        }
        store->setFavorited("另台", 1);
    }
    struct Case {
        const char* scope;
        std::vector<std::string> names;  // sorted
    };
    for (const Case& c :
         {Case{"user", {"乐台", "闻台"}}, Case{"favorites", {"另台"}},
          Case{"branch:Q电台", {"乐台", "旧乐台", "闻台"}}, Case{"branch: Q电台 / 音乐 ", {"乐台", "旧乐台"}},
          Case{"branch:R电台", {"另台"}}}) {
        const test::KwaveRun check =
            runKwave(dir, {"check", "--scope", c.scope, "--timeout", "1", "--format", "tsv"});
        EXPECT_EQ(check.status, 0) << c.scope << check.err;
        EXPECT_EQ(checkedNames(check.out), c.names) << c.scope;
        const std::filesystem::path playlist = temp.path() / "scope.m3u8";
        const test::KwaveRun exported =
            runKwave(dir, {"export-playlist", playlist.string(), "--scope", c.scope});
        EXPECT_EQ(exported.status, 0) << c.scope << exported.err;
        EXPECT_EQ(exportedNames(playlist), c.names) << c.scope;
    }
    // A scope neither knows is a usage error; a branch that names no category an error.
    for (const auto& [scope, status] :
         {std::pair{"mine", 2}, std::pair{"branch:", 2}, std::pair{"branch:S电台", 1}}) {
        const test::KwaveRun check = runKwave(dir, {"check", "--scope", scope});
        const test::KwaveRun exported =
            runKwave(dir, {"export-playlist", (temp.path() / "bad.m3u8").string(), "--scope", scope});
        EXPECT_EQ(check.status, status) << scope << check.err;
        EXPECT_EQ(exported.status, status) << scope << exported.err;
        EXPECT_FALSE(std::filesystem::exists(temp.path() / "bad.m3u8")) << scope;
    }
}

TEST(CheckCommands, RefusesAnUnknownScopeOrFormat) {
    test::TempDir temp;
    const std::filesystem::path dir = temp.path() / "program";
    createInstallation(dir, KW_DATA_DIR, false);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check", "--scope", "mine"},
          std::vector<std::string>{"check", "--format", "xml"},
          std::vector<std::string>{"check", "--scope", "branch:无此分支"},
          std::vector<std::string>{"check", "--scope", "user", "--timeout", "0"}}) {
        const test::KwaveRun run = runKwave(dir, args);
        EXPECT_NE(run.status, 0) << args[2];
        EXPECT_TRUE(run.out.empty()) << args[2];
    }
}

}  // namespace

namespace {

TEST(CheckCommands, PruneDeadListsThenDeletesOnlyWithYes) {
    test::TempDir temp;
    const std::filesystem::path dir = temp.path() / "program";
    createInstallation(dir, KW_DATA_DIR, false);
    constexpr std::int64_t kLongAgo = 1'600'000'000;  // September 2020
    const std::int64_t recent = ChannelHealth::systemSeconds();
    {
        auto store = ChannelStore::open(dir / ChannelStore::kFileName);
        for (const auto& [name, group] :
             {std::pair<std::string, int>{"死台", 2}, {"老死台", 1}, {"新死台", 2}}) {
            ChannelRecord record;
            record.class0 = "A电台";
            record.name = name;
            record.scrambledUrl = scrambleText("http://127.0.0.1:9/", name);
            store->insertChannel(record, group, group == 2 ? "User" : "2026.12");
        }
        for (int i = 0; i < 3; ++i) {
            store->recordChecks({{"死台", 0, "connection-refused", kLongAgo + 86'400 + i, -1, 0},
                                 {"老死台", 0, "connection-refused", kLongAgo + i, -1, 0},
                                 {"新死台", 0, "connection-refused", recent + i, -1, 0}});
        }
    }
    const auto count = [&](const std::string& name) {
        return ChannelStore::open(dir / ChannelStore::kFileName)->countChannelsByName(name);
    };

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"prune-dead"},
          std::vector<std::string>{"prune-dead", "--min-days", "x", "--yes"},
          std::vector<std::string>{"prune-dead", "--min-failures", "0", "--yes"},
          std::vector<std::string>{"prune-dead", "--min-days", "-1", "--dry-run"}}) {
        EXPECT_EQ(runKwave(dir, args).status, 2) << args.size();
    }
    EXPECT_EQ(count("死台"), 1);

    test::KwaveRun run = runKwave(dir, {"prune-dead", "--dry-run"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string listed = "老死台\t连接被拒绝\t3\t2020-09-1";
    EXPECT_EQ(run.out.substr(0, listed.size()), listed) << run.out;
    EXPECT_NE(run.out.find("\n死台\t连接被拒绝\t3\t2020-09-1"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("新死台"), std::string::npos) << "failing for less than seven days";
    EXPECT_EQ(count("死台") + count("老死台"), 2);

    run = runKwave(dir, {"prune-dead", "--yes"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("已删除 2 个失效频道"), std::string::npos) << run.out;
    EXPECT_EQ(count("死台") + count("老死台"), 0);
    EXPECT_EQ(count("新死台"), 1);
    EXPECT_NE(runKwave(dir, {"prune-dead", "--min-days", "0", "--dry-run"}).out.find("新死台"),
              std::string::npos);
}

}  // namespace
