#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kw {

// How the last refresh of a subscription went. A refresh that changes
// nothing must leave the channel database untouched, so this lives in a
// file of its own beside it.
struct RefreshState {
    std::int64_t refreshedAt = 0;  // the last refresh that read the list, seconds since 1970; 0 for never
    std::int64_t entries = 0;      // the entries that refresh read
    std::int64_t triedAt = 0;      // the last attempt, good or not
    std::string result;            // what the last attempt said, one line
    bool failed = false;           // whether the last attempt failed
};

// Subscriptions.ini in the program directory: a section per subscription name.
class RefreshLog {
public:
    static constexpr std::string_view kFileName = "Subscriptions.ini";

    explicit RefreshLog(std::filesystem::path programDir);

    RefreshState read(std::string_view name) const;
    // Throws kw::Error when the file cannot be written.
    void write(std::string_view name, const RefreshState& state) const;
    void forget(std::string_view name) const;

private:
    std::filesystem::path file_;
};

}  // namespace kw
