#pragma once

#include <optional>

namespace kw {

// The child lock's mode, by the number the settings row stores. A stored
// number outside these three is kept as it is (it asks like ShowAndAsk); 3
// selects no radio on the settings page.
enum class LockMode : int {
    ShowAndAsk = 0,         // locked channels shown, the password asked
    HideAndAsk = 1,         // locked channels hidden, the password asked
    ShowWithoutAsking = 2,  // locked channels shown, never asked
};

constexpr int storedLockMode(LockMode mode) { return static_cast<int>(mode); }
constexpr LockMode lockModeFromStored(int stored) { return static_cast<LockMode>(stored); }

// Going from hidden to shown or from asking to not asking loosens the lock
// and needs the password.
constexpr bool isLoosening(LockMode from, LockMode to) {
    return (to == LockMode::ShowAndAsk && from == LockMode::HideAndAsk) ||
           (to == LockMode::ShowWithoutAsking && from != LockMode::ShowWithoutAsking);
}

// The mode radio the settings page selects for a stored mode (radio i stands
// for mode i): the three their own, 3 none, any other value the third.
constexpr std::optional<LockMode> radioForMode(LockMode mode) {
    const int stored = storedLockMode(mode);
    if (stored >= 0 && stored <= 2) return mode;
    if (stored == 3) return std::nullopt;
    return LockMode::ShowWithoutAsking;
}

}  // namespace kw
