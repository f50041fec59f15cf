#include "core/base/ProfileFile.h"

#include "core/base/AsciiText.h"

#include "core/base/Error.h"
#include "core/base/SafeFile.h"
#include "core/base/TextCodec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <optional>

namespace kw {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kNewLine = "\r\n";

bool isLineBreak(char c) { return c == '\r' || c == '\n'; }

bool hasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// Blanks at both ends and one pair of enclosing quotes removed.
std::string_view unquote(std::string_view text) {
    text = text::trimBlanks(text);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

// A whole 32-bit number: optional sign, then decimal digits or "$"/"0x" and
// hexadecimal digits. Hexadecimal covers the full 32 bits (colours such as
// $FFFFFFFF wrap to negative numbers, as stored colour values expect).
std::optional<int> parseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    const std::uint64_t limit = base == 16
                                    ? std::uint64_t{0xFFFFFFFF}
                                    : std::uint64_t{std::numeric_limits<std::int32_t>::max()} + negative;
    std::uint64_t value = 0;
    for (char c : text) {
        const int digit = ascii::hexDigitValue(c);
        if (digit < 0 || digit >= base) return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > limit) return std::nullopt;
    }
    auto bits = static_cast<std::uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
}

void requireName(bool storable, std::string_view what, std::string_view name,
                 const std::filesystem::path& path) {
    if (!storable)
        throw Error("Invalid " + std::string(what) + " \"" + text::sanitizeUtf8(name) + "\" for " +
                    path.string());
}

}  // namespace

ProfileFile::ProfileFile(std::filesystem::path path) : path_(std::move(path)) { load(); }

ProfileFile::LoadResult ProfileFile::load() {
    bytes_.clear();
    LoadResult result = LoadResult::Loaded;
    // Non-blocking so that a FIFO in the file's place cannot hang the program.
    FileDescriptor file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (file.get() < 0) {
        result = (errno == ENOENT || errno == ENOTDIR) ? LoadResult::Missing : LoadResult::Unreadable;
    } else if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        result = LoadResult::Unreadable;
    } else {
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                // Half a file must not pass for the whole one.
                bytes_.clear();
                result = LoadResult::Unreadable;
                break;
            }
            if (got == 0) break;
            bytes_.append(buffer, static_cast<std::size_t>(got));
        }
    }
    parse();
    return result;
}

std::string ProfileFile::decode(std::string_view bytes) const {
    bool plain = true;
    for (char c : bytes) plain = plain && static_cast<unsigned char>(c) < 0x80 && c != '\x1A';
    if (plain) return std::string(bytes);
    return utf8_ ? text::sanitizeUtf8(bytes) : text::fromGbk(bytes);
}

std::string ProfileFile::encode(std::string_view text) const {
    return utf8_ ? text::sanitizeUtf8(text) : text::toGbk(text);
}

bool ProfileFile::survivesCodec(std::string_view name) const {
    // 0x1A reads back only from UTF-8 files; refused everywhere, a name does
    // not depend on the file it goes into.
    return name.find('\x1A') == std::string_view::npos && decode(encode(name)) == name;
}

// Splits the bytes into lines and names the sections and keys. The structural
// bytes ("[", "=", ";", line breaks, blanks) never occur inside a GBK or UTF-8
// character except "]", so only names are decoded before "]" is looked for.
void ProfileFile::parse() {
    lines_.clear();
    utf8_ = bytes_.starts_with(kUtf8Bom);
    const std::string_view all = bytes_;
    std::size_t position = utf8_ ? kUtf8Bom.size() : 0;
    while (position < all.size()) {
        Line line;
        line.begin = position;
        line.end = std::min(all.find_first_of("\r\n", position), all.size());
        line.next = line.end;
        if (line.next < all.size()) {
            line.next +=
                (all[line.next] == '\r' && line.next + 1 < all.size() && all[line.next + 1] == '\n') ? 2 : 1;
        }
        position = line.next;

        const std::string_view text = text::trimBlanks(all.substr(line.begin, line.end - line.begin));
        if (text.starts_with('[')) {
            const std::string inside = decode(text.substr(1));
            const std::size_t close = inside.find(']');
            if (close != std::string::npos) {
                line.kind = LineKind::Section;
                line.name = std::string(text::trimBlanks(std::string_view(inside).substr(0, close)));
            }
        } else if (!text.starts_with(';')) {
            const std::size_t equals = all.substr(line.begin, line.end - line.begin).find('=');
            if (equals != std::string_view::npos) {
                line.name = std::string(text::trimBlanks(decode(all.substr(line.begin, equals))));
                if (!line.name.empty()) {
                    line.kind = LineKind::Key;
                    line.valueBegin = line.begin + equals + 1;
                }
            }
        }
        lines_.push_back(std::move(line));
    }
}

const ProfileFile::Line* ProfileFile::findKey(std::string_view section, std::string_view key) const {
    section = text::trimBlanks(section);
    key = text::trimBlanks(key);
    // Only the first section of a name counts, as the desktop's profile
    // service reads it: a later section of the same name is never searched.
    bool inSection = false;
    bool seen = false;
    for (const Line& line : lines_) {
        if (line.kind == LineKind::Section) {
            if (inSection) return nullptr;
            inSection = !seen && ascii::equalIgnoringCase(line.name, section);
            seen = seen || inSection;
        } else if (inSection && line.kind == LineKind::Key && ascii::equalIgnoringCase(line.name, key)) {
            return &line;
        }
    }
    return nullptr;
}

std::string ProfileFile::readText(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const {
    const Line* line = findKey(section, key);
    if (line == nullptr) return std::string(defaultValue);
    const std::string value =
        decode(std::string_view(bytes_).substr(line->valueBegin, line->end - line->valueBegin));
    return std::string(text::cutToGbkBytes(unquote(value), kMaxValueBytes));
}

int ProfileFile::readInteger(std::string_view section, std::string_view key, int defaultValue) const {
    const Line* line = findKey(section, key);
    if (line == nullptr) return defaultValue;
    // Digits, signs and "$"/"0x" are ASCII, so the raw bytes need no decoding.
    const std::string_view raw =
        std::string_view(bytes_).substr(line->valueBegin, line->end - line->valueBegin);
    return parseInteger(unquote(raw)).value_or(defaultValue);
}

bool ProfileFile::readBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::vector<std::string> ProfileFile::sectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : lines_) {
        if (line.kind != LineKind::Section) continue;
        bool seen = false;
        for (const std::string& name : names) seen = seen || ascii::equalIgnoringCase(name, line.name);
        if (!seen) names.push_back(line.name);
    }
    return names;
}

void ProfileFile::writeText(std::string_view section, std::string_view key, std::string_view value) {
    const Entry entry{std::string(key), std::string(value)};
    writeTexts(section, std::span(&entry, 1));
}

void ProfileFile::writeInteger(std::string_view section, std::string_view key, int value) {
    writeText(section, key, std::to_string(value));
}

void ProfileFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeText(section, key, value ? "1" : "0");
}

void ProfileFile::writeTexts(std::string_view section, std::span<const Entry> entries) {
    // Names that would read back as something else, or split the line, are refused.
    const std::string_view sectionName = text::trimBlanks(section);
    requireName(!sectionName.empty() && sectionName.find_first_of("]\r\n") == std::string_view::npos,
                "section name", section, path_);
    for (const auto& [key, value] : entries) {
        const std::string_view keyName = text::trimBlanks(key);
        requireName(!keyName.empty() && keyName.find_first_of("=\r\n") == std::string_view::npos &&
                        !keyName.starts_with('[') && !keyName.starts_with(';'),
                    "key name", key, path_);
        if (hasLineBreak(value)) {
            throw Error("A value with a line break cannot be written to " + path_.string() + " (" +
                        std::string(keyName) + ")");
        }
    }

    // Another writer may have changed the file since it was read; an
    // unreadable file must not be replaced by one holding only these keys.
    // The lock keeps other writers out until the new file is in place.
    const UpdateLock lock(path_);
    if (load() == LoadResult::Unreadable) throwUnableToWrite(path_);
    // A name the file's encoding would not give back would never be found
    // again, and every write would add another line for it.
    requireName(survivesCodec(sectionName), "section name", section, path_);
    for (const auto& entry : entries)
        requireName(survivesCodec(text::trimBlanks(entry.first)), "key name", entry.first, path_);
    const std::string before = bytes_;
    try {
        for (const auto& [key, value] : entries) setValue(sectionName, text::trimBlanks(key), value);
        replaceFileAtomically(path_, bytes_);
    } catch (...) {
        bytes_ = before;
        parse();
        throw;
    }
}

void ProfileFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string encoded = encode(value);
    if (const Line* line = findKey(section, key)) {
        // The whole line is written anew as "key=value" under the key's stored
        // name, as the desktop's profile service writes it; blanks around the
        // old "=" and before the key go.
        bytes_.replace(line->begin, line->end - line->begin, encode(line->name) + "=" + encoded);
        parse();
        return;
    }
    const std::string keyLine = encode(key) + "=" + encoded + std::string(kNewLine);

    // A new key goes after the last key of the section's first occurrence, so
    // comments and blank lines before the next section stay where they are.
    const Line* after = nullptr;
    bool inSection = false;
    for (const Line& line : lines_) {
        if (line.kind == LineKind::Section) {
            if (after != nullptr) break;
            inSection = ascii::equalIgnoringCase(line.name, section);
            if (inSection) after = &line;
        } else if (inSection && line.kind == LineKind::Key) {
            after = &line;
        }
    }
    if (after != nullptr) {
        const bool needsBreak = after->next == after->end;  // the file's last line has none
        bytes_.insert(after->next, (needsBreak ? std::string(kNewLine) : std::string()) + keyLine);
    } else {
        const std::size_t contentStart = utf8_ ? kUtf8Bom.size() : 0;
        if (bytes_.size() > contentStart && !isLineBreak(bytes_.back())) bytes_ += kNewLine;
        bytes_.append("[").append(encode(section)).append("]").append(kNewLine).append(keyLine);
    }
    parse();
}

}  // namespace kw
