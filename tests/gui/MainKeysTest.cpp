// The main window from the keyboard and without a notification area.
#include "TestInstallation.h"
#include "support/FakeDesktop.h"
#include "support/SessionProbe.h"

#include "core/browser/ChannelBrowser.h"

#include "gui/ChannelTreeView.h"
#include "gui/TrayIcon.h"
#include "gui/frmADWindow.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <set>
#include <vector>

using kw::test::commandNamed;
using kw::test::MessageBoxCatcher;
using kw::test::TestInstallation;

class MainKeysTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        install_ = std::make_unique<TestInstallation>(TestInstallation::Content::Initialised);
        boxes_ = std::make_unique<MessageBoxCatcher>();
        main_ = std::make_unique<kw::frmMain>(install_->dir(), desktop_);
        main_->startUp();
        main_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    }

    void cleanup() {
        kw::TrayIcon::setAvailabilityProbe({});
        main_.reset();
        boxes_.reset();
        install_.reset();
    }

    void tabVisitsEveryControlInOrder() {
        const kw::MainWidgets& w = main_->widgets();
        const std::vector<QWidget*> order = main_->tabOrder();
        // Every control of the window is in the order once.
        QCOMPARE(order.size(), std::size_t{19 + 22 + 4});
        QCOMPARE(std::set<QWidget*>(order.begin(), order.end()).size(), order.size());
        w.tvSelectChannel->setFocus();
        for (std::size_t i = 1; i < order.size(); ++i) {
            if (!order[i]->isEnabled()) continue;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(QApplication::focusWidget() == order[i], qPrintable(order[i]->objectName()));
        }
    }

    void keysPressTheSlots_data() {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("slot");
        QTest::newRow("Ctrl+1") << QKeySequence(Qt::CTRL | Qt::Key_1) << 1;
        QTest::newRow("Ctrl+9") << QKeySequence(Qt::CTRL | Qt::Key_9) << 9;
        QTest::newRow("Ctrl+0") << QKeySequence(Qt::CTRL | Qt::Key_0) << 10;
    }

    void keysPressTheSlots() {
        QFETCH(QKeySequence, keys);
        QFETCH(int, slot);
        QToolButton* button = main_->widgets().SpeedChannel[static_cast<std::size_t>(slot - 1)];
        QSignalSpy pressed(button, &QToolButton::clicked);
        main_->widgets().tvSelectChannel->setFocus();
        QTest::keySequence(main_.get(), keys);
        QCOMPARE(pressed.count(), 1);
    }

    void spaceOnAFocusedSlotPressesIt() {
        QToolButton* last = main_->widgets().SpeedChannel[21];
        QSignalSpy pressed(last, &QToolButton::clicked);
        last->setFocus(Qt::TabFocusReason);
        QTest::keyClick(last, Qt::Key_Space);
        QCOMPARE(pressed.count(), 1);
    }

    void enterOnTheTreePlaysOnlyWhenPlayingIsPossible_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("possible");
        QTest::newRow("Return") << int(Qt::Key_Return) << true;
        QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter) << true;
        QTest::newRow("Return, nothing to play") << int(Qt::Key_Return) << false;
    }

    void enterOnTheTreePlaysOnlyWhenPlayingIsPossible() {
        QFETCH(int, key);
        QFETCH(bool, possible);
        QAction* play = commandNamed(*main_, "actPlayChannel");
        QSignalSpy played(play, &QAction::triggered);
        kw::ChannelTreeView* tree = main_->widgets().tvSelectChannel;
        tree->setFocus();
        play->setEnabled(possible);
        QTest::keyClick(tree, static_cast<Qt::Key>(key));
        QCOMPARE(played.count(), possible ? 1 : 0);
    }

    void menuKeysOpenThePopUpMenu_data() {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("focus");
        QTest::newRow("Shift+F10 on the tree") << QKeySequence(Qt::SHIFT | Qt::Key_F10) << "tvSelectChannel";
        QTest::newRow("Menu on the tree") << QKeySequence(Qt::Key_Menu) << "tvSelectChannel";
        QTest::newRow("Shift+F10 on a list") << QKeySequence(Qt::SHIFT | Qt::Key_F10) << "cbRateChannel";
    }

    void menuKeysOpenThePopUpMenu() {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, focus);
        main_->findChild<QWidget*>(focus)->setFocus();
        QTest::keySequence(main_.get(), keys);
        QTRY_VERIFY(main_->pmMainPopMenu()->isVisible());
        main_->pmMainPopMenu()->hide();
    }

    void findPlacesItsDialogsOnThePanelAndGivesTheTreeTheFocusBack_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("dialogs");
        QTest::newRow("found") << QStringLiteral("CCTV") << 1;
        QTest::newRow("not found, with a message") << QStringLiteral("没有这个频道") << 2;
    }

    // Each dialog is placed by the program (the window manager would put it
    // at the top left), on the panel's screen and level with the panel; a
    // message box is wide enough for its caption; the tree has the keys after.
    void findPlacesItsDialogsOnThePanelAndGivesTheTreeTheFocusBack() {
        QFETCH(QString, name);
        QFETCH(int, dialogs);
        boxes_.reset();
        const QRect panel = main_->frameGeometry();
        const QRect area = main_->screen()->availableGeometry();
        QFont caption = QFontDatabase::systemFont(QFontDatabase::TitleFont);
        caption.setBold(true);
        struct Seen {
            bool placed;
            QRect frame;
            int neededWidth;  // a message box's caption in the title bar
            int width;
        };
        std::vector<Seen> seen;
        QTimer answer;
        answer.setInterval(5);
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) return;
            auto* box = qobject_cast<QMessageBox*>(dialog);
            const int needed =
                box != nullptr ? QFontMetrics(caption).horizontalAdvance(box->windowTitle()) + 100 : 0;
            seen.push_back(
                {dialog->testAttribute(Qt::WA_Moved), dialog->frameGeometry(), needed, dialog->width()});
            if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
                input->setTextValue(name);
                input->accept();
            } else if (box != nullptr) {
                box->buttons().constFirst()->click();
            }
        });
        answer.start();
        main_->widgets().cbFilterChannel->setFocus();
        commandNamed(*main_, "actFindChannel")->trigger();
        QCOMPARE(int(seen.size()), dialogs);
        for (const Seen& dialog : seen) {
            QVERIFY(dialog.placed);
            QVERIFY(area.contains(dialog.frame));
            QVERIFY(qAbs(dialog.frame.center().y() - panel.center().y()) <= 2);
            QVERIFY(dialog.width > dialog.neededWidth);
        }
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(main_->widgets().tvSelectChannel));
    }

    // The focused control is framed wherever it sits, outside its own area.
    void focusedControlIsFramed() {
        auto* frame = main_->findChild<QWidget*>(QStringLiteral("focusFrame"));
        const kw::MainWidgets& w = main_->widgets();
        for (QWidget* control :
             std::initializer_list<QWidget*>{w.spUserAddChannel, w.tvSelectChannel, w.edGoogle}) {
            control->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(frame->isVisible());
            QCOMPARE(frame->geometry(), control->geometry().adjusted(-2, -2, 2, 2));
            const QImage shown = main_->grab(frame->geometry()).toImage();
            QCOMPARE(shown.pixelColor(0, shown.height() / 2), QColor(0, 0, 0));
            QCOMPARE(shown.pixelColor(1, shown.height() / 2), QColor(255, 255, 255));
        }
    }

    // A category has no rating: the greyed list shows none, not the last channel's.
    void ratingListShowsNoEntryWithoutAChannel() {
        kw::ChannelBrowser& browser = kw::test::SessionProbe::browser(main_->session());
        kw::NodeId channel = browser.tree().root();
        while (channel != kw::kNoNode && !browser.tree().IsChannelLeaf(channel))
            channel = browser.tree().nextInTreeOrder(channel);
        browser.select(channel);
        QComboBox* rating = main_->widgets().cbRateChannel;
        QVERIFY(rating->currentIndex() >= 0);
        browser.select(browser.tree().root());
        QVERIFY(!rating->isEnabled());
        QCOMPARE(rating->currentText(), QString());
    }

    void trayThatGoesAwayShowsTheWindowAndComesBackWithTheIcon() {
        bool trayThere = true;
        kw::TrayIcon::setAvailabilityProbe([&trayThere] { return trayThere; });
        main_->trayIcon().checkAvailability();
        main_->hide();

        trayThere = false;
        main_->trayIcon().checkAvailability();
        QVERIFY(main_->isVisible());
        QVERIFY(!main_->trayIcon().isShown());
        // A taskbar entry: a normal window, not a tool window.
        QCOMPARE(main_->windowFlags() & Qt::WindowType_Mask, Qt::Window);

        trayThere = true;
        main_->trayIcon().checkAvailability();
        QVERIFY(main_->trayIcon().isShown());
        QCOMPARE(main_->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(main_->isVisible());
    }

private:
    kw::test::FakeDesktop desktop_;
    std::unique_ptr<TestInstallation> install_;
    std::unique_ptr<MessageBoxCatcher> boxes_;
    std::unique_ptr<kw::frmMain> main_;
};

QTEST_MAIN(MainKeysTest)
#include "MainKeysTest.moc"
