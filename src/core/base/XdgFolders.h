#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace kw {

// A variable of this process; an unset one reads as empty.
std::string_view environmentValue(const char* name);

// The folder a desktop base-directory variable (XDG_DATA_HOME,
// XDG_CONFIG_HOME) stands for: its value when absolute, a relative one being
// invalid and ignored; else `home` joined with `homeDefault` (".local/share",
// ".config"). Empty texts stand for unset variables; nothing when neither
// names an absolute folder.
std::optional<std::filesystem::path> xdgBaseFolder(std::string_view value, std::string_view home,
                                                   const std::filesystem::path& homeDefault);

}  // namespace kw
