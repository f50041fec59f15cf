#include "core/actions/ChannelOpener.h"

#include "core/actions/AdvertisementRoll.h"
#include "core/actions/ChildLock.h"
#include "core/actions/ShellOpen.h"
#include "core/base/Error.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/ports/DesktopPort.h"
#include "core/ports/UiPort.h"
#include "core/settings/SettingsFile.h"
#include "core/store/ChannelStore.h"

namespace kw {

ChannelOpener::ChannelOpener(ChannelStore& store, SettingsFile& settings, ChildLock& lock, ShellOpener& shell,
                             AdvertisementRoll& advertisement, UiPort& ui)
    : store_(store),
      settings_(settings),
      lock_(lock),
      shell_(shell),
      advertisement_(advertisement),
      ui_(ui) {}

bool ChannelOpener::OpenChannel(std::string_view name, OpenMode mode) {
    const ChannelAddress channel = store_.readChannelAddress(name);
    bool played = false;
    if (mode == OpenMode::Play) {
        if (channel.locked == 1 && lock_.asksPassword() &&
            !lock_.askPassword(PasswordPurpose::UnlockOrPlay)) {
            return false;
        }
        // The stored name is the key: the lookup ignores letter case, the scrambling does not.
        const std::string address = unscrambleText(channel.scrambledUrl, channel.name);
        played = true;
        if (channel.name.empty()) {
            // No such channel: nothing to open and nothing to say.
        } else if (address.empty()) {
            // A damaged row (its address NULL or empty) plays nothing: that is a failed play.
            shell_.reportPlayError();
            advertisement_.roll();
            return played;
        } else {
            shell_.ShellOpen(address, text::trimBlanks(channel.type));
            ++plays_;
        }
        if (!preview_) recordPlayed(channel.name);
    } else if (!channel.link.empty()) {
        shell_.ShellOpen(channel.link, kWebPageFormat);
    } else {
        ui_.ShowMessage(kNoRelatedSite);
    }
    advertisement_.roll();
    return played;
}

void ChannelOpener::recordPlayed(const std::string& name) {
    // A name holding a line break (only a hand-made database has one) would
    // split the settings file's line; it plays, but is not kept for auto-play.
    if (ChannelStore::isStorableName(name)) {
        try {
            settings_.setLastPlayChannelName(name);
        } catch (const Error&) {
            // A catalogue on a read-only medium or folder still plays; it
            // just cannot remember what played.
            if (!store_.isReadOnly()) throw;
        }
    }
    playingHint_ = std::string(kPlayingPrefix) + name;
}

void ChannelOpener::actLinkChannelExecute(std::string_view nodeText) {
    OpenChannel(nodeText, OpenMode::RelatedSite);
}

void ChannelOpener::autoPlayLastChannel() {
    if (settings_.isAutoPlayLastChannel()) OpenChannel(settings_.lastPlayChannelName(), OpenMode::Play);
}

}  // namespace kw
