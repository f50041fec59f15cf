#pragma once

#include "core/exchange/PlaylistExchange.h"
#include "core/sources/RefreshLog.h"
#include "core/store/ChannelStore.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kw {

class ChannelBrowser;
class SettingsFile;
class UiPort;
class WebFetch;
class YieldHook;

struct Subscription {
    SubscriptionRow row;
    RefreshState state;
};

// What a subscription's import or refresh did.
struct RefreshReport {
    std::string name;                     // the subscription's
    PlaylistExchange::ImportReport read;  // entries read, skipped and why, cancelled
    std::int64_t added = 0, updated = 0, renamed = 0, unchanged = 0;
    std::vector<std::string> gone;  // channels whose entries left the list with this refresh
    bool subscribed = false;        // the list became a new subscription
    bool dryRun = false;
    bool changed() const { return added > 0 || updated > 0 || !gone.empty(); }
};

// Playlists published at an address, kept up to date. Importing from an
// address subscribes to the list; a refresh reads it again and brings its
// channels to it: an entry known by its id is updated in place when the list
// changed it (a new title renames the channel under the unique-name rule;
// rating, favourite, lock, slots and, unless the address changed, check
// results stay), new entries are added as an import adds them, and entries
// gone from the list are marked, never deleted. A refresh of an unchanged list
// writes nothing to the database; one that fails changes nothing.
class Subscriptions {
public:
    using Clock = std::function<std::int64_t()>;
    // Hears of each channel a refresh renamed, so that speed slots follow it.
    using RenameHook = std::function<void(std::string_view from, std::string_view to)>;
    using Take = std::function<void(PlaylistExchange::ListedChannel&)>;
    // Reads a source's entries as they stand now, handing each to take:
    // given the entries the catalogue holds from it. nullopt when cancelled.
    using SourceReader = std::function<std::optional<PlaylistExchange::ImportReport>(
        const std::vector<SourceEntry>& known, const Take& take)>;

    static constexpr std::string_view kNoSubscription = "没有这个订阅：";
    static constexpr std::string_view kNoSubscriptions = "还没有订阅任何播放列表。";

    Subscriptions(ChannelStore& store, ChannelExchange& exchange, ChannelBrowser& browser,
                  const SettingsFile& settings, WebFetch& web, UiPort& ui, YieldHook& yield,
                  const std::filesystem::path& programDir, Clock now);

    void setRenameHook(RenameHook hook) { renamed_ = std::move(hook); }
    // A source that is no playlist at an address (the radio directory) is
    // read again by its own reader; its subscription row names it.
    void readSourceWith(std::string sourceAddress, SourceReader reader);
    // A new subscription row for address, not yet stored: named wanted, or
    // wanted with a number when another subscription bears that name.
    SubscriptionRow newRow(std::string address, std::string wanted, std::string class0);

    // Every subscription with how its last refresh went, oldest first.
    std::vector<Subscription> list();
    // By name (ASCII case ignored) or by address.
    std::optional<Subscription> find(std::string_view nameOrAddress);

    struct SubscribeOptions {
        std::string class0;  // empty chooses radio or TV per entry
        std::string name;    // empty names it after the address
        bool dryRun = false;
    };
    // Fetches the list at address and imports it as a new subscription; an
    // address already subscribed to is refreshed instead. nullopt when the
    // user cancelled the download. Throws kw::Error (nothing stored).
    std::optional<RefreshReport> subscribe(const std::string& address, const SubscribeOptions& options);
    // Reads the subscription's list again and merges it. nullopt when the
    // user cancelled the download. Throws kw::Error, after noting the failure
    // in the refresh log; the channels stay as they were.
    std::optional<RefreshReport> refresh(const Subscription& subscription, bool dryRun = false);
    // Removes the subscription. Its channels stay as the user's own, with
    // their gone marks cleared, or are deleted; returns how many were deleted.
    std::size_t unsubscribe(const Subscription& subscription, bool deleteChannels);

    // The menu commands: the address asked for (or given: a dropped address),
    // each list refreshed in turn, with their final messages or errors.
    // A file, not an address, goes to the playlist import.
    bool actSubscribe(const std::string& address = {});
    bool actRefreshAll();
    bool actRefresh(const Subscription& subscription);
    // At start: refreshes the subscriptions whose last refresh attempt is as
    // old as the settings file's RefreshAfterDays (none while it is 0), and
    // speaks only when one changed or failed.
    void refreshDue();
    // Asks whether to remove the subscription, then whether its channels go with it.
    bool actUnsubscribe(const Subscription& subscription);

    // The summary the user reads, in Chinese, and its one-line form for the refresh log.
    static std::string describe(const RefreshReport& report);
    static std::string describeLine(const RefreshReport& report);
    // Whether text names a list at an address (http, https) rather than a file.
    static bool isListAddress(std::string_view text);
    // How the last refresh went as the list shows it: its result, after "失败：" when it failed.
    static std::string resultText(const RefreshState& state);
    // A refresh time as the list shows it, "2026-12-11 14:02"; "从未" for 0.
    static std::string timeText(std::int64_t secondsSince1970);
    // A subscription's name made from its address: the list's file name, else its host.
    static std::string nameFor(std::string_view address);

private:
    // Brings the subscription's channels to the entries read tells; a new
    // subscription is stored with them.
    RefreshReport merge(const SubscriptionRow& subscription, const SourceReader& read, bool subscribing,
                        bool dryRun);
    // The reader of a playlist fetched to file.
    SourceReader playlistReader(const SubscriptionRow& subscription, const std::filesystem::path& file,
                                bool dryRun);
    // Brings one channel to what its entry says now, in the fields the list
    // changed; the old and new name when a new title renamed it.
    std::optional<std::pair<std::string, std::string>> applyChange(const SourceEntry& was,
                                                                   const PlaylistExchange::ListedChannel& now,
                                                                   ChannelExchange::BatchWriter& writer,
                                                                   ChannelExchange::UniqueNames& uniqueNames);
    void noteAttempt(const std::string& name, const RefreshReport* report, std::string_view failure);
    // Whether a menu command may run: the database open, no batch add nor tree build under way.
    bool idle() const;
    // Runs a subscribe or refresh and shows its summary or its error.
    bool showOutcome(const std::function<std::optional<RefreshReport>()>& run);
    // Refreshes each in turn, then shows the summaries (only of lists that
    // changed, when asked) and the errors together; false when one failed.
    bool refreshEach(const std::vector<Subscription>& subscriptions, bool onlyChanges);

    ChannelStore& store_;
    ChannelExchange& exchange_;
    ChannelBrowser& browser_;
    const SettingsFile& settings_;
    WebFetch& web_;
    UiPort& ui_;
    YieldHook& yield_;
    RefreshLog log_;
    Clock now_;
    RenameHook renamed_;
    std::map<std::string, SourceReader, std::less<>> readers_;
};

}  // namespace kw
