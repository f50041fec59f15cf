#include "core/actions/ChildLock.h"

#include "support/FakeUi.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kw {
namespace {

using Typed = std::vector<std::optional<std::string>>;  // password entries; nullopt = Cancel

struct ConfirmCase {
    int stored;
    std::optional<int> radio;  // none selected: the stored mode stands
    Typed typed;
    int resulting;
    friend void PrintTo(const ConfirmCase& c, std::ostream* os) {
        *os << c.stored << " to " << (c.radio ? std::to_string(*c.radio) : "none") << " typed "
            << c.typed.size();
    }
};

class ConfirmLockMode : public test::StoreFixture, public ::testing::WithParamInterface<ConfirmCase> {};

TEST_P(ConfirmLockMode, LooseningNeedsThePasswordAndTheRowIsWrittenEveryTime) {
    const ConfirmCase& c = GetParam();
    makeStore(c.stored, "pw");
    test::FakeUi ui;
    ui.passwordEntries.assign(c.typed.begin(), c.typed.end());
    ChildLock lock(*store_, ui, std::string(kKey));
    lock.load();

    const std::optional<LockMode> radio =
        c.radio ? std::optional(lockModeFromStored(*c.radio)) : std::nullopt;
    EXPECT_EQ(storedLockMode(lock.confirmLockMode(radio)), c.resulting);

    ASSERT_EQ(ui.passwordShowings.size(), c.typed.empty() ? 0u : 1u);
    if (!c.typed.empty()) {
        EXPECT_EQ(ui.passwordShowings[0].purpose, PasswordPurpose::LoosenLock);
    }
    const SettingsRow row = store_->readSettingsRow();
    EXPECT_EQ(row.locked, c.resulting);
    EXPECT_EQ(unscrambleText(row.scrambledType, kKey), "pw");
}

INSTANTIATE_TEST_SUITE_P(
    EveryPair, ConfirmLockMode,
    ::testing::Values(ConfirmCase{1, 0, {"pw"}, 0}, ConfirmCase{1, 0, {std::nullopt}, 1},
                      ConfirmCase{0, 2, {"PW", "pw"}, 2}, ConfirmCase{1, 2, {std::nullopt}, 1},
                      ConfirmCase{0, 1, {}, 1}, ConfirmCase{2, 0, {}, 0}, ConfirmCase{2, 1, {}, 1},
                      ConfirmCase{0, 0, {}, 0}, ConfirmCase{1, 1, {}, 1}, ConfirmCase{2, 2, {}, 2},
                      // A stored 3 selects no radio and stays without a dialog.
                      ConfirmCase{3, std::nullopt, {}, 3}, ConfirmCase{3, 0, {}, 0},
                      ConfirmCase{3, 2, {std::nullopt}, 3},
                      // Other stored values show the third radio: keeping it loosens.
                      ConfirmCase{7, 2, {"pw"}, 2}, ConfirmCase{7, 2, {std::nullopt}, 7}));

TEST(ChildLock, RadioForStoredModeIsItsOwnNoneForThreeElseTheThird) {
    EXPECT_EQ(radioForMode(LockMode::HideAndAsk), LockMode::HideAndAsk);
    EXPECT_EQ(radioForMode(lockModeFromStored(3)), std::nullopt);
    EXPECT_EQ(radioForMode(lockModeFromStored(-1)), LockMode::ShowWithoutAsking);
    EXPECT_EQ(radioForMode(lockModeFromStored(7)), LockMode::ShowWithoutAsking);
}

class ChildLockTest : public test::StoreFixture {};

TEST_F(ChildLockTest, PasswordChangeHoldsAtOnceAndIsStoredOnlyOnRequest) {
    makeStore(0, "old");
    test::FakeUi ui;
    ChildLock lock(*store_, ui, std::string(kKey));
    lock.load();
    for (const Typed& script : {Typed{std::nullopt}, Typed{"old", std::nullopt},
                                Typed{"old", "x", std::nullopt}, Typed{"wrong", std::nullopt}}) {
        ui.passwordEntries.assign(script.begin(), script.end());
        EXPECT_EQ(lock.changePassword(), ChildLock::PasswordChange::Cancelled);
    }
    ui.passwordEntries = {"old", "a", "A"};
    EXPECT_EQ(lock.changePassword(), ChildLock::PasswordChange::Mismatch);
    EXPECT_EQ(lock.password(), "old");

    ui.passwordEntries = {"old", "  new pw ", "new pw"};
    EXPECT_EQ(lock.changePassword(), ChildLock::PasswordChange::Changed);
    EXPECT_EQ(lock.password(), "new pw");
    EXPECT_EQ(ui.messageTexts(), (std::vector<std::string>{std::string(ChildLock::kPasswordMismatch),
                                                           std::string(ChildLock::kPasswordChanged)}));
    const auto& last = ui.passwordShowings;
    ASSERT_GE(last.size(), 3u);
    EXPECT_EQ(last[last.size() - 2].purpose, PasswordPurpose::NewPassword);
    EXPECT_EQ(last.back().purpose, PasswordPurpose::RepeatPassword);

    EXPECT_EQ(unscrambleText(store_->readSettingsRow().scrambledType, kKey), "old");
    lock.storeSettings();
    EXPECT_EQ(unscrambleText(store_->readSettingsRow().scrambledType, kKey), "new pw");
}

struct LockCase {
    int mode;
    int target;
    Typed typed;
    bool written;
    friend void PrintTo(const LockCase& c, std::ostream* os) {
        *os << "mode " << c.mode << " target " << c.target;
    }
};

class LockChannel : public test::StoreFixture, public ::testing::WithParamInterface<LockCase> {};

TEST_P(LockChannel, UnlockingAsksUnlessModeTwoLockingNeverAsks) {
    const LockCase& c = GetParam();
    makeStore(c.mode, "pw");
    addChannel("频道", "mms://x/", {}, {}, c.target == 0);
    test::FakeUi ui;
    ui.passwordEntries.assign(c.typed.begin(), c.typed.end());
    ChildLock lock(*store_, ui, std::string(kKey));
    lock.load();

    EXPECT_EQ(lock.setChannelLocked("频道", c.target), c.written);

    EXPECT_EQ(ui.passwordShowings.size(), c.typed.empty() ? 0u : 1u);
    EXPECT_EQ(store_->readChannelAddress("频道").locked, c.written ? c.target : 1 - c.target);
}

INSTANTIATE_TEST_SUITE_P(Modes, LockChannel,
                         ::testing::Values(LockCase{0, 0, {"pw"}, true},
                                           LockCase{1, 0, {std::nullopt}, false},
                                           LockCase{0, 0, {"Pw", std::nullopt}, false},
                                           LockCase{2, 0, {}, true}, LockCase{0, 1, {}, true},
                                           LockCase{1, 1, {}, true}));

}  // namespace
}  // namespace kw
