// The commands of the main window with their captions, hints and shortcuts,
// and the two pop-up menus that offer them.
#include "gui/MainCommandTable.h"

#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "gui/CheckWindow.h"
#include "gui/PlaylistWindow.h"
#include "gui/QtText.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QToolButton>
#include <QWidget>

namespace kw {
namespace {

struct CommandText {
    MainCommand id;
    const char* name;
    const char* caption;
    const char* hint;
    const char* shortcut;  // portable key text, "" for none
};

// Commands shared by buttons and menus; the window holds them so that their
// shortcuts work wherever the window has the focus.
constexpr CommandText kCommands[] = {
    {MainCommand::actPlayChannel, "actPlayChannel", "播放", "播放选中频道", "F2"},
    {MainCommand::actFavoritesChannel, "actFavoritesChannel", "收藏", "收藏选中频道", "F5"},
    {MainCommand::actTestChannel, "actTestChannel", "测试", "快速测试选中频道是否可用", "F4"},
    {MainCommand::actLinkChannel, "actLinkChannel", "相关网站",
     "打开选中频道的相关网站, 可查看电台或电视的节目表等", "Ctrl+W"},
    {MainCommand::actLockChannel, "actLockChannel", "加锁", "选中频道加锁", "Ctrl+L"},
    {MainCommand::actAddTimerSwitchChannel, "actAddTimerSwitchChannel", "添加到定时播放列表", "", ""},
    {MainCommand::actFindChannel, "actFindChannel", "查找...", "按频道名称从当前位置开始往下查找频道",
     "Ctrl+F"},
    {MainCommand::actFindChannelContinue, "actFindChannelContinue", "继续查找", "按上次查找条件继续查找频道",
     "F3"},
    {MainCommand::actDeleteChannel, "actDeleteChannel", "删除", "删除选中频道 [请慎重!]", "Shift+Del"},
    {MainCommand::actEditChannel, "actEditChannel", "修改...", "修改选中频道的分类、地址、描述等资料", ""},
    {MainCommand::actUserAddChannel, "actUserAddChannel", "自添...", "添加您自己的频道 [每次添加一个频道]",
     ""},
    {MainCommand::actUserBatchAddChannel, "actUserBatchAddChannel", "批量自添...",
     "让您一次添加许多频道 [要求您先创建特定格式的文本文件, 请查阅帮助]", ""},
    {MainCommand::actExportUserChannel, "actExportUserChannel", "导出所有自添频道...",
     "将您自添的频道导出到文本文件中", ""},
    {MainCommand::actRadioDirectory, "actRadioDirectory", "电台目录...",
     "在公共电台目录中按名称、标签、国家/地区查找网络电台，试听后加入频道", ""},
    {MainCommand::actSetup, "actSetup", "设置...", "", ""},
    {MainCommand::actSetTimerSwitchChannel, "actSetTimerSwitchChannel", "设置定时播放列表", "", ""},
    {MainCommand::actHelp, "actHelp", "帮助", "查阅使用说明", "F1"},
    {MainCommand::actAuthorHomePage, "actAuthorHomePage", "作者主页", "访问本软件作者的网站", ""},
    {MainCommand::actAuthorEmail, "actAuthorEmail", "作者邮箱", "发电子邮件给本软件作者", ""},
    {MainCommand::actSplash, "actSplash", "启动画面", "显示启动窗口", ""},
    {MainCommand::actNews, "actNews", "最新资讯", "", ""},
    {MainCommand::actAD, "actAD", "广告窗口", "", ""},
    {MainCommand::actPackMDB, "actPackMDB", "精简频道数据",
     "目的是更快更稳定地使用频道数据，一般三个月运行一次。", ""},
    {MainCommand::actAbout, "actAbout", "关于...", "", ""},
    {MainCommand::actHideWindow, "actHideWindow", "隐藏",
     "隐藏窗口 [隐藏于任务栏右方小喇叭图标旁(系统托盘区)]", "F8"},
    {MainCommand::actExit, "actExit", "退出", "退出鹰波视听 ( Kestrel Wave)", "F10"},
    // Menu entries that are no shared command.
    {MainCommand::muCurNodeFullExpand, "muCurNodeFullExpand", "当前分支全部展开", "", "]"},
    {MainCommand::muCurNodeFullCollapse, "muCurNodeFullCollapse", "当前分支全部折叠", "", "["},
    {MainCommand::muFullExpand, "muFullExpand", "全部展开", "", "F6"},
    {MainCommand::muFullCollapse, "muFullCollapse", "全部折叠", "", "F7"},
    {MainCommand::muIconSelectChannel, "muIconSelectChannel", "显示鹰波视听", "打开选台窗口", ""},
};

QAction* makeAction(QObject* owner, const char* name, const QString& caption) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QMenu* makeMenu(QWidget* owner, const char* name, const char* caption) {
    auto* menu = new QMenu(QString::fromUtf8(caption), owner);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

}  // namespace

void bindButton(QToolButton* button, QAction* command) {
    QObject::connect(button, &QToolButton::clicked, command, &QAction::trigger);
    const auto follow = [button, command] {
        button->setEnabled(command->isEnabled());
        button->setToolTip(command->toolTip());
    };
    QObject::connect(command, &QAction::changed, button, follow);
    follow();
}

MainCommandTable::MainCommandTable(QWidget& window) {
    for (const CommandText& text : kCommands) {
        QAction* action = makeAction(&window, text.name, QString::fromUtf8(text.caption));
        commands_[static_cast<std::size_t>(text.id)] = action;
        const QString hint = QString::fromUtf8(text.hint);
        action->setToolTip(hint.isEmpty() ? action->text() : hint);
        action->setStatusTip(hint);
        if (*text.shortcut != '\0') action->setShortcut(QKeySequence(QString::fromLatin1(text.shortcut)));
        window.addAction(action);
    }
    // Enabled once a channel is selected or a first search was made.
    for (MainCommand id :
         {MainCommand::actPlayChannel, MainCommand::actFavoritesChannel, MainCommand::actTestChannel,
          MainCommand::actLinkChannel, MainCommand::actLockChannel, MainCommand::actAddTimerSwitchChannel,
          MainCommand::actFindChannelContinue, MainCommand::actDeleteChannel, MainCommand::actEditChannel,
          MainCommand::actSetTimerSwitchChannel}) {
        command(id)->setEnabled(false);
    }
    // Hidden entries. The test command stays reachable by its shortcut: its
    // menu entry is a separate hidden item.
    command(MainCommand::actAddTimerSwitchChannel)->setVisible(false);
    command(MainCommand::actSetTimerSwitchChannel)->setVisible(false);
}

void MainCommandTable::buildMenus(frmMain& main) {
    pmMainPopMenu_ = makeMenu(&main, "pmMainPopMenu", "");
    QMenu* menu = pmMainPopMenu_;
    menu->addAction(command(MainCommand::actPlayChannel));
    menu->setDefaultAction(command(MainCommand::actPlayChannel));

    muSetSpeedChannel_ = makeMenu(menu, "muSetSpeedChannel", "设为快捷频道 =>");
    for (std::size_t slot = 1; slot <= kSpeedEntries; ++slot) {
        const QByteArray name = "muSpeedChannel" + QByteArray::number(slot);
        QAction* entry = makeAction(muSetSpeedChannel_, name.constData(), QString::number(slot));
        speedEntries_[slot - 1] = entry;
        muSetSpeedChannel_->addAction(entry);
    }
    muSetSpeedChannel_->menuAction()->setEnabled(false);
    menu->addMenu(muSetSpeedChannel_);

    menu->addAction(command(MainCommand::actFavoritesChannel));
    QAction* muTestChannel = makeAction(menu, "muTestChannel", command(MainCommand::actTestChannel)->text());
    muTestChannel->setVisible(false);
    QObject::connect(muTestChannel, &QAction::triggered, command(MainCommand::actTestChannel),
                     &QAction::trigger);
    menu->addAction(muTestChannel);
    menu->addAction(command(MainCommand::actLinkChannel));

    muRate_ = makeMenu(menu, "muRate", "评级");
    auto* rateGroup = new QActionGroup(muRate_);
    for (std::size_t item = 1; item <= kRateEntries; ++item) {
        const QByteArray name = "muRate" + QByteArray::number(item);
        const QString caption = qs(kRatingNames[item - 1]) + QStringLiteral(" (&%1)").arg(item);
        QAction* entry = makeAction(muRate_, name.constData(), caption);
        entry->setCheckable(true);
        rateGroup->addAction(entry);
        muRate_->addAction(entry);
        rateEntries_[item - 1] = entry;
    }
    muRate_->menuAction()->setEnabled(false);
    menu->addMenu(muRate_);

    menu->addAction(command(MainCommand::actLockChannel));
    menu->addAction(command(MainCommand::actAddTimerSwitchChannel));
    menu->addSeparator();
    for (MainCommand id :
         {MainCommand::muCurNodeFullExpand, MainCommand::muCurNodeFullCollapse, MainCommand::muFullExpand,
          MainCommand::muFullCollapse, MainCommand::actFindChannel, MainCommand::actFindChannelContinue}) {
        menu->addAction(command(id));
    }
    menu->addSeparator();
    for (MainCommand id :
         {MainCommand::actDeleteChannel, MainCommand::actEditChannel, MainCommand::actUserAddChannel,
          MainCommand::actUserBatchAddChannel, MainCommand::actExportUserChannel}) {
        menu->addAction(command(id));
    }
    addPlaylistEntries(main, menu);
    menu->addAction(command(MainCommand::actRadioDirectory));
    addHealthEntries(menu, &main);
    menu->addSeparator();

    muSkin_ = makeMenu(menu, "muSkin", "换个心情");
    skinGroup_ = new QActionGroup(muSkin_);
    skinGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    menu->addMenu(muSkin_);

    QMenu* others = makeMenu(menu, "muOthers", "其它");
    for (MainCommand id :
         {MainCommand::actSetup, MainCommand::actSetTimerSwitchChannel, MainCommand::actHelp,
          MainCommand::actAuthorHomePage, MainCommand::actAuthorEmail, MainCommand::actSplash,
          MainCommand::actNews, MainCommand::actAD, MainCommand::actPackMDB}) {
        others->addAction(command(id));
    }
    menu->addMenu(others);
    for (MainCommand id : {MainCommand::actAbout, MainCommand::actHideWindow, MainCommand::actExit})
        menu->addAction(command(id));

    pmIconRight_ = makeMenu(&main, "pmIconRight", "");
    pmIconRight_->addAction(command(MainCommand::muIconSelectChannel));
    pmIconRight_->setDefaultAction(command(MainCommand::muIconSelectChannel));
    pmIconRight_->addSeparator();
    for (MainCommand id :
         {MainCommand::actRadioDirectory, MainCommand::actSetup, MainCommand::actHelp,
          MainCommand::actAuthorHomePage, MainCommand::actAuthorEmail, MainCommand::actNews,
          MainCommand::actAD, MainCommand::actAbout, MainCommand::actHideWindow, MainCommand::actExit}) {
        pmIconRight_->addAction(command(id));
    }
}

void MainCommandTable::showDetails(const NodeDetails& details) {
    const ChannelCommandStates& enabled = details.enabled;
    command(MainCommand::actPlayChannel)->setEnabled(enabled.playChannel);
    command(MainCommand::actTestChannel)->setEnabled(enabled.testChannel);
    command(MainCommand::actLinkChannel)->setEnabled(enabled.linkChannel);
    command(MainCommand::actDeleteChannel)->setEnabled(enabled.deleteChannel);
    command(MainCommand::actEditChannel)->setEnabled(enabled.editChannel);
    command(MainCommand::actAddTimerSwitchChannel)->setEnabled(enabled.addTimerSwitchChannel);

    QAction* favourite = command(MainCommand::actFavoritesChannel);
    favourite->setEnabled(enabled.favoritesChannel);
    favourite->setText(qs(details.favoritesCaption));
    favourite->setToolTip(qs(details.favoritesHint));
    favourite->setStatusTip(qs(details.favoritesHint));

    QAction* lock = command(MainCommand::actLockChannel);
    lock->setEnabled(enabled.lockChannel);
    lock->setText(qs(details.lockCaption));
    lock->setToolTip(qs(details.lockHint));
    lock->setStatusTip(qs(details.lockHint));

    muSetSpeedChannel_->menuAction()->setEnabled(enabled.setSpeedChannel);
    muRate_->menuAction()->setEnabled(enabled.rate);
    for (std::size_t item = 1; item <= kRateEntries; ++item)
        rateEntries_[item - 1]->setChecked(details.checkedRateItem == static_cast<int>(item));
}

void MainCommandTable::showFind(bool continueEnabled, std::string_view lastSearchText) {
    QAction* findContinue = command(MainCommand::actFindChannelContinue);
    findContinue->setEnabled(continueEnabled);
    if (continueEnabled) findContinue->setStatusTip(qs(lastSearchText));
}

}  // namespace kw
