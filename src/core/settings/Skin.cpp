#include "core/settings/Skin.h"

#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/ProfileFile.h"
#include "core/base/TextCodec.h"

#include <algorithm>

namespace kw {
namespace {

std::uint32_t readColor(const ProfileFile& list, std::string_view section, std::string_view key,
                        std::uint32_t defaultValue) {
    return static_cast<std::uint32_t>(list.readInteger(section, key, static_cast<int>(defaultValue)));
}

// A skin list comes from anywhere; its pictures must not name files elsewhere
// on the disk (an absolute path, a drive letter, or a way up through "..").
bool staysInsideFolder(std::string_view picture) {
    if (picture.starts_with('/')) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(picture.find('/', start), picture.size());
        const std::string_view part = picture.substr(start, end - start);
        if (part == ".." || part.find(':') != std::string_view::npos) return false;
        if (end == picture.size()) return true;
        start = end + 1;
    }
}

}  // namespace

std::optional<std::string> pictureFormatFor(const std::filesystem::path& picture) {
    std::string extension = ascii::upper(picture.extension().string());
    if (extension == ".JPG" || extension == ".JPEG") return "jpeg";
    if (extension == ".BMP") return "bmp";
    if (extension == ".ICO") return "ico";
    return std::nullopt;
}

std::filesystem::path skinListPath(const std::filesystem::path& programDir) {
    return programDir / kSkinFolder / kSkinListFile;
}

Skin readSkin(const ProfileFile& skinList, std::string_view name, const std::filesystem::path& programDir) {
    const std::string value =
        skinList.readText(name, "imgBackground.Picture.LoadFromFile", kDefaultSkinPicture);
    std::string picture = value;
    std::replace(picture.begin(), picture.end(), '\\', '/');
    if (!staysInsideFolder(picture))
        throw Error("Cannot load the picture \"" + value + "\": it is not inside the " +
                    std::string(kSkinFolder) + " folder");
    Skin skin;
    skin.picture = programDir / kSkinFolder / std::filesystem::path(picture);
    const SkinColors defaults;
    SkinColors& colors = skin.colors;
    colors.speedChannelFont =
        readColor(skinList, name, "SpeedChannel1.Font.Color", defaults.speedChannelFont);
    colors.infoFont = readColor(skinList, name, "lblInfo.Font.Color", defaults.infoFont);
    colors.treeColor = readColor(skinList, name, "tvSelectChannel.Color", defaults.treeColor);
    colors.treeFont = readColor(skinList, name, "tvSelectChannel.Font.Color", defaults.treeFont);
    colors.buttonFont = readColor(skinList, name, "spPlayChannel.Font.Color", defaults.buttonFont);
    colors.googleColor = readColor(skinList, name, "edGoogle.Color", defaults.googleColor);
    colors.googleFont = readColor(skinList, name, "edGoogle.Font.Color", defaults.googleFont);
    return skin;
}

std::vector<std::string> skinNames(const ProfileFile& skinList) { return skinList.sectionNames(); }

}  // namespace kw
