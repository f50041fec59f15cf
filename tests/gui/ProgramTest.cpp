#include "TestInstallation.h"

#include "gui/Program.h"
#include "gui/frmADWindow.h"
#include "gui/frmMain.h"
#include "gui/frmPasswordDlg.h"
#include "platform/SingleInstance.h"
#include "support/FakeDesktop.h"

#include <QDialogButtonBox>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QPushButton>
#include <QStyle>
#include <QtTest>

#include <optional>
#include <sstream>
#include <stdexcept>

using kw::test::MessageBoxCatcher;
using kw::test::TestInstallation;

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kw::test::prepareRuntimeFolder(); }

    void secondInstanceIsRefusedWithoutAnyWindow() {
        TestInstallation install;
        kw::SingleInstance running(kw::kSingleInstanceName);
        QCOMPARE(running.state(), kw::SingleInstance::State::Acquired);

        MessageBoxCatcher boxes;
        const std::unique_ptr<kw::Program> program = kw::Program::start(install.dir());
        QVERIFY(program == nullptr);
        QCOMPARE(boxes.captions, QStringList({QStringLiteral("提示")}));
        QCOMPARE(boxes.texts.at(0),
                 QStringLiteral("您好，\" 鹰波视听 (Kestrel Wave) \" 已经运行了。\n\n"
                                "看看任务栏右方的系统托盘内 [小喇叭图标旁] 有什么变化吧。\n\n"
                                "  ---- 多了一个小图标！请单击它！"));
        QCOMPARE(boxes.buttons, QStringList({QStringLiteral("确定")}));
        for (QWidget* window : QApplication::topLevelWidgets()) {
            QVERIFY2(window->objectName() != QStringLiteral("frmMain") &&
                         window->objectName() != QStringLiteral("frmSplash"),
                     qPrintable(window->objectName()));
        }
    }

    void startShowsTheMainWindowAndHoldsTheLockUntilTheEnd() {
        TestInstallation install(TestInstallation::Content::Initialised);
        MessageBoxCatcher boxes;
        std::unique_ptr<kw::Program> program =
            kw::Program::start(install.dir(), std::make_unique<kw::test::FakeDesktop>());
        QVERIFY(program != nullptr);
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(program->mainWindow().isVisible());
        // The news shows once at every start, after the tree.
        QVERIFY(program->adWindow().isVisible());
        QCOMPARE(program->adWindow().windowTitle(), QStringLiteral("鹰波视听 (Kestrel Wave) 最新资讯"));
        QVERIFY(!program->passwordDialog().isVisible());
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QStringLiteral("frmSplash")) QVERIFY(!window->isVisible());
        }
        QCOMPARE(kw::SingleInstance(kw::kSingleInstanceName).state(),
                 kw::SingleInstance::State::HeldElsewhere);

        program->mainWindow().actExitExecute();
        QVERIFY(install.exists("ChannelTree.tre"));
        program.reset();
        QCOMPARE(kw::SingleInstance(kw::kSingleInstanceName).state(), kw::SingleInstance::State::Acquired);
    }

    void secondStartBringsTheWindowForwardWhenThereIsNoIcon() {
        // The offscreen desktop has no notification area, as after a tray host left.
        TestInstallation install(TestInstallation::Content::Initialised);
        MessageBoxCatcher boxes;
        std::unique_ptr<kw::Program> program =
            kw::Program::start(install.dir(), std::make_unique<kw::test::FakeDesktop>());
        QVERIFY(program != nullptr);
        program->mainWindow().hide();

        const kw::SingleInstance second(kw::kSingleInstanceName);
        QCOMPARE(second.state(), kw::SingleInstance::State::HeldElsewhere);
        QLocalSocket request;
        request.connectToServer(QString::fromStdString(second.socketPath().string()));
        QVERIFY(request.waitForConnected(2000));
        request.write("show\n");
        QVERIFY(request.waitForBytesWritten(2000));
        QTRY_VERIFY(program->mainWindow().isVisible());
        program->mainWindow().actExitExecute();
    }

    // An installed program: bin/ beside share/kestrelwave, no database in bin/.
    void installedStartMakesTheUsersProgramDirectory_data() {
        QTest::addColumn<bool>("homeBlocked");
        QTest::newRow("made on the first start") << false;
        QTest::newRow("cannot be made") << true;
    }
    void installedStartMakesTheUsersProgramDirectory() {
        QFETCH(bool, homeBlocked);
        TestInstallation prefix;
        prefix.write("bin/.keep", "");
        std::filesystem::create_directories(prefix.file("share"));
        std::filesystem::create_directory_symlink(KW_DATA_DIR, prefix.file("share/kestrelwave"));
        if (homeBlocked) prefix.write("home/.local", "a file where the folder belongs");
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QByteArray::fromStdString(prefix.file("home").string()));
        qunsetenv("XDG_DATA_HOME");

        MessageBoxCatcher boxes;
        std::unique_ptr<kw::Program> program = kw::Program::startFrom(prefix.file("bin"));
        qputenv("HOME", oldHome);
        if (homeBlocked) {
            QVERIFY(program == nullptr);
            QCOMPARE(boxes.captions, QStringList({QStringLiteral("错误")}));
            QVERIFY2(boxes.texts.at(0).startsWith(QStringLiteral("无法建立程序目录，鹰波视听不能启动。")),
                     qPrintable(boxes.texts.at(0)));
            QVERIFY(boxes.texts.at(0).contains(QStringLiteral("kestrelwave")));
            return;
        }
        QVERIFY(program != nullptr);
        QCOMPARE(program->mainWindow().programDir(), prefix.file("home/.local/share/kestrelwave"));
        QVERIFY(prefix.exists("home/.local/share/kestrelwave/Kestrelwave.dll"));
        QVERIFY(!prefix.exists("bin/Kestrelwave.dll"));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.at(0).endsWith(
                     QString::fromStdString(prefix.file("home/.local/share/kestrelwave").string())),
                 qPrintable(boxes.texts.at(0)));
        program->mainWindow().actExitExecute();
        program.reset();

        // Told once: the next start finds the directory made.
        qputenv("HOME", QByteArray::fromStdString(prefix.file("home").string()));
        program = kw::Program::startFrom(prefix.file("bin"));
        qputenv("HOME", oldHome);
        QVERIFY(program != nullptr);
        QCOMPARE(boxes.texts.size(), 1);
        program->mainWindow().actExitExecute();
    }

    // A start that cannot go on ends with a failure status and says why on
    // the error stream; a refused second start is no failure.
    void aStartThatCannotGoOnExitsWithItsReason_data() {
        QTest::addColumn<bool>("secondStart");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("errors");
        QTest::newRow("second start") << true << 0 << QString();
        QTest::newRow("no program directory")
            << false << kw::Program::kFailed
            << QStringLiteral("kestrelwave: 无法建立程序目录，鹰波视听不能启动。");
    }
    void aStartThatCannotGoOnExitsWithItsReason() {
        QFETCH(bool, secondStart);
        QFETCH(int, status);
        QFETCH(QString, errors);
        TestInstallation prefix;
        prefix.write("bin/.keep", "");
        prefix.write("home/.local", "a file where the folder belongs");
        std::optional<kw::SingleInstance> running;
        if (secondStart) running.emplace(kw::kSingleInstanceName);
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QByteArray::fromStdString(prefix.file("home").string()));
        qunsetenv("XDG_DATA_HOME");

        MessageBoxCatcher boxes;
        std::ostringstream out;
        const int exitStatus = kw::Program::runFrom(prefix.file("bin"), out);
        qputenv("HOME", oldHome);
        QCOMPARE(exitStatus, status);
        QCOMPARE(boxes.texts.size(), 1);
        const QString written = QString::fromStdString(out.str());
        if (errors.isEmpty()) {
            QVERIFY2(written.isEmpty(), qPrintable(written));
        } else {
            // The reason follows: here the folder that could not be made.
            QVERIFY2(written.startsWith(errors + QLatin1Char(' ')) && written.endsWith(QLatin1Char('\n')) &&
                         written.size() > errors.size() + 2,
                     qPrintable(written));
        }
    }

    // A failure that breaks the event loop off ends the program with a
    // failure status and its reason, and leaves no engine lock file behind.
    void aBrokenRunExitsWithItsReason_data() {
        QTest::addColumn<bool>("standardError");
        QTest::addColumn<QString>("errors");
        QTest::newRow("error") << true << QStringLiteral("kestrelwave: 数据库坏了\n");
        QTest::newRow("anything else") << false << QStringLiteral("kestrelwave: the run broke off\n");
    }
    void aBrokenRunExitsWithItsReason() {
        QFETCH(bool, standardError);
        QFETCH(QString, errors);
        TestInstallation install(TestInstallation::Content::Initialised);
        MessageBoxCatcher boxes;
        std::unique_ptr<kw::Program> program =
            kw::Program::start(install.dir(), std::make_unique<kw::test::FakeDesktop>());
        QVERIFY(program != nullptr);
        QVERIFY(install.exists("Kestrelwave.ldb"));
        std::ostringstream out;
        const int status = program->run(
            [standardError] {
                if (standardError) throw std::runtime_error("数据库坏了");
                throw 42;
            },
            out);
        QCOMPARE(status, kw::Program::kFailed);
        QCOMPARE(QString::fromStdString(out.str()), errors);
        QVERIFY(!install.exists("Kestrelwave.ldb"));
    }

    void qtDialogsSpeakChinese() {
        kw::setUpApplication(*qApp);
        QDialogButtonBox buttons(QDialogButtonBox::Yes | QDialogButtonBox::Cancel);
        QVERIFY2(buttons.button(QDialogButtonBox::Yes)->text().contains(QStringLiteral("是")),
                 qPrintable(buttons.button(QDialogButtonBox::Yes)->text()));
        QVERIFY(buttons.button(QDialogButtonBox::Cancel)->text().contains(QStringLiteral("取消")));
        QCOMPARE(QLocale().language(), QLocale::Chinese);
    }

    void webEngineReportIsQuietUnlessAskedFor() {
        kw::setUpApplication(*qApp);
        QVERIFY(!QLoggingCategory("qt.webenginecontext").isInfoEnabled());
    }

    void helpAndVersionAnswerBeforeAnythingStarts() {
        std::ostringstream out;
        QCOMPARE(kw::answerInformationRequest({"--help"}, out, "1.0"), std::optional<int>(0));
        QVERIFY(out.str().starts_with("用法：kestrelwave"));
        out.str({});
        QCOMPARE(kw::answerInformationRequest({"-platform", "xcb", "--version"}, out, "1.0"),
                 std::optional<int>(0));
        QCOMPARE(out.str(), std::string("鹰波视听 (Kestrel Wave) 1.0\n"));
        QCOMPARE(kw::answerInformationRequest({}, out, "1.0"), std::optional<int>());
    }

    void hintsShowAfter100MsForTwoAndAHalfSeconds() {
        QWidget widget;
        widget.setToolTip(QStringLiteral("hint"));
        QCOMPARE(qApp->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 100);
        QHelpEvent hint(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
        QApplication::sendEvent(&widget, &hint);
        QCOMPARE(widget.toolTipDuration(), 2500);
    }
};

QTEST_MAIN(ProgramTest)
#include "ProgramTest.moc"
