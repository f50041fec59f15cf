#include "gui/PlaylistWindow.h"

#include "core/base/Error.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "gui/FileDialogs.h"
#include "gui/QtText.h"
#include "gui/QtUi.h"
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
    scope->addItem(QStringLiteral("全部频道"), static_cast<int>(ChannelScope::Kind::All));
    scope->addItem(QStringLiteral("我的最爱"), static_cast<int>(ChannelScope::Kind::Favorites));
    scope->addItem(QStringLiteral("自添频道"), static_cast<int>(ChannelScope::Kind::User));
    auto* format = new QComboBox(&dialog);
    format->setObjectName(QStringLiteral("cbPlaylistFormat"));
    format->addItem(QStringLiteral("M3U8 (*.m3u8)"), QStringLiteral("m3u8"));
    format->addItem(QStringLiteral("PLS (*.pls)"), QStringLiteral("pls"));
    format->addItem(QStringLiteral("XSPF (*.xspf)"), QStringLiteral("xspf"));
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
    request.format = *PlaylistExchange::parseFormat(extension.toStdString());
    request.scope = ChannelScope(static_cast<ChannelScope::Kind>(scope->currentData().toInt()));
    const PlaylistExchange::ExportReport report =
        main.session().exchange().exportPlaylist(file.toStdString(), request);
    QString text =
        QStringLiteral("祝贺您，已经导出 %1 个频道到下面的播放列表中：\n\n%2").arg(report.written).arg(file);
    if (report.lockedLeftOut > 0)
        text += QStringLiteral("\n\n%1 个加了童锁的频道没有导出。").arg(report.lockedLeftOut);
    QMessageBox box(QMessageBox::Information, qs(kExportTitle), text, QMessageBox::Ok, &main);
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
    menu->addAction(importEntry);
    menu->addAction(exportEntry);

    main.setAcceptDrops(true);
    main.installEventFilter(new PlaylistDrop(main));
}

}  // namespace kw
