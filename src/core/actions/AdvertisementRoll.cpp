#include "core/actions/AdvertisementRoll.h"

#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/ports/UiPort.h"
#include "core/store/ChannelStore.h"

#include <charconv>
#include <memory>
#include <utility>

namespace kw {

AdvertisementRoll::AdvertisementRoll(UiPort& ui, RandomSource random) : ui_(ui), random_(std::move(random)) {}

int AdvertisementRoll::parseFrequency(std::string_view text) {
    std::string_view digits = text::trimBlanks(text);
    if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return kDefaultFrequency;
    return value;
}

int AdvertisementRoll::frequencyFrom(const SettingsRow& row) {
    if (row.scrambledSpeed.empty()) return kDefaultFrequency;
    return parseFrequency(unscrambleText(row.scrambledSpeed, row.name));
}

void AdvertisementRoll::start(int frequency) {
    frequency_ = frequency;
    draw_.reset();
    if (frequency_ > 0) draw_ = random_(frequency_);
}

bool AdvertisementRoll::roll() {
    if (!draw_ || random_(frequency_) != *draw_) return false;
    ui_.ShowAdvertisement();
    return true;
}

}  // namespace kw
