// The skin list: any file gives skins whose pictures lie inside the Skins
// folder, or the skin error.
#include "FuzzSupport.h"
#include "core/base/Error.h"
#include "core/base/ProfileFile.h"
#include "core/settings/Skin.h"

using namespace kw;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path programDir = fuzz::Scratch::fresh();
    const std::filesystem::path skins = programDir / kSkinFolder;
    std::filesystem::create_directory(skins);
    fuzz::writeFile(skinListPath(programDir), std::string_view(reinterpret_cast<const char*>(data), size));

    const ProfileFile list(skinListPath(programDir));
    std::vector<std::string> names = skinNames(list);
    names.emplace_back("Nowhere");
    for (const std::string& name : names) {
        Skin skin;
        try {
            skin = readSkin(list, name, programDir);
        } catch (const Error&) {
            continue;
        }
        const std::filesystem::path inside = skin.picture.lexically_normal().lexically_relative(skins);
        fuzz::check(!inside.empty() && *inside.begin() != "..",
                    "a skin picture lies inside the Skins folder");
    }
    return 0;
}
