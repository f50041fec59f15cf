#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kw {

class CatalogueQuery;
class ChannelBrowser;
class ChannelEdits;
class ChannelOpener;
class ChannelStore;
class SlotPlayer;
class SpeedChannels;
class UiPort;

// The commands on the selected channel leaf (the channel actions and the
// speed slot a play marks), from the window's buttons, keys and menus, and
// from kwave after it selected a channel by name. Each does
// nothing unless a channel leaf is selected, the database is open and no
// build is running.
class ChannelCommands {
public:
    // How the channel test (F4) probes the named channel; it refuses while
    // another probe runs.
    using ChannelTestRun = std::function<void(const std::string& name)>;

    ChannelCommands(ChannelStore& store, CatalogueQuery& query, ChannelBrowser& browser, ChannelEdits& edits,
                    ChannelOpener& opener, SlotPlayer& slotPlayer, SpeedChannels& slots, UiPort& ui,
                    ChannelTestRun testChannel);

    // The Play command (button, F2, Enter, pop-up menu): plays the selected
    // channel and marks the first speed-channel slot holding it. Returns
    // whether it played.
    bool actPlayChannelExecute();
    // A double click in the tree: the Play command on a channel leaf.
    bool tvSelectChannelDblClick() { return actPlayChannelExecute(); }
    void actLinkChannelExecute();
    // The favourites command (F5, the favourites button, pop-up menu).
    void actFavoritesChannelExecute();
    // Rating: item 0 to 4 from the rating list or the submenu.
    void SetChannelRating(int item);
    // Delete after the confirmation. Returns whether it was deleted.
    bool actDeleteChannelExecute();
    // Lock or unlock, as the details' lock target says. Returns false when
    // the password was refused.
    bool actLockChannelExecute();
    // The channel test (F4).
    void actTestChannelExecute();
    // The speed-channel submenu: assigns the selected channel to slot 1..22.
    bool muSpeedChannelClick(int slot);
    // The selected channel leaf's name, copied; none when no leaf is selected.
    std::optional<std::string> selectedChannelName() const;

    // --- for kwave: select by name, then run a command on the selection.

    // Builds the tree from the database and selects the first channel leaf
    // named name; kw::Error when there is none.
    void selectByName(std::string_view name);
    // Plays the channel by name: its leaf when the tree shows it, else (hidden
    // by the lock mode or the rating filter) the stored channel itself, as a
    // speed-channel slot plays it. kw::Error when no channel has that name.
    bool playByName(std::string_view name);
    // Favourite on or off for the selected channel; returns whether the search
    // after the move found the channel again (it is then selected).
    bool setFavorite(bool favorite);
    // Lock on or off for the selected channel; false when the password was refused.
    bool setLocked(bool locked);

private:
    ChannelStore& store_;
    CatalogueQuery& query_;
    ChannelBrowser& browser_;
    ChannelEdits& edits_;
    ChannelOpener& opener_;
    SlotPlayer& slotPlayer_;
    SpeedChannels& slots_;
    UiPort& ui_;
    ChannelTestRun testChannel_;
};

}  // namespace kw
