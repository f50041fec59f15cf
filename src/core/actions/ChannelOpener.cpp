#include "core/actions/ChannelOpener.h"

#include "core/actions/AdvertisementRoll.h"
#include "core/actions/ChildLock.h"
#include "core/actions/ShellOpen.h"
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
        // The play statement does not read the format; the details statement of
        // the same row does, and tells the desktop a web page from a stream.
        const std::string format =
            address.empty() ? std::string()
                            : std::string(text::trimBlanks(store_.readChannelDetails(channel.name).type));
        shell_.ShellOpen(address, format);
        played = true;
        settings_.setLastPlayChannelName(channel.name);
        playingHint_ = std::string(kPlayingPrefix) + channel.name;
    } else if (!channel.link.empty()) {
        shell_.ShellOpen(channel.link, kWebPageFormat);
    } else {
        ui_.ShowMessage(kNoRelatedSite);
    }
    advertisement_.roll();
    return played;
}

void ChannelOpener::actLinkChannelExecute(std::string_view nodeText) {
    OpenChannel(nodeText, OpenMode::RelatedSite);
}

void ChannelOpener::autoPlayLastChannel() {
    if (settings_.isAutoPlayLastChannel()) OpenChannel(settings_.lastPlayChannelName(), OpenMode::Play);
}

}  // namespace kw
