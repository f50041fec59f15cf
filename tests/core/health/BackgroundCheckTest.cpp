#include "core/health/BackgroundCheck.h"

#include "core/base/ProfileFile.h"
#include "core/browser/ChannelBrowser.h"
#include "core/health/ChannelHealth.h"
#include "core/settings/SettingsFile.h"
#include "support/FakeProbe.h"
#include "support/FakeUi.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

constexpr std::int64_t kDay = 86'400;
constexpr std::int64_t kNow = 1'800'000'000;  // seconds since 1970, the health clock

// A catalogue of user channels and a background check driven by hand: its
// pace clock, the health clock and the probes are the test's.
class BackgroundCheckTest : public test::StoreFixture {
protected:
    void SetUp() override {
        makeStore();
        settings_ = std::make_unique<SettingsFile>(programDir_);
        ProfileFile file(settings_->path());
        file.writeInteger("BackgroundCheck", "AtOnce", 2);
        file.writeInteger("BackgroundCheck", "PerMinute", 4);  // a batch of two every 30 s
        file.writeInteger("BackgroundCheck", "PauseAfterPlayMinutes", 1);
        browser_ = std::make_unique<ChannelBrowser>(*store_, programDir_, ui_, yield_);
        health_ = std::make_unique<ChannelHealth>(*store_, *browser_, *settings_, probe_, yield_,
                                                  [this] { return seconds_; });
        check_ = std::make_unique<BackgroundCheck>(
            *store_, *health_, *settings_, probe_,
            BackgroundCheckHooks{[this] { return busy_; }, [this] { return plays_; }, [this] { return ms_; }},
            BackgroundCheck::Threading::Inline);
    }

    void add(const std::string& name) { addChannel(name, "http://127.0.0.1:9/" + name); }
    void checked(const std::string& name, int status, std::int64_t at) {
        store_->recordChecks({{name, status, status > 0 ? "smooth" : "no-answer", at, -1, 0}});
    }
    // The channels probed since the last call, by the last part of their address.
    std::vector<std::string> probed() {
        std::vector<std::string> names;
        for (const ProbeTarget& target : probe_.probed) names.push_back(target.address.substr(19));
        probe_.probed.clear();
        return names;
    }
    // Ticks at the pace clock's time, seconds from the start.
    void tickAt(std::int64_t secondsFromStart) {
        ms_ = secondsFromStart * 1000;
        check_->tick();
    }

    std::unique_ptr<SettingsFile> settings_;
    test::FakeUi ui_;
    YieldHook yield_;
    test::FakeProbe probe_;
    std::unique_ptr<ChannelBrowser> browser_;
    std::unique_ptr<ChannelHealth> health_;
    std::unique_ptr<BackgroundCheck> check_;
    std::int64_t seconds_ = kNow;
    std::int64_t ms_ = 0;
    bool busy_ = false;
    std::uint64_t plays_ = 0;
};

TEST_F(BackgroundCheckTest, TakesAFirstFailureThenTheUncheckedThenTheOldAtItsPace) {
    for (const char* name : {"old", "new1", "new2", "once", "fresh"}) add(name);
    checked("old", 2, kNow - 8 * kDay);
    checked("fresh", 2, kNow - kDay);
    checked("once", 0, kNow - 2 * 3600);

    tickAt(0);
    EXPECT_EQ(probed(), (std::vector<std::string>{"once", "new1"}));
    tickAt(1);
    EXPECT_EQ(check_->kept(), 2u) << "the results are kept at the next tick";
    EXPECT_EQ(store_->readCheck("once")->failures, 2) << "confirmed: dead";
    EXPECT_TRUE(browser_->deadChannels().contains("once"));
    tickAt(29);
    EXPECT_TRUE(probed().empty()) << "four a minute: the next two after 30 s";
    tickAt(30);
    EXPECT_EQ(probed(), (std::vector<std::string>{"new2", "old"}));
    tickAt(60);
    EXPECT_TRUE(probed().empty()) << "everything checked within the last seven days";

    seconds_ += 7 * kDay;
    tickAt(120);  // the idle look comes a minute after the last
    EXPECT_EQ(probed().size(), 2u) << "a week on, the next pass begins";
}

TEST_F(BackgroundCheckTest, WaitsForOtherWorkRestsAfterAPlayAndStaysOffWhenTurnedOff) {
    add("a");
    add("b");
    busy_ = true;
    tickAt(0);
    EXPECT_TRUE(probed().empty());
    busy_ = false;
    plays_ = 1;
    tickAt(1);
    tickAt(60);
    EXPECT_TRUE(probed().empty()) << "a minute's rest after the play";
    tickAt(61);
    EXPECT_EQ(probed().size(), 2u);
    tickAt(62);  // both kept as a first failure

    settings_->setBackgroundCheckEnabled(false);
    seconds_ += 2 * 3600;
    tickAt(1000);
    EXPECT_TRUE(probed().empty());
    settings_->setBackgroundCheckEnabled(true);
    tickAt(1006);
    EXPECT_EQ(probed(), (std::vector<std::string>{"a", "b"})) << "their failures wait to be confirmed";
}

}  // namespace
}  // namespace kw
