#include "core/health/DeadChannelCleanup.h"

#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/LocalTime.h"
#include "core/browser/ChannelBrowser.h"
#include "core/browser/ChannelPlacer.h"
#include "core/ports/ProbeReasons.h"
#include "core/ports/UiPort.h"
#include "core/store/ChannelStore.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <tuple>

namespace kw {
namespace {

// When the run of failures began. A row without that time (a damaged one)
// counts from its last check, which can only make the run look shorter.
std::int64_t failingSinceOf(const StoredCheck& check) {
    return check.failingSince > 0 ? check.failingSince : check.checkedAt;
}

void requireValid(const DeadChannelRule& rule) {
    if (!rule.valid()) throw Error(std::string(DeadChannelCleanup::kInvalidRule));
}

}  // namespace

std::string DeadChannelCandidate::sinceDate() const {
    const std::tm parts = localTimeOf(failingSince);
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
    return date;
}

DeadChannelCleanup::DeadChannelCleanup(ChannelStore& store, ChannelBrowser& browser, UiPort& ui, Clock now)
    : store_(store), browser_(browser), ui_(ui), now_(std::move(now)) {}

bool DeadChannelCleanup::takes(std::string_view name, const StoredCheck& check, const DeadChannelRule& rule,
                               std::int64_t now) const {
    if (check.failures < rule.minFailures) return false;
    const std::int64_t since = failingSinceOf(check);
    // A row without any time cannot tell how long it has failed.
    if (since <= 0 ? rule.minDays > 0 : now - since < rule.minDays * DeadChannelRule::kSecondsPerDay)
        return false;
    // A kept check may outlive its channel (a check that ended after a
    // delete); the settings row is never a channel.
    const std::optional<ChannelListing> row = store_.findListedChannel(name, 0);
    return row && isShownInLockMode(row->locked, browser_.lockMode());
}

std::vector<DeadChannelCandidate> DeadChannelCleanup::candidates(const DeadChannelRule& rule) const {
    requireValid(rule);
    std::vector<DeadChannelCandidate> found;
    if (!store_.isOpen()) return found;
    const std::int64_t now = now_();
    store_.forEachFailingChannel(rule.minFailures, [&](std::string_view name, const StoredCheck& check) {
        if (!takes(name, check, rule, now)) return;
        const ProbeReasonEntry* reason = probeReasonByCode(check.reasonCode);
        found.push_back({std::string(name), reason != nullptr ? std::string(reason->words) : check.reasonCode,
                         check.failures, failingSinceOf(check)});
    });
    const auto order = [](const DeadChannelCandidate& c) {
        return std::make_tuple(c.failingSince, ascii::lower(c.name), std::string_view(c.name));
    };
    std::sort(found.begin(), found.end(), [&](const DeadChannelCandidate& a, const DeadChannelCandidate& b) {
        return order(a) < order(b);
    });
    return found;
}

std::size_t DeadChannelCleanup::deleteChannels(const std::vector<std::string>& names,
                                               const DeadChannelRule& rule) {
    requireValid(rule);
    if (names.empty() || !store_.isOpen() || browser_.busy()) return 0;
    // kwave builds no tree: there is nothing to bring up to date.
    const bool followTree = !browser_.tree().empty();
    const std::int64_t now = now_();
    std::vector<std::string> deleted;
    store_.inTransaction([&] {
        deleted.clear();
        for (const std::string& name : names) {
            const std::optional<StoredCheck> check = store_.readCheck(name);
            if (!check || !takes(name, *check, rule, now)) continue;
            if (followTree) browser_.noteChannelChanging(name);
            store_.deleteChannel(name);
            deleted.push_back(name);
        }
    });
    if (followTree && !deleted.empty()) browser_.applyPendingChanges();
    // After the tree: a hidden dead channel has no leaf for the patch to take out.
    browser_.deadChannels().follow(store_, deleted);
    return deleted.size();
}

std::string DeadChannelCleanup::confirmQuestion(std::size_t count) {
    return "请确认：删除后将不可恢复，真的要删除选中的 " + std::to_string(count) + " 个失效频道吗？";
}

std::optional<std::size_t> DeadChannelCleanup::confirmAndDelete(const std::vector<std::string>& names,
                                                                const DeadChannelRule& rule) {
    requireValid(rule);
    if (names.empty() || !ui_.AskYesNo(kConfirmCaption, confirmQuestion(names.size()))) return std::nullopt;
    return deleteChannels(names, rule);
}

}  // namespace kw
