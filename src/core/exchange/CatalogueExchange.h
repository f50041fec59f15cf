#pragma once

#include "core/exchange/PlaylistExchange.h"

#include <filesystem>
#include <optional>
#include <string>

namespace kw {

class ChannelBrowser;
class ChannelExchange;
class ChannelStore;
class ChildLock;
class UiPort;
class YieldHook;

// Channels in and out of the catalogue: the user channels' text file (export
// and batch add) and playlists (M3U/M3U8, PLS, XSPF). While one of them runs,
// commands that change the database or the tree wait until it ends.
class CatalogueExchange {
public:
    CatalogueExchange(ChannelStore& store, ChannelBrowser& browser, ChannelExchange& exchange,
                      ChildLock& lock, UiPort& ui, YieldHook& yield, std::filesystem::path programDir);

    // True while batch add or an import runs.
    bool running() const;
    // The export command: save dialog, file, message. Returns whether the file was written.
    bool actExportUserChannel();
    // Batch add: open dialog, records into the database, tree rebuilt from the
    // database, final message. Returns whether it ran to the end.
    bool actUserBatchAddChannel();

    // Reads a playlist into the user's channels and rebuilds the tree (a dry
    // run stores nothing and leaves the tree). Throws kw::Error.
    PlaylistExchange::ImportReport importPlaylist(const std::filesystem::path& file,
                                                  const PlaylistExchange::ImportOptions& options);
    // The menu command and a dropped file: the import of file (the open dialog
    // when empty), then the final message or the error. Returns whether it ran to the end.
    bool actImportPlaylist(const std::string& file = {});
    // Writes the channels in scope. Locked channels go out when the lock mode
    // lets them play without a password, or when the password is right:
    // `password` when given, else asked once through the password dialog.
    PlaylistExchange::ExportReport exportPlaylist(const std::filesystem::path& file,
                                                  PlaylistExchange::ExportRequest request,
                                                  const std::optional<std::string>& password = std::nullopt);

private:
    ChannelStore& store_;
    ChannelBrowser& browser_;
    ChannelExchange& exchange_;
    ChildLock& lock_;
    UiPort& ui_;
    YieldHook& yield_;
    std::filesystem::path programDir_;
};

}  // namespace kw
