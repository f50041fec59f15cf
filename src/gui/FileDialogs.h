#pragma once

#include <QFileDialog>
#include <QString>

#include <optional>

class QWidget;

namespace kw {

// What every file dialog of the program is: the program's own widget dialog
// (never a desktop dialog that would run in this process), whose file list
// decides each file's icon and type by its name alone. Qt's own list opens
// and closes every file it shows to read its type, and closing any
// descriptor of the channel database drops the process's locks on it.
struct FileDialogSetup {
    QString title{};
    QString filter{};  // Qt's "desc (*.x);;other (*.y)"
    QString folder{};  // the folder asked for; see runFileDialog
    QString selectedFile{};
    QString defaultSuffix{};
    bool save = false;
    bool askBeforeReplacing = true;
};

// Runs the dialog; the chosen file, or nullopt when it was cancelled. The
// folder it starts in is `folder`, unless that folder holds the channel
// database: then the folder last chosen in, else the home folder. The
// chosen file's folder is remembered for the next dialog.
std::optional<QString> runFileDialog(QWidget* parent, const FileDialogSetup& setup);

// The folder a dialog starts in for `requested` (see runFileDialog).
QString fileDialogFolder(const QString& requested);

}  // namespace kw
