// The main window's start-up and exit on a program directory made as kwave
// init makes it, and what selecting in the tree shows.
#include "TestInstallation.h"
#include "support/FakeDesktop.h"
#include "support/SessionProbe.h"

#include "core/base/ProfileFile.h"
#include "core/base/TextCodec.h"
#include "core/browser/ChannelBrowser.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "core/settings/SettingsFile.h"
#include "core/store/ChannelStore.h"
#include "gui/ChannelTreeModel.h"
#include "gui/ChannelTreeView.h"
#include "gui/frmADWindow.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <memory>

using kw::test::commandNamed;
using kw::test::FakeDesktop;
using kw::test::MessageBoxCatcher;
using kw::test::TestInstallation;

namespace {

// The first channel leaf below node in tree order.
QModelIndex firstChannel(const QAbstractItemModel& model, const QModelIndex& parent) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        if (model.rowCount(child) == 0 && child.parent().isValid()) return child;
        if (const QModelIndex leaf = firstChannel(model, child); leaf.isValid()) return leaf;
    }
    return {};
}

QStringList childTexts(const QAbstractItemModel& model, const QModelIndex& parent) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(parent); ++row)
        texts << model.index(row, 0, parent).data().toString();
    return texts;
}

}  // namespace

class MainStartUpTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        install_ = std::make_unique<TestInstallation>(TestInstallation::Content::Initialised);
        start();
    }

    void cleanup() {
        main_.reset();
        install_.reset();
    }

    void firstStartBuildsTheTreeInModeZeroWithTheFavouritesSelected() {
        QVERIFY(boxes_->texts.isEmpty());
        QVERIFY(main_->isVisible());
        const kw::MainWidgets& w = main_->widgets();
        QCOMPARE(w.cbClassDisplayChannel->currentIndex(), 0);
        QCOMPARE(w.cbFilterChannel->currentIndex(), 0);
        const QAbstractItemModel& model = *w.tvSelectChannel->model();
        const QModelIndex root = model.index(0, 0);
        QCOMPARE(root.data().toString(), QStringLiteral("鹰波视听 (Kestrel Wave)"));
        QVERIFY(w.tvSelectChannel->isExpanded(root));
        const QStringList categories = childTexts(model, root);
        QCOMPARE(categories.mid(0, 3), QStringList({"A我的最爱", "B电视台", "C广播电台"}));
        // Mode 0: main category, then content class.
        const QModelIndex tv = model.index(1, 0, root);
        QVERIFY(model.rowCount(tv) > 0);
        QVERIFY(model.rowCount(model.index(0, 0, tv)) > 0);

        QCOMPARE(w.tvSelectChannel->currentIndex(), model.index(0, 0, root));
        QCOMPARE(w.meDisplayMemo->toPlainText(),
                 QStringLiteral("当前位于:  A我的最爱\n[ 请选择具体的频道 ]"));
        QCOMPARE(w.lblInfo->text(), QStringLiteral("单击+号或双击文字展开以便选台"));
        QVERIFY(!commandNamed(*main_, "actPlayChannel")->isEnabled());
        QVERIFY(!install_->exists("ChannelTree.tre"));
    }

    void selectionChangesTheDetailsAndTheCommandStates() {
        const kw::MainWidgets& w = main_->widgets();
        const QAbstractItemModel& model = *w.tvSelectChannel->model();
        const QModelIndex channel = firstChannel(model, model.index(1, 0, model.index(0, 0)));
        QVERIFY(channel.isValid());
        w.tvSelectChannel->setCurrentIndex(channel);

        for (const char* name : {"actPlayChannel", "actTestChannel", "actLinkChannel", "actDeleteChannel",
                                 "actEditChannel", "actFavoritesChannel", "actLockChannel"}) {
            QVERIFY2(commandNamed(*main_, name)->isEnabled(), name);
        }
        QVERIFY(w.spPlayChannel->isEnabled());
        QVERIFY(main_->findChild<QMenu*>("muRate")->menuAction()->isEnabled());
        QVERIFY(w.cbRateChannel->isEnabled());
        QCOMPARE(w.cbRateChannel->currentIndex(), 2);  // new channels are rated 一般
        QVERIFY(main_->findChild<QAction*>("muRate3")->isChecked());
        QCOMPARE(commandNamed(*main_, "actFavoritesChannel")->text(), QStringLiteral("收藏"));
        QCOMPARE(w.spFavoritesChannel->text(), QStringLiteral("收藏"));
        QCOMPARE(commandNamed(*main_, "actLockChannel")->text(), QStringLiteral("加锁"));
        QVERIFY2(w.meDisplayMemo->toPlainText().endsWith(QStringLiteral(" [SYS 2026.12] [未锁]")),
                 qPrintable(w.meDisplayMemo->toPlainText()));
        QCOMPARE(w.lblInfo->text(), QStringLiteral("双击频道名称播放选中频道"));

        w.tvSelectChannel->setCurrentIndex(channel.parent());
        QVERIFY(!commandNamed(*main_, "actPlayChannel")->isEnabled());
        QVERIFY(!w.spFavoritesChannel->isEnabled());
        QVERIFY(!w.cbRateChannel->isEnabled());
        QCOMPARE(w.cbRateChannel->palette().color(QPalette::Text), QColor(128, 128, 128));
        QVERIFY(w.meDisplayMemo->toPlainText().startsWith(QStringLiteral("当前位于:  ")));
    }

    void contextMenuSelectsTheNodeUnderTheMouse() {
        const kw::MainWidgets& w = main_->widgets();
        const QAbstractItemModel& model = *w.tvSelectChannel->model();
        const QModelIndex tv = model.index(1, 0, model.index(0, 0));
        emit w.tvSelectChannel->contextPopup(w.tvSelectChannel->channelModel()->nodeOf(tv), QPoint(50, 50));
        QCOMPARE(w.tvSelectChannel->currentIndex(), tv);
        QVERIFY(w.meDisplayMemo->toPlainText().contains(QStringLiteral("B电视台")));
        QTRY_VERIFY(main_->pmMainPopMenu()->isVisible());
        main_->pmMainPopMenu()->close();
    }

    void changingTheDisplayModeRebuildsAndReselectsTheChannel() {
        const kw::MainWidgets& w = main_->widgets();
        const QAbstractItemModel& model = *w.tvSelectChannel->model();
        const QModelIndex channel = firstChannel(model, model.index(1, 0, model.index(0, 0)));
        const QString name = channel.data().toString();
        w.tvSelectChannel->setCurrentIndex(channel);
        w.cbClassDisplayChannel->setCurrentIndex(5);  // leaves directly under the category
        QCOMPARE(main_->session().windowState().displayMode, 5);
        const QModelIndex selected = w.tvSelectChannel->currentIndex();
        QVERIFY2(selected.data().toString().contains(name), qPrintable(selected.data().toString()));
        QCOMPARE(selected.parent().parent(), model.index(0, 0));
    }

    void exitWritesTheListPositionsAndTheTreeCache() {
        const kw::MainWidgets& w = main_->widgets();
        w.cbFilterChannel->setCurrentIndex(3);
        w.cbClassDisplayChannel->setCurrentIndex(6);
        QSignalSpy terminated(main_.get(), &kw::frmMain::terminated);
        main_->actExitExecute();
        QCOMPARE(terminated.count(), 1);
        const kw::SettingsFile settings(install_->dir());
        QCOMPARE(settings.filterChannelIndex(), 3);
        QCOMPARE(settings.classDisplayChannelIndex(), 6);
        const std::string cache = install_->read("ChannelTree.tre");
        QVERIFY(cache.starts_with(kw::text::toGbk("鹰波视听 (Kestrel Wave)\r\n\tA我的最爱\r\n")));
        QVERIFY(!install_->exists("SCS/Temp.scs"));  // no speed channel changed
    }

    void secondStartLoadsTheTreeCache() {
        main_->actExitExecute();
        // A node only the cache has shows that the tree came from it.
        install_->write("ChannelTree.tre",
                        install_->read("ChannelTree.tre") + kw::text::toGbk("\tZ只在缓存里\r\n"));
        main_.reset();
        // As the program starts: the cache is read ahead while the window is built.
        start(kw::Session::readTreeCacheAhead(install_->dir()));
        const QAbstractItemModel& model = *main_->widgets().tvSelectChannel->model();
        QVERIFY(childTexts(model, model.index(0, 0)).contains(QStringLiteral("Z只在缓存里")));
        QCOMPARE(main_->widgets().tvSelectChannel->currentIndex().data().toString(),
                 QStringLiteral("A我的最爱"));
    }

    void theNewsPageWaitsForThePanelsFirstPaint() {
        start();
        QVERIFY(main_->adWindow().isVisible());
        QVERIFY(main_->adWindow().pageHeld());
        QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
        // Well before the two seconds after which an unpainted panel lets it go.
        QTRY_VERIFY_WITH_TIMEOUT(!main_->adWindow().pageHeld(), 1000);
    }

    void startUpAppliesTheStoredSkinAndHidingOption() {
        main_.reset();
        kw::SettingsFile settings(install_->dir());
        settings.setLastSkinName("水墨江南");
        settings.setHideOnDeactive(true);
        start();
        QCOMPARE(main_->currentSkinName(), std::string("水墨江南"));
        QVERIFY(main_->hideOnDeactive());
        // 15726328 = 0xEFF6F8: red F8, green F6, blue EF.
        QCOMPARE(main_->widgets().tvSelectChannel->palette().color(QPalette::Active, QPalette::Base),
                 QColor(0xF8, 0xF6, 0xEF));
    }

    void aStartUpMessageClosesTheSplashItWouldHideBehind() {
        main_.reset();
        std::filesystem::remove(install_->file("Kestrelwave.dll"));
        QWidget splash(nullptr, Qt::WindowStaysOnTopHint);
        splash.show();
        boxes_ = std::make_unique<MessageBoxCatcher>();
        main_ = std::make_unique<kw::frmMain>(install_->dir(), desktop_);
        main_->ui().closeBeforeDialogs(&splash);
        main_->startUp();
        QCOMPARE(boxes_->texts.size(), 1);
        QVERIFY(!splash.isVisible());
    }

    void startUpErrorIsShownAndTheWindowStillShows() {
        main_.reset();
        std::filesystem::remove(install_->file("Kestrelwave.dll"));
        start();
        QCOMPARE(boxes_->texts.size(), 1);
        QVERIFY(main_->isVisible());
        QCOMPARE(main_->widgets().tvSelectChannel->model()->rowCount(), 0);
        // Commands that need the tree do nothing rather than fail.
        commandNamed(*main_, "muFullExpand")->trigger();
        QCOMPARE(boxes_->texts.size(), 1);
    }

    void expandAndCollapseCommandsWorkOnTheTree() {
        const kw::MainWidgets& w = main_->widgets();
        const QAbstractItemModel& model = *w.tvSelectChannel->model();
        const QModelIndex tv = model.index(1, 0, model.index(0, 0));
        QVERIFY(!w.tvSelectChannel->isExpanded(tv));
        commandNamed(*main_, "muFullExpand")->trigger();
        QVERIFY(w.tvSelectChannel->isExpanded(tv));
        QVERIFY(w.tvSelectChannel->isExpanded(model.index(0, 0, tv)));
        w.tvSelectChannel->setCurrentIndex(tv);
        commandNamed(*main_, "muCurNodeFullCollapse")->trigger();
        QVERIFY(!w.tvSelectChannel->isExpanded(tv));
        QVERIFY(!w.tvSelectChannel->isExpanded(model.index(0, 0, tv)));
        commandNamed(*main_, "muCurNodeFullExpand")->trigger();
        QVERIFY(w.tvSelectChannel->isExpanded(model.index(0, 0, tv)));
        // Everything closes but the path to the selection.
        commandNamed(*main_, "muFullCollapse")->trigger();
        QCOMPARE(w.tvSelectChannel->currentIndex(), tv);
        QVERIFY(w.tvSelectChannel->isExpanded(model.index(0, 0)));
        QVERIFY(!w.tvSelectChannel->isExpanded(tv));
        QVERIFY(!w.tvSelectChannel->isExpanded(model.index(2, 0, model.index(0, 0))));
    }

    void playCommandAndSpeedSlotsPlayAndMarkTheSlot() {
        const kw::MainWidgets& w = main_->widgets();
        QVERIFY(main_->session().view().FindNextChannel("CCTV-1综合"));
        commandNamed(*main_, "actPlayChannel")->trigger();
        QCOMPARE(desktop_.documents.size(), std::size_t{1});
        QVERIFY(w.SpeedChannel[0]->isChecked());  // slot 1 holds CCTV-1综合
        QCOMPARE(w.lblInfo->toolTip(), QStringLiteral("正在播放: CCTV-1综合"));
        QCOMPARE(w.SpeedChannel[1]->toolTip(), QStringLiteral("CCTV-4中文国际"));

        w.SpeedChannel[1]->click();
        QCOMPARE(desktop_.documents.size(), std::size_t{2});
        QVERIFY(w.SpeedChannel[1]->isChecked());
        QVERIFY(!w.SpeedChannel[0]->isChecked());
        // Clicking the pressed slot releases it and plays nothing.
        w.SpeedChannel[1]->click();
        QCOMPARE(desktop_.documents.size(), std::size_t{2});
        QVERIFY(!w.SpeedChannel[1]->isChecked());
        // An empty slot only releases.
        w.SpeedChannel[21]->click();
        QVERIFY(!w.SpeedChannel[21]->isChecked());
        QCOMPARE(desktop_.documents.size(), std::size_t{2});
    }

    void ratingFromTheSubmenuIsStoredAndShownInTheList() {
        const kw::MainWidgets& w = main_->widgets();
        QVERIFY(main_->session().view().FindNextChannel("CCTV-4中文国际"));
        main_->findChild<QAction*>("muRate5")->trigger();
        QCOMPARE(w.cbRateChannel->currentIndex(), 4);
        QCOMPARE(kw::test::SessionProbe::store(main_->session()).readChannelDetails("CCTV-4中文国际").rating,
                 5);
    }

private:
    void start(std::unique_ptr<kw::TreeCachePreload> treeCache = nullptr) {
        boxes_ = std::make_unique<MessageBoxCatcher>();
        main_ = std::make_unique<kw::frmMain>(install_->dir(), desktop_);
        main_->startUp(std::move(treeCache));
    }

    FakeDesktop desktop_;
    std::unique_ptr<TestInstallation> install_;
    std::unique_ptr<MessageBoxCatcher> boxes_;
    std::unique_ptr<kw::frmMain> main_;
};

QTEST_MAIN(MainStartUpTest)
#include "MainStartUpTest.moc"
