#include "core/session/ProgramDirectory.h"

#include "core/base/Error.h"
#include "core/base/XdgFolders.h"
#include "core/session/Installation.h"
#include "core/settings/SettingsFile.h"
#include "core/store/ChannelStore.h"

#include <string>

namespace kw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFolderName = "kestrelwave";

}  // namespace

fs::path shippedDataFolder(const fs::path& executableFolder) {
    return (executableFolder / ".." / "share" / kFolderName).lexically_normal();
}

ProgramLocation locateProgramDirectory(const fs::path& executableFolder, std::string_view xdgDataHome,
                                       std::string_view home) {
    if (fs::exists(executableFolder / ChannelStore::kFileName)) {
        return {executableFolder, ProgramLayout::Portable};
    }
    if (auto dataHome = xdgBaseFolder(xdgDataHome, home, fs::path(".local") / "share")) {
        return {*dataHome / kFolderName, ProgramLayout::PerUser};
    }
    throw Error(
        "Cannot tell where your program directory belongs: neither XDG_DATA_HOME nor HOME names "
        "an absolute folder");
}

ProgramLocation locateProgramDirectory(const fs::path& executableFolder, const Environment& environment) {
    return locateProgramDirectory(executableFolder, environment.xdgDataHome, environment.home);
}

ProgramLocation locateProgramDirectory(const fs::path& executableFolder) {
    return locateProgramDirectory(executableFolder, environmentValue("XDG_DATA_HOME"),
                                  environmentValue("HOME"));
}

bool prepareProgramDirectory(const ProgramLocation& location, const fs::path& dataFolder) {
    if (location.layout != ProgramLayout::PerUser) return false;
    std::error_code error;
    if (fs::exists(location.dir / ChannelStore::kFileName, error)) return false;
    if (fs::exists(location.dir / kSettingsFileName, error)) {
        throw Error("Cannot make the program directory " + location.dir.string() +
                    ": it holds a settings file but no channel database (make a new one with kwave init "
                    "--force)");
    }
    try {
        createInstallation(location.dir, dataFolder, false);
    } catch (const Error& failure) {
        throw Error("Cannot make the program directory " + location.dir.string() + ": " + failure.what());
    }
    return true;
}

}  // namespace kw
