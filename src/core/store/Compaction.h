#pragma once

#include <filesystem>
#include <string_view>

namespace kw {

// The temporary file of a compaction, beside the database file.
inline constexpr std::string_view kCompactionFileName = "Kestrelwave.d11";

// Writes a compacted copy of the closed database file to Kestrelwave.d11 in
// its folder, syncs it, and renames it over the database file in one step, so
// a crash at any point leaves a whole database under the file's name. Throws
// kw::Error with the engine's message when the copy fails (for example when
// Kestrelwave.d11 already exists); the database file is then unchanged.
void CompactDatabaseFile(const std::filesystem::path& databaseFile);

// Start-up: a Kestrelwave.d11 alone, without the database file beside it, is
// a compaction that finished its copy but not its rename; it is put in
// place. Returns whether it was.
bool finishInterruptedCompaction(const std::filesystem::path& databaseFile);

}  // namespace kw
