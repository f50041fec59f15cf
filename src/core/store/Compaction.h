#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace kw {

// The temporary file of a compaction, beside the database file.
inline constexpr std::string_view kCompactionFileName = "Kestrelwave.d11";

namespace compaction_texts {
inline constexpr std::string_view kInUse =
    "频道数据库正被另一个程序使用，现在不能精简。请先关闭使用它的程序（例如另一个鹰波视听或 "
    "kwave），再试一次。";
inline constexpr std::string_view kLeftoverNotRemoved = "上次精简被中断，留下了临时文件，但无法删除它：";
inline constexpr std::string_view kCopyFailed = "精简频道数据时无法写出临时文件：";
inline constexpr std::string_view kDamaged =
    "频道数据库已损坏，不能精简。请先修复它（kwave check-db --repair，或重新启动鹰波视听）。";
}  // namespace compaction_texts

// Writes a compacted copy of the closed database file to Kestrelwave.d11 in
// its folder, syncs it, and renames it over the database file in one step, so
// a crash at any point leaves a whole database under the file's name. The
// copy runs under an exclusive lock on the file, held to the rename: another
// program holding the file open refuses it (kInUse), and none can write in
// between. A leftover Kestrelwave.d11 of an interrupted run is removed under
// that lock first. A damaged database is refused (kDamaged). Errors throw
// kw::Error with the text above, the file and the engine's message; the
// database file is then unchanged.
void CompactDatabaseFile(const std::filesystem::path& databaseFile);

// Removes a temporary database file and what the engine may have left beside
// it (its journal, log and shared-memory file); the first error, if any.
std::error_code removeTemporaryDatabase(const std::filesystem::path& temporary);

// Start-up: a Kestrelwave.d11 alone, without the database file beside it, is
// a compaction that finished its copy but not its rename; it is put in
// place. Returns whether it was. One beside the database is an interrupted
// copy and is removed.
bool finishInterruptedCompaction(const std::filesystem::path& databaseFile);

}  // namespace kw
