#include "core/browser/NodeDetails.h"

#include "core/base/LocalTime.h"
#include "core/base/TextCodec.h"
#include "core/browser/BrowserTexts.h"
#include "core/ports/ProbeReasons.h"
#include "core/store/ChannelStore.h"

#include <cstdio>
#include <ctime>

namespace kw {
namespace {

void setFavorite(NodeDetails& details, int favorited) {
    // Placement puts every non-zero value in the favourites branch; the
    // captions follow the same rule.
    const bool favorite = favorited != 0;
    details.favoritesCaption = favorite ? texts::kRestoreCaption : texts::kFavoriteCaption;
    details.favoritesHint = favorite ? texts::kRestoreHint : texts::kFavoriteHint;
    details.favoritesButtonCaption = favorite ? texts::kRestoreButton : texts::kFavoriteButton;
    details.favoriteTarget = favorite ? 0 : 1;
}

void setLock(NodeDetails& details, int locked) {
    if (locked == 0) {
        details.lockCaption = texts::kLockCaption;
        details.lockHint = texts::kLockHint;
        details.lockTarget = 1;
        details.lockWord = texts::kUnlockedWord;
    } else if (locked == 1) {
        details.lockCaption = texts::kUnlockCaption;
        details.lockHint = texts::kUnlockHint;
        details.lockTarget = 0;
        details.lockWord = texts::kLockedWord;
    } else {
        details.lockWord.clear();
    }
}

std::string channelMemo(const ChannelDetails& row, std::string_view lockWord) {
    std::string memo;
    if (const std::string_view speed = text::trimBlanks(row.speed); !speed.empty()) {
        memo.append("[").append(speed).append("KBit/S]");
    }
    if (const std::string_view type = text::trimBlanks(row.type); !type.empty()) {
        memo.append("[").append(type).append("] \r\n");
    }
    memo.append(text::trimBlanks(row.memo));
    if (row.groupId == 1) {
        memo.append(" [SYS ").append(row.vol).append("]");
    } else {
        memo.append(" [USR]");
    }
    memo.append(" [").append(lockWord).append("]");
    return memo;
}

}  // namespace

NodeDetails initialNodeDetails() {
    NodeDetails details;
    setFavorite(details, 0);
    setLock(details, 0);
    details.lockWord.clear();
    return details;
}

NodeDetails categoryDetails(std::string_view nodeText, const NodeDetails& previous) {
    NodeDetails details = previous;
    details.isChannel = false;
    details.enabled = ChannelCommandStates{};
    details.rateGreyed = true;
    details.info = texts::kInfoCategory;
    details.memo = std::string(texts::kLocationPrefix)
                       .append(text::trimBlanks(nodeText))
                       .append("\r")
                       .append(texts::kChooseChannel);
    return details;
}

NodeDetails channelCommandsEnabled(const NodeDetails& previous) {
    NodeDetails details = previous;
    details.isChannel = true;
    details.enabled = ChannelCommandStates{true, true, true, true, true, true, true, true, true, true, true};
    details.rateGreyed = false;
    details.info = texts::kInfoChannel;
    return details;
}

NodeDetails channelDetails(const ChannelDetails& row, const NodeDetails& previous) {
    NodeDetails details = channelCommandsEnabled(previous);
    setFavorite(details, row.favorited);
    setLock(details, row.locked);
    const bool rated = row.rating >= 1 && row.rating <= 5;
    details.rateEntry = rated ? row.rating - 1 : -1;
    details.checkedRateItem = rated ? row.rating : 0;
    details.memo = channelMemo(row, details.lockWord);
    return details;
}

std::string lastCheckLine(const StoredCheck& check, std::int64_t now) {
    const std::tm at = localTimeOf(check.checkedAt);
    char when[64];
    if (at.tm_year == localTimeOf(now).tm_year) {
        std::snprintf(when, sizeof when, "%d月%d日 %02d:%02d", at.tm_mon + 1, at.tm_mday, at.tm_hour,
                      at.tm_min);
    } else {
        std::snprintf(when, sizeof when, "%d年%d月%d日 %02d:%02d", at.tm_year + 1900, at.tm_mon + 1,
                      at.tm_mday, at.tm_hour, at.tm_min);
    }
    std::string line =
        std::string(texts::kLastCheckPrefix) + when + " " + std::string(probeStatusWord(check.status));
    if (check.status != 2) {
        // A code written by a newer program is shown as it is.
        const ProbeReasonEntry* reason = probeReasonByCode(check.reasonCode);
        line.append(" ").append(reason != nullptr ? reason->words : std::string_view(check.reasonCode));
    }
    if (check.status > 0 && check.kbitPerSecond > 0)
        line.append(" ").append(std::to_string(check.kbitPerSecond)).append(" kbit/s");
    if (check.status == 0 && check.failures >= 2)
        line.append("（连续 ").append(std::to_string(check.failures)).append(" 次）");
    return line;
}

}  // namespace kw
