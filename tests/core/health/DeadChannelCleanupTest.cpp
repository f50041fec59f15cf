#include "core/health/DeadChannelCleanup.h"

#include "core/browser/ChannelBrowser.h"
#include "core/store/ChannelStore.h"
#include "support/ExpectError.h"
#include "support/FakeUi.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

using namespace kw;

namespace {

constexpr std::int64_t kNow = 1'750'000'000;
constexpr std::int64_t kDay = DeadChannelRule::kSecondsPerDay;

class DeadChannelCleanupTest : public test::StoreFixture {
protected:
    void SetUp() override { makeStore(); }
    void TearDown() override {
        cleanup_.reset();
        browser_.reset();
        StoreFixture::TearDown();
    }

    void addSystemChannel(const std::string& name) {
        ChannelRecord record;
        record.class0 = "C广播电台";
        record.name = name;
        record.scrambledUrl = scrambleText("http://example.com/live", name);
        store_->insertChannel(record, 1, "2026.12");
    }
    // `failures` failed checks in a row, the first at `since`, an hour apart.
    void fail(const std::string& name, int failures, std::int64_t since,
              std::string_view reason = "http-status") {
        for (int i = 0; i < failures; ++i) store_->recordChecks({{name, 0, reason, since + i * 3600, -1, 0}});
    }
    ChannelBrowser& browser() {
        if (!browser_) browser_ = std::make_unique<ChannelBrowser>(*store_, programDir_, ui_, yield_);
        return *browser_;
    }
    DeadChannelCleanup& cleanup() {
        if (!cleanup_)
            cleanup_ = std::make_unique<DeadChannelCleanup>(*store_, browser(), ui_, [] { return kNow; });
        return *cleanup_;
    }
    std::vector<std::string> candidateNames(const DeadChannelRule& rule = {}) {
        std::vector<std::string> names;
        for (const DeadChannelCandidate& c : cleanup().candidates(rule)) names.push_back(c.name);
        return names;
    }
    bool inTree(std::string_view name) {
        const ChannelTree& tree = browser().tree();
        for (NodeId n = tree.nextInTreeOrder(kNoNode); n != kNoNode; n = tree.nextInTreeOrder(n)) {
            if (tree.IsChannelLeaf(n) && tree.text(n) == name) return true;
        }
        return false;
    }

    test::FakeUi ui_;
    YieldHook yield_;
    std::unique_ptr<ChannelBrowser> browser_;
    std::unique_ptr<DeadChannelCleanup> cleanup_;
};

struct RuleCase {
    const char* what;
    int failures;
    std::int64_t since;  // the first failure
    bool cameBack;       // a good check after the failures
    DeadChannelRule rule;
    bool taken;
    friend void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.what; }
};

class DeadChannelRuleTest : public DeadChannelCleanupTest, public testing::WithParamInterface<RuleCase> {};

TEST_P(DeadChannelRuleTest, TakesChannelsThatFailedOftenEnoughForLongEnough) {
    const RuleCase& c = GetParam();
    addChannel("自添台", "http://example.com/a");
    addSystemChannel("系统台");
    for (const std::string name : {"自添台", "系统台"}) {
        fail(name, c.failures, c.since);
        if (c.cameBack) store_->recordChecks({{name, 2, "smooth", kNow - 60, 10, 128}});
    }
    const std::vector<std::string> expected =
        c.taken ? std::vector<std::string>{"系统台", "自添台"} : std::vector<std::string>{};
    EXPECT_EQ(candidateNames(c.rule), expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeadChannelRuleTest,
    testing::Values(RuleCase{"three failures seven days ago", 3, kNow - 7 * kDay, false, {}, true},
                    RuleCase{"a second short of seven days", 3, kNow - 7 * kDay + 1, false, {}, false},
                    RuleCase{"two failures are too few", 2, kNow - 30 * kDay, false, {}, false},
                    RuleCase{"many failures long ago", 9, kNow - 400 * kDay, false, {}, true},
                    RuleCase{"came back alive", 3, kNow - 30 * kDay, true, {}, false},
                    RuleCase{"one failure today, no days asked", 1, kNow, false, {1, 0}, true},
                    RuleCase{"one failure, two asked", 1, kNow - 30 * kDay, false, {2, 0}, false}));

TEST_F(DeadChannelCleanupTest, ListsLongestFailingFirstWithReasonWordsAndLeavesOutWhatIsNoChannel) {
    addChannel("b台", "http://example.com/b");
    addChannel("A台", "http://example.com/a");
    addSystemChannel("老台");
    addChannel("锁台", "http://example.com/l", {}, {}, /*locked=*/true);
    fail("b台", 3, kNow - 10 * kDay, "connection-refused");
    fail("A台", 4, kNow - 10 * kDay, "a-newer-code");
    fail("老台", 3, kNow - 90 * kDay);
    fail("锁台", 3, kNow - 90 * kDay);
    fail("已删台", 3, kNow - 90 * kDay);  // a check kept after its channel went

    const std::vector<DeadChannelCandidate> expected = {
        {"老台", "服务器回答 HTTP", 3, kNow - 90 * kDay},
        {"锁台", "服务器回答 HTTP", 3, kNow - 90 * kDay},
        {"A台", "a-newer-code", 4, kNow - 10 * kDay},
        {"b台", "连接被拒绝", 3, kNow - 10 * kDay},
    };
    EXPECT_EQ(cleanup().candidates(), expected);

    browser().setLockMode(1);  // the child lock hides locked channels
    EXPECT_EQ(candidateNames(), (std::vector<std::string>{"老台", "A台", "b台"}));
}

TEST_F(DeadChannelCleanupTest, RefusesARuleOfNoFailuresOrNegativeDays) {
    for (const DeadChannelRule rule : {DeadChannelRule{0, 7}, DeadChannelRule{3, -1}}) {
        EXPECT_ERROR(DeadChannelCleanup::kInvalidRule, cleanup().candidates(rule));
        EXPECT_ERROR(DeadChannelCleanup::kInvalidRule, cleanup().deleteChannels({"x"}, rule));
    }
}

TEST_F(DeadChannelCleanupTest, DeletesTheChosenAfterOneQuestionAndBringsTheTreeUpToDate) {
    for (const std::string name : {"死台", "收藏死台", "另一死台", "活台"})
        addChannel(name, "http://example.com/x");
    store_->setFavorited("收藏死台", 1);
    for (const std::string name : {"死台", "收藏死台", "另一死台"}) fail(name, 3, kNow - 30 * kDay);
    browser().RebuildChannelTree(false);
    ASSERT_TRUE(inTree("收藏死台"));
    ASSERT_TRUE(browser().deadChannels().contains("死台"));

    ui_.yesNoAnswers = {false};
    EXPECT_EQ(cleanup().confirmAndDelete({"死台", "收藏死台"}), std::nullopt);
    EXPECT_EQ(store_->countChannelsByName("死台"), 1);

    // "另一死台" is not chosen; "活台" was never dead, so naming it deletes nothing.
    ui_.yesNoAnswers = {true};
    EXPECT_EQ(cleanup().confirmAndDelete({"死台", "收藏死台", "活台"}), std::optional<std::size_t>(2));
    EXPECT_EQ(ui_.questions.back().text, DeadChannelCleanup::confirmQuestion(3));
    EXPECT_NE(ui_.questions.back().text.find(" 3 个失效频道"), std::string::npos);
    for (const std::string name : {"死台", "收藏死台"}) {
        EXPECT_EQ(store_->countChannelsByName(name), 0) << name;
        EXPECT_FALSE(store_->readCheck(name)) << name;
        EXPECT_FALSE(inTree(name)) << name;
        EXPECT_FALSE(browser().deadChannels().contains(name)) << name;
    }
    EXPECT_TRUE(inTree("活台"));
    EXPECT_TRUE(inTree("另一死台"));
    EXPECT_TRUE(browser().deadChannels().contains("另一死台"));
}

TEST_F(DeadChannelCleanupTest, KeepsAChannelFoundAliveSinceTheListWasMade) {
    addChannel("死台", "http://example.com/x");
    fail("死台", 3, kNow - 30 * kDay);
    const std::vector<std::string> listed = candidateNames();
    ASSERT_EQ(listed, std::vector<std::string>{"死台"});
    store_->recordChecks({{"死台", 1, "slow", kNow, 10, 30}});

    EXPECT_EQ(cleanup().deleteChannels(listed), 0u);
    EXPECT_EQ(store_->countChannelsByName("死台"), 1);
}

}  // namespace
