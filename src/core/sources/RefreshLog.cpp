#include "core/sources/RefreshLog.h"

#include "core/base/ProfileFile.h"

#include <array>
#include <charconv>

namespace kw {
namespace {

std::int64_t numberOf(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0 ? value : 0;
}

}  // namespace

RefreshLog::RefreshLog(std::filesystem::path programDir) : file_(std::move(programDir) / kFileName) {}

RefreshState RefreshLog::read(std::string_view name) const {
    const ProfileFile file(file_);
    RefreshState state;
    state.refreshedAt = numberOf(file.readText(name, "RefreshedAt"));
    state.entries = numberOf(file.readText(name, "Entries"));
    state.triedAt = numberOf(file.readText(name, "TriedAt"));
    state.result = file.readText(name, "Result");
    state.failed = file.readBool(name, "Failed", false);
    return state;
}

void RefreshLog::write(std::string_view name, const RefreshState& state) const {
    const std::array<ProfileFile::Entry, 5> entries = {{{"RefreshedAt", std::to_string(state.refreshedAt)},
                                                        {"Entries", std::to_string(state.entries)},
                                                        {"TriedAt", std::to_string(state.triedAt)},
                                                        {"Result", state.result},
                                                        {"Failed", state.failed ? "1" : "0"}}};
    ProfileFile(file_).writeTexts(name, entries);
}

void RefreshLog::forget(std::string_view name) const { write(name, RefreshState{}); }

}  // namespace kw
