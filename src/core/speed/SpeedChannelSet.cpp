#include "core/speed/SpeedChannelSet.h"

#include "core/base/ProfileFile.h"
#include "core/ports/UiPort.h"
#include "core/settings/SettingsFile.h"
#include "core/speed/SpeedChannels.h"

#include <optional>
#include <vector>

namespace kw {

SpeedChannelSet::SpeedChannelSet(SpeedChannels& slots, SettingsFile& settings, UiPort& ui)
    : slots_(slots), settings_(settings), ui_(ui) {}

std::filesystem::path SpeedChannelSet::setFolder() const { return settings_.programDir() / kSpeedSetFolder; }

void SpeedChannelSet::writeSetFile(const std::filesystem::path& path, const SpeedChannels& slots) {
    std::vector<ProfileFile::Entry> entries;
    for (int slot = 1; slot <= SpeedChannels::kSlotCount; ++slot) {
        entries.emplace_back(std::to_string(slot), slots.name(slot));
    }
    ProfileFile(path).writeTexts(kSection, entries);
}

void SpeedChannelSet::SaveSpeedChannelSet(const std::filesystem::path& path) {
    if (path.empty()) return;
    writeSetFile(path, slots_);
    settings_.setScs(path);
}

void SpeedChannelSet::LoadSpeedChannelSet(const std::filesystem::path& path) {
    if (path.empty()) return;
    const ProfileFile file(path);
    for (int slot = 1; slot <= SpeedChannels::kSlotCount; ++slot) {
        slots_.setName(slot, file.readText(kSection, std::to_string(slot)));
    }
    openHint_ = std::string(kOpenHint) + "\r\r[" + path.filename().string() + "]";
}

void SpeedChannelSet::SpeedChannelSaveClick() {
    const std::optional<std::string> chosen =
        ui_.ChooseSaveFile({std::string(kSaveTitle), std::string(kFilter), "scs", setFolder().string(),
                            /*askBeforeReplacing=*/false});
    // Without a file nothing is saved, so the changes must stay marked.
    if (!chosen || chosen->empty()) return;
    SaveSpeedChannelSet(*chosen);
    slots_.setDirty(false);
}

void SpeedChannelSet::SpeedChannelOpenClick() {
    const std::optional<std::string> chosen =
        ui_.ChooseOpenFile({std::string(kOpenTitle), std::string(kFilter), "", setFolder().string()});
    if (!chosen || chosen->empty()) return;
    LoadSpeedChannelSet(*chosen);
    settings_.setScs(*chosen);
}

void SpeedChannelSet::loadAtStartup() { LoadSpeedChannelSet(settings_.scs()); }

void SpeedChannelSet::saveOnExit() {
    if (slots_.dirty()) SaveSpeedChannelSet(setFolder() / kScratchSet);
}

}  // namespace kw
