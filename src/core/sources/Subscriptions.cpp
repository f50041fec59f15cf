#include "core/sources/Subscriptions.h"

#include "core/base/AddressRules.h"
#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/LocalTime.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/base/YieldHook.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelExchange.h"
#include "core/ports/UiPort.h"
#include "core/settings/SettingsFile.h"
#include "core/sources/DocumentFetch.h"
#include "core/sources/EntryMatcher.h"

#include <ctime>

namespace kw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kAddressCaption = "订阅播放列表";
constexpr std::string_view kUnsubscribeCaption = "取消订阅";
constexpr std::string_view kAddressPrompt = "请输入播放列表的网址（http:// 或 https://）：";
constexpr std::string_view kNotAnAddress = "只能订阅 http:// 或 https:// 开头的网址：";
constexpr std::string_view kEmptyList = "订阅源中没有任何可以导入的频道，频道保持原样：";
constexpr std::size_t kMaxNameChars = 40;

}  // namespace

Subscriptions::Subscriptions(ChannelStore& store, ChannelExchange& exchange, ChannelBrowser& browser,
                             const SettingsFile& settings, WebFetch& web, UiPort& ui, YieldHook& yield,
                             const fs::path& programDir, Clock now)
    : store_(store),
      exchange_(exchange),
      browser_(browser),
      settings_(settings),
      web_(web),
      ui_(ui),
      yield_(yield),
      log_(programDir),
      now_(std::move(now)) {}

std::vector<Subscription> Subscriptions::list() {
    std::vector<Subscription> subscriptions;
    if (!store_.isOpen()) return subscriptions;
    for (SubscriptionRow& row : store_.readSubscriptions()) {
        RefreshState state = log_.read(row.name);
        subscriptions.push_back({std::move(row), std::move(state)});
    }
    return subscriptions;
}

std::optional<Subscription> Subscriptions::find(std::string_view nameOrAddress) {
    const std::string_view wanted = text::trimBlanks(nameOrAddress);
    for (Subscription& subscription : list()) {
        if (subscription.row.address == wanted || ascii::equalIgnoringCase(subscription.row.name, wanted))
            return std::move(subscription);
    }
    return std::nullopt;
}

bool Subscriptions::isListAddress(std::string_view text) {
    return address::isWebAddress(text::trimBlanks(text));
}

std::string Subscriptions::resultText(const RefreshState& state) {
    return state.failed ? "失败：" + state.result : state.result;
}

std::string Subscriptions::timeText(std::int64_t secondsSince1970) {
    if (secondsSince1970 <= 0) return "从未";
    const std::tm parts = localTimeOf(secondsSince1970);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
    return text;
}

std::string Subscriptions::nameFor(std::string_view address) {
    const std::string host(address::authorityOf(address));
    const std::string stem = fs::path(std::string(address::fileNameOf(address))).stem().string();
    std::string name = stem.empty() ? host : stem + " (" + host + ")";
    // A section of the refresh log ends at "]", and a line at a control.
    for (char& c : name) {
        if (c == '[' || c == ']' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    name = std::string(text::trimBlanks(text::cutToChars(text::sanitizeUtf8(name), kMaxNameChars)));
    return name.empty() ? "订阅" : name;
}

void Subscriptions::readSourceWith(std::string sourceAddress, SourceReader reader) {
    readers_.insert_or_assign(std::move(sourceAddress), std::move(reader));
}

SubscriptionRow Subscriptions::newRow(std::string address, std::string wanted, std::string class0) {
    const std::vector<SubscriptionRow> rows = store_.readSubscriptions();
    const auto taken = [&](std::string_view name) {
        return std::any_of(rows.begin(), rows.end(), [&](const SubscriptionRow& row) {
            return ascii::equalIgnoringCase(row.name, name);
        });
    };
    SubscriptionRow row;
    row.address = std::move(address);
    row.class0 = std::move(class0);
    row.addedAt = now_();
    row.name = wanted;
    for (int number = 2; taken(row.name); ++number) row.name = wanted + " (" + std::to_string(number) + ")";
    return row;
}

std::optional<RefreshReport> Subscriptions::subscribe(const std::string& address,
                                                      const SubscribeOptions& options) {
    const std::string trimmed(text::trimBlanks(address));
    if (!address::isWebAddress(trimmed)) throw Error(std::string(kNotAnAddress) + trimmed);
    if (!store_.isOpen()) store_.reopen();
    if (std::optional<Subscription> known = find(trimmed)) return refresh(*known, options.dryRun);

    const SubscriptionRow row =
        newRow(trimmed, options.name.empty() ? nameFor(trimmed) : options.name, options.class0);
    const ProgressShown shown(ui_);
    const std::optional<TemporaryFile> list = fetchPlaylist(web_, ui_, yield_, trimmed);
    if (!list) return std::nullopt;
    RefreshReport report =
        merge(row, playlistReader(row, list->path(), options.dryRun), true, options.dryRun);
    if (!options.dryRun && !report.read.cancelled) noteAttempt(row.name, &report, {});
    return report;
}

std::optional<RefreshReport> Subscriptions::refresh(const Subscription& subscription, bool dryRun) {
    if (!store_.isOpen()) store_.reopen();
    const ProgressShown shown(ui_);
    const auto mergeFrom = [&](const SourceReader& read) {
        RefreshReport report = merge(subscription.row, read, false, dryRun);
        if (!dryRun && !report.read.cancelled) noteAttempt(subscription.row.name, &report, {});
        return report;
    };
    try {
        if (const auto own = readers_.find(subscription.row.address); own != readers_.end())
            return mergeFrom(own->second);
        const std::optional<TemporaryFile> list = fetchPlaylist(web_, ui_, yield_, subscription.row.address);
        if (!list) return std::nullopt;
        return mergeFrom(playlistReader(subscription.row, list->path(), dryRun));
    } catch (const Error& error) {
        if (!dryRun) noteAttempt(subscription.row.name, nullptr, error.what());
        throw;
    }
}

void Subscriptions::noteAttempt(const std::string& name, const RefreshReport* report,
                                std::string_view failure) {
    RefreshState state = log_.read(name);
    state.triedAt = now_();
    state.failed = report == nullptr;
    if (report != nullptr) {
        state.refreshedAt = state.triedAt;
        state.entries = report->read.entries;
        state.result = describeLine(*report);
    } else {
        // One line: the reason without the address the message repeats.
        std::string line(failure.substr(0, failure.find("\r\n")));
        state.result = std::string(text::trimBlanks(line));
    }
    try {
        log_.write(name, state);
    } catch (const Error&) {
        // The log only says how the last refresh went; the channels are what counts.
    }
}

Subscriptions::SourceReader Subscriptions::playlistReader(const SubscriptionRow& subscription,
                                                          const fs::path& file, bool dryRun) {
    return
        [this,
         options = PlaylistExchange::ImportOptions{subscription.class0, dryRun, false, subscription.address},
         file](const std::vector<SourceEntry>&, const Take& take) {
            PlaylistExchange playlists(exchange_, store_, ui_, yield_);
            return std::optional(playlists.readPlaylist(file, options, take));
        };
}

RefreshReport Subscriptions::merge(const SubscriptionRow& subscription, const SourceReader& read,
                                   bool subscribing, bool dryRun) {
    RefreshReport report;
    report.name = subscription.name;
    report.dryRun = dryRun;
    report.subscribed = subscribing;

    std::vector<SourceEntry> stored;
    store_.forEachEntryOf(subscription.address, [&](const SourceEntry& entry) {
        stored.push_back(entry);
        yield_.tick();
    });
    EntryMatcher matcher(std::move(stored), yield_);

    std::vector<PlaylistExchange::ListedChannel> fresh, changed, pending;
    std::vector<const SourceEntry*> before;  // beside `changed`
    const auto matched = [&](PlaylistExchange::ListedChannel& channel, const SourceEntry& was) {
        if (was.seen == channel.seen && was.goneSince == 0) {
            ++report.unchanged;
        } else {
            changed.push_back(std::move(channel));
            before.push_back(&was);
        }
    };
    std::optional<PlaylistExchange::ImportReport> entries =
        read(matcher.known(), [&](PlaylistExchange::ListedChannel& channel) {
            if (const SourceEntry* same = matcher.takeByAddress(channel.entryId, channel.url)) {
                matched(channel, *same);
            } else {
                pending.push_back(std::move(channel));
            }
        });
    if (!entries) entries.emplace().cancelled = true;
    report.read = std::move(*entries);
    if (report.read.cancelled) return report;
    // An empty answer would mark every channel gone: a broken list, not a
    // list that lost them all. A source none of whose channels are left has
    // nothing to lose.
    const bool nothingRead = report.unchanged == 0 && changed.empty() && pending.empty();
    if (nothingRead && (subscribing || !matcher.known().empty()))
        throw Error(std::string(kEmptyList) + subscription.address);
    std::vector<PlaylistExchange::ListedChannel*> unmatched;
    for (PlaylistExchange::ListedChannel& channel : pending) {
        if (const SourceEntry* retitled = matcher.takeByName(channel.entryId, channel.record.name)) {
            matched(channel, *retitled);
        } else {
            unmatched.push_back(&channel);
        }
    }
    for (PlaylistExchange::ListedChannel* channel : unmatched) {
        const SourceEntry* moved = matcher.takeAny(channel->entryId);
        // Without an id of the list's own the id is the address: a new one
        // is still the channel of that title.
        if (!moved && channel->entryId == channel->url)
            moved = matcher.takeUnidentifiedByName(channel->record.name);
        if (moved) {
            matched(*channel, *moved);
        } else {
            fresh.push_back(std::move(*channel));
        }
    }
    std::vector<const SourceEntry*> gone = matcher.untaken();
    std::erase_if(gone, [](const SourceEntry* entry) { return entry->goneSince != 0; });
    report.added = static_cast<std::int64_t>(fresh.size());
    report.updated = static_cast<std::int64_t>(changed.size());
    for (const SourceEntry* entry : gone) report.gone.push_back(entry->name);
    std::sort(report.gone.begin(), report.gone.end());
    // An unchanged list of a known subscription writes nothing.
    if (!report.changed() && !subscribing) return report;

    std::vector<std::pair<std::string, std::string>> renames;
    {
        ChannelExchange::BatchWriter writer(exchange_, dryRun);
        ChannelExchange::UniqueNames uniqueNames(exchange_);
        try {
            if (subscribing) {
                store_.beginTransaction();
                store_.addSubscription(subscription);
            }
            for (std::size_t i = 0; i < changed.size(); ++i) {
                if (std::optional<std::pair<std::string, std::string>> rename =
                        applyChange(*before[i], changed[i], writer, uniqueNames)) {
                    renames.push_back(std::move(*rename));
                    ++report.renamed;
                }
                writer.step();
                yield_.tick();
            }
            PlaylistExchange playlists(exchange_, store_, ui_, yield_);
            for (PlaylistExchange::ListedChannel& channel : fresh) {
                playlists.addListed(channel, subscription.address, writer, uniqueNames);
                writer.step();
                yield_.tick();
            }
            if (!gone.empty() && !store_.transactionOpen()) store_.beginTransaction();
            const std::int64_t at = now_();
            for (const SourceEntry* entry : gone) store_.markEntryGone(entry->name, at);
            writer.finish();
        } catch (const Error&) {
            writer.keepWritten();
            throw;
        }
    }
    if (dryRun) return report;
    browser_.applyPendingChanges();
    browser_.deadChannels().reload(store_);
    if (renamed_) {
        for (const auto& [from, to] : renames) renamed_(from, to);
    }
    return report;
}

std::optional<std::pair<std::string, std::string>> Subscriptions::applyChange(
    const SourceEntry& was, const PlaylistExchange::ListedChannel& now, ChannelExchange::BatchWriter& writer,
    ChannelExchange::UniqueNames& uniqueNames) {
    ChannelStore::EditableChannel current = store_.readChannelForEdit(was.name);
    if (current.id == 0) return std::nullopt;  // deleted since; its source row went with it
    const SeenParts old(was.seen);
    const SeenParts got(now.seen);
    ChannelRecord record = current.record;
    const bool moved = old[SeenParts::Address] != got[SeenParts::Address];
    const std::string url = moved ? now.url : unscrambleText(record.scrambledUrl, record.name);
    if (moved) record.type = now.record.type;
    if (old[SeenParts::Class1] != got[SeenParts::Class1]) record.class1 = now.record.class1;
    if (old[SeenParts::Class2] != got[SeenParts::Class2]) record.class2 = now.record.class2;
    if (old[SeenParts::Class3] != got[SeenParts::Class3]) record.class3 = now.record.class3;
    const bool retitled = old[SeenParts::Name] != got[SeenParts::Name] &&
                          !ascii::equalIgnoringCase(now.record.name, record.name);
    if (retitled) {
        record.name = exchange_.CountChannelsByName(now.record.name) > 0 ? uniqueNames.make(now.record.name)
                                                                         : now.record.name;
    }
    record.scrambledUrl = scrambleText(url, record.name);
    if (retitled) {
        writer.rename(current.id, was.name, record);
    } else if (record.scrambledUrl != current.record.scrambledUrl || record.class1 != current.record.class1 ||
               record.class2 != current.record.class2 || record.class3 != current.record.class3) {
        writer.update(record);
    }
    if (!store_.transactionOpen()) store_.beginTransaction();
    store_.seeEntryAgain(record.name, now.entryId, now.seen);
    if (!retitled) return std::nullopt;
    return std::pair(was.name, record.name);
}

std::size_t Subscriptions::unsubscribe(const Subscription& subscription, bool deleteChannels) {
    if (!store_.isOpen()) store_.reopen();
    std::vector<std::string> names;
    store_.forEachEntryOf(subscription.row.address,
                          [&](const SourceEntry& entry) { names.push_back(entry.name); });
    const bool followTree = deleteChannels && !browser_.tree().empty();
    store_.inTransaction([&] {
        store_.removeSubscription(subscription.row.address);
        if (!deleteChannels) {
            store_.forgetGoneMarks(subscription.row.address);
            return;
        }
        for (const std::string& name : names) {
            if (followTree) browser_.noteChannelChanging(name);
            store_.deleteChannel(name);
        }
    });
    log_.forget(subscription.row.name);
    if (followTree) browser_.applyPendingChanges();
    browser_.deadChannels().reload(store_);
    return deleteChannels ? names.size() : 0;
}

std::string Subscriptions::describeLine(const RefreshReport& report) {
    std::string line = "新增 " + std::to_string(report.added) + "，更新 " + std::to_string(report.updated) +
                       "，移除 " + std::to_string(report.gone.size()) + "，未变 " +
                       std::to_string(report.unchanged);
    if (report.read.skipped > 0) line += "，跳过 " + std::to_string(report.read.skipped);
    return line;
}

std::string Subscriptions::describe(const RefreshReport& report) {
    std::string text = report.dryRun ? "试运行，没有保存任何改动。\r\n" : "";
    if (report.read.cancelled) return text + "订阅“" + report.name + "”的刷新已取消，频道保持原样。";
    text += (report.subscribed ? "已订阅“" : "订阅“") + report.name +
            (report.subscribed ? "”：" : "”已刷新：") + describeLine(report) + "。";
    if (report.renamed > 0) text += "\r\n其中 " + std::to_string(report.renamed) + " 个频道按新标题改了名。";
    if (!report.gone.empty()) {
        text += "\r\n订阅源中已没有下列频道，已标为失效（没有删除）：";
        constexpr std::size_t kNamed = 20;
        for (std::size_t i = 0; i < report.gone.size() && i < kNamed; ++i) text += "\r\n  " + report.gone[i];
        if (report.gone.size() > kNamed)
            text += "\r\n  …… 另有 " + std::to_string(report.gone.size() - kNamed) + " 个";
    }
    return text;
}

bool Subscriptions::idle() const { return store_.isOpen() && !exchange_.running() && !browser_.busy(); }

bool Subscriptions::showOutcome(const std::function<std::optional<RefreshReport>()>& run) {
    try {
        const std::optional<RefreshReport> report = run();
        if (!report) return false;
        ui_.ShowMessageWithDetails(describe(*report), PlaylistExchange::describeDetails(report->read));
    } catch (const Error& error) {
        ui_.ShowError(error.what());
        return false;
    }
    return true;
}

bool Subscriptions::refreshEach(const std::vector<Subscription>& subscriptions, bool onlyChanges) {
    std::string summary, failures;
    for (const Subscription& subscription : subscriptions) {
        try {
            const std::optional<RefreshReport> report = refresh(subscription);
            if (!report) break;
            if (!onlyChanges || report->changed())
                summary += (summary.empty() ? "" : "\r\n\r\n") + describe(*report);
        } catch (const Error& error) {
            failures += (failures.empty() ? "" : "\r\n\r\n") + std::string(error.what());
        }
    }
    if (!summary.empty()) ui_.ShowMessage(summary);
    if (!failures.empty()) ui_.ShowError(failures);
    return failures.empty();
}

bool Subscriptions::actSubscribe(const std::string& address) {
    if (!idle()) return false;
    std::string chosen = address;
    if (chosen.empty()) {
        const std::optional<std::string> answer =
            ui_.InputBox(std::string(kAddressCaption), std::string(kAddressPrompt), "");
        if (!answer || text::trimBlanks(*answer).empty()) return false;
        chosen = *answer;
    }
    return showOutcome([&] { return subscribe(chosen, {}); });
}

bool Subscriptions::actRefreshAll() {
    if (!idle()) return false;
    const std::vector<Subscription> subscriptions = list();
    if (subscriptions.empty()) {
        ui_.ShowMessage(std::string(kNoSubscriptions));
        return false;
    }
    return refreshEach(subscriptions, false);
}

void Subscriptions::refreshDue() {
    const int days = settings_.subscriptionRefreshDays();
    if (days <= 0 || !idle()) return;
    constexpr std::int64_t kSecondsPerDay = 86'400;
    const std::int64_t dueBefore = now_() - days * kSecondsPerDay;
    std::vector<Subscription> due = list();
    std::erase_if(due,
                  [&](const Subscription& subscription) { return subscription.state.triedAt > dueBefore; });
    refreshEach(due, true);
}

bool Subscriptions::actRefresh(const Subscription& subscription) {
    return idle() && showOutcome([&] { return refresh(subscription); });
}

bool Subscriptions::actUnsubscribe(const Subscription& subscription) {
    if (!idle()) return false;
    if (!ui_.AskYesNo(kUnsubscribeCaption, "确实要取消订阅“" + subscription.row.name + "”吗？")) return false;
    std::size_t channels = 0;
    store_.forEachEntryOf(subscription.row.address, [&](const SourceEntry&) { ++channels; });
    const bool deleteChannels =
        channels > 0 && ui_.AskYesNo(kUnsubscribeCaption, "同时删除这个订阅的 " + std::to_string(channels) +
                                                              " 个频道吗？\r\n（选“否”则保留为自添频道）");
    try {
        unsubscribe(subscription, deleteChannels);
    } catch (const Error& error) {
        ui_.ShowError(error.what());
        return false;
    }
    return true;
}

}  // namespace kw
