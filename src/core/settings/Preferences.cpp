#include "core/settings/Preferences.h"

#include "core/base/AsciiText.h"
#include "core/base/ProfileFile.h"
#include "core/settings/SettingsFile.h"
#include "core/settings/Skin.h"

namespace kw {

Preferences::Preferences(std::filesystem::path programDir, SettingsFile& settings)
    : programDir_(std::move(programDir)), settings_(settings) {}

std::vector<std::string> Preferences::skinNames() const {
    return kw::skinNames(ProfileFile(skinListPath(programDir_)));
}

void Preferences::ApplySkin(std::string_view name, const std::function<void(const Skin&)>& paint) {
    const Skin skin = readSkin(ProfileFile(skinListPath(programDir_)), name, programDir_);
    paint(skin);
    currentSkinName_ = name;
    settings_.setLastSkinName(name);
}

bool Preferences::isCurrentSkin(std::string_view name) const {
    return ascii::equalIgnoringCase(name, currentSkinName_);
}

std::string Preferences::readSetting(std::string_view section, std::string_view key,
                                     std::string_view fallback) const {
    return ProfileFile(settings_.path()).readText(section, key, fallback);
}

void Preferences::writeSetting(std::string_view section, std::string_view key, std::string_view value) {
    ProfileFile(settings_.path()).writeText(section, key, value);
}

}  // namespace kw
