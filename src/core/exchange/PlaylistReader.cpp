#include "core/exchange/PlaylistReader.h"

#include "core/base/AddressRules.h"
#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/SafeFile.h"
#include "core/base/TextCodec.h"

#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

namespace kw {
namespace {

namespace fs = std::filesystem;
constexpr std::size_t kChunk = 256 * 1024;

[[noreturn]] void throwFileError(const fs::path& file, int error) {
    throw Error(std::string(std::strerror(error)) + " (" + file.string() + ")");
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && ascii::equalIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool isValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        std::uint32_t code = 0;
        if ((*p & 0xE0) == 0xC0) {
            more = 1, code = *p & 0x1F;
        } else if ((*p & 0xF0) == 0xE0) {
            more = 2, code = *p & 0x0F;
        } else if ((*p & 0xF8) == 0xF0) {
            more = 3, code = *p & 0x07;
        } else {
            return false;
        }
        if (end - p <= more) return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        p += more + 1;
    }
    return true;
}

// How many bytes of text, at most maxBytes, end at a character boundary:
// a cut never keeps the first bytes of a UTF-8 character without the rest.
std::size_t utf8CutPoint(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text.size();
    std::size_t cut = maxBytes;
    for (int back = 0; back < 3 && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80; ++back)
        --cut;
    return (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80 ? maxBytes : cut;
}

// A plain file read through a fixed buffer.
class FileSource {
public:
    explicit FileSource(const fs::path& file) : file_(file), fd_(openPlainFileForReading(file, size_)) {}
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // Up to capacity bytes into buffer; 0 at the end.
    std::size_t read(char* buffer, std::size_t capacity) {
        for (;;) {
            const ssize_t n = ::read(fd_.get(), buffer, capacity);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throwFileError(file_, errno);
            read_ += static_cast<std::uint64_t>(n);
            return static_cast<std::size_t>(n);
        }
    }
    std::uint64_t bytesRead() const { return read_; }
    std::uint64_t size() const { return size_; }

private:
    fs::path file_;
    std::uint64_t size_ = 0;
    FileDescriptor fd_;
    std::uint64_t read_ = 0;
};

// Lines ended by LF, CR LF or CR alone, as UTF-8: a line that is not valid
// UTF-8 is read as GBK. The byte-order mark of the first line is dropped.
class LineSource {
public:
    LineSource(const fs::path& file, std::size_t readBytes) : source_(file), buffer_(readBytes, '\0') {}

    bool next(std::string& line) {
        raw_.clear();
        bool any = false;
        for (;;) {
            if (pos_ == end_) {
                pos_ = 0;
                end_ = source_.read(buffer_.data(), buffer_.size());
                if (end_ == 0) {
                    if (!any) return false;
                    break;
                }
            }
            if (skipLf_) {
                skipLf_ = false;
                if (buffer_[pos_] == '\n') {
                    ++pos_;
                    continue;
                }
            }
            any = true;
            const char* start = buffer_.data() + pos_;
            const char* stop = buffer_.data() + end_;
            const char* cut = start;
            while (cut < stop && *cut != '\n' && *cut != '\r') ++cut;
            // A few bytes past the limit tell where the last whole character ends.
            const std::size_t room = kKeptBytes - std::min(raw_.size(), kKeptBytes);
            raw_.append(start, std::min<std::size_t>(static_cast<std::size_t>(cut - start), room));
            pos_ += static_cast<std::size_t>(cut - start);
            if (cut < stop) {
                skipLf_ = *cut == '\r';
                ++pos_;
                break;
            }
        }
        ++lineNumber_;
        std::string_view text = raw_;
        if (lineNumber_ == 1) text = text::stripUtf8Bom(text);
        // The encoding is decided on whole characters: a line cut inside a
        // UTF-8 character is still UTF-8.
        const std::string_view kept = text.substr(0, utf8CutPoint(text, PlaylistReader::kMaxLineBytes));
        if (isValidUtf8(kept))
            line.assign(kept);
        else
            line = text::fromGbk(text.substr(0, PlaylistReader::kMaxLineBytes));
        return true;
    }

    std::uint64_t lineNumber() const { return lineNumber_; }
    const FileSource& source() const { return source_; }

private:
    static constexpr std::size_t kKeptBytes = PlaylistReader::kMaxLineBytes + 3;

    FileSource source_;
    std::string buffer_;
    std::size_t pos_ = 0, end_ = 0;
    bool skipLf_ = false;
    std::uint64_t lineNumber_ = 0;
    std::string raw_;
};

class M3uReader : public PlaylistReader {
public:
    M3uReader(const fs::path& file, std::size_t readBytes)
        : lines_(file, readBytes), folder_(file.parent_path()) {}

    bool next(PlaylistEntry& entry) override {
        while (lines_.next(line_)) {
            const std::string_view text = text::trimBlanks(line_);
            if (text.empty()) continue;
            if (text.front() == '#') {
                if (startsWithIgnoringCase(text, "#EXTINF:")) {
                    pending_ = PlaylistEntry{};
                    pending_.group = group_;
                    parseExtinf(text.substr(8), pending_);
                    pending_.line = lines_.lineNumber();
                    hasInfo_ = true;
                } else if (startsWithIgnoringCase(text, "#EXTGRP:")) {
                    group_ = text::trimBlanks(text.substr(8));
                    if (hasInfo_ && pending_.group.empty()) pending_.group = group_;
                }
                continue;
            }
            if (hasInfo_) {
                entry = std::move(pending_);
            } else {
                entry = PlaylistEntry{};
                entry.group = group_;
                entry.line = lines_.lineNumber();
            }
            entry.url = resolvePlaylistAddress(text, folder_);
            pending_ = PlaylistEntry{};
            hasInfo_ = false;
            group_.clear();
            return true;
        }
        return false;
    }
    std::uint64_t bytesRead() const override { return lines_.source().bytesRead(); }
    std::uint64_t size() const override { return lines_.source().size(); }

    // `#EXTINF:` is gone: duration, then key="value" pairs, then a comma and the title.
    static void parseExtinf(std::string_view rest, PlaylistEntry& entry) {
        std::size_t i = 0;
        const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
        while (i < rest.size() && !isBlank(rest[i]) && rest[i] != ',') ++i;
        entry.duration = rest.substr(0, i);
        for (;;) {
            while (i < rest.size() && isBlank(rest[i])) ++i;
            if (i >= rest.size()) return;
            if (rest[i] == ',') {
                entry.title = text::trimBlanks(rest.substr(i + 1));
                return;
            }
            const std::size_t keyStart = i;
            while (i < rest.size() && !isBlank(rest[i]) && rest[i] != ',' && rest[i] != '=') ++i;
            const std::string_view key = rest.substr(keyStart, i - keyStart);
            if (i >= rest.size() || rest[i] != '=') continue;
            ++i;
            std::string_view value;
            if (i < rest.size() && (rest[i] == '"' || rest[i] == '\'')) {
                const char quote = rest[i++];
                const std::size_t close = rest.find(quote, i);
                const std::size_t stop = close == std::string_view::npos ? rest.size() : close;
                value = rest.substr(i, stop - i);
                i = close == std::string_view::npos ? rest.size() : close + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < rest.size() && !isBlank(rest[i]) && rest[i] != ',') ++i;
                value = rest.substr(valueStart, i - valueStart);
            }
            assign(entry, key, text::trimBlanks(value));
        }
    }

private:
    static void assign(PlaylistEntry& entry, std::string_view key, std::string_view value) {
        if (ascii::equalIgnoringCase(key, "group-title"))
            entry.group = value;
        else if (ascii::equalIgnoringCase(key, "tvg-country"))
            entry.country = value;
        else if (ascii::equalIgnoringCase(key, "tvg-language"))
            entry.language = value;
        else if (ascii::equalIgnoringCase(key, "tvg-logo"))
            entry.logo = value;
        else if (ascii::equalIgnoringCase(key, "tvg-id"))
            entry.id = value;
        else if (ascii::equalIgnoringCase(key, "radio"))
            entry.radio = ascii::equalIgnoringCase(value, "true");
    }

    LineSource lines_;
    fs::path folder_;
    std::string line_;
    std::string group_;
    PlaylistEntry pending_;
    bool hasInfo_ = false;
};

// PLS keys come in any order and numbering may have gaps, so entries are
// gathered by number and given out in that order at the end. What is held
// stays bounded whatever the file holds: each value keeps at most
// kMaxValueBytes (more than the longest address in its longest UTF-8 form,
// so a longer address still reads as too long, never as a cut one), and
// numbers past kMaxHeldBytes are left out and counted in note().
class PlsReader : public PlaylistReader {
public:
    static constexpr std::size_t kMaxValueBytes = (address::kMaxAddressChars + 1) * 4;
    static constexpr std::size_t kMaxHeldBytes = 32 * 1024 * 1024;

    PlsReader(const fs::path& file, std::size_t readBytes)
        : lines_(file, readBytes), folder_(file.parent_path()) {}

    bool next(PlaylistEntry& entry) override {
        if (!gathered_) gather();
        while (at_ != entries_.end()) {
            Held& found = (at_++)->second;
            if (found.line == 0) continue;  // a title or length without a file
            entry = PlaylistEntry{};
            entry.url = resolvePlaylistAddress(found.file, folder_);
            entry.title = std::move(found.title);
            entry.duration = std::move(found.length);
            entry.line = found.line;
            return true;
        }
        return false;
    }
    std::uint64_t bytesRead() const override { return lines_.source().bytesRead(); }
    std::uint64_t size() const override { return lines_.source().size(); }
    std::string note() const override {
        if (leftOut_ == 0) return {};
        return "播放列表太大，" + std::to_string(leftOut_) + " 个编号的条目没有读入。";
    }

private:
    struct Held {
        std::string file, title, length;
        std::uint64_t line = 0;  // of the File key; 0 while there is none
    };
    // What one held number costs besides its values: the map's node and the strings.
    static constexpr std::size_t kEntryBytes = sizeof(Held) + 64;

    void gather() {
        gathered_ = true;
        std::string line;
        while (lines_.next(line)) {
            const std::string_view text = text::trimBlanks(line);
            const std::size_t eq = text.find('=');
            if (eq == std::string_view::npos) continue;
            const std::string_view key = text::trimBlanks(text.substr(0, eq));
            std::string_view value = text::trimBlanks(text.substr(eq + 1));
            value = value.substr(0, utf8CutPoint(value, kMaxValueBytes));
            for (const std::string_view field : {"file", "title", "length"}) {
                if (!startsWithIgnoringCase(key, field)) continue;
                const std::string_view digits = key.substr(field.size());
                if (digits.empty() || digits.size() > 9 ||
                    digits.find_first_not_of("0123456789") != std::string_view::npos)
                    break;
                const unsigned long number = std::stoul(std::string(digits));
                auto found = entries_.find(number);
                if (found == entries_.end()) {
                    if (held_ + kEntryBytes + value.size() > kMaxHeldBytes) {
                        ++leftOut_;
                        break;
                    }
                    held_ += kEntryBytes;
                    found = entries_.emplace(number, Held{}).first;
                }
                Held& entry = found->second;
                std::string& slot = field == "file"    ? entry.file
                                    : field == "title" ? entry.title
                                                       : entry.length;
                held_ = held_ - slot.size() + value.size();
                slot = value;
                if (field == "file") entry.line = lines_.lineNumber();
                break;
            }
        }
        at_ = entries_.begin();
    }

    LineSource lines_;
    fs::path folder_;
    bool gathered_ = false;
    std::size_t held_ = 0;
    std::uint64_t leftOut_ = 0;
    std::map<unsigned long, Held> entries_;
    std::map<unsigned long, Held>::iterator at_;
};

// XSPF through expat, fed a chunk at a time. Entity declarations are refused
// outright, so no expansion (a "billion laughs" file) can happen.
class XspfReader : public PlaylistReader {
public:
    static constexpr int kMaxDepth = 64;
    static constexpr std::uint64_t kMaxTokenBytes = 1024 * 1024;

    XspfReader(const fs::path& file, std::size_t readBytes)
        : source_(file), folder_(file.parent_path()), buffer_(readBytes, '\0') {
        parser_ = XML_ParserCreate("UTF-8");
        if (parser_ == nullptr) throw Error("内存不足，无法读取播放列表。");
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &XspfReader::onStart, &XspfReader::onEnd);
        XML_SetCharacterDataHandler(parser_, &XspfReader::onText);
        // Every other piece of markup (comments, declarations, blanks outside
        // the root) marks progress too; the Expand form keeps entities as they are.
        XML_SetDefaultHandlerExpand(parser_, &XspfReader::onOther);
        XML_SetEntityDeclHandler(parser_, &XspfReader::onEntityDecl);
        XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
    }
    ~XspfReader() override { XML_ParserFree(parser_); }
    XspfReader(const XspfReader&) = delete;
    XspfReader& operator=(const XspfReader&) = delete;

    bool next(PlaylistEntry& entry) override {
        while (ready_.empty() && !done_) feed();
        // The tracks finished before an error come out first, however the
        // file fell into chunks.
        if (ready_.empty() && !error_.empty()) throw Error(error_);
        if (ready_.empty()) return false;
        entry = std::move(ready_.front());
        ready_.pop_front();
        return true;
    }
    std::uint64_t bytesRead() const override { return source_.bytesRead(); }
    std::uint64_t size() const override { return source_.size(); }

private:
    enum class Field { None, Location, Title, Annotation, Info, Album, Image };

    void feed() {
        const std::size_t n = source_.read(buffer_.data(), buffer_.size());
        const bool last = n == 0;
        if (XML_Parse(parser_, buffer_.data(), static_cast<int>(n), last ? XML_TRUE : XML_FALSE) ==
            XML_STATUS_ERROR) {
            const std::string line = std::to_string(XML_GetCurrentLineNumber(parser_));
            error_ = !refusal_.empty() ? "播放列表第 " + line + " 行：" + refusal_
                                       : "播放列表第 " + line + " 行不是正确的 XML：" +
                                             XML_ErrorString(XML_GetErrorCode(parser_));
            done_ = true;
            return;
        }
        fed_ += n;
        // Expat holds an unfinished token (a name, a tag with its attributes, a
        // comment) whole and parses it again with every chunk; a huge one would
        // cost minutes and gigabytes.
        if (!last && fed_ - std::min(fed_, parsedTo_) > kMaxTokenBytes) {
            error_ = "播放列表第 " + std::to_string(XML_GetCurrentLineNumber(parser_)) +
                     " 行：XML 的一个标记超过 " + std::to_string(kMaxTokenBytes / (1024 * 1024)) +
                     " MB，拒绝读取。";
            done_ = true;
            return;
        }
        done_ = last;
    }

    // Where the parser's last event ended: everything before it is parsed.
    void noteEvent() {
        const XML_Index at = XML_GetCurrentByteIndex(parser_);
        if (at >= 0)
            parsedTo_ =
                static_cast<std::uint64_t>(at) + static_cast<std::uint64_t>(XML_GetCurrentByteCount(parser_));
    }
    static void onOther(void* data, const XML_Char* /*text*/, int /*length*/) {
        static_cast<XspfReader*>(data)->noteEvent();
    }

    static std::string_view localName(const XML_Char* name) {
        std::string_view text(name);
        const std::size_t colon = text.rfind(':');
        return colon == std::string_view::npos ? text : text.substr(colon + 1);
    }

    void stop(std::string reason) {
        refusal_ = std::move(reason);
        XML_StopParser(parser_, XML_FALSE);
    }

    static void onStart(void* data, const XML_Char* name, const XML_Char** /*attributes*/) {
        auto& self = *static_cast<XspfReader*>(data);
        self.noteEvent();
        if (++self.depth_ > kMaxDepth) return self.stop("XML 嵌套太深。");
        const std::string_view local = localName(name);
        if (self.inTrack_ && self.depth_ == self.trackDepth_ + 1) {
            self.text_.clear();
            self.textCut_ = false;
            self.field_ = local == "location"     ? Field::Location
                          : local == "title"      ? Field::Title
                          : local == "annotation" ? Field::Annotation
                          : local == "info"       ? Field::Info
                          : local == "album"      ? Field::Album
                          : local == "image"      ? Field::Image
                                                  : Field::None;
        } else if (!self.inTrack_ && local == "track" && self.parentIsTrackList_.size() >= 1 &&
                   self.parentIsTrackList_.back()) {
            self.inTrack_ = true;
            self.trackDepth_ = self.depth_;
            self.track_ = PlaylistEntry{};
            self.track_.line = XML_GetCurrentLineNumber(self.parser_);
        }
        self.parentIsTrackList_.push_back(local == "trackList");
    }

    static void onEnd(void* data, const XML_Char* /*name*/) {
        auto& self = *static_cast<XspfReader*>(data);
        self.noteEvent();
        if (self.inTrack_ && self.depth_ == self.trackDepth_ + 1) {
            const std::string_view value = text::trimBlanks(self.text_);
            PlaylistEntry& track = self.track_;
            switch (self.field_) {
                case Field::Location:
                    if (track.url.empty()) track.url = resolvePlaylistAddress(value, self.folder_);
                    break;
                case Field::Title:
                    track.title = value;
                    break;
                case Field::Annotation:
                    self.annotation_ = value;
                    break;
                case Field::Info:
                    track.link = value;
                    break;
                case Field::Album:
                    track.group = value;
                    break;
                case Field::Image:
                    track.logo = value;
                    break;
                case Field::None:
                    break;
            }
            self.field_ = Field::None;
        } else if (self.inTrack_ && self.depth_ == self.trackDepth_) {
            self.inTrack_ = false;
            if (self.track_.title.empty()) self.track_.title = self.annotation_;
            self.annotation_.clear();
            self.ready_.push_back(std::move(self.track_));
        }
        --self.depth_;
        if (!self.parentIsTrackList_.empty()) self.parentIsTrackList_.pop_back();
    }

    static void onText(void* data, const XML_Char* text, int length) {
        auto& self = *static_cast<XspfReader*>(data);
        self.noteEvent();
        if (self.field_ == Field::None || self.textCut_) return;
        const std::string_view piece(text, static_cast<std::size_t>(length));
        const std::size_t room = kMaxLineBytes - std::min(self.text_.size(), kMaxLineBytes);
        const std::size_t keep = utf8CutPoint(piece, room);
        self.text_.append(piece.substr(0, keep));
        // Once cut, nothing more is added: the value ends at a whole character.
        self.textCut_ = keep < piece.size();
    }

    static void onEntityDecl(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                             const XML_Char*, const XML_Char*, const XML_Char*) {
        static_cast<XspfReader*>(data)->stop("播放列表声明了 XML 实体，拒绝读取。");
    }

    FileSource source_;
    fs::path folder_;
    std::string buffer_;
    XML_Parser parser_ = nullptr;
    bool done_ = false;
    int depth_ = 0;
    int trackDepth_ = 0;
    bool inTrack_ = false;
    std::vector<bool> parentIsTrackList_;
    Field field_ = Field::None;
    std::string text_;
    bool textCut_ = false;
    std::uint64_t fed_ = 0;
    std::uint64_t parsedTo_ = 0;
    std::string annotation_;
    std::string refusal_;
    std::string error_;  // what ended the reading early
    PlaylistEntry track_;
    std::deque<PlaylistEntry> ready_;
};

}  // namespace

PlaylistFormat detectPlaylistFormat(const fs::path& file) {
    const std::string ext = ascii::lower(file.extension().string());
    if (ext == ".m3u" || ext == ".m3u8") return PlaylistFormat::M3u;
    if (ext == ".pls") return PlaylistFormat::Pls;
    if (ext == ".xspf") return PlaylistFormat::Xspf;
    FileSource source(file);
    std::string head(512, '\0');
    head.resize(source.read(head.data(), head.size()));
    const std::string_view text = text::trimBlanks(text::stripUtf8Bom(head));
    if (text.starts_with("<")) return PlaylistFormat::Xspf;
    if (startsWithIgnoringCase(text, "[playlist]")) return PlaylistFormat::Pls;
    return PlaylistFormat::M3u;
}

std::unique_ptr<PlaylistReader> openPlaylistReader(const fs::path& file, PlaylistFormat format,
                                                   std::size_t readBytes) {
    if (readBytes == 0) readBytes = kChunk;
    switch (format) {
        case PlaylistFormat::Pls:
            return std::make_unique<PlsReader>(file, readBytes);
        case PlaylistFormat::Xspf:
            return std::make_unique<XspfReader>(file, readBytes);
        case PlaylistFormat::M3u:
            break;
    }
    return std::make_unique<M3uReader>(file, readBytes);
}

std::string resolvePlaylistAddress(std::string_view address, const fs::path& folder) {
    const std::string_view text = text::trimBlanks(address);
    if (text.empty()) return {};
    // A scheme is two or more letters, digits, "+", "-" or "." before a colon;
    // one letter is a drive ("C:\...").
    std::size_t i = 0;
    while (i < text.size() &&
           (ascii::isLetter(text[i]) || (i > 0 && (std::isdigit(static_cast<unsigned char>(text[i])) ||
                                                   text[i] == '+' || text[i] == '-' || text[i] == '.'))))
        ++i;
    // Controls inside would break the lines of an exported playlist; the import blanks them too.
    std::string kept(text);
    for (char& c : kept) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    if (i < text.size() && text[i] == ':' && i >= 1) return kept;
    if (text.front() == '/' || text.front() == '\\') return kept;
    for (char& c : kept)
        if (c == '\\') c = '/';
    return (folder / kept).lexically_normal().string();
}

}  // namespace kw
