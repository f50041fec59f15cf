#pragma once

#include "core/base/Environment.h"

#include <filesystem>
#include <string_view>

namespace kw {

// The data an installation ships (catalogue, skins, help, artwork) for
// programs in `executableFolder`: ../share/kestrelwave beside that folder, in
// an installed prefix, a staged folder and the build tree alike.
std::filesystem::path shippedDataFolder(const std::filesystem::path& executableFolder);

enum class ProgramLayout {
    Portable,  // the executable's folder holds the channel database
    PerUser,   // the user's own folder under $XDG_DATA_HOME
};

struct ProgramLocation {
    std::filesystem::path dir;
    ProgramLayout layout = ProgramLayout::Portable;
};

// Which program directory programs in `executableFolder` use: that folder
// when it holds the channel database, else $XDG_DATA_HOME/kestrelwave (an
// absolute XDG_DATA_HOME only), else $HOME/.local/share/kestrelwave. Empty
// texts stand for unset variables. Throws Error when neither is usable.
ProgramLocation locateProgramDirectory(const std::filesystem::path& executableFolder,
                                       std::string_view xdgDataHome, std::string_view home);
ProgramLocation locateProgramDirectory(const std::filesystem::path& executableFolder,
                                       const Environment& environment);
// The same with the variables of this process, for callers not yet given an Environment.
ProgramLocation locateProgramDirectory(const std::filesystem::path& executableFolder);

// Makes a per-user program directory that has no channel database yet from
// the shipped data, as `kwave init` does; true when it made one. A portable
// directory is left as it is. Throws Error with the reason when the
// directory cannot be made, and refuses a folder that holds settings but no
// database rather than write over the user's settings.
bool prepareProgramDirectory(const ProgramLocation& location, const std::filesystem::path& dataFolder);

}  // namespace kw
