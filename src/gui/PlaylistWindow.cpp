#include "gui/PlaylistWindow.h"

#include "core/base/Error.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "gui/FileDialogs.h"
#include "gui/QtText.h"
#include "gui/QtUi.h"
#include "gui/SubscriptionWindow.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFormLayout>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

namespace kw {
namespace {

constexpr std::string_view kImportText = "导入播放列表...";
constexpr std::string_view kExportText = "导出为播放列表...";
constexpr std::string_view kExportTitle = "导出为播放列表";

// The first local playlist file a drag carries, or an empty text.
QString droppedPlaylist(const QMimeData* data) {
    if (data == nullptr) return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && PlaylistExchange::isPlaylistFile(url.toLocalFile().toStdString()))
            return url.toLocalFile();
    }
    return {};
}

// Takes playlist files dropped anywhere on the main window.
class PlaylistDrop : public QObject {
public:
    explicit PlaylistDrop(frmMain& main) : QObject(&main), main_(main) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (droppedPlaylist(drag->mimeData()).isEmpty()) return false;
            drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString file = droppedPlaylist(drop->mimeData());
            if (file.isEmpty()) return false;
            drop->acceptProposedAction();
            main_.runCommand(
                [this, file] { main_.session().exchange().actImportPlaylist(file.toStdString()); });
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    frmMain& main_;
};

void exportPlaylist(frmMain& main) {
    QDialog dialog(&main);
    dialog.setObjectName(QStringLiteral("frmExportPlaylist"));
    dialog.setWindowTitle(qs(kExportTitle));
    auto* scope = new QComboBox(&dialog);
    scope->setObjectName(QStringLiteral("cbPlaylistScope"));
    for (const PlaylistExchange::ScopeChoice& choice : PlaylistExchange::kExportScopes)
        scope->addItem(qs(choice.label), static_cast<int>(choice.kind));
    auto* format = new QComboBox(&dialog);
    format->setObjectName(QStringLiteral("cbPlaylistFormat"));
    for (const PlaylistExchange::FormatChoice& choice : PlaylistExchange::kExportFormats)
        format->addItem(qs(choice.filter), qs(choice.extension));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("范围："), scope);
    form->addRow(QStringLiteral("格式："), format);
    form->addRow(buttons);
    placeDialog(&dialog, &main);
    if (dialog.exec() != QDialog::Accepted) return;

    const QString extension = format->currentData().toString();
    const std::optional<QString> chosen = runFileDialog(&main, {qs(kExportTitle),
                                                                format->currentText(),
                                                                {},
                                                                QStringLiteral("channels.") + extension,
                                                                extension,
                                                                /*save=*/true});
    if (!chosen) return;
    const QString& file = *chosen;
    PlaylistExchange::ExportRequest request;
    request.format =
        PlaylistExchange::kExportFormats.at(static_cast<std::size_t>(format->currentIndex())).format;
    request.scope = ChannelScope(static_cast<ChannelScope::Kind>(scope->currentData().toInt()));
    const std::filesystem::path path = file.toStdString();
    const PlaylistExchange::ExportReport report = main.session().exchange().exportPlaylist(path, request);
    QMessageBox box(QMessageBox::Information, qs(kExportTitle), qs(PlaylistExchange::describe(report, path)),
                    QMessageBox::Ok, &main);
    execMessageBox(box, &main);
}

}  // namespace

void addPlaylistEntries(frmMain& main, QMenu* menu) {
    auto* importEntry = new QAction(qs(kImportText), &main);
    importEntry->setObjectName(QStringLiteral("actImportPlaylist"));
    importEntry->setStatusTip(QStringLiteral("导入 M3U、M3U8、PLS 或 XSPF 播放列表中的频道"));
    QObject::connect(importEntry, &QAction::triggered, &main, [&main] {
        main.runCommand([&main] { main.session().exchange().actImportPlaylist(); });
    });
    auto* exportEntry = new QAction(qs(kExportText), &main);
    exportEntry->setObjectName(QStringLiteral("actExportPlaylist"));
    exportEntry->setStatusTip(QStringLiteral("将频道导出为其它播放器能打开的播放列表"));
    QObject::connect(exportEntry, &QAction::triggered, &main,
                     [&main] { main.runCommand([&main] { exportPlaylist(main); }); });
    auto* subscribeEntry = new QAction(QStringLiteral("订阅播放列表..."), &main);
    subscribeEntry->setObjectName(QStringLiteral("actSubscribePlaylist"));
    subscribeEntry->setStatusTip(QStringLiteral("从网址导入播放列表，以后可以刷新，跟上列表的变化"));
    QObject::connect(subscribeEntry, &QAction::triggered, &main, [&main] {
        main.runCommand([&main] { main.session().subscriptions().actSubscribe(); });
    });
    auto* refreshEntry = new QAction(QStringLiteral("刷新订阅"), &main);
    refreshEntry->setObjectName(QStringLiteral("actRefreshSubscriptions"));
    refreshEntry->setStatusTip(QStringLiteral("重新读取每个订阅的播放列表，更新、增加并标出已移除的频道"));
    QObject::connect(refreshEntry, &QAction::triggered, &main, [&main] {
        main.runCommand([&main] { main.session().subscriptions().actRefreshAll(); });
    });
    auto* manageEntry = new QAction(QStringLiteral("订阅管理..."), &main);
    manageEntry->setObjectName(QStringLiteral("actManageSubscriptions"));
    manageEntry->setStatusTip(QStringLiteral("查看订阅的播放列表，逐个刷新或取消订阅"));
    QObject::connect(manageEntry, &QAction::triggered, &main, [&main] {
        main.runCommand([&main] {
            SubscriptionWindow window(
                main.session().subscriptions(),
                [&main](const std::function<void()>& command) { main.runCommand(command); }, &main);
            placeDialog(&window, &main);
            window.exec();
        });
    });
    menu->addAction(importEntry);
    menu->addAction(exportEntry);
    // The main menu is as tall as a small screen: the subscriptions share one entry.
    auto* subscriptionMenu = new QMenu(QStringLiteral("播放列表订阅"), menu);
    subscriptionMenu->setObjectName(QStringLiteral("muSubscriptions"));
    subscriptionMenu->menuAction()->setObjectName(QStringLiteral("muSubscriptions"));
    subscriptionMenu->addAction(subscribeEntry);
    subscriptionMenu->addAction(refreshEntry);
    subscriptionMenu->addAction(manageEntry);
    menu->addMenu(subscriptionMenu);

    main.setAcceptDrops(true);
    main.installEventFilter(new PlaylistDrop(main));
}

}  // namespace kw
