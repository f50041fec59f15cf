#include "gui/LaunchWatch.h"
#include "platform/LinuxDesktop.h"

#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <fstream>

// The window's watch on the desktop's opener, with a stand-in opener that
// ends late: the event loop, not the caller, sees how it ended.
class LaunchWatchTest : public QObject {
    Q_OBJECT

private slots:
    void lateEndIsSeenFromTheEventLoop_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("failed");
        QTest::newRow("fails late") << "sleep 0.4\nexit 3\n" << true;
        QTest::newRow("killed late") << "sleep 0.4\nkill -9 $$\n" << true;
        QTest::newRow("succeeds late") << "sleep 0.4\nexit 0\n" << false;
    }

    void lateEndIsSeenFromTheEventLoop() {
        QFETCH(QString, script);
        QFETCH(bool, failed);
        QTemporaryDir dir;
        const std::filesystem::path opener = std::filesystem::path(dir.path().toStdString()) / "opener";
        std::ofstream(opener) << "#!/bin/sh\n" << script.toStdString();
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
        kw::LinuxDesktopConfig config;
        config.opener = opener.string();

        kw::LaunchWatch watch(std::make_unique<kw::LinuxDesktop>(config));
        int reports = 0;
        QVERIFY(watch.openDocument("http://x.example/", kw::kWebPageFormat, [&] { ++reports; }));
        QVERIFY(watch.watchingLaunches());
        QCOMPARE(reports, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!watch.watchingLaunches(), 10000);
        QCOMPARE(reports, failed ? 1 : 0);
    }
};

QTEST_MAIN(LaunchWatchTest)
#include "LaunchWatchTest.moc"
