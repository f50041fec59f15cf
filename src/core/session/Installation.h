#pragma once

#include <filesystem>
#include <string_view>

namespace kw {

// The label of the data issue the shipped catalogue belongs to; system
// channels carry it in ci_Vol and the settings file in VerDat.
inline constexpr std::string_view kCatalogueIssue = "2026.12";

struct InstallationSummary {
    std::size_t systemChannels = 0;
};

// Makes a complete program directory: the channel database with its settings
// row and the shipped catalogue as system channels, the settings file with
// the installation's keys, SCS/Default.scs, and the Skins and Help folders
// copied from dataDir. Refuses a directory that already holds an installation
// unless `force` is set; the database is built beside the old one and put in
// its place only when complete.
InstallationSummary createInstallation(const std::filesystem::path& programDir,
                                       const std::filesystem::path& dataDir, bool force);

}  // namespace kw
