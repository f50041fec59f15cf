#pragma once

#include "core/base/Environment.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace kw {

// The entry that starts the program with the user's desktop session: a file
// in the XDG autostart folder, written and removed by the program; absent
// by default.
class Autostart {
public:
    // The entry in $XDG_CONFIG_HOME/autostart (an absolute XDG_CONFIG_HOME
    // only), else $HOME/.config/autostart; empty texts stand for unset
    // variables. Throws Error when neither names an absolute folder.
    Autostart(std::string_view xdgConfigHome, std::string_view home);
    explicit Autostart(const Environment& environment);
    // The same with the variables of this process, for callers not yet given an Environment.
    Autostart();

    const std::filesystem::path& entryFile() const { return entryFile_; }
    // True when the entry exists and the desktop would run it.
    bool isOn() const;
    // Writes the entry starting `program`, or removes it. Throws Error when
    // the file cannot be written or removed.
    void set(bool on, const std::filesystem::path& program) const;

    // The entry's text for `program`, its path quoted for the Exec key.
    static std::string entryText(const std::filesystem::path& program);

private:
    std::filesystem::path entryFile_;
};

}  // namespace kw
