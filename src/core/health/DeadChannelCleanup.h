#pragma once

#include "core/actions/ChannelEdits.h"
#include "core/health/ChannelHealth.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class ChannelBrowser;
class ChannelStore;
class UiPort;

// Which channels the clean-up takes: those whose last minFailures checks or
// more failed, over a run of failures that began at least minDays days ago.
struct DeadChannelRule {
    static constexpr int kDefaultMinFailures = 3;
    static constexpr int kDefaultMinDays = 7;
    static constexpr int kLeastFailures = 1;
    static constexpr int kLeastDays = 0;
    static constexpr std::int64_t kSecondsPerDay = 86'400;

    int minFailures = kDefaultMinFailures;
    int minDays = kDefaultMinDays;

    bool valid() const { return minFailures >= kLeastFailures && minDays >= kLeastDays; }
};

// One channel the clean-up offers to delete.
struct DeadChannelCandidate {
    std::string name;
    std::string reason;  // the Chinese words of the last check's reason; an unknown code as it is
    int failures = 0;
    std::int64_t failingSince = 0;  // seconds since 1970

    // failingSince as a local date, "2025-03-09".
    std::string sinceDate() const;
    bool operator==(const DeadChannelCandidate&) const = default;
};

// The clean-up of dead channels: lists the channels that failed long enough
// and deletes the chosen ones as the delete command does (their rows, their
// kept checks with them; favourites and channels on speed slots alike), then
// brings the tree up to date. Channels the child lock hides from the tree are
// neither listed nor deleted.
class DeadChannelCleanup {
public:
    using Clock = ChannelHealth::Clock;

    static constexpr std::string_view kConfirmCaption = ChannelEdits::kDeleteCaption;
    static constexpr std::string_view kNothingToClean = "没有需要清理的失效频道。";
    static constexpr std::string_view kInvalidRule = "连续失败次数至少为 1，失效天数不能小于 0。";

    DeadChannelCleanup(ChannelStore& store, ChannelBrowser& browser, UiPort& ui,
                       Clock now = ChannelHealth::systemSeconds);

    // The channels the rule takes, longest failing first, then by name. None
    // before the database is open. An invalid rule throws kw::Error.
    std::vector<DeadChannelCandidate> candidates(const DeadChannelRule& rule = {}) const;

    // Deletes the named channels that the rule still takes (a check since the
    // list was made may have found one alive) in one transaction and brings
    // the tree up to date. Returns how many were deleted; none while the tree
    // is being built.
    std::size_t deleteChannels(const std::vector<std::string>& names, const DeadChannelRule& rule = {});
    // Asks once, naming how many, then deletes as deleteChannels does.
    // Returns how many were deleted; none when the answer was No or nothing was named.
    std::optional<std::size_t> confirmAndDelete(const std::vector<std::string>& names,
                                                const DeadChannelRule& rule = {});
    static std::string confirmQuestion(std::size_t count);

private:
    bool takes(std::string_view name, const StoredCheck& check, const DeadChannelRule& rule,
               std::int64_t now) const;

    ChannelStore& store_;
    ChannelBrowser& browser_;
    UiPort& ui_;
    Clock now_;
};

}  // namespace kw
