#include "core/base/XdgFolders.h"

#include <cstdlib>

namespace kw {

std::string_view environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

std::optional<std::filesystem::path> xdgBaseFolder(std::string_view value, std::string_view home,
                                                   const std::filesystem::path& homeDefault) {
    if (value.starts_with('/')) return std::filesystem::path(value);
    if (home.starts_with('/')) return std::filesystem::path(home) / homeDefault;
    return std::nullopt;
}

}  // namespace kw
