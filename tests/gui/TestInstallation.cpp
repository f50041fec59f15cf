#include "TestInstallation.h"

#include "core/session/Installation.h"

#include <QImage>
#include <QtTest>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kw::test {

TestInstallation::TestInstallation(Content content) {
    QVERIFY2(dir_.isValid(), "temporary folder");
    if (content == Content::Initialised) createInstallation(dir(), KW_DATA_DIR, true);
}

void TestInstallation::write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path path = file(relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string TestInstallation::read(const std::string& relative) const {
    std::ifstream in(file(relative), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool TestInstallation::exists(const std::string& relative) const {
    return std::filesystem::exists(file(relative));
}

void TestInstallation::writePicture(const std::string& relative, QColor color, int width, int height) const {
    std::filesystem::create_directories(file(relative).parent_path());
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QVERIFY(image.save(QString::fromStdString(file(relative).string()), "JPEG", 95));
}

void prepareRuntimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    }
}

}  // namespace kw::test

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace kw::test {

MessageBoxCatcher::MessageBoxCatcher() {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        captions << box->windowTitle();
        texts << box->text();
        buttons << box->buttons().constFirst()->text();
        box->buttons().constFirst()->click();
    });
    timer_.start();
}

}  // namespace kw::test
