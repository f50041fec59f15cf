#include "core/exchange/CatalogueExchange.h"

#include "core/actions/ChildLock.h"
#include "core/base/Error.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelExchange.h"
#include "core/ports/UiPort.h"
#include "core/store/ChannelStore.h"

namespace kw {

namespace {
constexpr std::string_view kImportCaption = "请选择要导入的播放列表";
constexpr std::string_view kBatchAddRunning = "批量自添正在进行，请等它结束。";
}  // namespace

CatalogueExchange::CatalogueExchange(ChannelStore& store, ChannelBrowser& browser, ChannelExchange& exchange,
                                     ChildLock& lock, UiPort& ui, YieldHook& yield,
                                     std::filesystem::path programDir)
    : store_(store),
      browser_(browser),
      exchange_(exchange),
      lock_(lock),
      ui_(ui),
      yield_(yield),
      programDir_(std::move(programDir)) {}

bool CatalogueExchange::running() const { return exchange_.running(); }

bool CatalogueExchange::actExportUserChannel() {
    return store_.isOpen() && !running() && exchange_.actExportUserChannel();
}

bool CatalogueExchange::actUserBatchAddChannel() {
    return store_.isOpen() && !running() && exchange_.actUserBatchAddChannel();
}

PlaylistExchange::ImportReport CatalogueExchange::importPlaylist(
    const std::filesystem::path& file, const PlaylistExchange::ImportOptions& options) {
    PlaylistExchange playlists(exchange_, store_, ui_, yield_);
    PlaylistExchange::ImportReport report;
    try {
        report = playlists.importPlaylist(file, options);
    } catch (const Error&) {
        // What was stored before the error stays, so the tree shows it.
        if (!options.dryRun) browser_.applyPendingChanges();
        throw;
    }
    if (!options.dryRun) browser_.applyPendingChanges();
    return report;
}

bool CatalogueExchange::actImportPlaylist(const std::string& file) {
    if (!store_.isOpen() || running() || browser_.busy()) return false;
    std::string chosen = file;
    if (chosen.empty()) {
        const std::optional<std::string> answer =
            ui_.ChooseOpenFile({std::string(kImportCaption), std::string(PlaylistExchange::kOpenFilter), "",
                                programDir_.string()});
        if (!answer) return false;
        chosen = *answer;
    }
    try {
        const PlaylistExchange::ImportReport report = importPlaylist(chosen, {});
        ui_.ShowMessageWithDetails(PlaylistExchange::describe(report),
                                   PlaylistExchange::describeDetails(report));
    } catch (const Error& error) {
        ui_.ShowError(error.what());
        return false;
    }
    return true;
}

PlaylistExchange::ExportReport CatalogueExchange::exportPlaylist(const std::filesystem::path& file,
                                                                 PlaylistExchange::ExportRequest request,
                                                                 const std::optional<std::string>& password) {
    if (running()) throw Error(std::string(kBatchAddRunning));
    request.unlock = [this, &password] {
        if (!lock_.asksPassword()) return true;
        if (password) return *password == lock_.password();
        return lock_.askPassword(PasswordPurpose::UnlockOrPlay);
    };
    PlaylistExchange playlists(exchange_, store_, ui_, yield_);
    return playlists.exportPlaylist(file, request);
}

}  // namespace kw
