#include "gui/FileDialogs.h"

#include "core/session/Roles.h"
#include "gui/QtText.h"
#include "gui/QtUi.h"

#include <QAbstractFileIconProvider>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>

namespace kw {
namespace {

// Icons and types from the file's name: the base class reads each file's
// first bytes to tell its type.
class NameOnlyIconProvider final : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QAbstractFileIconProvider::icon(type); }

    QIcon icon(const QFileInfo& info) const override {
        if (!info.isFile()) return QAbstractFileIconProvider::icon(info.isDir() ? Folder : File);
        const QMimeType mime = typeByName(info);
        const QIcon themed = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
        return themed.isNull() ? QAbstractFileIconProvider::icon(File) : themed;
    }

    QString type(const QFileInfo& info) const override {
        if (!info.isFile()) return QAbstractFileIconProvider::type(info);
        const QMimeType mime = typeByName(info);
        // A name the database does not know (".scs", ".tre") reads as its ending.
        if (!mime.isDefault()) return mime.comment();
        return info.suffix().isEmpty() ? QStringLiteral("文件")
                                       : QStringLiteral("%1 文件").arg(info.suffix().toUpper());
    }

private:
    QMimeType typeByName(const QFileInfo& info) const {
        return mimeTypes_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    }

    QMimeDatabase mimeTypes_;
};

QString& lastFolder() {
    static QString folder;
    return folder;
}

bool holdsChannelDatabase(const QString& folder) {
    return QFileInfo::exists(QDir(folder).filePath(qs(ChannelStore::kFileName)));
}

}  // namespace

QString fileDialogFolder(const QString& requested) {
    if (!requested.isEmpty() && !holdsChannelDatabase(requested)) return QDir(requested).absolutePath();
    if (!lastFolder().isEmpty() && QFileInfo(lastFolder()).isDir() && !holdsChannelDatabase(lastFolder()))
        return lastFolder();
    return QDir::homePath();
}

std::optional<QString> runFileDialog(QWidget* parent, const FileDialogSetup& setup) {
    QFileDialog dialog(parent, setup.title, fileDialogFolder(setup.folder), setup.filter);
    NameOnlyIconProvider icons;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(setup.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(setup.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (setup.save && !setup.askBeforeReplacing) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!setup.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(setup.defaultSuffix);
    if (!setup.selectedFile.isEmpty()) dialog.selectFile(setup.selectedFile);
    placeDialog(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    lastFolder() = QFileInfo(chosen).absolutePath();
    return chosen;
}

}  // namespace kw
