#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class ProfileFile;

inline constexpr std::string_view kSkinFolder = "Skins";
inline constexpr std::string_view kSkinListFile = "Skins.ini";
inline constexpr std::string_view kDefaultSkinPicture = "UI0.jpg";

// Colours are 32-bit values laid out 0x00BBGGRR (red in the lowest byte), as
// the skin file writes them; the window turns them into screen colours.
struct SkinColors {
    std::uint32_t speedChannelFont = 32768;  // SpeedChannel1.Font.Color, green
    std::uint32_t infoFont = 16711680;       // lblInfo.Font.Color, blue
    std::uint32_t treeColor = 11462345;      // tvSelectChannel.Color
    std::uint32_t treeFont = 16714629;       // tvSelectChannel.Font.Color
    std::uint32_t buttonFont = 8388608;      // spPlayChannel.Font.Color, navy
    std::uint32_t googleColor = 15793151;    // edGoogle.Color, cream
    std::uint32_t googleFont = 32768;        // edGoogle.Font.Color, green
    friend bool operator==(const SkinColors&, const SkinColors&) = default;
};

// One skin as its section of the skin file gives it, defaults filled in.
struct Skin {
    std::filesystem::path picture;  // the background picture's full path
    SkinColors colors;
};

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The red, green and blue bytes of a 0x00BBGGRR colour.
constexpr Rgb toRgb(std::uint32_t color) {
    return {static_cast<std::uint8_t>(color & 0xFF), static_cast<std::uint8_t>((color >> 8) & 0xFF),
            static_cast<std::uint8_t>((color >> 16) & 0xFF)};
}

// The picture decoder a file-name extension selects ("jpeg", "bmp" or "ico"),
// letter case ignored; none for any other extension.
std::optional<std::string> pictureFormatFor(const std::filesystem::path& picture);

// Skins/Skins.ini in the program directory.
std::filesystem::path skinListPath(const std::filesystem::path& programDir);

// The section `name` of the skin list: the picture under the program
// directory's Skins folder (a value may name a subfolder; "\" separates
// folders as well as "/"), and the seven colours. A missing section or key,
// or a value that is no whole number, gives the default. A picture outside
// the Skins folder (absolute, a drive letter, "..") throws kw::Error
// "Cannot load the picture "VALUE": it is not inside the Skins folder".
Skin readSkin(const ProfileFile& skinList, std::string_view name, const std::filesystem::path& programDir);

// The skin names, in file order; none when the skin list is missing.
std::vector<std::string> skinNames(const ProfileFile& skinList);

}  // namespace kw
