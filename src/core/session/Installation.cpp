#include "core/session/Installation.h"

#include "core/base/Error.h"
#include "core/base/ScrambleText.h"
#include "core/settings/SettingsFile.h"
#include "core/speed/SpeedChannelSet.h"
#include "core/speed/SpeedChannels.h"
#include "core/store/ChannelStore.h"
#include "core/store/DefaultCatalogue.h"

#include <array>
#include <string>
#include <utility>

namespace kw {
namespace {

namespace fs = std::filesystem;

// The settings row's name is the key of its scrambled advertisement frequency.
constexpr std::string_view kSettingsRowName = "KestrelWaveSettings";
constexpr std::string_view kDefaultAdvertisementFrequency = "3";
constexpr std::string_view kAuthorEmail = "author@kestrelwave.example";

// Speed-channel slots the default set fills, with catalogue channels.
constexpr std::array<std::pair<int, std::string_view>, 8> kDefaultSpeedChannels{{
    {1, "CCTV-1综合"},
    {2, "CCTV-4中文国际"},
    {3, "CCTV-13新闻"},
    {4, "东方卫视"},
    {5, "鳳凰衛視中文"},
    {6, "CNR-1 中国之声"},
    {7, "CGTN Radio"},
    {8, "北京新闻广播"},
}};

bool holdsInstallation(const fs::path& dir) {
    return fs::exists(dir / ChannelStore::kFileName) || fs::exists(dir / kSettingsFileName);
}

void copyFolder(const fs::path& from, const fs::path& to) {
    if (!fs::is_directory(from)) return;
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// Builds the database under a temporary name and puts it in place only when
// complete, so a failed init never leaves half a catalogue behind.
std::size_t installDatabase(const fs::path& dir, const std::vector<CatalogueChannel>& catalogue) {
    const fs::path target = dir / ChannelStore::kFileName;
    fs::path building = target;
    building += ".new";
    fs::remove(building);

    SettingsRow settings;
    settings.name = kSettingsRowName;
    settings.scrambledSpeed = scrambleText(kDefaultAdvertisementFrequency, kSettingsRowName);
    {
        auto store = ChannelStore::create(building, settings);
        store->inTransaction([&] {
            for (const CatalogueChannel& channel : catalogue) {
                ChannelRecord record{channel.class0, channel.class1, channel.class2,
                                     channel.class3, channel.name,   scrambleText(channel.url, channel.name),
                                     channel.link,   channel.memo,   channel.type,
                                     channel.speed};
                store->insertChannel(record, 1, kCatalogueIssue);
            }
        });
    }
    // A journal left by the old database must never be applied to the new one.
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        fs::path journal = target;
        journal += suffix;
        fs::remove(journal);
    }
    fs::rename(building, target);
    return catalogue.size();
}

void installSettingsFile(const fs::path& dir) {
    SettingsFile settings(dir);
    settings.setAuthorHomePage(kDefaultHomePage);
    settings.setAuthorEmail(kAuthorEmail);
    settings.setVerDat(kCatalogueIssue);
}

void installDefaultSpeedChannels(const fs::path& dir) {
    SpeedChannels slots;
    for (const auto& [slot, name] : kDefaultSpeedChannels) slots.setName(slot, std::string(name));
    fs::create_directories(dir / kSpeedSetFolder);
    SpeedChannelSet::writeSetFile(dir / kSpeedSetFolder / kDefaultSpeedSet, slots);
}

}  // namespace

InstallationSummary createInstallation(const fs::path& programDir, const fs::path& dataDir, bool force) {
    if (holdsInstallation(programDir) && !force) {
        throw Error(programDir.string() + " already holds an installation; use --force to replace it");
    }
    const auto catalogue = readCatalogue(dataDir / "catalogue" / "channels.tsv");
    try {
        fs::create_directories(programDir);
        InstallationSummary summary;
        summary.systemChannels = installDatabase(programDir, catalogue);
        installSettingsFile(programDir);
        installDefaultSpeedChannels(programDir);
        copyFolder(dataDir / "Skins", programDir / "Skins");
        copyFolder(dataDir / "Help", programDir / "Help");
        fs::create_directories(programDir / "Skins");
        fs::create_directories(programDir / "Help");
        return summary;
    } catch (const fs::filesystem_error& error) {
        throw Error(error.what());
    }
}

}  // namespace kw
