#include "core/browser/ChannelBrowser.h"
#include "core/session/OptionsVisit.h"
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

namespace kw {
namespace {

class OptionsVisitTest : public test::StoreFixture {
protected:
    void SetUp() override {
        makeStore();
        addChannel("中央一台", "mms://one/");
        store_.reset();
        session_ = std::make_unique<Session>(programDir_, ui_, desktop_, probe_, web_, servers_);
        session_->open();
    }

    std::uint64_t generation() const { return test::SessionProbe::browser(*session_).tree().generation(); }

    test::FakeUi ui_;
    test::FakeDesktop desktop_;
    test::FakeProbe probe_;
    test::FakeWebFetch web_;
    test::FakeDirectoryServers servers_;
    std::unique_ptr<Session> session_;
};

struct PageCase {
    const char* what;
    OptionsPage page;
    std::optional<FormMode> form;
    bool rebuiltAtEnd;  // when nothing was cancelled
};

class OptionsVisitPages : public OptionsVisitTest, public ::testing::WithParamInterface<PageCase> {};

// The visit is for the page it was opened on: its form, and its closing step.
TEST_P(OptionsVisitPages, GivesThePageItsFormAndItsClosingStep) {
    const PageCase& c = GetParam();
    const std::unique_ptr<OptionsVisit> visit = session_->visitOptions(c.page);
    ASSERT_NE(visit, nullptr);
    EXPECT_EQ(visit->page(), c.page);
    ASSERT_EQ(visit->form() != nullptr, c.form.has_value());
    if (c.form) {
        EXPECT_EQ(visit->form()->mode(), *c.form);
    }
    const auto before = generation();
    visit->end();
    EXPECT_EQ(generation() != before, c.rebuiltAtEnd);
    EXPECT_FALSE(session_->optionsOpen());
}

INSTANTIATE_TEST_SUITE_P(Pages, OptionsVisitPages,
                         ::testing::Values(PageCase{"settings", OptionsPage::Settings, std::nullopt, true},
                                           PageCase{"add", OptionsPage::Add, FormMode::Add, true},
                                           PageCase{"edit", OptionsPage::Edit, FormMode::Edit, true},
                                           PageCase{"timer", OptionsPage::Timer, std::nullopt, false},
                                           PageCase{"about", OptionsPage::About, std::nullopt, false}),
                         [](const auto& param) { return std::string(param.param.what); });

// Ending twice, or ending and then being destroyed, closes only this visit:
// a visit opened meanwhile stays open, and nothing is rebuilt again.
TEST_F(OptionsVisitTest, TheClosingStepRunsOnce) {
    std::unique_ptr<OptionsVisit> first = session_->visitOptions(OptionsPage::Settings);
    first->end();
    const auto afterEnd = generation();
    const std::unique_ptr<OptionsVisit> second = session_->visitOptions(OptionsPage::About);
    ASSERT_NE(second, nullptr);
    first->end();
    first.reset();
    EXPECT_EQ(generation(), afterEnd);
    EXPECT_TRUE(session_->optionsOpen());
    EXPECT_EQ(session_->visitOptions(OptionsPage::Settings), nullptr);
    EXPECT_EQ(ui_.messageTexts(), std::vector<std::string>{std::string(OptionsVisit::kOpenRefusal)});
}

// A visit dropped without its closing step (a window that could not be
// built) is a cancel: the window may open again and the tree stays.
TEST_F(OptionsVisitTest, ADroppedVisitIsACancel) {
    const auto before = generation();
    for (const OptionsPage page : {OptionsPage::Settings, OptionsPage::Add}) {
        EXPECT_NE(session_->visitOptions(page), nullptr);
        EXPECT_FALSE(session_->optionsOpen());
    }
    EXPECT_EQ(generation(), before);
    session_->query().rebuildFromDatabase();
    session_->query().select(session_->query().findChannelLeaf("中央一台"));
    EXPECT_EQ(session_->visitOptions(OptionsPage::Edit)->channelToEdit(), "中央一台");
}

TEST(OptionsVisitWithoutDatabase, OpensNothing) {
    test::FakeUi ui;
    test::FakeDesktop desktop;
    test::FakeProbe probe;
    test::FakeWebFetch web;
    test::FakeDirectoryServers servers;
    Session session("/nonexistent", ui, desktop, probe, web, servers);
    EXPECT_EQ(session.visitOptions(OptionsPage::Settings), nullptr);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace kw
