#include "core/exchange/ChannelExchange.h"

#include "core/base/AddressRules.h"
#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/SafeFile.h"
#include "core/base/ScopedFlag.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/ports/UiPort.h"
#include "core/store/ChannelStore.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace kw {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kProgressInterval{100};

// The user's channels are the only rows batch add may overwrite or add; the
// settings row (group 0) is never a channel.
constexpr int kSettingsGroup = 0;

ChannelRecord toStored(const ChannelTextRecord& text, std::string_view name) {
    ChannelRecord record;
    record.class0 = text.class0;
    record.class1 = text.class1;
    record.class2 = text.class2;
    record.class3 = text.class3;
    record.name = name;
    record.scrambledUrl = scrambleText(text.url, name);
    record.link = text.link;
    record.memo = text.memo;
    record.type = text.type;
    record.speed = text.speed;
    return record;
}

}  // namespace

ChannelExchange::ChannelExchange(ChannelStore& store, ChannelBrowser& browser, UiPort& ui, YieldHook& yield,
                                 fs::path programDir)
    : store_(store), browser_(browser), ui_(ui), yield_(yield), programDir_(std::move(programDir)) {}

std::int64_t ChannelExchange::CountChannelsByName(std::string_view name) {
    return store_.countChannelsByName(text::trimBlanks(name));
}

std::string ChannelExchange::MakeUniqueChannelName(std::string_view name) {
    UniqueNames names(*this);
    return names.make(name);
}

std::string ChannelExchange::UniqueNames::make(std::string_view name) {
    const std::string_view base = text::trimBlanks(name);
    const std::size_t baseChars = text::charCount(base);
    std::uint64_t lowest = 2;
    std::uint64_t limit = 10;
    for (std::size_t digits = 1;; ++digits, lowest = limit, limit *= 10) {
        // " (k)" is ASCII; a candidate over the limit gives up the end of base.
        const std::size_t suffixChars = digits + 3;
        const std::string_view stem = baseChars + suffixChars > kMaxNameChars
                                          ? text::cutToChars(base, kMaxNameChars - suffixChars)
                                          : base;
        std::uint64_t& k =
            next_.try_emplace(std::to_string(digits) + ':' + ascii::lower(stem), lowest).first->second;
        for (; k < limit; ++k) {
            exchange_.yield_.tick();
            std::string candidate = std::string(stem) + " (" + std::to_string(k) + ")";
            // The candidate is counted as it will be stored: trimming it would let
            // " (2)", made from an empty name, pass as the free name "(2)".
            if (exchange_.store_.countChannelsByName(candidate) == 0) {
                ++k;  // the caller stores it before asking again
                return candidate;
            }
        }
    }
}

std::string ChannelExchange::userChannelsText(std::int64_t& count) {
    if (!store_.isOpen()) store_.reopen();
    // Gathered as UTF-8 and converted once: the file is written whole.
    std::string utf8;
    count = 0;
    ChannelTextRecord out;
    out.marker = kInsertMarker;
    store_.forEachUserChannel([&](const ChannelRecord& row) {
        out.class0 = row.class0;
        out.class1 = row.class1;
        out.class2 = row.class2;
        out.class3 = row.class3;
        out.name = row.name;
        out.url = unscrambleText(row.scrambledUrl, row.name);
        out.link = row.link;
        out.memo = row.memo;
        out.type = row.type;
        out.speed = row.speed;
        appendChannelRecordUtf8(utf8, out);
        ++count;
    });
    return text::toGbk(utf8);
}

std::int64_t ChannelExchange::exportUserChannels(const fs::path& file) {
    std::int64_t count = 0;
    const std::string bytes = userChannelsText(count);
    replaceFileAtomically(file, bytes);
    return count;
}

bool ChannelExchange::actExportUserChannel() {
    const std::optional<std::string> chosen =
        ui_.ChooseSaveFile({std::string(kSaveTitle), std::string(kTextFilter), "txt", "."});
    if (!chosen) return false;
    const fs::path file(*chosen);
    std::error_code ignored;
    const bool existed = fs::exists(fs::symlink_status(file, ignored));
    // A database error is reported as such; only a failed write gets the file messages.
    std::int64_t count = 0;
    const std::string bytes = userChannelsText(count);
    try {
        replaceFileAtomically(file, bytes);
    } catch (const Error&) {
        if (const std::string protectedTarget = writeProtectionMessage(file); !protectedTarget.empty()) {
            ui_.ShowMessage(protectedTarget);
        } else if (existed) {
            ui_.ShowMessage(std::string(exchange_texts::kExportRemoveFailed) + *chosen + "\r\n\r\n" +
                            std::string(exchange_texts::kExportRemoveHint));
        } else {
            ui_.ShowMessage("创建 " + *chosen + " 文件出错，请重试。");
        }
        return false;
    }
    ui_.ShowMessage(std::string(exchange_texts::kExportDone) + "\r\n\r\n" + *chosen);
    return true;
}

std::string writeProtectionMessage(const fs::path& file) {
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    const auto refused = [](const fs::path& path) {
        return ::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EPERM || errno == EROFS);
    };
    if (refused(file)) return std::string(exchange_texts::kFileWriteProtected) + "\r\n\r\n" + file.string();
    if (refused(folder))
        return std::string(exchange_texts::kFolderWriteProtected) + "\r\n\r\n" + folder.string();
    return {};
}

ChannelExchange::BatchCounts ChannelExchange::batchAdd(const fs::path& file) {
    ChannelTextReader reader(file);
    return batchAdd(reader);
}

ChannelExchange& ChannelExchange::BatchWriter::claim(ChannelExchange& exchange) {
    if (!exchange.store_.isOpen()) exchange.store_.reopen();
    if (exchange.running_ || exchange.browser_.busy()) throw Error("批量自添正在进行，请等它结束。");
    return exchange;
}

ChannelExchange::BatchWriter::BatchWriter(ChannelExchange& exchange, bool rehearsal)
    : exchange_(claim(exchange)), rehearsal_(rehearsal), running_(exchange.running_) {
    exchange_.browser_.setHeld(true);
    lastCommit_ = Clock::now();
}

ChannelExchange::BatchWriter::~BatchWriter() {
    if (rehearsal_) {
        try {
            exchange_.store_.rollbackTransaction();
        } catch (const Error&) {
        }
    }
    exchange_.browser_.setHeld(false);
    exchange_.ui_.EndProgress();
}

void ChannelExchange::BatchWriter::store(ChannelStore& store, const Written& row) {
    switch (row.kind) {
        case Kind::Insert:
            store.insertChannel(row.record, kUserChannelGroup, kUserChannelVol);
            break;
        case Kind::Update:
            store.updateChannelByName(row.record, kUserChannelVol);
            break;
        case Kind::Rename:
            store.updateChannelById(row.id, row.record);
            break;
    }
}

void ChannelExchange::BatchWriter::write(Kind kind, std::int64_t id, ChannelRecord record) {
    ChannelStore& store = exchange_.store_;
    if (!store.transactionOpen()) store.beginTransaction();
    Written row{kind, id, std::move(record)};
    BatchWriter::store(store, row);
    if (rehearsal_) return;
    exchange_.browser_.noteChannelStored(row.record.name);
    pending_.push_back(std::move(row));
}

void ChannelExchange::BatchWriter::insert(ChannelRecord record) { write(Kind::Insert, 0, std::move(record)); }

void ChannelExchange::BatchWriter::update(ChannelRecord record) {
    if (!rehearsal_) exchange_.browser_.noteChannelChanging(record.name);
    write(Kind::Update, 0, std::move(record));
}

void ChannelExchange::BatchWriter::rename(std::int64_t id, std::string_view oldName, ChannelRecord record) {
    if (!rehearsal_) exchange_.browser_.noteChannelChanging(oldName);
    write(Kind::Rename, id, std::move(record));
}

void ChannelExchange::BatchWriter::step() {
    if (rehearsal_ || Clock::now() - lastCommit_ < kCommitInterval) return;
    finish();
    // Another program waiting to write (the window, kwave) gets the file
    // between two transactions.
    std::this_thread::sleep_for(kWriteGap);
}

void ChannelExchange::BatchWriter::finish() {
    if (rehearsal_) return;
    exchange_.store_.commitTransaction();
    pending_.clear();
    lastCommit_ = Clock::now();
}

std::string ChannelExchange::BatchWriter::keepWritten() noexcept {
    if (rehearsal_) return {};
    ChannelStore& store = exchange_.store_;
    std::size_t kept = 0;
    std::string reason;
    try {
        if (store.transactionOpen()) {
            store.commitTransaction();
            kept = pending_.size();
        } else {
            for (const Written& done : pending_) {
                BatchWriter::store(store, done);
                ++kept;
            }
        }
    } catch (const std::exception& error) {
        reason = error.what();
    } catch (...) {
        reason = "?";
    }
    const std::size_t lost = pending_.size() - kept;
    pending_.clear();
    if (lost == 0) return {};
    try {
        return std::string(exchange_texts::kEarlierRecordsLostBefore) + std::to_string(lost) +
               std::string(exchange_texts::kEarlierRecordsLostAfter) + reason;
    } catch (...) {
        return "?";  // no memory left for the sentence; the caller still learns of the loss
    }
}

ChannelExchange::BatchCounts ChannelExchange::batchAdd(ChannelTextReader& reader) {
    BatchWriter writer(*this);
    UniqueNames uniqueNames(*this);
    BatchCounts counts;
    ChannelTextRecord text;
    Clock::time_point lastProgress = Clock::now();

    std::uint64_t firstLine = 1;
    std::int64_t recordNumber = 0;
    const auto note = [&](std::string_view reason) {
        if (counts.notes.size() < kMaxNotes)
            counts.notes.push_back("第 " + std::to_string(recordNumber) + " 条记录 (文件第 " +
                                   std::to_string(firstLine) + " 行起)：" + std::string(reason));
    };
    try {
        do {
            yield_.tick();
            if (ui_.ProgressCancelled()) {
                counts.stopped = true;
                break;
            }
            firstLine = reader.nextLine();
            ++recordNumber;
            reader.read(text);
            ++counts.records;
            // A name the store refuses would end the run here; it goes in blanked.
            if (!ChannelStore::isStorableName(text.name)) {
                for (char& c : text.name) {
                    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
                }
                note(exchange_texts::kNameControlsBlanked);
            }

            if (!address::isAllowedAddress(text::trimBlanks(text.url)) ||
                !address::isAllowedAddress(text::trimBlanks(text.link))) {
                ++counts.skipped;
                note(std::string(exchange_texts::kRefusedAddress) + text.name);
                writer.step();
                continue;
            }
            // The reader gives the address whole: a longer one is left out, never stored cut.
            if (!address::fitsAddressLimit(text.url)) {
                ++counts.skipped;
                note(address::overlongReason() + std::string(exchange_texts::kOverlongAddressLeftOut) +
                     text.name);
                writer.step();
                continue;
            }
            const std::int64_t n = store_.countChannelsByName(text.name);
            if (n == 1 && text.marker == "U") {
                const ChannelDetails details = store_.readChannelDetails(text.name);
                if (details.groupId == kSettingsGroup) {
                    ++counts.skipped;
                } else {
                    // The stored name keys the address: a play unscrambles it with that name.
                    const std::string stored = store_.readChannelAddress(text.name).name;
                    writer.update(toStored(text, stored));
                    ++counts.updated;
                }
            } else if (text.marker == "I") {
                const std::string name = n > 0 ? uniqueNames.make(text.name) : text.name;
                writer.insert(toStored(text, name));
                ++counts.inserted;
            } else {
                ++counts.skipped;
            }

            writer.step();
            const Clock::time_point now = Clock::now();
            if (now - lastProgress >= kProgressInterval) {
                lastProgress = now;
                const std::uint64_t size = reader.sizeAtOpen();
                const int percent =
                    size == 0
                        ? 100
                        : static_cast<int>(std::min<std::uint64_t>(100, reader.bytesRead() * 100 / size));
                ui_.ShowProgress("正在批量自添：已处理 " + std::to_string(counts.records) +
                                     " 条记录，已读文件 " + std::to_string(percent) + "%",
                                 percent);
            }
        } while (!reader.atEnd());
        writer.finish();
    } catch (const Error& error) {
        const std::string lost = writer.keepWritten();
        throw Error("批量自添在第 " + std::to_string(recordNumber) + " 条记录 (文件第 " +
                    std::to_string(firstLine) + " 行起) 出错：" + error.what() +
                    (lost.empty() ? "" : "\r\n" + lost));
    } catch (...) {
        // Out of memory and the like: the rows before it are kept all the same.
        (void)writer.keepWritten();
        throw;
    }
    return counts;
}

bool ChannelExchange::actUserBatchAddChannel() {
    if (running_ || browser_.busy()) return false;
    FileDialogRequest request{std::string(kOpenTitle), std::string(kOpenFilter), "", programDir_.string()};
    const std::optional<std::string> chosen = ui_.ChooseOpenFile(request);
    if (!chosen) return false;
    std::optional<ChannelTextReader> reader;
    try {
        reader.emplace(fs::path(*chosen));
    } catch (const Error&) {
        ui_.ShowMessage(std::string(exchange_texts::kCannotOpenBefore) + *chosen +
                        std::string(exchange_texts::kCannotOpenAfter));
        return false;
    }
    const BatchCounts counts = batchAdd(*reader);
    browser_.applyPendingChanges();
    // Stopped for the program's exit: what was stored stays, and the exit follows.
    if (counts.stopped) return true;
    std::string message(exchange_texts::kBatchDone);
    for (const std::string& note : counts.notes) message += "\r\n" + note;
    ui_.ShowMessage(message);
    return true;
}

}  // namespace kw
