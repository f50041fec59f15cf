// The playlist readers (M3U/M3U8, PLS, XSPF): LF, CR LF and CR read alike, a
// read-buffer boundary anywhere changes nothing, every field is valid UTF-8
// within its limit, and no address holds a control character.
#include "FuzzSupport.h"
#include "core/base/Error.h"
#include "core/base/TextCodec.h"
#include "core/exchange/PlaylistReader.h"

#include <initializer_list>

using namespace kw;

namespace {

namespace fs = std::filesystem;

// A GBK line may grow by half in UTF-8, and a byte that forms no character
// becomes the three bytes of U+FFFD.
constexpr std::size_t kMaxFieldBytes = 3 * PlaylistReader::kMaxLineBytes;

void checkEntry(const PlaylistEntry& entry, const fs::path& folder) {
    for (const std::string* field : {&entry.title, &entry.url, &entry.group, &entry.country, &entry.language,
                                     &entry.logo, &entry.link, &entry.duration}) {
        fuzz::check(text::sanitizeUtf8(*field) == *field, "a field is valid UTF-8");
        const std::size_t room =
            field == &entry.url ? kMaxFieldBytes + folder.string().size() + 1 : kMaxFieldBytes;
        fuzz::check(field->size() <= room, "a field keeps its limit");
    }
    for (const char c : entry.url)
        fuzz::check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F,
                    "an address holds no control character");
}

// Every entry as one line of text, then the note, or that an error ended the reading.
std::string readAll(const fs::path& file, PlaylistFormat format, std::size_t readBytes) {
    std::string out;
    try {
        const auto reader = openPlaylistReader(file, format, readBytes);
        PlaylistEntry entry;
        while (reader->next(entry)) {
            checkEntry(entry, file.parent_path());
            for (const std::string* field : {&entry.title, &entry.url, &entry.group, &entry.country,
                                             &entry.language, &entry.logo, &entry.link, &entry.duration})
                out += *field + '\x1F';
            out += std::to_string(entry.line) + (entry.radio ? " radio\n" : "\n");
        }
        out += "note: " + reader->note();
    } catch (const Error&) {
        // Not its text: expat counts a CR at the very end as a line end only
        // once it knows no LF follows, so an error there names another line.
        out += "error";
    }
    return out;
}

// The bytes with every line end (CR LF, CR, LF) made `end`.
std::string withLineEnds(std::string_view bytes, std::string_view end) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            out += end;
        } else {
            out += bytes[i];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const auto format = static_cast<PlaylistFormat>(input.byte() % 3);
    const std::size_t smallBuffer = 1 + input.byte() % 64;
    const std::string_view bytes = input.rest();
    const fs::path& dir = fuzz::Scratch::fresh();
    const fs::path file = dir / "list";

    fuzz::writeFile(file, bytes);
    const std::string whole = readAll(file, format, 0);
    fuzz::check(readAll(file, format, smallBuffer) == whole, "a read-buffer boundary changes nothing");
    for (const std::string_view end : {"\n", "\r\n", "\r"}) {
        fuzz::writeFile(file, withLineEnds(bytes, end));
        fuzz::check(readAll(file, format, smallBuffer) == whole, "LF, CR LF and CR read alike");
    }
    return 0;
}
