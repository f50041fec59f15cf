#pragma once

#include "core/base/Environment.h"

#include <functional>
#include <optional>
#include <string_view>

namespace kw {

struct SettingsRow;
class UiPort;

// The advertisement roll: after plays and related-site visits the
// advertisement window comes up with a chance of one in N. R is drawn once at
// start; each roll draws afresh and shows the advertisement on a match.
class AdvertisementRoll {
public:
    static constexpr int kDefaultFrequency = 3;

    AdvertisementRoll(UiPort& ui, RandomSource random);

    // N from the settings row: ci_Speed unscrambled under the row's name and
    // read as a whole number; empty or not a number gives 3.
    static int frequencyFrom(const SettingsRow& row);
    static int parseFrequency(std::string_view text);

    // Start-up: sets N and draws R when N is above 0. Until then no roll shows
    // anything, and neither does an N of 0 or below.
    void start(int frequency);

    int frequency() const { return frequency_; }
    std::optional<int> draw() const { return draw_; }

    // One roll; returns whether the advertisement was shown.
    bool roll();

private:
    UiPort& ui_;
    RandomSource random_;
    int frequency_ = 0;
    std::optional<int> draw_;
};

}  // namespace kw
