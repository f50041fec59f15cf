#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kw {

// One INI-style profile file: the settings file, a speed-channel set file or the
// skin list. The file is read once on construction; every write rewrites it at
// once through a temporary file in the same folder, fsync and rename, so a crash
// or a full disk leaves either the old or the new file, never a mix.
//
// File format, as a user may also edit it by hand:
// - "[Name]" starts a section (the name ends at the first "]"); "Key=Value" is a
//   key of the section above it; lines starting with ";" are comments; any other
//   line (and a key before the first section) is kept but means nothing.
// - Section and key names match without regard to ASCII letter case and to
//   blanks around them. When a section or a key occurs twice, the first
//   occurrence of the key in file order wins, for reads and writes; keys of a
//   repeated section count as keys of that section.
// - Lines end in CR LF, LF or CR; lines the program adds end in CR LF.
// - The bytes are GBK (gb18030). A file that starts with a UTF-8 byte-order
//   mark is UTF-8 throughout, and what is written into it stays UTF-8.
//   Bytes that form no character read as U+FFFD.
// Texts in and out of this class are UTF-8.
class ProfileFile {
public:
    using Entry = std::pair<std::string, std::string>;  // key, value

    // Longest value a read returns, in bytes of its GBK form.
    static constexpr std::size_t kMaxValueBytes = 2047;

    // Reads the file; a missing or unreadable file reads as empty (all defaults).
    explicit ProfileFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    // The value with blanks at both ends and one pair of enclosing quotes (' or ")
    // removed, cut to kMaxValueBytes; defaultValue when the key is missing.
    std::string readText(std::string_view section, std::string_view key,
                         std::string_view defaultValue = {}) const;
    // Decimal, or hexadecimal after "$" or "0x", with an optional sign;
    // defaultValue when the key is missing or its text is no 32-bit number.
    int readInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // readInteger with 1 or 0 as default; anything but 0 is true.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Section names in file order, each name once (its first spelling).
    std::vector<std::string> sectionNames() const;

    // Sets the value of the key, adding the file, the section or the key as
    // needed; every other byte of the file stays as it was. A write starts from
    // the file as it is on disk at that moment, so a long-lived object never
    // puts back what another writer changed since it was read. Throws kw::Error
    // "Unable to write to <path>" when the file system refuses the write (the
    // old file is then untouched), and kw::Error when a name or value cannot be
    // held in one line of the file or would not read back as itself (0x1A,
    // bytes that form no text). Writers in other processes are held off for
    // the whole read–edit–replace (UpdateLock), so none loses another's keys.
    void writeText(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    // Written as 1 or 0.
    void writeBool(std::string_view section, std::string_view key, bool value);
    // Several keys of one section in one rewrite: all of them reach the file or none.
    void writeTexts(std::string_view section, std::span<const Entry> entries);

private:
    enum class LineKind { Other, Section, Key };

    struct Line {
        std::size_t begin = 0;  // first byte of the line's text
        std::size_t end = 0;    // end of the text, before the line break
        std::size_t next = 0;   // first byte of the next line
        LineKind kind = LineKind::Other;
        std::string name;            // section or key name, UTF-8, without blanks
        std::size_t valueBegin = 0;  // for a key: the byte after "="
    };

    enum class LoadResult { Loaded, Missing, Unreadable };

    LoadResult load();
    void parse();
    std::string decode(std::string_view bytes) const;
    std::string encode(std::string_view text) const;
    bool survivesCodec(std::string_view name) const;
    const Line* findKey(std::string_view section, std::string_view key) const;
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    std::filesystem::path path_;
    std::string bytes_;  // the whole file as it is on disk
    bool utf8_ = false;  // the file starts with a UTF-8 byte-order mark
    std::vector<Line> lines_;
};

}  // namespace kw
