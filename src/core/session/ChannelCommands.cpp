#include "core/session/ChannelCommands.h"

#include "core/actions/ChannelEdits.h"
#include "core/actions/ChannelOpener.h"
#include "core/base/Error.h"
#include "core/browser/CatalogueQuery.h"
#include "core/browser/ChannelBrowser.h"
#include "core/speed/SlotPlayer.h"
#include "core/speed/SpeedChannels.h"
#include "core/store/ChannelStore.h"

namespace kw {

ChannelCommands::ChannelCommands(ChannelStore& store, CatalogueQuery& query, ChannelBrowser& browser,
                                 ChannelEdits& edits, ChannelOpener& opener, SlotPlayer& slotPlayer,
                                 SpeedChannels& slots, UiPort& ui, ChannelTestRun testChannel)
    : store_(store),
      query_(query),
      browser_(browser),
      edits_(edits),
      opener_(opener),
      slotPlayer_(slotPlayer),
      slots_(slots),
      ui_(ui),
      testChannel_(std::move(testChannel)) {}

// Copied: a password or question may be shown before the name is used, and
// the tree must not be read by then.
std::optional<std::string> ChannelCommands::selectedChannelName() const {
    if (!store_.isOpen()) return std::nullopt;
    const NodeId node = edits_.selectedChannel();
    if (node == kNoNode) return std::nullopt;
    return std::string(browser_.tree().text(node));
}

bool ChannelCommands::actPlayChannelExecute() {
    const std::optional<std::string> name = selectedChannelName();
    return name && slotPlayer_.actPlayChannelExecute(*name);
}

void ChannelCommands::actLinkChannelExecute() {
    if (const std::optional<std::string> name = selectedChannelName()) opener_.actLinkChannelExecute(*name);
}

void ChannelCommands::actFavoritesChannelExecute() {
    if (store_.isOpen()) edits_.actFavoritesChannelExecute();
}

void ChannelCommands::SetChannelRating(int item) {
    if (store_.isOpen()) edits_.SetChannelRating(item);
}

bool ChannelCommands::actDeleteChannelExecute() {
    return store_.isOpen() && edits_.actDeleteChannelExecute();
}

bool ChannelCommands::actLockChannelExecute() { return store_.isOpen() && edits_.actLockChannelExecute(); }

void ChannelCommands::actTestChannelExecute() {
    if (const std::optional<std::string> name = selectedChannelName()) testChannel_(*name);
}

bool ChannelCommands::muSpeedChannelClick(int slot) {
    const std::optional<std::string> name = selectedChannelName();
    return name && slots_.assign(slot, *name, ui_);
}

void ChannelCommands::selectByName(std::string_view name) { query_.selectChannelLeaf(name); }

bool ChannelCommands::playByName(std::string_view name) {
    query_.rebuildFromDatabase();
    if (const NodeId node = query_.findChannelLeaf(name); node != kNoNode) {
        query_.select(node);
        return actPlayChannelExecute();
    }
    if (store_.readChannelAddress(name).name.empty()) throw Error(noChannelNamed(name));
    return slotPlayer_.actPlayChannelExecute(name);
}

bool ChannelCommands::setFavorite(bool favorite) {
    const NodeId node = edits_.selectedChannel();
    return node != kNoNode && edits_.SetChannelFavorite(node, favorite ? 1 : 0);
}

bool ChannelCommands::setLocked(bool locked) {
    const NodeId node = edits_.selectedChannel();
    return node != kNoNode && edits_.setChannelLocked(node, locked ? 1 : 0);
}

}  // namespace kw
