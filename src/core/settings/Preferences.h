#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class SettingsFile;
struct Skin;

// The user's choices kept in the settings file: the skin in use, and any key
// of the file as kwave's config command reads and writes it.
class Preferences {
public:
    Preferences(std::filesystem::path programDir, SettingsFile& settings);

    // The skin names of the skin list, in file order.
    std::vector<std::string> skinNames() const;
    // Reads the skin and hands it to paint; only when painting succeeds does
    // it become the current skin and LastSkinName. Errors of either leave the
    // window and the settings as they were.
    void ApplySkin(std::string_view name, const std::function<void(const Skin&)>& paint);
    const std::string& currentSkinName() const { return currentSkinName_; }
    // Whether name is the current skin; skin names compare as the profile
    // files compare names (ASCII letters without regard to case).
    bool isCurrentSkin(std::string_view name) const;

    // A key of the settings file as the program reads it, and writing one.
    std::string readSetting(std::string_view section, std::string_view key, std::string_view fallback) const;
    void writeSetting(std::string_view section, std::string_view key, std::string_view value);

private:
    std::filesystem::path programDir_;
    SettingsFile& settings_;
    std::string currentSkinName_;
};

}  // namespace kw
