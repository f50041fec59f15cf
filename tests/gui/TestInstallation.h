#pragma once

#include <QAction>
#include <QColor>
#include <QString>
#include <QTemporaryDir>

#include <filesystem>
#include <string>

namespace kw::test {

// A window's command or menu entry by its object name.
inline QAction* commandNamed(const QObject& window, const char* name) {
    return window.findChild<QAction*>(QString::fromLatin1(name));
}

// A temporary program directory for one test, removed afterwards.
class TestInstallation {
public:
    // Empty, or made as `kwave init` makes it (database with the shipped
    // catalogue, settings file, default speed-channel set, skins).
    enum class Content { Empty, Initialised };
    explicit TestInstallation(Content content = Content::Empty);

    std::filesystem::path dir() const { return dir_.path().toStdString(); }
    std::filesystem::path file(const std::string& relative) const { return dir() / relative; }

    // Writes a file, making its folders; `bytes` as they stand.
    void write(const std::string& relative, const std::string& bytes) const;
    std::string read(const std::string& relative) const;
    bool exists(const std::string& relative) const;
    // A JPEG picture of one colour.
    void writePicture(const std::string& relative, QColor color, int width = 254, int height = 514) const;

private:
    QTemporaryDir dir_;
};

// The folder for per-user lock files must exist and be private.
void prepareRuntimeFolder();

}  // namespace kw::test

#include <QObject>
#include <QStringList>
#include <QTimer>

namespace kw::test {

// Answers the modal message boxes that come up while it lives: records each
// box's caption and text and presses its first button.
class MessageBoxCatcher : public QObject {
public:
    MessageBoxCatcher();
    QStringList captions;
    QStringList texts;
    QStringList buttons;  // the text of the button pressed

private:
    QTimer timer_;
};

}  // namespace kw::test
