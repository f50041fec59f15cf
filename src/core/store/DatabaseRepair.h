#pragma once

#include <cstdint>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// What the engine's integrity check found in a database file.
struct DatabaseCheck {
    bool sound = true;
    // False when the file could not be opened as a database at all (missing,
    // not a database, unreadable): there is nothing a repair could read.
    bool readable = true;
    // The engine's own lines ("row 4 missing from index ChannelInfo_Name", ...),
    // at most kMaxProblems of them.
    std::vector<std::string> problems;
    static constexpr std::size_t kMaxProblems = 10;
};

// Runs the engine's integrity check on the database file with a connection of
// its own (read-only, so it can run beside the program's connection, on
// another thread). A file that cannot be opened or read at all is unsound
// and unreadable, with the engine's message as its problem.
DatabaseCheck checkDatabaseFile(const std::filesystem::path& databaseFile);

// checkDatabaseFile on a thread of its own, begun at start-up: the check of a
// large catalogue takes seconds, and the window must not wait for it.
class DatabaseCheckAhead {
public:
    explicit DatabaseCheckAhead(const std::filesystem::path& databaseFile);
    bool ready() const;
    // Waits for the check when it has not finished yet.
    DatabaseCheck take();

private:
    std::future<DatabaseCheck> result_;
};

struct DatabaseRepair {
    // Rebuilding the indexes was enough (the damage a lost lock leaves).
    bool reindexed = false;
    // Otherwise the rows that could be read, copied into a fresh file.
    std::int64_t rowsCopied = 0;
    // The damaged file as it was, kept beside the database.
    std::filesystem::path damagedCopy;
};

// Repairs a database file that fails its check. It needs the file to itself
// (another program holding it open refuses it, as for compaction). The file
// as it was is first copied, page for page, to "Kestrelwave.dll.damaged"
// (or ".damaged2", ... when that exists). Then the indexes are rebuilt; when
// the check still fails, every row that can be read goes into a fresh file,
// which takes the database's place in one rename. Throws kw::Error with the
// reason; the database file is then as it was.
DatabaseRepair repairDatabaseFile(const std::filesystem::path& databaseFile);

namespace repair_texts {
inline constexpr std::string_view kDamaged = "频道数据库已损坏，部分频道可能读不出来或丢失。";
inline constexpr std::string_view kAskRepair = "现在修复它吗？修复前会把损坏的文件原样保留一份。";
inline constexpr std::string_view kSound = "频道数据库完好。";
inline constexpr std::string_view kReindexed = "频道数据库已修复：重建了索引，所有频道都在。";
inline constexpr std::string_view kCopiedBefore = "频道数据库已修复：读出 ";
inline constexpr std::string_view kCopiedAfter = " 条记录，放进了一个新的数据库文件。";
inline constexpr std::string_view kKeptCopy = "损坏的文件保留为：";
inline constexpr std::string_view kStillDamaged = "修复后的数据库仍未通过检查。";
}  // namespace repair_texts

// The lines a repair report shows: what was done and where the damaged file is.
std::string describeRepair(const DatabaseRepair& repair);

}  // namespace kw
