#include "TestInstallation.h"
#include "gui/QtUi.h"
#include "support/FakeDesktop.h"
#include "support/FakeDirectoryServers.h"
#include "support/FakeProbe.h"
#include "support/FakeWebFetch.h"

#include "core/actions/ShellOpen.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "core/settings/SettingsFile.h"
#include "gui/Program.h"
#include "gui/frmADWindow.h"
#include "gui/frmMain.h"

#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <iostream>
#include <memory>

using kw::AdClock;
using kw::AdMode;
using kw::test::TestInstallation;

namespace {

// Answers every request on 127.0.0.1 with one HTML page.
class PageServer : public QTcpServer {
public:
    explicit PageServer(QByteArray page) : page_(std::move(page)) {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = nextPendingConnection()) {
                connect(client, &QTcpSocket::readyRead, client, [this, client] {
                    client->readAll();
                    client->write(
                        "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                        QByteArray::number(page_.size()) + "\r\nConnection: close\r\n\r\n" + page_);
                    client->disconnectFromHost();
                });
                connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            }
        });
    }
    QString home() const { return QStringLiteral("http://127.0.0.1:%1/").arg(serverPort()); }

private:
    QByteArray page_;
};

}  // namespace

class frmADWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kw::setUpApplication(*qApp); }

    void init() {
        install_ = std::make_unique<TestInstallation>();
        // Nothing listens there: the page fails at once, as without a network.
        kw::SettingsFile(install_->dir()).setAuthorHomePage("http://127.0.0.1:9/kw");
        session_ = std::make_unique<kw::Session>(install_->dir(), ui_, desktop_, probe_, web_, servers_);
        window_ = std::make_unique<kw::frmADWindow>(session_->adClock(), desktop_);
    }

    void cleanup() {
        window_.reset();
        session_.reset();
        install_.reset();
    }

    void showingSetsTheWindowUpForItsMode_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("page");
        QTest::newRow("advertisement") << 0 << QString::fromUtf8(AdClock::kAdCaption.data())
                                       << QStringLiteral("http://127.0.0.1:9/kw/ad.htm");
        QTest::newRow("news") << 1 << QString::fromUtf8(AdClock::kNewsCaption.data())
                              << QStringLiteral("http://127.0.0.1:9/kw/news.htm");
    }

    void showingSetsTheWindowUpForItsMode() {
        QFETCH(int, mode);
        QFETCH(QString, caption);
        QFETCH(QString, page);
        window_->resize(600, 500);
        window_->move(300, 300);
        window_->showMode(static_cast<AdMode>(mode));
        QVERIFY(window_->isVisible());
        QVERIFY(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(window_->windowTitle(), caption);
        QCOMPARE(window_->pageUrl().toString(), page);
        QCOMPARE(window_->pos(), QPoint(10, 20));
        QCOMPARE(window_->minimumSize(), QSize(408, 342));
        const auto* label = window_->findChild<QLabel*>(QStringLiteral("lblAD"));
        QVERIFY(label != nullptr);
        QVERIFY(!label->text().isEmpty());
        QVERIFY(label->toolTip().endsWith(QStringLiteral("\n[半分钟后自动关闭此窗口]")));
    }

    void captionCountsDownAndTheNewsHidesAfterThirtySeconds() {
        window_->showMode(AdMode::News);
        const QString base = window_->windowTitle();
        window_->trmADTimer();
        QCOMPARE(window_->windowTitle(), base + QStringLiteral(" (30)"));
        for (int second = 2; second < 30; ++second) window_->trmADTimer();
        QVERIFY(window_->isVisible());
        QCOMPARE(window_->windowTitle(), base + QStringLiteral(" (2)"));
        window_->trmADTimer();
        QVERIFY(!window_->isVisible());
    }

    void advertisementIgnoresCloseForThreeSecondsAndThenHides() {
        window_->showMode(AdMode::Advertisement);
        window_->close();
        QVERIFY(window_->isVisible());
        for (int second = 0; second < 3; ++second) window_->trmADTimer();
        QVERIFY2(!window_->close(), "the window object survives");
        QVERIFY(!window_->isVisible());
        QVERIFY2(window_->close(), "a hidden window may close");
    }

    void newsOverAnAdvertisementStartsAfreshAndCanBeClosedAtOnce() {
        window_->showMode(AdMode::Advertisement);
        window_->trmADTimer();
        window_->showMode(AdMode::News);
        QCOMPARE(window_->windowTitle(), QString::fromUtf8(AdClock::kNewsCaption.data()));
        window_->close();
        QVERIFY(!window_->isVisible());
        window_->trmADTimer();
        // A hidden window's clock stands.
        QCOMPARE(window_->windowTitle(), QString::fromUtf8(AdClock::kNewsCaption.data()));
    }

    void pageThatCannotBeFetchedGivesTheLocalPage() {
        window_->showMode(AdMode::News);
        if (!window_->usesWebEngine()) QSKIP("the web engine cannot run here; the notice shows");
        QTRY_VERIFY_WITH_TIMEOUT(window_->showsLocalPage(), 30000);
        QVERIFY(window_->isVisible());
    }

    void aHeldShowingShowsTheWindowAndLoadsItsPageOnRelease() {
        window_->holdPage(true);
        window_->showMode(AdMode::News);
        QVERIFY(window_->isVisible());
        QVERIFY(!window_->usesWebEngine());
        window_->holdPage(false);
        if (!window_->usesWebEngine()) QSKIP("the web engine cannot run here; the notice shows");
        QTRY_VERIFY_WITH_TIMEOUT(window_->showsLocalPage(), 30000);
    }

    void clickedLinkOpensInTheUsersBrowserNotInTheWindow() {
        // The page clicks its own link once loaded, as a user would.
        PageServer server(
            "<html><body onload=\"document.getElementById('go').click()\">"
            "<a id=\"go\" href=\"http://elsewhere.example/x\">x</a></body></html>");
        kw::SettingsFile(install_->dir()).setAuthorHomePage(server.home().toStdString());
        window_.reset();
        session_ = std::make_unique<kw::Session>(install_->dir(), ui_, desktop_, probe_, web_, servers_);
        window_ = std::make_unique<kw::frmADWindow>(session_->adClock(), desktop_);
        window_->showMode(AdMode::News);
        // The view comes from the web view module, loaded only now.
        const auto* view = window_->findChild<QWidget*>(QStringLiteral("webAD"));
        if (view == nullptr) QSKIP("the web engine cannot run here; the notice shows");
        QTRY_COMPARE_WITH_TIMEOUT(desktop_.browserAddresses.size(), std::size_t(1), 30000);
        QCOMPARE(desktop_.browserAddresses.front(), std::string("http://elsewhere.example/x"));
        QCOMPARE(view->property("url").toUrl().toString(), server.home() + QStringLiteral("news.htm"));
        QVERIFY(!window_->showsLocalPage());
    }

    void aLinkTheBrowserCannotOpenIsToldAsEveryFailedOpen_data() {
        QTest::addColumn<bool>("late");
        QTest::newRow("refused at once") << false;
        QTest::newRow("failing after its start") << true;
    }
    void aLinkTheBrowserCannotOpenIsToldAsEveryFailedOpen() {
        QFETCH(bool, late);
        kw::test::FakeDesktop browser;
        browser.browserOpens = late;
        browser.browserFailsLate = late;
        kw::frmADWindow window(session_->adClock(), browser);
        kw::test::MessageBoxCatcher boxes;
        window.showMode(AdMode::News);
        window.openLink(QUrl(QStringLiteral("http://elsewhere.example/x")));
        browser.finishLaunches();
        QCOMPARE(browser.browserAddresses, std::vector<std::string>{"http://elsewhere.example/x"});
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.at(0).startsWith(kw::toDisplayText(kw::ShellOpener::kPlayError)),
                 qPrintable(boxes.texts.at(0)));
        QCOMPARE(session_->failedOpens(), 1u);
    }

    void exitWhileTheNewsPageShowsEndsTheProgram() {
        // The news window refuses a close while it shows, and so may the web
        // engine's own windows: the end of the program must not ask them.
        TestInstallation install(TestInstallation::Content::Initialised);
        kw::test::MessageBoxCatcher boxes;
        std::unique_ptr<kw::Program> program =
            kw::Program::start(install.dir(), std::make_unique<kw::test::FakeDesktop>());
        QVERIFY(program != nullptr);
        QTRY_VERIFY(!program->adWindow().pageHeld());
        QVERIFY(program->adWindow().isVisible());
        bool stuck = false;
        QTimer::singleShot(0, &program->mainWindow(), [&] { program->mainWindow().actExitExecute(); });
        QTimer::singleShot(10000, qApp, [&] {
            stuck = true;
            QCoreApplication::exit(1);
        });
        program->run(std::cerr);
        QVERIFY(!stuck);
    }

private:
    std::unique_ptr<TestInstallation> install_;
    kw::QtUi ui_;
    kw::test::FakeDesktop desktop_;
    kw::test::FakeProbe probe_;
    kw::test::FakeWebFetch web_;
    kw::test::FakeDirectoryServers servers_;
    std::unique_ptr<kw::Session> session_;
    std::unique_ptr<kw::frmADWindow> window_;
};

int main(int argc, char** argv) {
    // The web engine shares its GL contexts with the windows'.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    frmADWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frmADWindowTest.moc"
