#include "core/session/Autostart.h"

#include "core/base/Error.h"
#include "core/base/SafeFile.h"
#include "core/base/XdgFolders.h"

#include <fstream>
#include <sstream>

namespace kw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kEntryName = "example.kestrelwave.KestrelWave.desktop";

fs::path configFolder(std::string_view xdgConfigHome, std::string_view home) {
    if (auto folder = xdgBaseFolder(xdgConfigHome, home, ".config")) return *std::move(folder);
    throw Error(
        "Cannot tell where the autostart entry belongs: neither XDG_CONFIG_HOME nor HOME names an "
        "absolute folder");
}

// An Exec argument in double quotes, with the characters the desktop's
// entry format reserves inside quotes escaped; '%' is doubled since the
// Exec key reads it as a field code.
std::string quotedExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '\n' || c == '\r')
            throw Error("A program path with a line break cannot start with the session");
        // Quoting escapes with a backslash, and the value's own escaping
        // doubles every backslash.
        if (c == '"' || c == '`' || c == '$') quoted += R"(\\)";
        if (c == '\\') quoted += R"(\\\)";
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return quoted + '"';
}

// A string value of the entry format: only the backslash needs escaping
// once line breaks are refused.
std::string entryString(const std::string& value) {
    std::string escaped;
    for (char c : value) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

}  // namespace

Autostart::Autostart(std::string_view xdgConfigHome, std::string_view home)
    : entryFile_(configFolder(xdgConfigHome, home) / "autostart" / kEntryName) {}

Autostart::Autostart(const Environment& environment)
    : Autostart(environment.xdgConfigHome, environment.home) {}

Autostart::Autostart() : Autostart(environmentValue("XDG_CONFIG_HOME"), environmentValue("HOME")) {}

bool Autostart::isOn() const {
    std::ifstream entry(entryFile_);
    if (!entry) return false;
    for (std::string line; std::getline(entry, line);) {
        // A user may have switched it off in the desktop's own settings.
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") return false;
    }
    return true;
}

std::string Autostart::entryText(const fs::path& program) {
    std::ostringstream text;
    text << "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=鹰波视听\n"
            "Name[en]=Kestrel Wave\n"
            "Exec="
         << quotedExecArgument(program.string())
         << "\n"
            // The session skips the entry once the program is removed.
            "TryExec="
         << entryString(program.string())
         << "\n"
            "Icon=kestrelwave\n"
            "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n";
    return text.str();
}

void Autostart::set(bool on, const fs::path& program) const {
    std::error_code error;
    if (!on) {
        fs::remove(entryFile_, error);
        if (error) throw Error("Unable to remove " + entryFile_.string() + ": " + error.message());
        return;
    }
    fs::create_directories(entryFile_.parent_path(), error);
    if (error) throwUnableToWrite(entryFile_);
    replaceFileAtomically(entryFile_, entryText(program));
}

}  // namespace kw
