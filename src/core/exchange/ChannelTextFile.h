#pragma once

#include "core/base/AddressRules.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kw {

// One record of a channel text file: ten values and the marker line. Values
// are UTF-8; the address is plain (never scrambled) in the file.
struct ChannelTextRecord {
    std::string class0, class1, class2, class3;
    std::string name;
    std::string url;
    std::string link, memo, type, speed;
    // Writers put "InsertChannel"; the reader leaves the cleaned first
    // character: "I", "U", another single character or nothing.
    std::string marker;
};

inline constexpr std::size_t kChannelTextLines = 11;
inline constexpr std::string_view kInsertMarker = "InsertChannel";
// The longest value of lines 1 to 10, in characters. The reader cuts a
// longer value to it, except the address (line 6), which it gives whole: a
// longer address reads as longer than the limit, for batch add to skip.
inline constexpr std::array<std::size_t, 10> kChannelTextLimits{
    20, 20, 20, 20, 100, address::kMaxAddressChars, 200, 2000, 30, 10};
inline constexpr std::size_t kChannelTextAddressLine = 5;  // index into kChannelTextLimits

// The GBK bytes of one record: eleven lines, each ended by CR LF. CR, LF and
// 0x1A are left out of every value, so a value can never break the framing of
// the records after it or end the file early.
std::string encodeChannelRecord(const ChannelTextRecord& record);
// The same record appended as UTF-8, for writers that convert a whole file at once.
void appendChannelRecordUtf8(std::string& out, const ChannelTextRecord& record);

// Reads a channel text file eleven lines at a time from the top. Lines end at
// LF; CR bytes are dropped; 0x1A ends the file; lines missing at the end read
// empty. Values come cleaned: trimmed of bytes up to 0x20, cut to their limit
// in characters, trimmed again; the address is only trimmed. The file is
// read through a fixed buffer and a line keeps only as many bytes as its
// limit can use, so a file of any size, or one endless line, needs little
// memory.
class ChannelTextReader {
public:
    // Throws kw::Error when the file cannot be opened or is not a plain file.
    explicit ChannelTextReader(const std::filesystem::path& file);
    ~ChannelTextReader();
    ChannelTextReader(const ChannelTextReader&) = delete;
    ChannelTextReader& operator=(const ChannelTextReader&) = delete;

    // Reads the next eleven lines into record. Throws kw::Error on a read error.
    void read(ChannelTextRecord& record);
    // True once the file has nothing more to read (its end or a 0x1A).
    bool atEnd();

    // Line number (from 1) at which the next record starts.
    std::uint64_t nextLine() const { return linesRead_ + 1; }
    std::uint64_t bytesRead() const { return bytesRead_; }
    // Size of the file when it was opened (a growing file may read past it).
    std::uint64_t sizeAtOpen() const { return sizeAtOpen_; }

private:
    bool fill();
    // Reads one line keeping at most keep bytes after its leading blanks.
    // Returns whether a byte above 0x20 was left out.
    bool readLine(std::string& into, std::size_t keep);

    int fd_ = -1;
    std::filesystem::path file_;
    std::string buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    std::uint64_t linesRead_ = 0;
    std::uint64_t bytesRead_ = 0;
    std::uint64_t sizeAtOpen_ = 0;
    std::string raw_;
};

// Cleans one value as the reader does: trim, cut to maxChars characters, trim.
std::string cleanChannelValue(std::string_view utf8, std::size_t maxChars);

}  // namespace kw
