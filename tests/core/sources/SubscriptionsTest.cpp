#include "core/base/Error.h"
#include "core/base/ScrambleText.h"
#include "core/browser/ChannelBrowser.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "support/FakeDesktop.h"
#include "support/FakeDirectoryServers.h"
#include "support/FakeProbe.h"
#include "support/FakeUi.h"
#include "support/FakeWebFetch.h"
#include "support/SessionProbe.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace kw;
namespace fs = std::filesystem;

namespace {

constexpr const char* kList = "http://lists.example/tv/index.m3u";

// A list of n entries with tvg-ids, "Chan i" at http://s.example/i.
std::map<int, std::pair<std::string, std::string>> entries(int n) {
    std::map<int, std::pair<std::string, std::string>> list;
    for (int i = 1; i <= n; ++i)
        list[i] = {"Chan " + std::to_string(i), "http://s.example/" + std::to_string(i)};
    return list;
}

std::string m3u(const std::map<int, std::pair<std::string, std::string>>& list) {
    std::string text = "#EXTM3U\n";
    for (const auto& [id, entry] : list)
        text += "#EXTINF:-1 tvg-id=\"id" + std::to_string(id) + "\" group-title=\"News\"," + entry.first +
                "\n" + entry.second + "\n";
    return text;
}

class SubscriptionsTest : public test::StoreFixture {
protected:
    void SetUp() override {
        makeStore();
        store_.reset();
        session_ = std::make_unique<Session>(programDir_, ui_, desktop_, probe_, web_, servers_);
        session_->open();
    }
    Subscriptions& subscriptions() { return session_->subscriptions(); }
    ChannelStore& channels() { return test::SessionProbe::store(*session_); }
    std::string url(std::string_view name) {
        const ChannelAddress address = channels().readChannelAddress(name);
        return unscrambleText(address.scrambledUrl, address.name);
    }
    std::int64_t userChannels() { return channels().countChannelsInGroup(2); }
    RefreshReport refresh(bool dryRun = false) {
        return *subscriptions().refresh(*subscriptions().find(kList), dryRun);
    }

    test::FakeUi ui_;
    test::FakeDesktop desktop_;
    test::FakeProbe probe_;
    test::FakeWebFetch web_;
    test::FakeDirectoryServers servers_;
    std::unique_ptr<Session> session_;
};

TEST_F(SubscriptionsTest, AnAddressBecomesASubscriptionWhoseChannelsRememberIt) {
    web_.serve(kList, m3u(entries(3)));
    const RefreshReport report = *subscriptions().subscribe(kList, {});
    EXPECT_TRUE(report.subscribed);
    EXPECT_EQ(report.added, 3);
    EXPECT_EQ(userChannels(), 3);
    EXPECT_EQ(channels().readOrigin("Chan 2")->source, kList);
    EXPECT_EQ(channels().readOrigin("Chan 2")->entryId, "id2");

    const std::vector<Subscription> list = subscriptions().list();
    ASSERT_EQ(list.size(), 1U);
    EXPECT_EQ(list[0].row.name, "index (lists.example)");
    EXPECT_EQ(list[0].state.entries, 3);
    EXPECT_FALSE(list[0].state.failed);

    // Subscribing again refreshes instead of adding every channel twice.
    EXPECT_EQ(subscriptions().subscribe(kList, {})->added, 0);
    EXPECT_EQ(userChannels(), 3);
}

TEST_F(SubscriptionsTest, ARefreshUpdatesInPlaceAddsNewAndMarksGoneKeepingWhatTheUserSet) {
    auto list = entries(5);
    web_.serve(kList, m3u(list));
    subscriptions().subscribe(kList, {});
    channels().setFavorited("Chan 1", 1);
    channels().setRating("Chan 2", 3);
    channels().setLocked("Chan 2", 1);
    channels().recordChecks({{"Chan 2", 2, "smooth", 100, 10, 128}});

    list[1].second = "http://s.example/new-1";   // a new address
    list[2].first = "Chan Two";                  // a new title
    list.erase(5);                               // gone
    list[6] = {"Chan 6", "http://s.example/6"};  // new
    web_.serve(kList, m3u(list));
    const RefreshReport report = refresh();

    EXPECT_EQ(report.added, 1);
    EXPECT_EQ(report.updated, 2);
    EXPECT_EQ(report.renamed, 1);
    EXPECT_EQ(report.unchanged, 2);
    EXPECT_EQ(report.gone, std::vector<std::string>{"Chan 5"});

    EXPECT_EQ(url("Chan 1"), "http://s.example/new-1");
    EXPECT_EQ(channels().readChannelDetails("Chan 1").favorited, 1) << "the favourite stays";
    EXPECT_EQ(channels().countChannelsByName("Chan 2"), 0);
    EXPECT_EQ(channels().readChannelDetails("Chan Two").rating, 3) << "the rating follows the rename";
    EXPECT_EQ(channels().readChannelDetails("Chan Two").locked, 1);
    EXPECT_TRUE(channels().readCheck("Chan Two")) << "a new title keeps the check";
    EXPECT_EQ(channels().readOrigin("Chan Two")->entryId, "id2");
    EXPECT_EQ(channels().countChannelsByName("Chan 5"), 1) << "gone entries are marked, not deleted";
    EXPECT_TRUE(test::SessionProbe::browser(*session_).deadChannels().contains("Chan 5"));
    EXPECT_EQ(userChannels(), 6);

    // The list as it is now: nothing left to do, the second time round.
    const RefreshReport again = refresh();
    EXPECT_FALSE(again.changed());
    EXPECT_EQ(again.unchanged, 5);

    // An entry that comes back loses its mark.
    list[5] = {"Chan 5", "http://s.example/5"};
    web_.serve(kList, m3u(list));
    EXPECT_EQ(refresh().updated, 1);
    EXPECT_FALSE(test::SessionProbe::browser(*session_).deadChannels().contains("Chan 5"));
}

TEST_F(SubscriptionsTest, AnUnchangedListWritesNothingAndADryRunReportsWithoutWriting) {
    web_.serve(kList, m3u(entries(4)));
    subscriptions().subscribe(kList, {});
    const fs::path log = programDir_ / (std::string(ChannelStore::kFileName) + "-wal");
    const auto written = [&] {
        std::error_code none;
        return std::pair(fs::file_size(programDir_ / ChannelStore::kFileName), fs::file_size(log, none));
    };
    const auto before = written();
    EXPECT_FALSE(refresh().changed());
    EXPECT_EQ(written(), before) << "an unchanged list writes nothing";

    auto list = entries(4);
    list.erase(4);
    list[9] = {"Chan 9", "http://s.example/9"};
    web_.serve(kList, m3u(list));
    const RefreshReport dry = refresh(true);
    EXPECT_EQ(dry.added, 1);
    EXPECT_EQ(dry.gone.size(), 1U);
    EXPECT_EQ(userChannels(), 4) << "a dry run adds nothing";
    EXPECT_FALSE(channels().readOrigin("Chan 4")->goneSince) << "a dry run marks nothing";
    EXPECT_NE(Subscriptions::describe(dry).find("试运行"), std::string::npos);
}

TEST_F(SubscriptionsTest, AFailedFetchOrAnEmptyListChangesNothingAndIsLogged) {
    web_.serve(kList, m3u(entries(2)));
    subscriptions().subscribe(kList, {});
    const std::int64_t goodAt = subscriptions().list()[0].state.refreshedAt;

    for (const std::string& body : {std::string("#EXTM3U\n"), std::string("<!DOCTYPE html><html></html>")}) {
        web_.serve(kList, body);
        EXPECT_THROW(refresh(), Error) << body;
    }
    web_.answers.erase(kList);
    try {
        refresh();
        ADD_FAILURE() << "a refused connection refreshed";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("连接被拒绝"), std::string::npos) << error.what();
    }
    EXPECT_EQ(userChannels(), 2);
    EXPECT_TRUE(test::SessionProbe::browser(*session_).deadChannels().empty()) << "nothing is marked gone";
    const Subscription after = subscriptions().list()[0];
    EXPECT_TRUE(after.state.failed);
    EXPECT_EQ(after.state.refreshedAt, goodAt) << "the last good refresh stays";
    EXPECT_EQ(after.state.entries, 2);

    EXPECT_THROW(subscriptions().subscribe("http://nothing.example/a.m3u", {}), Error);
    EXPECT_EQ(subscriptions().list().size(), 1U) << "a failed subscribe stores nothing";
}

TEST_F(SubscriptionsTest, UnsubscribeKeepsOrDeletesTheChannels) {
    web_.serve(kList, m3u(entries(3)));
    subscriptions().subscribe(kList, {});
    web_.serve("http://other.example/b.m3u", m3u({{7, {"Other", "http://o.example/7"}}}));
    subscriptions().subscribe("http://other.example/b.m3u", {});

    EXPECT_EQ(subscriptions().unsubscribe(*subscriptions().find("b (other.example)"), false), 0U);
    EXPECT_EQ(channels().countChannelsByName("Other"), 1);
    EXPECT_EQ(subscriptions().unsubscribe(*subscriptions().find(kList), true), 3U);
    EXPECT_EQ(userChannels(), 1);
    EXPECT_TRUE(subscriptions().list().empty());
}

}  // namespace

namespace {

TEST_F(SubscriptionsTest, TheStartRefreshesOnlyWhatIsDueAndOnlyWhenAskedTo) {
    web_.serve(kList, m3u(entries(2)));
    subscriptions().subscribe(kList, {});
    const std::string name = subscriptions().list()[0].row.name;
    RefreshState longAgo = subscriptions().list()[0].state;
    longAgo.triedAt = 1;
    RefreshLog(programDir_).write(name, longAgo);
    const std::size_t fetches = web_.fetched.size();

    for (const char* days : {"0", "-3", "400", "x"}) {
        session_->preferences().writeSetting("Subscriptions", "RefreshAfterDays", days);
        subscriptions().refreshDue();
        EXPECT_EQ(web_.fetched.size(), fetches) << "RefreshAfterDays=" << days << " refreshes nothing";
    }
    session_->preferences().writeSetting("Subscriptions", "RefreshAfterDays", "7");
    subscriptions().refreshDue();
    EXPECT_EQ(web_.fetched.size(), fetches + 1);
    subscriptions().refreshDue();
    EXPECT_EQ(web_.fetched.size(), fetches + 1) << "refreshed just now, so not due";
    EXPECT_TRUE(ui_.messages.empty()) << "an unchanged list says nothing at start";
}

}  // namespace

namespace {

// One channel from several servers under one tvg-id, as real lists have it.
std::string repeats(std::initializer_list<std::pair<const char*, const char*>> entries) {
    std::string text = "#EXTM3U\n";
    for (const auto& [title, address] : entries)
        text += std::string("#EXTINF:-1 tvg-id=\"CCTV1.cn\",") + title + "\n" + address + "\n";
    return text;
}

TEST_F(SubscriptionsTest, RepeatsOfAnIdAreToldApartByAddressThenTitleNotByPlace) {
    web_.serve(kList, repeats({{"CCTV-1 (1080p)", "http://a/1"},
                               {"CCTV-1 (1080p)", "http://b/1"},
                               {"CCTV-1 (576p)", "http://c/1"}}));
    subscriptions().subscribe(kList, {});
    channels().setFavorited("CCTV-1 (576p)", 1);

    // A new server first in the list moves every other entry down one place.
    web_.serve(kList, repeats({{"CCTV-1 (1080p)", "http://new/1"},
                               {"CCTV-1 (1080p)", "http://a/1"},
                               {"CCTV-1 (1080p)", "http://b/1"},
                               {"CCTV-1 (576p)", "http://c/1"}}));
    RefreshReport report = refresh();
    EXPECT_EQ(report.added, 1);
    EXPECT_EQ(report.unchanged, 3);

    // A new address for the 576p entry finds its channel by title.
    web_.serve(kList, repeats({{"CCTV-1 (1080p)", "http://new/1"},
                               {"CCTV-1 (1080p)", "http://a/1"},
                               {"CCTV-1 (1080p)", "http://b/1"},
                               {"CCTV-1 (576p)", "http://c/2"}}));
    report = refresh();
    EXPECT_EQ(report.updated, 1);
    EXPECT_EQ(report.added, 0);
    EXPECT_EQ(url("CCTV-1 (576p)"), "http://c/2");
    EXPECT_EQ(channels().readChannelDetails("CCTV-1 (576p)").favorited, 1);
}

}  // namespace

namespace {

TEST_F(SubscriptionsTest, TheMenuCommandsAskShowAndRemove) {
    EXPECT_FALSE(subscriptions().actRefreshAll());
    ASSERT_EQ(ui_.messages.size(), 1U);
    EXPECT_EQ(ui_.messages[0].text, Subscriptions::kNoSubscriptions);

    web_.serve(kList, m3u(entries(2)));
    ui_.inputAnswers.push_back(std::string("  ") + kList);
    EXPECT_TRUE(subscriptions().actSubscribe());
    EXPECT_NE(ui_.messages.back().text.find("新增 2"), std::string::npos) << ui_.messages.back().text;

    ui_.inputAnswers.push_back(std::string("ftp://lists.example/a.m3u"));
    EXPECT_FALSE(subscriptions().actSubscribe());
    EXPECT_NE(ui_.errors.back().find("http://"), std::string::npos) << ui_.errors.back();

    EXPECT_TRUE(subscriptions().actRefreshAll());
    EXPECT_NE(ui_.messages.back().text.find("未变 2"), std::string::npos) << ui_.messages.back().text;

    ui_.yesNoAnswers = {true, false};  // remove it, keep its channels
    EXPECT_TRUE(subscriptions().actUnsubscribe(subscriptions().list().at(0)));
    EXPECT_TRUE(subscriptions().list().empty());
    EXPECT_EQ(userChannels(), 2);
}

}  // namespace

namespace {

TEST_F(SubscriptionsTest, AnEntryWithoutAnIdOfItsListKeepsItsChannelThroughANewAddress) {
    web_.serve(kList,
               "#EXTM3U\n#EXTINF:-1,龙岩综合\nhttp://a/old.m3u8\n#EXTINF:-1,龙岩公共\nhttp://a/2.m3u8\n");
    subscriptions().subscribe(kList, {});
    channels().setFavorited("龙岩综合", 1);
    web_.serve(kList,
               "#EXTM3U\n#EXTINF:-1,龙岩综合\nhttp://a/new.m3u8\n#EXTINF:-1,龙岩公共\nhttp://a/2.m3u8\n");
    const RefreshReport report = refresh();
    EXPECT_EQ(report.updated, 1);
    EXPECT_EQ(report.added, 0);
    EXPECT_TRUE(report.gone.empty());
    EXPECT_EQ(url("龙岩综合"), "http://a/new.m3u8");
    EXPECT_EQ(channels().readChannelDetails("龙岩综合").favorited, 1);
    EXPECT_EQ(channels().readOrigin("龙岩综合")->entryId, "http://a/new.m3u8")
        << "the id follows the address";
    EXPECT_FALSE(refresh().changed());
}

}  // namespace
