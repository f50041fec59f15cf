// The commands of the main window with their captions, hints and shortcuts,
// and the two pop-up menus that offer them.
#include "gui/frmMain.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QToolButton>

namespace kw {
namespace {

struct CommandText {
    const char* name;
    const char* caption;
    const char* hint;
    const char* shortcut;  // portable key text, "" for none
};

// Commands shared by buttons and menus; the window holds them so that their
// shortcuts work wherever the window has the focus.
constexpr CommandText kCommands[] = {
    {"actPlayChannel", "播放", "播放选中频道", "F2"},
    {"actFavoritesChannel", "收藏", "收藏选中频道", "F5"},
    {"actTestChannel", "测试", "快速测试选中频道是否可用", "F4"},
    {"actLinkChannel", "相关网站", "打开选中频道的相关网站, 可查看电台或电视的节目表等", "Ctrl+W"},
    {"actLockChannel", "加锁", "选中频道加锁", "Ctrl+L"},
    {"actAddTimerSwitchChannel", "添加到定时播放列表", "", ""},
    {"actFindChannel", "查找...", "按频道名称从当前位置开始往下查找频道", "Ctrl+F"},
    {"actFindChannelContinue", "继续查找", "按上次查找条件继续查找频道", "F3"},
    {"actDeleteChannel", "删除", "删除选中频道 [请慎重!]", "Shift+Del"},
    {"actEditChannel", "修改...", "修改选中频道的分类、地址、描述等资料", ""},
    {"actUserAddChannel", "自添...", "添加您自己的频道 [每次添加一个频道]", ""},
    {"actUserBatchAddChannel", "批量自添...",
     "让您一次添加许多频道 [要求您先创建特定格式的文本文件, 请查阅帮助]", ""},
    {"actExportUserChannel", "导出所有自添频道...", "将您自添的频道导出到文本文件中", ""},
    {"actSetup", "设置...", "", ""},
    {"actSetTimerSwitchChannel", "设置定时播放列表", "", ""},
    {"actHelp", "帮助", "查阅使用说明", "F1"},
    {"actAuthorHomePage", "作者主页", "访问本软件作者的网站", ""},
    {"actAuthorEmail", "作者邮箱", "发电子邮件给本软件作者", ""},
    {"actSplash", "启动画面", "显示启动窗口", ""},
    {"actNews", "最新资讯", "", ""},
    {"actAD", "广告窗口", "", ""},
    {"actPackMDB", "精简频道数据", "目的是更快更稳定地使用频道数据，一般三个月运行一次。", ""},
    {"actAbout", "关于...", "", ""},
    {"actHideWindow", "隐藏", "隐藏窗口 [隐藏于任务栏右方小喇叭图标旁(系统托盘区)]", "F8"},
    {"actExit", "退出", "退出鹰波视听 ( Kestrel Wave)", "F10"},
    // Menu entries that are no shared command.
    {"muCurNodeFullExpand", "当前分支全部展开", "", "]"},
    {"muCurNodeFullCollapse", "当前分支全部折叠", "", "["},
    {"muFullExpand", "全部展开", "", "F6"},
    {"muFullCollapse", "全部折叠", "", "F7"},
    {"muIconSelectChannel", "显示鹰波视听", "打开选台窗口", ""},
};

constexpr const char* kRateCaptions[] = {"最爱 (&1)", "喜爱 (&2)", "一般 (&3)", "讨厌 (&4)", "厌恶 (&5)"};

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

QAction* frmMain::command(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

void frmMain::buildCommands() {
    for (const CommandText& text : kCommands) {
        QAction* action = makeAction(this, text.name, QString::fromUtf8(text.caption));
        const QString hint = QString::fromUtf8(text.hint);
        action->setToolTip(hint.isEmpty() ? action->text() : hint);
        action->setStatusTip(hint);
        if (*text.shortcut != '\0') action->setShortcut(QKeySequence(QString::fromLatin1(text.shortcut)));
        addAction(action);
    }
    // Enabled once a channel is selected or a first search was made.
    for (const char* name : {"actPlayChannel", "actFavoritesChannel", "actTestChannel", "actLinkChannel",
                             "actLockChannel", "actAddTimerSwitchChannel", "actFindChannelContinue",
                             "actDeleteChannel", "actEditChannel", "actSetTimerSwitchChannel"}) {
        command(name)->setEnabled(false);
    }
    // Hidden entries. The test command stays reachable by its shortcut: its
    // menu entry is a separate hidden item.
    command("actAddTimerSwitchChannel")->setVisible(false);
    command("actSetTimerSwitchChannel")->setVisible(false);

    connect(command("actHideWindow"), &QAction::triggered, this,
            [this] { runCommand([this] { actHideWindowExecute(); }); });
    connect(command("actExit"), &QAction::triggered, this,
            [this] { runCommand([this] { actExitExecute(); }); });
    connect(command("muIconSelectChannel"), &QAction::triggered, this,
            [this] { runCommand([this] { muIconSelectChannelExecute(); }); });

    bindButton(w_.spPlayChannel, command("actPlayChannel"));
    bindButton(w_.spFavoritesChannel, command("actFavoritesChannel"));
    bindButton(w_.spFindChannel, command("actFindChannel"));
    bindButton(w_.spChannelRelatedLink, command("actLinkChannel"));
    bindButton(w_.spEditChannel, command("actEditChannel"));
    bindButton(w_.spUserAddChannel, command("actUserAddChannel"));
    bindButton(w_.spSetup, command("actSetup"));
    bindButton(w_.spHelp, command("actHelp"));
    bindButton(w_.spHideWindow, command("actHideWindow"));
    bindButton(w_.spExit, command("actExit"));
    bindButton(w_.spHideWindowOnTitle, command("actHideWindow"));
    bindButton(w_.spExitOnTitle, command("actExit"));
}

void frmMain::buildMenus() {
    pmMainPopMenu_ = makeMenu(this, "pmMainPopMenu", "");
    QMenu* main = pmMainPopMenu_;
    main->addAction(command("actPlayChannel"));
    main->setDefaultAction(command("actPlayChannel"));

    QMenu* speed = makeMenu(main, "muSetSpeedChannel", "设为快捷频道 =>");
    for (int slot = 1; slot <= 22; ++slot) {
        const QByteArray name = "muSpeedChannel" + QByteArray::number(slot);
        speed->addAction(makeAction(speed, name.constData(), QString::number(slot)));
    }
    speed->menuAction()->setEnabled(false);
    main->addMenu(speed);

    main->addAction(command("actFavoritesChannel"));
    QAction* muTestChannel = makeAction(main, "muTestChannel", command("actTestChannel")->text());
    muTestChannel->setVisible(false);
    connect(muTestChannel, &QAction::triggered, command("actTestChannel"), &QAction::trigger);
    main->addAction(muTestChannel);
    main->addAction(command("actLinkChannel"));

    QMenu* rate = makeMenu(main, "muRate", "评级");
    auto* rateGroup = new QActionGroup(rate);
    for (int item = 1; item <= 5; ++item) {
        const QByteArray name = "muRate" + QByteArray::number(item);
        QAction* entry = makeAction(rate, name.constData(), QString::fromUtf8(kRateCaptions[item - 1]));
        entry->setCheckable(true);
        rateGroup->addAction(entry);
        rate->addAction(entry);
    }
    rate->menuAction()->setEnabled(false);
    main->addMenu(rate);

    main->addAction(command("actLockChannel"));
    main->addAction(command("actAddTimerSwitchChannel"));
    main->addSeparator();
    for (const char* name : {"muCurNodeFullExpand", "muCurNodeFullCollapse", "muFullExpand", "muFullCollapse",
                             "actFindChannel", "actFindChannelContinue"}) {
        main->addAction(command(name));
    }
    main->addSeparator();
    for (const char* name : {"actDeleteChannel", "actEditChannel", "actUserAddChannel",
                             "actUserBatchAddChannel", "actExportUserChannel"}) {
        main->addAction(command(name));
    }
    main->addSeparator();

    muSkin_ = makeMenu(main, "muSkin", "换个心情");
    skinGroup_ = new QActionGroup(muSkin_);
    skinGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    main->addMenu(muSkin_);

    QMenu* others = makeMenu(main, "muOthers", "其它");
    for (const char* name : {"actSetup", "actSetTimerSwitchChannel", "actHelp", "actAuthorHomePage",
                             "actAuthorEmail", "actSplash", "actNews", "actAD", "actPackMDB"}) {
        others->addAction(command(name));
    }
    main->addMenu(others);
    for (const char* name : {"actAbout", "actHideWindow", "actExit"}) main->addAction(command(name));
    connect(main, &QMenu::aboutToShow, this, [this] { runCommand([this] { pmMainPopMenuPopup(); }); });

    pmIconRight_ = makeMenu(this, "pmIconRight", "");
    pmIconRight_->addAction(command("muIconSelectChannel"));
    pmIconRight_->setDefaultAction(command("muIconSelectChannel"));
    pmIconRight_->addSeparator();
    for (const char* name : {"actSetup", "actHelp", "actAuthorHomePage", "actAuthorEmail", "actNews", "actAD",
                             "actAbout", "actHideWindow", "actExit"}) {
        pmIconRight_->addAction(command(name));
    }
}

}  // namespace kw
