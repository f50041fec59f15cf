#include "core/exchange/ChannelTextFile.h"

#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/SafeFile.h"
#include "core/base/TextCodec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace kw {
namespace {

constexpr char kLineFeed = '\x0A';
constexpr char kCarriageReturn = '\x0D';
constexpr char kEndOfFile = '\x1A';
constexpr std::size_t kBufferSize = 256 * 1024;
// A GBK (gb18030) character takes at most four bytes, so this many bytes
// after the leading blanks always hold the characters a limit keeps.
constexpr std::size_t kMaxBytesPerChar = 4;
constexpr std::size_t kMarkerBytes = 8;

void appendClean(std::string& out, std::string_view value) {
    for (const char c : value) {
        if (c != kLineFeed && c != kCarriageReturn && c != kEndOfFile) out.push_back(c);
    }
}

[[noreturn]] void throwFileError(const std::filesystem::path& file, int error) {
    throw Error(std::string(std::strerror(error)) + " (" + file.string() + ")");
}

}  // namespace

void appendChannelRecordUtf8(std::string& out, const ChannelTextRecord& record) {
    for (const std::string* value :
         {&record.class0, &record.class1, &record.class2, &record.class3, &record.name, &record.url,
          &record.link, &record.memo, &record.type, &record.speed, &record.marker}) {
        appendClean(out, *value);
        out += "\r\n";
    }
}

std::string encodeChannelRecord(const ChannelTextRecord& record) {
    std::string utf8;
    appendChannelRecordUtf8(utf8, record);
    return text::toGbk(utf8);
}

std::string cleanChannelValue(std::string_view utf8, std::size_t maxChars) {
    return std::string(text::trimBlanks(text::cutToChars(text::trimBlanks(utf8), maxChars)));
}

ChannelTextReader::ChannelTextReader(const std::filesystem::path& file) : file_(file) {
    fd_ = openPlainFileForReading(file, sizeAtOpen_).release();
    buffer_.resize(kBufferSize);
}

ChannelTextReader::~ChannelTextReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool ChannelTextReader::fill() {
    if (eof_) return false;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
        if (got > 0) {
            pos_ = 0;
            end_ = static_cast<std::size_t>(got);
            bytesRead_ += static_cast<std::uint64_t>(got);
            return true;
        }
        if (got == 0) {
            eof_ = true;
            return false;
        }
        if (errno != EINTR) throwFileError(file_, errno);
    }
}

bool ChannelTextReader::atEnd() {
    if (pos_ >= end_ && !fill()) return true;
    if (buffer_[pos_] != kEndOfFile) return false;
    eof_ = true;
    pos_ = end_;
    return true;
}

bool ChannelTextReader::readLine(std::string& into, std::size_t keep) {
    into.clear();
    bool leading = true;
    bool cut = false;
    for (;;) {
        if (pos_ >= end_ && !fill()) break;
        const char c = buffer_[pos_];
        if (c == kEndOfFile) {
            // Nothing after it is read: the file ends here for every later line.
            eof_ = true;
            pos_ = end_;
            break;
        }
        ++pos_;
        if (c == kLineFeed) break;
        if (c == kCarriageReturn) continue;
        if (leading && static_cast<unsigned char>(c) <= 0x20) continue;
        leading = false;
        if (into.size() < keep) {
            into.push_back(c);
        } else if (static_cast<unsigned char>(c) > 0x20) {
            cut = true;
        }
    }
    ++linesRead_;
    return cut;
}

void ChannelTextReader::read(ChannelTextRecord& record) {
    std::string* values[] = {&record.class0, &record.class1, &record.class2, &record.class3, &record.name,
                             &record.url,    &record.link,   &record.memo,   &record.type,   &record.speed};
    for (std::size_t i = 0; i < kChannelTextLimits.size(); ++i) {
        if (i == kChannelTextAddressLine) {
            // More than the limit's bytes are kept, and an address the buffer
            // could not hold keeps its trailing blanks, so that an address too
            // long to store always reads as too long, never as a cut one.
            const bool cut = readLine(raw_, (kChannelTextLimits[i] + 1) * kMaxBytesPerChar);
            *values[i] = cut ? text::fromGbk(raw_) : std::string(text::trimBlanks(text::fromGbk(raw_)));
            continue;
        }
        readLine(raw_, kChannelTextLimits[i] * kMaxBytesPerChar);
        *values[i] = cleanChannelValue(text::fromGbk(raw_), kChannelTextLimits[i]);
    }
    readLine(raw_, kMarkerBytes);
    record.marker = ascii::upper(text::cutToChars(text::trimBlanks(text::fromGbk(raw_)), 1));
}

}  // namespace kw
