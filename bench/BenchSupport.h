#pragma once

// Small pieces every benchmark program shares: a Ui that answers nothing and
// sizes taken from the environment, so a run can be kept small or made large.

#include "SyntheticCatalogue.h"

#include "core/base/ScrambleText.h"
#include "core/store/ChannelStore.h"
#include "support/SilentUi.h"

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kw::bench {

using test::SilentUi;

inline std::size_t sizeFromEnv(const char* name, std::size_t fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? static_cast<std::size_t>(std::strtoull(value, nullptr, 10)) : fallback;
}

// The most memory the process has held so far.
inline double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The memory the process holds now (VmRSS), or the most it held since the
// last restartPeak (VmHWM), from /proc/self/status.
inline double statusMegabytes(std::string_view key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(key) && line.size() > key.size() && line[key.size()] == ':')
            return std::strtod(line.c_str() + key.size() + 1, nullptr) / 1024.0;
    }
    return 0;
}
inline void restartPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// A folder of this name under the temporary folder, emptied.
inline std::filesystem::path emptyFolder(const std::string& name) {
    const std::filesystem::path made = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(made);
    std::filesystem::create_directories(made);
    return made;
}

// A new channel database file holding only its settings row.
inline std::unique_ptr<ChannelStore> createCatalogueDatabase(const std::filesystem::path& file) {
    SettingsRow settings;
    settings.name = "Kestrel";
    return ChannelStore::create(file, settings);
}

// A database file of count synthetic channels, each with the address
// addressOf(name) and the given format and description.
inline void writeCatalogueDatabase(const std::filesystem::path& file, std::size_t count,
                                   const std::function<std::string(const std::string&)>& addressOf,
                                   const std::string& type, const std::string& memo = {}) {
    auto store = createCatalogueDatabase(file);
    store->inTransaction([&] {
        ChannelRecord record;
        record.type = type;
        record.memo = memo;
        for (const ChannelListing& row : syntheticCatalogue(count)) {
            record.class0 = row.class0;
            record.class1 = row.class1;
            record.class2 = row.class2;
            record.class3 = row.class3;
            record.name = row.name;
            record.scrambledUrl = scrambleText(addressOf(row.name), row.name);
            store->insertChannel(record, row.vol == "User" ? 2 : 1, row.vol);
        }
    });
}

}  // namespace kw::bench
