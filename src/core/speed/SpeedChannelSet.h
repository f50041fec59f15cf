#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kw {

class SettingsFile;
class SpeedChannels;
class UiPort;

// Speed-channel set files (.scs): the 22 slot names under section
// "SpeedChannel", keys "1" to "22", and the Save and Open buttons. The set in
// use is recorded as LastStatus/SCS in the settings file.
class SpeedChannelSet {
public:
    static constexpr std::string_view kSection = "SpeedChannel";
    static constexpr std::string_view kSaveHint = "将快捷频道设置保存到 .scs 文件";
    static constexpr std::string_view kOpenHint = "从 .scs 文件中载入快捷频道设置";
    static constexpr std::string_view kSaveTitle = "请输入快捷频道集文件名称";
    static constexpr std::string_view kOpenTitle = "请选择快捷频道集文件";
    static constexpr std::string_view kFilter = "快捷频道集文件 (*.scs)|*.scs";
    static constexpr std::string_view kScratchSet = "Temp.scs";

    SpeedChannelSet(SpeedChannels& slots, SettingsFile& settings, UiPort& ui);

    // Writes the 22 names of slots to path in one rewrite (a new file gets the
    // section and the keys in slot order; an existing one keeps every other
    // line), so a refused write leaves the old file whole.
    static void writeSetFile(const std::filesystem::path& path, const SpeedChannels& slots);
    // writeSetFile, then records path as the set in use. An empty path does nothing. A refused write throws
    // kw::Error "Unable to write to <path>" and records nothing.
    void SaveSpeedChannelSet(const std::filesystem::path& path);
    // Reads the 22 names from path; a missing file, section or key gives an
    // empty slot. Pressed states and the dirty flag stay. An empty path does
    // nothing. The caller records the path where needed.
    void LoadSpeedChannelSet(const std::filesystem::path& path);

    // The Open button's hint, naming the file last loaded.
    const std::string& openHint() const { return openHint_; }

    // The Save button: asks for a file, saves, clears the dirty flag.
    void SpeedChannelSaveClick();
    // The Open button: asks for a file, loads it and records it.
    void SpeedChannelOpenClick();

    // Start-up: loads the recorded set (or SCS/Default.scs).
    void loadAtStartup();
    // Exit: saves changed slots to SCS/Temp.scs, which the next start loads.
    void saveOnExit();

private:
    std::filesystem::path setFolder() const;

    SpeedChannels& slots_;
    SettingsFile& settings_;
    UiPort& ui_;
    std::string openHint_{kOpenHint};
};

}  // namespace kw
