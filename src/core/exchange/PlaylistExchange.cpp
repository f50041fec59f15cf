#include "core/exchange/PlaylistExchange.h"

#include "core/base/AddressRules.h"
#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/MediaKinds.h"
#include "core/base/SafeFile.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/ports/UiPort.h"
#include "core/store/ChannelStore.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>

namespace kw {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kProgressInterval{100};

// Column limits in characters, as the channel text file keeps them.
constexpr std::size_t kClassChars = kChannelTextLimits[0];
constexpr std::size_t kLinkChars = kChannelTextLimits[6];
constexpr std::size_t kMemoChars = kChannelTextLimits[7];

// Controls would break a stored name's lines in the settings file and the
// tree cache, and a playlist's own lines on export.
std::string withoutControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte == 0x7F ? ' ' : c;
    }
    return out;
}

std::string clean(std::string_view text, std::size_t maxChars) {
    return cleanChannelValue(withoutControls(text), maxChars);
}

void appendXml(std::string& out, std::string_view raw) {
    // XML allows neither malformed UTF-8 nor U+FFFE and U+FFFF: they go out as U+FFFD.
    std::string text = text::sanitizeUtf8(raw);
    for (std::size_t at = 0; (at = text.find("\xEF\xBF", at)) != std::string::npos; at += 3) {
        if (at + 2 < text.size() && (text[at + 2] == '\xBE' || text[at + 2] == '\xBF')) text[at + 2] = '\xBD';
    }
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                // XML 1.0 allows no controls but tab, LF and CR.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
}

// An attribute value of #EXTINF: a double quote would end it early.
void appendAttribute(std::string& out, std::string_view key, std::string_view value) {
    if (value.empty()) return;
    out += ' ';
    out += key;
    out += "=\"";
    for (const char c : value) out += c == '"' ? '\'' : (static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    out += '"';
}

void appendLine(std::string& out, std::string_view text) {
    for (const char c : text) out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    out += '\n';
}

// Texts of the playlist import, in one place.
constexpr std::string_view kImportDone = "祝贺您，播放列表导入完成！";
constexpr std::string_view kImportCancelled = "播放列表导入已取消，取消前导入的频道已保存。";
constexpr std::string_view kImportNothing = "没有导入任何频道：";
constexpr std::string_view kNoEntries = "这个播放列表中没有任何频道。";
constexpr std::string_view kSkipReasonsHead = "跳过的原因：";
constexpr std::string_view kNoAddress = "没有地址";
constexpr std::string_view kRefusedScheme = "地址类型不能播放";
constexpr std::string_view kNoLocalFile = "地址既不是网址，也不是存在的本地文件";
constexpr std::string_view kNotAPlaylist = "不能导入：下面的文件不是播放列表";
constexpr std::string_view kMarkupFile = "（它是网页或其它标记文本）";
constexpr std::string_view kBinaryFile = "（它是二进制文件）";
constexpr std::string_view kDatabaseFile = "不能把频道数据库当作播放列表导入：";
constexpr std::size_t kSniffBytes = 4096;

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && ascii::equalIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// What the start of a file says it is, when that is not a playlist of
// `format`: a web page or other markup where a line list belongs, or bytes
// that are no text. Empty for anything a reader may try.
std::string_view notAPlaylist(const fs::path& file, PlaylistFormat format) {
    // The same open as the readers': a FIFO or a device is refused, never waited for.
    std::uint64_t size = 0;
    const FileDescriptor in = openPlainFileForReading(file, size);
    std::string head(kSniffBytes, '\0');
    const ssize_t got = ::read(in.get(), head.data(), head.size());
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    if (head.find('\0') != std::string::npos) return kBinaryFile;
    std::string_view text = head;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    text = text::trimBlanks(text);
    // A list that opens with its header is a list, whatever its titles say.
    if (startsWithNoCase(text, "#EXTM3U") || startsWithNoCase(text, "[playlist]")) return {};
    const bool page = startsWithNoCase(text, "<!doctype html") || startsWithNoCase(text, "<html") ||
                      ascii::lower(head).find("<html") != std::string::npos;
    if (page || (format != PlaylistFormat::Xspf && text.starts_with('<'))) return kMarkupFile;
    return {};
}

}  // namespace

PlaylistExchange::PlaylistExchange(ChannelExchange& names, ChannelStore& store, UiPort& ui, YieldHook& yield)
    : names_(names), store_(store), ui_(ui), yield_(yield) {}

std::string PlaylistExchange::streamFormat(std::string_view url) {
    if (const std::optional<std::string> scheme = address::exactSchemeOf(url);
        scheme && media::isStreamingScheme(*scheme))
        return ascii::upper(*scheme);
    const std::string ext = media::extensionOf(url);
    if (ext == "m3u8") return "HLS";
    if (ext == "mpd") return "DASH";
    if (media::isMediaFileExtension(ext)) return ascii::upper(ext);
    return "流媒体";
}

bool PlaylistExchange::isAudio(std::string_view url) {
    return media::isAudioExtension(media::extensionOf(url));
}

bool PlaylistExchange::isPlaylistFile(const std::filesystem::path& file) {
    const std::string extension = file.extension().string();
    return !extension.empty() &&
           media::isPlaylistExtension(ascii::lower(std::string_view(extension).substr(1)));
}

std::optional<PlaylistExchange::Format> PlaylistExchange::parseFormat(std::string_view name) {
    if (ascii::equalIgnoringCase(name, "m3u8") || ascii::equalIgnoringCase(name, "m3u")) return Format::M3u8;
    if (ascii::equalIgnoringCase(name, "pls")) return Format::Pls;
    if (ascii::equalIgnoringCase(name, "xspf")) return Format::Xspf;
    return std::nullopt;
}

std::string PlaylistExchange::describe(const ExportReport& report, const std::filesystem::path& file) {
    std::string text = "祝贺您，已经导出 " + std::to_string(report.written) +
                       " 个频道到下面的播放列表中：\n\n" + file.string();
    if (report.lockedLeftOut > 0)
        text += "\n\n" + std::to_string(report.lockedLeftOut) + " 个加了童锁的频道没有导出。";
    return text;
}

std::string PlaylistExchange::describe(const ImportReport& report) {
    std::string text;
    if (report.cancelled) {
        text = std::string(kImportCancelled) + "\r\n\r\n";
    } else if (report.added == 0) {
        text =
            std::string(kImportNothing) + (report.entries == 0 ? std::string(kNoEntries) : "") + "\r\n\r\n";
    } else {
        text = std::string(kImportDone) + "\r\n\r\n";
    }
    if (report.entries > 0 || report.cancelled) {
        text += "新增 " + std::to_string(report.added) + " 个频道，其中 " + std::to_string(report.renamed) +
                " 个因重名改了名字；跳过 " + std::to_string(report.skipped) + " 个条目。";
    }
    if (!report.reasons.empty()) {
        text += "\r\n\r\n" + std::string(kSkipReasonsHead);
        for (const SkipReason& reason : report.reasons)
            text += "\r\n    " + reason.reason + "：" + std::to_string(reason.count) + " 个";
    }
    if (report.cutValues > 0) {
        text += "\r\n\r\n有 " + std::to_string(report.cutValues) + " 个分组、地区或语言名称超过 " +
                std::to_string(kClassChars) + " 个字符，只保留了前 " + std::to_string(kClassChars) +
                " 个字符。";
    }
    while (text.ends_with("\r\n")) text.resize(text.size() - 2);
    return text;
}

std::string PlaylistExchange::describeDetails(const ImportReport& report) {
    std::string text;
    for (const std::string& note : report.notes) text += note + "\r\n";
    const auto listed = static_cast<std::int64_t>(report.notes.size());
    if (report.skipped > listed) text += "…… 另有 " + std::to_string(report.skipped - listed) + " 个条目\r\n";
    return text;
}

std::string playlistEntryId(std::string_view listId, std::string_view address) {
    const std::string_view id = text::trimBlanks(listId);
    // The id is kept as one line beside the others of its list.
    std::string kept(id.empty() ? address : id);
    for (char& c : kept) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return kept;
}

std::string PlaylistExchange::seenOf(const ListedChannel& channel) {
    constexpr char kSeparator = '\x1F';  // no cleaned value holds a control character
    const ChannelRecord& record = channel.record;
    return record.name + kSeparator + channel.url + kSeparator + record.class1 + kSeparator + record.class2 +
           kSeparator + record.class3;
}

PlaylistExchange::ImportReport PlaylistExchange::readPlaylist(
    const fs::path& file, const ImportOptions& options, const std::function<void(ListedChannel&)>& take) {
    const std::string shownAs = options.source.empty() ? file.string() : options.source;
    // Opening the live database or its log as a file would drop the
    // engine's locks on it.
    std::error_code notThere;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        if (fs::equivalent(file, fs::path(store_.file().string() + suffix), notThere))
            throw Error(std::string(kDatabaseFile) + shownAs);
    }
    const PlaylistFormat format = detectPlaylistFormat(file);
    if (const std::string_view kind = notAPlaylist(file, format); !kind.empty())
        throw Error(std::string(kNotAPlaylist) + std::string(kind) + "：\r\n\r\n" + shownAs);
    const std::unique_ptr<PlaylistReader> reader = openPlaylistReader(file, format);
    ui_.OfferProgressCancel();

    ImportReport report;
    const std::string chosenClass0 = clean(options.class0, kClassChars);
    const auto skip = [&](const PlaylistEntry& entry, std::string_view reason, std::string_view detail = {}) {
        ++report.skipped;
        const auto group = std::find_if(report.reasons.begin(), report.reasons.end(),
                                        [&](const SkipReason& known) { return known.reason == reason; });
        if (group == report.reasons.end()) {
            report.reasons.push_back({std::string(reason), 1});
        } else {
            ++group->count;
        }
        if (options.everyNote || report.notes.size() < kMaxNotes) {
            report.notes.push_back("第 " + std::to_string(entry.line) + " 行：" + std::string(reason) +
                                   (detail.empty() ? "" : "：" + std::string(detail)));
        }
    };
    const auto category = [&](std::string_view value) {
        if (text::charCount(clean(value, std::string::npos)) > kClassChars) ++report.cutValues;
        return clean(value, kClassChars);
    };

    PlaylistEntry entry;
    Clock::time_point lastProgress = Clock::now();
    try {
        while (reader->next(entry)) {
            yield_.tick();
            if (ui_.ProgressCancelled()) {
                report.cancelled = true;
                break;
            }
            ++report.entries;
            if (entry.url.empty()) {
                skip(entry, kNoAddress);
                continue;
            }
            if (!address::isAllowedAddress(entry.url)) {
                skip(entry, kRefusedScheme, text::cutToChars(entry.url, 20));
                continue;
            }
            // A reader gives a line without a scheme as a path; only a file
            // that is there can play ("[NO PUBLIC STREAM]" is a placeholder).
            if (const char first = entry.url.front(); first == '/' || first == '\\') {
                std::error_code missing;
                if (!fs::is_regular_file(entry.url, missing)) {
                    skip(entry, kNoLocalFile, text::cutToChars(entry.url, 60));
                    continue;
                }
            }
            ListedChannel listed;
            listed.url = withoutControls(entry.url);
            // A cut address would store a channel that can never play.
            if (!address::fitsAddressLimit(listed.url)) {
                skip(entry, address::overlongReason());
                continue;
            }

            ChannelRecord& record = listed.record;
            record.name = clean(entry.title, ChannelExchange::kMaxNameChars);
            if (record.name.empty()) record.name = clean(listed.url, ChannelExchange::kMaxNameChars);
            const bool audio = entry.radio || format == PlaylistFormat::Pls || isAudio(listed.url);
            record.class0 =
                !chosenClass0.empty() ? chosenClass0 : std::string(audio ? kRadioCategory : kTvCategory);
            record.class1 = category(entry.group);
            record.class2 = category(entry.country);
            record.class3 = category(entry.language);
            record.type = streamFormat(listed.url);
            if (address::isAllowedAddress(entry.link)) record.link = clean(entry.link, kLinkChars);
            // Controls go from each part, not from the line break between them.
            std::string memo;
            const std::string_view duration = text::trimBlanks(entry.duration);
            if (!duration.empty() && duration.front() != '-' && duration != "0")
                memo = withoutControls("时长：" + std::string(duration) + " 秒");
            if (!entry.logo.empty() && address::isAllowedAddress(entry.logo))
                memo += (memo.empty() ? "" : "\r\n") + std::string("台标：") + withoutControls(entry.logo);
            record.memo = cleanChannelValue(memo, kMemoChars);
            listed.entryId = playlistEntryId(entry.id, listed.url);
            listed.seen = seenOf(listed);
            take(listed);

            const Clock::time_point now = Clock::now();
            if (now - lastProgress >= kProgressInterval) {
                lastProgress = now;
                const std::uint64_t size = reader->size();
                const int percent =
                    size == 0
                        ? 100
                        : static_cast<int>(std::min<std::uint64_t>(100, reader->bytesRead() * 100 / size));
                ui_.ShowProgress("正在导入播放列表：已处理 " + std::to_string(report.entries) +
                                     " 个条目，已读文件 " + std::to_string(percent) + "%",
                                 percent);
            }
        }
        if (std::string note = reader->note(); !note.empty()) report.notes.push_back(std::move(note));
    } catch (const Error& error) {
        throw Error("导入播放列表在第 " + std::to_string(report.entries + 1) + " 个条目 (文件第 " +
                    std::to_string(std::max<std::uint64_t>(entry.line, 1)) + " 行附近) 出错：" +
                    error.what());
    }
    return report;
}

PlaylistExchange::ImportReport PlaylistExchange::importPlaylist(const fs::path& file,
                                                                const ImportOptions& options) {
    ChannelExchange::BatchWriter writer(names_, options.dryRun);
    ChannelExchange::UniqueNames uniqueNames(names_);
    // Each channel remembers its entry, for a later refresh of the list.
    const std::string source =
        options.source.empty() ? fs::absolute(file).lexically_normal().string() : options.source;
    std::int64_t added = 0, renamed = 0;
    ImportReport report;
    try {
        report = readPlaylist(file, options, [&](ListedChannel& listed) {
            if (addListed(listed, source, writer, uniqueNames)) ++renamed;
            ++added;
            writer.step();
        });
        writer.finish();
    } catch (const Error&) {
        writer.keepWritten();
        throw;
    }
    report.added = added;
    report.renamed = renamed;
    return report;
}

bool PlaylistExchange::addListed(ListedChannel& listed, std::string_view source,
                                 ChannelExchange::BatchWriter& writer,
                                 ChannelExchange::UniqueNames& uniqueNames) {
    ChannelRecord& record = listed.record;
    const bool renamed = names_.CountChannelsByName(record.name) > 0;
    if (renamed) record.name = uniqueNames.make(record.name);
    record.scrambledUrl = scrambleText(listed.url, record.name);
    const std::string name = record.name;
    writer.insert(std::move(record));
    store_.recordOrigin(name, {std::string(source), listed.entryId, listed.seen});
    return renamed;
}

PlaylistExchange::ExportReport PlaylistExchange::exportPlaylist(const fs::path& file,
                                                                const ExportRequest& request) {
    if (!store_.isOpen()) store_.reopen();
    std::string out;
    std::int64_t plsNumber = 0;
    switch (request.format) {
        case Format::M3u8:
            out = "#EXTM3U\n";
            break;
        case Format::Pls:
            out = "[playlist]\n";
            break;
        case Format::Xspf:
            out =
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" "
                "xmlns=\"http://xspf.org/ns/0/\">\n  <trackList>\n";
            break;
    }

    const auto append = [&](const ChannelRecord& record) {
        const std::string url = unscrambleText(record.scrambledUrl, record.name);
        switch (request.format) {
            case Format::M3u8:
                out += "#EXTINF:-1";
                appendAttribute(out, "group-title", text::trimBlanks(record.class1));
                appendAttribute(out, "tvg-country", text::trimBlanks(record.class2));
                appendAttribute(out, "tvg-language", text::trimBlanks(record.class3));
                out += ',';
                appendLine(out, record.name);
                // A line starting with "#" reads back as a tag: such an
                // address goes out as the relative path it is, "./#...".
                if (const std::string_view address = text::trimBlanks(url); address.starts_with('#')) {
                    out += "./";
                    appendLine(out, address);
                } else {
                    appendLine(out, url);
                }
                break;
            case Format::Pls: {
                const std::string n = std::to_string(++plsNumber);
                out += "File" + n + "=";
                appendLine(out, url);
                out += "Title" + n + "=";
                appendLine(out, record.name);
                out += "Length" + n + "=-1\n";
                break;
            }
            case Format::Xspf:
                out += "    <track><location>";
                appendXml(out, url);
                out += "</location><title>";
                appendXml(out, record.name);
                out += "</title>";
                if (!text::trimBlanks(record.class1).empty()) {
                    out += "<album>";
                    appendXml(out, text::trimBlanks(record.class1));
                    out += "</album>";
                }
                out += "</track>\n";
                break;
        }
    };

    ExportReport report;
    // The password is asked after the scan, never from inside it, and only
    // when a locked channel is in scope.
    store_.forEachChannelForExport([&](const ChannelStore::ExportedChannel& row) {
        yield_.tick();
        if (!request.scope.contains(row)) return;
        if (row.locked != 0) {
            ++report.lockedLeftOut;
            return;
        }
        append(row.record);
        ++report.written;
    });
    request.scope.requireFound(static_cast<std::size_t>(report.written + report.lockedLeftOut));
    if (report.lockedLeftOut > 0 && request.unlock && request.unlock()) {
        store_.forEachChannelForExport([&](const ChannelStore::ExportedChannel& row) {
            yield_.tick();
            if (row.locked == 0 || !request.scope.contains(row)) return;
            append(row.record);
            ++report.written;
            --report.lockedLeftOut;
        });
    }

    switch (request.format) {
        case Format::M3u8:
            break;
        case Format::Pls:
            out += "NumberOfEntries=" + std::to_string(plsNumber) + "\nVersion=2\n";
            break;
        case Format::Xspf:
            out += "  </trackList>\n</playlist>\n";
            break;
    }
    try {
        replaceFileAtomically(file, out);
    } catch (const Error&) {
        if (const std::string protectedTarget = writeProtectionMessage(file); !protectedTarget.empty())
            throw Error(protectedTarget);
        throw;
    }
    return report;
}

}  // namespace kw
