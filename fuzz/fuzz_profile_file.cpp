// Profile files (settings, set files, skin list): any bytes read without harm,
// and a write that succeeds reads back, is not repeated by writing it again,
// keeps every section and leaves no temporary file. Names come from the input.
#include "FuzzSupport.h"
#include "core/base/Error.h"
#include "core/base/ProfileFile.h"
#include "core/base/TextCodec.h"

#include <algorithm>

using namespace kw;

namespace {

// A value that reads back exactly: no blanks or quotes for the reader to
// strip, nothing the codec changes, short enough not to be cut.
bool readsBackExactly(std::string_view value) {
    if (value.empty() || value.size() > 1000 || text::sanitizeUtf8(value) != value) return false;
    if (text::trimBlanks(value) != value || value.find('\x1A') != std::string_view::npos) return false;
    return value.front() != '"' && value.front() != '\'';
}

bool hasEverySection(const ProfileFile& after, const std::vector<std::string>& before) {
    const std::vector<std::string> names = after.sectionNames();
    return std::all_of(before.begin(), before.end(), [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::string_view original = input.piece();
    const std::string section(input.piece());
    const std::string key(input.piece());
    const std::string value(input.rest());

    const std::filesystem::path folder = fuzz::Scratch::fresh();
    const std::filesystem::path file = folder / "Kestrelwave.ini";
    fuzz::writeFile(file, original);

    ProfileFile profile(file);
    const std::vector<std::string> sections = profile.sectionNames();
    for (const std::string& name : sections) {
        fuzz::check(text::sanitizeUtf8(name) == name, "section names read as valid UTF-8");
        const std::string text = profile.readText(name, key);
        fuzz::check(text::sanitizeUtf8(text) == text, "values read as valid UTF-8");
        fuzz::check(text::toGbk(text).size() <= ProfileFile::kMaxValueBytes, "values are cut to their limit");
        profile.readInteger(name, key, 0);
    }

    try {
        profile.writeText(section, key, value);
    } catch (const Error&) {
        fuzz::check(fuzz::readFile(file) == original, "a refused write leaves the file as it was");
        fuzz::check(fuzz::filesIn(folder) == 1, "a refused write leaves nothing beside the file");
        return 0;
    }
    const std::string written = fuzz::readFile(file);
    fuzz::check(fuzz::filesIn(folder) == 1, "a write leaves no temporary file");
    const ProfileFile reread(file);
    fuzz::check(hasEverySection(reread, sections), "a write keeps every section");
    if (readsBackExactly(value))
        fuzz::check(reread.readText(section, key) == value, "a written value reads back");
    profile.writeText(section, key, value);
    fuzz::check(fuzz::readFile(file) == written, "writing the same value again changes nothing");
    return 0;
}
