#include "TestInstallation.h"
#include "support/FakeDesktop.h"

#include "core/actions/DesktopHelpers.h"
#include "core/base/Error.h"
#include "core/base/ProfileFile.h"
#include "core/base/TextCodec.h"
#include "core/session/AppTexts.h"
#include "core/settings/SettingsFile.h"
#include "core/store/ChannelStore.h"
#include "gui/ChannelTreeView.h"
#include "gui/DirectoryWindow.h"
#include "gui/Program.h"
#include "gui/QtUi.h"
#include "gui/SkinPainter.h"
#include "gui/TrayIcon.h"
#include "gui/frmADWindow.h"
#include "gui/frmMain.h"
#include "support/SessionProbe.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleOptionComboBox>
#include <QTextDocument>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QtTest>

#include <memory>

using kw::test::commandNamed;
using kw::test::MessageBoxCatcher;
using kw::test::TestInstallation;

namespace {

const char* const kSkinList =
    "[浪漫情怀]\r\n"
    "imgBackground.Picture.LoadFromFile=UI0.jpg\r\n"
    "[Blue]\r\n"
    "imgBackground.Picture.LoadFromFile=Blue\\UI0.jpg\r\n"
    "tvSelectChannel.Color=$FF8000\r\n"
    "tvSelectChannel.Font.Color=0x0000FF\r\n"
    "spPlayChannel.Font.Color=  255\r\n"
    "SpeedChannel1.Font.Color=not a number\r\n"
    "[Broken]\r\n"
    "imgBackground.Picture.LoadFromFile=missing.jpg\r\n"
    "tvSelectChannel.Color=255\r\n"
    "[Metafile]\r\n"
    "imgBackground.Picture.LoadFromFile=UI0.wmf\r\n";

QColor base(const QWidget* widget) { return widget->palette().color(QPalette::Active, QPalette::Base); }
QColor text(const QWidget* widget) { return widget->palette().color(QPalette::Active, QPalette::Text); }
QColor buttonText(const QWidget* widget) {
    return widget->palette().color(QPalette::Active, QPalette::ButtonText);
}

QStringList entryNames(const QMenu* menu) {
    QStringList names;
    for (const QAction* action : menu->actions()) {
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    }
    return names;
}

}  // namespace

class frmMainTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kw::setUpApplication(*qApp); }

    void init() {
        install_ = std::make_unique<TestInstallation>();
        install_->write("Skins/Skins.ini", kw::text::toGbk(kSkinList));
        install_->writePicture("Skins/UI0.jpg", Qt::darkGreen);
        install_->writePicture("Skins/Blue/UI0.jpg", Qt::blue);
        install_->write("Skins/UI0.wmf", "not a metafile");
        main_ = std::make_unique<kw::frmMain>(install_->dir(), desktop_);
    }

    void cleanup() {
        main_.reset();
        install_.reset();
    }

    void controlsSitAtTheirPlaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("place");
        const auto row = [](const char* name, int left, int top, int width, int height) {
            QTest::newRow(name) << QString::fromLatin1(name) << QRect(left, top, width, height);
        };
        row("imgBackground", 0, 0, 254, 514);
        row("imgIcon", 12, 7, 18, 18);
        row("lblTitle", 31, 2, 170, 27);
        row("spHideWindowOnTitle", 200, 6, 18, 18);
        row("spExitOnTitle", 222, 6, 18, 18);
        row("lblInfo", 13, 36, 228, 13);
        row("SpeedChannel1", 4, 57, 16, 18);
        row("SpeedChannel2", 4, 75, 16, 18);
        row("SpeedChannel22", 4, 435, 16, 18);
        row("SpeedChannelSave", 4, 453, 16, 18);
        row("SpeedChannelOpen", 4, 471, 16, 18);
        // The details grow upward into the tree until three lines fit.
        const int memo = std::max(48, 3 * QFontMetrics(kw::programFont()).lineSpacing() + 4);
        row("tvSelectChannel", 23, 62, 224, 410 - memo - 3 - 62);
        row("meDisplayMemo", 23, 410 - memo, 224, memo);
        row("cbRateChannel", 21, 414, 57, 20);
        row("cbFilterChannel", 80, 414, 83, 20);
        row("cbClassDisplayChannel", 165, 414, 83, 20);
        row("spPlayChannel", 30, 438, 32, 18);
        row("spFavoritesChannel", 64, 438, 32, 18);
        row("spFindChannel", 99, 438, 32, 18);
        row("spChannelRelatedLink", 134, 438, 32, 18);
        row("spEditChannel", 169, 438, 32, 18);
        row("spUserAddChannel", 204, 438, 32, 18);
        row("spVolum", 30, 462, 32, 18);
        row("spSetup", 99, 462, 32, 18);
        row("spHelp", 134, 462, 32, 18);
        row("spHideWindow", 169, 462, 32, 18);
        row("spExit", 204, 462, 32, 18);
        row("spSoundRecord", 6, 489, 14, 14);
        row("edGoogle", 26, 490, 201, 14);
        row("spGoogle", 226, 485, 22, 21);
    }

    void controlsSitAtTheirPlaces() {
        QFETCH(QString, name);
        QFETCH(QRect, place);
        const auto* widget = main_->findChild<QWidget*>(name);
        QVERIFY2(widget != nullptr, qPrintable(name));
        QCOMPARE(widget->parentWidget(), main_.get());
        QCOMPARE(widget->geometry(), place);
    }

    void detailsShowThreeWholeLines() {
        const QPlainTextEdit* memo = main_->widgets().meDisplayMemo;
        main_->show();
        QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
        const int margins = 2 * static_cast<int>(memo->document()->documentMargin());
        QVERIFY2(memo->viewport()->height() - margins >= 3 * memo->fontMetrics().lineSpacing(),
                 qPrintable(QStringLiteral("%1 high, lines of %2")
                                .arg(memo->viewport()->height())
                                .arg(memo->fontMetrics().lineSpacing())));
    }

    void listEntryThatDoesNotFitIsInTheHint() {
        QComboBox* filter = main_->widgets().cbFilterChannel;
        main_->show();
        // The list's own entries fit; a longer one is elided.
        filter->setItemText(0, QStringLiteral("显示全部频道显示全部频道"));
        filter->setCurrentIndex(0);
        QVERIFY(filter->fontMetrics().horizontalAdvance(filter->currentText()) > filter->width() - 20);
        QHelpEvent hint(QEvent::ToolTip, QPoint(5, 5), filter->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(filter, &hint);
        QTRY_VERIFY(QToolTip::text().startsWith(filter->currentText() + QLatin1Char('\n')));
        QVERIFY(QToolTip::text().contains(QStringLiteral("只显示")));
        QToolTip::hideText();
    }

    // Each entry of the lists and the search box's prompt shows whole.
    void listsAndSearchBoxShowTheirWholeTexts() {
        const kw::MainWidgets& w = main_->widgets();
        for (QComboBox* list : {w.cbRateChannel, w.cbFilterChannel, w.cbClassDisplayChannel}) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            const int room =
                list->style()
                    ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
                    .width();
            for (int i = 0; i < list->count(); ++i)
                QVERIFY2(list->fontMetrics().horizontalAdvance(list->itemText(i)) <= room,
                         qPrintable(list->itemText(i)));
        }
        QVERIFY(w.edGoogle->fontMetrics().horizontalAdvance(w.edGoogle->text()) <= w.edGoogle->width() - 6);
    }

    void windowIsAFramelessPanelOnTopAtTheRightEdge() {
        QCOMPARE(main_->size(), QSize(254, 514));
        QVERIFY(main_->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(main_->windowFlags() & Qt::WindowStaysOnTopHint);
        MessageBoxCatcher boxes;
        main_->startUp();
        QVERIFY(main_->isVisible());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(main_->pos(), QPoint(screen.width() - 254 - 10, (screen.height() - 514) / 2));
    }

    void listsStartWithTheirEntriesAndHints() {
        const kw::MainWidgets& w = main_->widgets();
        QCOMPARE(w.cbFilterChannel->count(), 6);
        QCOMPARE(w.cbFilterChannel->itemText(5), QStringLiteral("只显厌恶频道"));
        QCOMPARE(w.cbClassDisplayChannel->count(), 7);
        QCOMPARE(w.cbClassDisplayChannel->itemText(6), QStringLiteral("总分类期号"));
        QCOMPARE(w.cbClassDisplayChannel->currentIndex(), 2);
        QCOMPARE(w.cbClassDisplayChannel->toolTip(), QStringLiteral("切换优先按 [内容]/[区域] 分类显示频道"));
        QCOMPARE(w.cbRateChannel->currentText(), QStringLiteral("一般"));
        QCOMPARE(w.lblInfo->toolTip(), QStringLiteral("正在播放: [空]"));
    }

    void mainMenuHoldsEveryEntryInOrder() {
        const QMenu* menu = main_->pmMainPopMenu();
        QCOMPARE(entryNames(menu), QStringList({"actPlayChannel",
                                                "muSetSpeedChannel",
                                                "actFavoritesChannel",
                                                "muTestChannel",
                                                "actLinkChannel",
                                                "muRate",
                                                "actLockChannel",
                                                "actAddTimerSwitchChannel",
                                                "-",
                                                "muCurNodeFullExpand",
                                                "muCurNodeFullCollapse",
                                                "muFullExpand",
                                                "muFullCollapse",
                                                "actFindChannel",
                                                "actFindChannelContinue",
                                                "-",
                                                "actDeleteChannel",
                                                "actEditChannel",
                                                "actUserAddChannel",
                                                "actUserBatchAddChannel",
                                                "actExportUserChannel",
                                                "actImportPlaylist",
                                                "actExportPlaylist",
                                                "muSubscriptions",
                                                "actRadioDirectory",
                                                "actCheckChannels",
                                                "actHideDeadChannels",
                                                "actPruneDeadChannels",
                                                "-",
                                                "muSkin",
                                                "muOthers",
                                                "actAbout",
                                                "actHideWindow",
                                                "actExit"}));
        QCOMPARE(menu->defaultAction(), commandNamed(*main_, "actPlayChannel"));
        QVERIFY(!main_->findChild<QAction*>("muTestChannel")->isVisible());
        QVERIFY(!commandNamed(*main_, "actAddTimerSwitchChannel")->isVisible());
        QVERIFY(!commandNamed(*main_, "actAddTimerSwitchChannel")->isEnabled());
        QVERIFY(!commandNamed(*main_, "actFindChannelContinue")->isEnabled());

        const auto* speed = main_->findChild<QMenu*>("muSetSpeedChannel");
        QCOMPARE(speed->title(), QStringLiteral("设为快捷频道 =>"));
        QCOMPARE(speed->actions().size(), 22);
        QCOMPARE(speed->actions().at(21)->text(), QStringLiteral("22"));
        const auto* rate = main_->findChild<QMenu*>("muRate");
        QCOMPARE(entryNames(rate), QStringList({"muRate1", "muRate2", "muRate3", "muRate4", "muRate5"}));
        QCOMPARE(rate->actions().at(4)->text(), QStringLiteral("厌恶 (&5)"));
        QVERIFY(rate->actions().at(0)->actionGroup()->isExclusive());
        const auto* others = main_->findChild<QMenu*>("muOthers");
        QCOMPARE(entryNames(others),
                 QStringList({"actSetup", "actSetTimerSwitchChannel", "actHelp", "actAuthorHomePage",
                              "actAuthorEmail", "actSplash", "actNews", "actAD", "actPackMDB"}));
        QVERIFY(!commandNamed(*main_, "actSetTimerSwitchChannel")->isVisible());
    }

    void pruneDeadSaysSoWhenNoChannelIsToBeCleanedUp() {
        MessageBoxCatcher boxes;
        commandNamed(*main_, "actPruneDeadChannels")->trigger();
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("没有需要清理的失效频道。")});
    }

    void trayMenuHoldsItsEntriesInOrder() {
        QCOMPARE(entryNames(main_->pmIconRight()),
                 QStringList({"muIconSelectChannel", "-", "actRadioDirectory", "actSetup", "actHelp",
                              "actAuthorHomePage", "actAuthorEmail", "actNews", "actAD", "actAbout",
                              "actHideWindow", "actExit"}));
        QCOMPARE(main_->pmIconRight()->defaultAction()->text(), QStringLiteral("显示鹰波视听"));
    }

    void theDirectoryCommandKeepsOneWindow() {
        // Nothing listens there: the window's lists fail at once, without the network.
        install_->write("Kestrelwave.ini", "[Directory]\r\nServer=http://127.0.0.1:9\r\n");
        QAction* command = commandNamed(*main_, "actRadioDirectory");
        QCOMPARE(command->text(), QStringLiteral("电台目录..."));
        command->trigger();
        command->trigger();
        const QList<kw::DirectoryWindow*> windows = main_->findChildren<kw::DirectoryWindow*>();
        QCOMPARE(windows.size(), 1);
        QVERIFY(windows.front()->isVisible());
    }

    void commandsCarryCaptionHintAndShortcut_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QKeySequence>("shortcut");
        const auto row = [](const char* name, const char* caption, const char* hint, QKeySequence key) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption)
                                << QString::fromUtf8(hint) << key;
        };
        row("actPlayChannel", "播放", "播放选中频道", QKeySequence(Qt::Key_F2));
        row("actLinkChannel", "相关网站", "打开选中频道的相关网站, 可查看电台或电视的节目表等",
            QKeySequence(Qt::CTRL | Qt::Key_W));
        row("actDeleteChannel", "删除", "删除选中频道 [请慎重!]", QKeySequence(Qt::SHIFT | Qt::Key_Delete));
        row("actTestChannel", "测试", "快速测试选中频道是否可用", QKeySequence(Qt::Key_F4));
        row("actHideWindow", "隐藏", "隐藏窗口 [隐藏于任务栏右方小喇叭图标旁(系统托盘区)]",
            QKeySequence(Qt::Key_F8));
        row("actExit", "退出", "退出鹰波视听 ( Kestrel Wave)", QKeySequence(Qt::Key_F10));
        row("muCurNodeFullExpand", "当前分支全部展开", "", QKeySequence(Qt::Key_BracketRight));
        row("muCurNodeFullCollapse", "当前分支全部折叠", "", QKeySequence(Qt::Key_BracketLeft));
        row("muFullCollapse", "全部折叠", "", QKeySequence(Qt::Key_F7));
        row("actPackMDB", "精简频道数据", "目的是更快更稳定地使用频道数据，一般三个月运行一次。",
            QKeySequence());
    }

    void commandsCarryCaptionHintAndShortcut() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, hint);
        QFETCH(QKeySequence, shortcut);
        const QAction* action = commandNamed(*main_, name.toLatin1().constData());
        QVERIFY(action != nullptr);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->statusTip(), hint);
        QCOMPARE(action->shortcut(), shortcut);
    }

    void buttonsRunTheirCommandsAndFollowTheirState() {
        const kw::MainWidgets& w = main_->widgets();
        QAction* play = commandNamed(*main_, "actPlayChannel");
        QVERIFY(!w.spPlayChannel->isEnabled());
        play->setEnabled(true);
        QVERIFY(w.spPlayChannel->isEnabled());
        QSignalSpy played(play, &QAction::triggered);
        w.spPlayChannel->click();
        QCOMPARE(played.count(), 1);
        QCOMPARE(w.spFindChannel->text(), QStringLiteral("查找"));
        QCOMPARE(w.spFindChannel->toolTip(), QStringLiteral("按频道名称从当前位置开始往下查找频道"));
    }

    void skinSetsTheColoursAndRemembersItsName() {
        main_->ApplySkin("Blue");
        const kw::MainWidgets& w = main_->widgets();
        const QColor treeColor(0x00, 0x80, 0xFF);  // $FF8000 is blue FF, green 80, red 00
        const QColor treeFont(0xFF, 0x00, 0x00);   // 0x0000FF is red
        QCOMPARE(base(w.tvSelectChannel), treeColor);
        QCOMPARE(text(w.tvSelectChannel), treeFont);
        for (const QWidget* derived :
             {static_cast<QWidget*>(w.meDisplayMemo), static_cast<QWidget*>(w.cbRateChannel),
              static_cast<QWidget*>(w.cbFilterChannel), static_cast<QWidget*>(w.cbClassDisplayChannel)}) {
            QCOMPARE(base(derived), treeColor);
            QCOMPARE(text(derived), treeFont);
        }
        QCOMPARE(buttonText(w.spPlayChannel), QColor(255, 0, 0));
        QCOMPARE(buttonText(w.spExit), QColor(255, 0, 0));
        QCOMPARE(buttonText(w.SpeedChannel[21]), QColor(0, 128, 0));  // not a number: the default
        QCOMPARE(base(w.edGoogle), QColor(0xFF, 0xFB, 0xF0));
        QCOMPARE(w.lblInfo->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        const QColor picture = w.imgBackground->picture().pixelColor(100, 100);
        QVERIFY2(picture.blue() > 200 && picture.red() < 50, "the Blue\\UI0.jpg picture");
        QCOMPARE(main_->currentSkinName(), std::string("Blue"));
        QCOMPARE(kw::SettingsFile(install_->dir()).lastSkinName(), std::string("Blue"));

        // A name without a section gives the default look with Skins/UI0.jpg.
        main_->ApplySkin("无此皮肤");
        QCOMPARE(base(w.tvSelectChannel), QColor(0xC9, 0xE6, 0xAE));
        QCOMPARE(text(w.tvSelectChannel), QColor(0x85, 0x0B, 0xFF));
        QVERIFY(w.imgBackground->picture().pixelColor(100, 100).green() > 80);
    }

    void skinWhosePictureCannotBeLoadedChangesNothing_data() {
        QTest::addColumn<QString>("skin");
        QTest::addColumn<QString>("problem");
        QTest::newRow("missing file") << "Broken"
                                      << "missing.jpg";
        QTest::newRow("no decoder") << "Metafile"
                                    << "(.wmf)";
    }

    void skinWhosePictureCannotBeLoadedChangesNothing() {
        QFETCH(QString, skin);
        QFETCH(QString, problem);
        main_->ApplySkin("Blue");
        const QColor before = base(main_->widgets().tvSelectChannel);
        try {
            main_->ApplySkin(skin.toStdString());
            QFAIL("no error");
        } catch (const kw::Error& error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(problem), error.what());
        }
        QCOMPARE(base(main_->widgets().tvSelectChannel), before);
        QCOMPARE(main_->currentSkinName(), std::string("Blue"));
        QCOMPARE(kw::SettingsFile(install_->dir()).lastSkinName(), std::string("Blue"));
    }

    void skinMenuIsFilledOnceWithTheCurrentSkinTicked() {
        main_->ApplySkin("Blue");
        QMenu* menu = main_->pmMainPopMenu();
        emit menu->aboutToShow();
        const auto* skins = main_->findChild<QMenu*>("muSkin");
        QCOMPARE(skins->title(), QStringLiteral("换个心情"));
        QCOMPARE(entryNames(skins), QStringList({"Skin1", "Skin2", "Skin3", "Skin4"}));
        QCOMPARE(skins->actions().at(0)->text(), QStringLiteral("浪漫情怀"));
        QVERIFY(skins->actions().at(1)->isChecked());
        QVERIFY(!skins->actions().at(0)->isChecked());

        install_->write("Skins/Skins.ini", kw::text::toGbk(std::string(kSkinList) + "[Later]\r\n"));
        emit menu->aboutToShow();
        QCOMPARE(skins->actions().size(), 4);

        skins->actions().at(0)->trigger();
        QCOMPARE(main_->currentSkinName(), std::string("浪漫情怀"));
        QVERIFY(skins->actions().at(0)->isChecked());
        QVERIFY(!skins->actions().at(1)->isChecked());

        // A failing skin reports its error and leaves the tick where the skin is.
        MessageBoxCatcher boxes;
        skins->actions().at(2)->trigger();
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(boxes.captions.at(0), QStringLiteral("鹰波视听 (Kestrel Wave)"));
        QVERIFY(skins->actions().at(0)->isChecked());
        QVERIFY(!skins->actions().at(2)->isChecked());
    }

    void skinMenuWithoutSkinFileStaysEmpty() {
        std::filesystem::remove(install_->file("Skins/Skins.ini"));
        emit main_->pmMainPopMenu()->aboutToShow();
        QVERIFY(main_->findChild<QMenu*>("muSkin")->actions().isEmpty());
    }

    void trayLeftClickPutsTheWindowCornerAtTheMouse_data() {
        QTest::addColumn<QPoint>("mouse");
        QTest::addColumn<QPoint>("topLeft");
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QPoint lowerRight(screen.width() - 5, screen.height() - 5);
        QTest::newRow("lower right") << lowerRight << lowerRight - QPoint(254, 514);
        QTest::newRow("upper left") << QPoint(5, 5) << QPoint(5, 5);
        QTest::newRow("upper right") << QPoint(screen.width() - 5, 5) << QPoint(screen.width() - 5 - 254, 5);
        // Reaching past the bottom, the window stays on the screen.
        QTest::newRow("upper left near the middle")
            << QPoint(5, screen.height() / 2 - 1) << QPoint(5, screen.height() - 514);
    }

    void trayLeftClickPutsTheWindowCornerAtTheMouse() {
        QFETCH(QPoint, mouse);
        QFETCH(QPoint, topLeft);
        emit main_->trayIcon().leftButtonDown(mouse);
        QVERIFY(main_->isVisible());
        QCOMPARE(main_->pos(), topLeft);
    }

    void trayDoubleClickAndClosingRunTheExitSequenceOnce() {
        QSignalSpy terminated(main_.get(), &kw::frmMain::terminated);
        emit main_->trayIcon().doubleClicked();
        QCOMPARE(terminated.count(), 1);
        QVERIFY(main_->hasExited());
        main_->close();
        QCOMPARE(terminated.count(), 1);
    }

    void closingTheWindowRunsTheExitSequence() {
        QSignalSpy terminated(main_.get(), &kw::frmMain::terminated);
        main_->show();
        main_->close();
        QCOMPARE(terminated.count(), 1);
    }

    void iconTooltipShowsTheDateOfTheLastMouseMove() {
        main_->show();
        QLabel* icon = main_->widgets().imgIcon;
        QCOMPARE(icon->toolTip(), QStringLiteral("显示当前日期与时间"));
        QTest::mouseMove(icon, QPoint(5, 5));
        static const QRegularExpression format(
            QStringLiteral("^现在是: \\d{4}年\\d\\d月\\d\\d日\\n\\n {10}\\d\\d时\\d\\d分\\d\\d秒$"));
        QVERIFY2(format.match(icon->toolTip()).hasMatch(), qPrintable(icon->toolTip()));
    }

    void iconClickOpensTheMainMenuBesideTheIcon() {
        // High enough on the test screen for the whole menu to fit below the icon.
        main_->move(100, 40);
        main_->show();
        QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
        QTest::mouseClick(main_->widgets().imgIcon, Qt::LeftButton);
        QTRY_VERIFY(main_->pmMainPopMenu()->isVisible());
        QCOMPARE(main_->pmMainPopMenu()->pos(), main_->mapToGlobal(QPoint(12 + 10, 7 + 10)));
        main_->pmMainPopMenu()->close();
    }

    void iconDoubleClickExitsWithoutOpeningTheMenu() {
        main_->show();
        QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
        QSignalSpy terminated(main_.get(), &kw::frmMain::terminated);
        QTest::mouseDClick(main_->widgets().imgIcon, Qt::LeftButton);
        QCOMPARE(terminated.count(), 1);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QVERIFY(!main_->pmMainPopMenu()->isVisible());
    }

    void draggingTheTitleMovesTheWindow() {
        main_->move(200, 100);
        main_->show();
        QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
        QLabel* title = main_->widgets().lblTitle;
        QTest::mousePress(title, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseMove(title, QPoint(60, 40));
        QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(60, 40));
        QCOMPARE(main_->pos(), QPoint(250, 130));
    }

    void hidingWithoutANotificationAreaMinimisesInstead() {
        if (kw::TrayIcon::isAvailable()) QSKIP("this desktop has a notification area");
        main_->show();
        commandNamed(*main_, "actHideWindow")->trigger();
        QVERIFY(main_->isMinimized());
        QVERIFY(main_->isVisible());
    }

    void losingActivationHidesTheWindowWhenAsked() {
        main_->show();
        QSignalSpy hidden(commandNamed(*main_, "actHideWindow"), &QAction::triggered);
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        QCOMPARE(hidden.count(), 0);
        main_->setHideOnDeactive(true);
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        QCOMPARE(hidden.count(), 1);
        main_->showNormal();
        main_->setHideOnDeactive(false);
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        QCOMPARE(hidden.count(), 1);
    }

    // Entering the box empties it, leaving puts the prompt back; the button
    // searches for what the box holds, so without the focus, the prompt.
    void searchBoxSearchesWhatItHolds() {
        main_->show();
        main_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main_.get()));
        const kw::MainWidgets& w = main_->widgets();
        const QString prompt = QString::fromUtf8(kw::DesktopHelpers::kSearchPrompt.data());
        QCOMPARE(w.edGoogle->text(), prompt);
        w.spGoogle->click();
        w.edGoogle->setFocus();
        QCOMPARE(w.edGoogle->text(), QString());
        w.edGoogle->insert(QStringLiteral("新闻 & C#"));
        w.spGoogle->click();
        QTest::keyClick(w.edGoogle, Qt::Key_Return);
        w.tvSelectChannel->setFocus();
        QCOMPARE(w.edGoogle->text(), prompt);
        w.spGoogle->click();
        std::vector<std::string> targets;
        for (const auto& opened : desktop_.documents) targets.push_back(opened.target);
        const std::string typed = kw::searchAddress("新闻 & C#");
        const std::string promptSearch = kw::searchAddress(kw::DesktopHelpers::kSearchPrompt);
        QCOMPARE(targets, (std::vector<std::string>{promptSearch, typed, typed, promptSearch}));
    }

    void splashCommandOpensANewSplashEachTime() {
        const auto splashes = [] {
            int shown = 0;
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window->objectName() == QLatin1String("frmSplash") && window->isVisible()) ++shown;
            }
            return shown;
        };
        commandNamed(*main_, "actSplash")->trigger();
        commandNamed(*main_, "actSplash")->trigger();
        QCOMPARE(splashes(), 2);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("frmSplash")) window->close();
        }
        QCOMPARE(splashes(), 0);
    }

    // A long playlist import stops at its progress window's cancel, or at an
    // exit (F10) once the user has said Yes; what it stored stays.
    void longImportStopsOnRequestKeepingWhatItStored_data() {
        QTest::addColumn<bool>("byExit");
        QTest::newRow("cancel") << false;
        QTest::newRow("exit") << true;
    }
    void longImportStopsOnRequestKeepingWhatItStored() {
        QFETCH(bool, byExit);
        constexpr int kEntries = 20000;
        TestInstallation installed(TestInstallation::Content::Initialised);
        kw::frmMain main(installed.dir(), desktop_);
        MessageBoxCatcher boxes;
        main.startUp();
        std::string list = "#EXTM3U\n";
        for (int i = 0; i < kEntries; ++i)
            list += "#EXTINF:-1,T" + std::to_string(i) + "\nhttp://t.example/x\n";
        installed.write("long.m3u", list);
        QTimer onProgress;
        connect(&onProgress, &QTimer::timeout, this, [&] {
            QWidget* progress = nullptr;
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window->objectName() == QStringLiteral("dlgProgress") && window->isVisible())
                    progress = window;
            }
            if (progress == nullptr) return;
            onProgress.stop();
            if (byExit) {
                // The modal progress window is the active one, as on a desktop.
                QApplication::setActiveWindow(progress);
                QTest::keyClick(progress, Qt::Key_F10);
            } else {
                auto* cancel = progress->findChild<QPushButton*>();
                QCOMPARE(cancel->text(), QStringLiteral("取消"));
                cancel->click();
            }
        });
        onProgress.start(5);
        main.runCommand(
            [&] { main.session().exchange().actImportPlaylist(installed.file("long.m3u").string()); });

        QCOMPARE(main.hasExited(), byExit);
        QCOMPARE(boxes.texts.contains(kw::toDisplayText(kw::texts::kStopImportAndExit)), byExit);
        QVERIFY2(boxes.texts.last().startsWith(QStringLiteral("播放列表导入已取消")),
                 qPrintable(boxes.texts.last()));
        const std::int64_t kept = kw::test::SessionProbe::store(main.session()).countChannelsInGroup(2);
        QVERIFY2(kept > 0 && kept < kEntries, qPrintable(QString::number(kept)));
    }

private:
    kw::test::FakeDesktop desktop_;
    std::unique_ptr<TestInstallation> install_;
    std::unique_ptr<kw::frmMain> main_;
};

QTEST_MAIN(frmMainTest)
#include "frmMainTest.moc"
