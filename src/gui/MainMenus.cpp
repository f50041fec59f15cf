// The commands of the main window with their captions, hints and shortcuts,
// and the two pop-up menus that offer them.
#include "core/settings/ListEntries.h"
#include "gui/CheckWindow.h"
#include "gui/PlaylistWindow.h"
#include "gui/QtText.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QToolButton>

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

// A button that runs a command under its own caption, follows the command's
// enabled state and shows its hint.
void bindButton(QToolButton* button, QAction* command) {
    QObject::connect(button, &QToolButton::clicked, command, &QAction::trigger);
    const auto follow = [button, command] {
        button->setEnabled(command->isEnabled());
        button->setToolTip(command->toolTip());
    };
    QObject::connect(command, &QAction::changed, button, follow);
    follow();
}

QMenu* makeMenu(QWidget* owner, const char* name, const char* caption) {
    auto* menu = new QMenu(QString::fromUtf8(caption), owner);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

}  // namespace

QAction* frmMain::command(MainCommand id) const { return commands_[static_cast<std::size_t>(id)]; }

void frmMain::buildCommands() {
    for (const CommandText& text : kCommands) {
        QAction* action = makeAction(this, text.name, QString::fromUtf8(text.caption));
        commands_[static_cast<std::size_t>(text.id)] = action;
        const QString hint = QString::fromUtf8(text.hint);
        action->setToolTip(hint.isEmpty() ? action->text() : hint);
        action->setStatusTip(hint);
        if (*text.shortcut != '\0') action->setShortcut(QKeySequence(QString::fromLatin1(text.shortcut)));
        addAction(action);
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

    connect(command(MainCommand::actHideWindow), &QAction::triggered, this,
            [this] { runCommand([this] { actHideWindowExecute(); }); });
    connect(command(MainCommand::actExit), &QAction::triggered, this,
            [this] { runCommand([this] { actExitExecute(); }); });
    connect(command(MainCommand::muIconSelectChannel), &QAction::triggered, this,
            [this] { runCommand([this] { muIconSelectChannelExecute(); }); });

    bindButton(w_.spPlayChannel, command(MainCommand::actPlayChannel));
    bindButton(w_.spFavoritesChannel, command(MainCommand::actFavoritesChannel));
    bindButton(w_.spFindChannel, command(MainCommand::actFindChannel));
    bindButton(w_.spChannelRelatedLink, command(MainCommand::actLinkChannel));
    bindButton(w_.spEditChannel, command(MainCommand::actEditChannel));
    bindButton(w_.spUserAddChannel, command(MainCommand::actUserAddChannel));
    bindButton(w_.spSetup, command(MainCommand::actSetup));
    bindButton(w_.spHelp, command(MainCommand::actHelp));
    bindButton(w_.spHideWindow, command(MainCommand::actHideWindow));
    bindButton(w_.spExit, command(MainCommand::actExit));
    bindButton(w_.spHideWindowOnTitle, command(MainCommand::actHideWindow));
    bindButton(w_.spExitOnTitle, command(MainCommand::actExit));
}

void frmMain::buildMenus() {
    pmMainPopMenu_ = makeMenu(this, "pmMainPopMenu", "");
    QMenu* main = pmMainPopMenu_;
    main->addAction(command(MainCommand::actPlayChannel));
    main->setDefaultAction(command(MainCommand::actPlayChannel));

    QMenu* speed = makeMenu(main, "muSetSpeedChannel", "设为快捷频道 =>");
    for (int slot = 1; slot <= 22; ++slot) {
        const QByteArray name = "muSpeedChannel" + QByteArray::number(slot);
        speed->addAction(makeAction(speed, name.constData(), QString::number(slot)));
    }
    speed->menuAction()->setEnabled(false);
    main->addMenu(speed);

    main->addAction(command(MainCommand::actFavoritesChannel));
    QAction* muTestChannel = makeAction(main, "muTestChannel", command(MainCommand::actTestChannel)->text());
    muTestChannel->setVisible(false);
    connect(muTestChannel, &QAction::triggered, command(MainCommand::actTestChannel), &QAction::trigger);
    main->addAction(muTestChannel);
    main->addAction(command(MainCommand::actLinkChannel));

    QMenu* rate = makeMenu(main, "muRate", "评级");
    auto* rateGroup = new QActionGroup(rate);
    for (int item = 1; item <= 5; ++item) {
        const QByteArray name = "muRate" + QByteArray::number(item);
        const QString caption =
            qs(kRatingNames[static_cast<std::size_t>(item - 1)]) + QStringLiteral(" (&%1)").arg(item);
        QAction* entry = makeAction(rate, name.constData(), caption);
        entry->setCheckable(true);
        rateGroup->addAction(entry);
        rate->addAction(entry);
    }
    rate->menuAction()->setEnabled(false);
    main->addMenu(rate);

    main->addAction(command(MainCommand::actLockChannel));
    main->addAction(command(MainCommand::actAddTimerSwitchChannel));
    main->addSeparator();
    for (MainCommand id :
         {MainCommand::muCurNodeFullExpand, MainCommand::muCurNodeFullCollapse, MainCommand::muFullExpand,
          MainCommand::muFullCollapse, MainCommand::actFindChannel, MainCommand::actFindChannelContinue}) {
        main->addAction(command(id));
    }
    main->addSeparator();
    for (MainCommand id :
         {MainCommand::actDeleteChannel, MainCommand::actEditChannel, MainCommand::actUserAddChannel,
          MainCommand::actUserBatchAddChannel, MainCommand::actExportUserChannel}) {
        main->addAction(command(id));
    }
    addPlaylistEntries(*this, main);
    addCheckChannelsEntry(main, this);
    main->addSeparator();

    muSkin_ = makeMenu(main, "muSkin", "换个心情");
    skinGroup_ = new QActionGroup(muSkin_);
    skinGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    main->addMenu(muSkin_);

    QMenu* others = makeMenu(main, "muOthers", "其它");
    for (MainCommand id :
         {MainCommand::actSetup, MainCommand::actSetTimerSwitchChannel, MainCommand::actHelp,
          MainCommand::actAuthorHomePage, MainCommand::actAuthorEmail, MainCommand::actSplash,
          MainCommand::actNews, MainCommand::actAD, MainCommand::actPackMDB}) {
        others->addAction(command(id));
    }
    main->addMenu(others);
    for (MainCommand id : {MainCommand::actAbout, MainCommand::actHideWindow, MainCommand::actExit})
        main->addAction(command(id));
    connect(main, &QMenu::aboutToShow, this, [this] { runCommand([this] { pmMainPopMenuPopup(); }); });

    pmIconRight_ = makeMenu(this, "pmIconRight", "");
    pmIconRight_->addAction(command(MainCommand::muIconSelectChannel));
    pmIconRight_->setDefaultAction(command(MainCommand::muIconSelectChannel));
    pmIconRight_->addSeparator();
    for (MainCommand id : {MainCommand::actSetup, MainCommand::actHelp, MainCommand::actAuthorHomePage,
                           MainCommand::actAuthorEmail, MainCommand::actNews, MainCommand::actAD,
                           MainCommand::actAbout, MainCommand::actHideWindow, MainCommand::actExit}) {
        pmIconRight_->addAction(command(id));
    }
}

}  // namespace kw
