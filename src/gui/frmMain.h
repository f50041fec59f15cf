#pragma once

#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "gui/ChannelPane.h"
#include "gui/MainCommand.h"
#include "gui/QtUi.h"
#include "gui/SpeedSlotBar.h"
#include "platform/CurlStreamProbe.h"
#include "platform/CurlWebFetch.h"
#include "platform/DnsDirectoryServers.h"

#include <QMetaObject>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QToolButton;

namespace kw {

class ChannelPane;
class ChannelTreeView;
class DesktopPort;
class MainCommandTable;
class Session;
class SkinBackground;
class TrayIcon;
class frmADWindow;
class frmPasswordDlg;
struct NodeDetails;

// The controls of the main window, by the names they carry; the channel
// pane's come from the pane.
struct MainWidgets : ChannelPane::Controls {
    SkinBackground* imgBackground = nullptr;
    QLabel* imgIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QToolButton* spHideWindowOnTitle = nullptr;
    QToolButton* spExitOnTitle = nullptr;
    QLabel* lblInfo = nullptr;
    std::array<QToolButton*, SpeedSlotBar::kSlots> SpeedChannel{};  // SpeedChannel1 .. SpeedChannel22
    QToolButton* SpeedChannelSave = nullptr;
    QToolButton* SpeedChannelOpen = nullptr;
    QToolButton* spVolum = nullptr;
    QToolButton* spSetup = nullptr;
    QToolButton* spHelp = nullptr;
    QToolButton* spHideWindow = nullptr;
    QToolButton* spExit = nullptr;
    QToolButton* spSoundRecord = nullptr;
    QLineEdit* edGoogle = nullptr;
    QToolButton* spGoogle = nullptr;
};

// The main window: a narrow panel without caption bar, always on top, without
// a taskbar entry, reached through the notification-area icon. It drives the
// system through its session: creating it and calling startUp() starts the
// whole system; actExitExecute() ends it. This is the frame (title, icon,
// placement, skin, the helpers' buttons and the search box, start-up and
// exit); the speed-slot bar, the channel pane and the command table with its
// menus are parts of their own. The news window comes with it.
class frmMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 254;
    static constexpr int kHeight = 514;

    // desktop opens what the commands and the news window hand over; it
    // outlives the window.
    frmMain(std::filesystem::path programDir, DesktopPort& desktop, QWidget* parent = nullptr);
    ~frmMain() override;

    // The start-up steps in their order, then the window shows. An error stops
    // the steps after it; it is shown and the window still shows. The tree
    // comes from treeCache, a read of the cache begun earlier, when given.
    void startUp(std::unique_ptr<TreeCachePreload> treeCache = nullptr);

    const std::filesystem::path& programDir() const { return programDir_; }
    QtUi& ui() { return ui_; }
    Session& session() const { return *session_; }
    // The advertisement and news window, kept until this window goes.
    frmADWindow& adWindow() const { return *adWindow_; }
    // The dialog that asks for the child-lock password.
    void setPasswordDialog(frmPasswordDlg* dialog);
    const MainWidgets& widgets() const { return w_; }
    // A command or menu entry (actPlayChannel, muFullExpand, ...).
    QAction* command(MainCommand id) const;
    QMenu* pmMainPopMenu() const;
    QMenu* pmIconRight() const;
    // Every control in the order Tab visits them.
    std::vector<QWidget*> tabOrder() const;
    TrayIcon& trayIcon() const { return *trayIcon_; }

    void actHideWindowExecute();
    void actExitExecute();
    void muIconSelectChannelExecute();
    // A second start of the program asks for this one's window.
    void bringForwardFromSecondStart();
    // Applies the skin of that name from Skins/Skins.ini and remembers it.
    void ApplySkin(const std::string& name);
    const std::string& currentSkinName() const;
    // Hides the window whenever the application loses activation.
    void setHideOnDeactive(bool on);
    bool hideOnDeactive() const { return static_cast<bool>(hideOnDeactive_); }
    bool hasExited() const { return exited_; }

    // Shows the details of node and sets the commands' states and captions.
    void ShowNodeDetails(NodeId node);

    // Runs a command at the event boundary: a core error is shown in an error box.
    void runCommand(const std::function<void()>& command);

signals:
    // The exit sequence has run; the application is to end.
    void terminated();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int kNewsPageLatestMs = 2000;
    static constexpr int kBackgroundCheckTickMs = 500;

    void releaseNewsPage();
    void buildLayout();  // frmMainLayout.cpp
    void connectFrameCommands();
    void buildKeys();  // MainKeys.cpp
    void popupFromKeyboard();
    void pmMainPopMenuPopup();
    void actSetSkinExecute(QAction* entry);
    void placeAtStart();
    // Moves the window, kept inside the available area of its screen.
    void moveWithinScreen(QPoint place);
    void onTrayLeftButtonDown(QPoint mouse);
    void onTrayRightButtonDown(QPoint mouse);
    void onTrayAvailabilityChanged(bool available);
    bool titleEvent(QEvent* event);
    bool iconEvent(QEvent* event);
    void imgIconClick();
    // Shows what the session's last command left: details, slots, hints.
    void showSessionState();

    // The news window and the desktop helpers (MainHelpers.cpp).
    void connectHelperCommands();
    // edGoogleEnter and edGoogleExit: the box empties when it takes the focus
    // and shows its prompt again when it loses it.
    void searchBoxEvent(QEvent* event);
    void actSplashExecute();

    std::filesystem::path programDir_;
    QtUi ui_;
    CurlStreamProbe probe_;
    CurlWebFetch web_;
    DnsDirectoryServers directoryServers_{clockSeededRandomSource()};
    std::unique_ptr<Session> session_;
    // The parts below go before the session, whose clock and tree they follow.
    std::unique_ptr<frmADWindow> adWindow_;
    std::unique_ptr<MainCommandTable> commands_;
    std::unique_ptr<SpeedSlotBar> slots_;
    std::unique_ptr<ChannelPane> pane_;
    MainWidgets w_;
    TrayIcon* trayIcon_ = nullptr;
    QTimer iconClickTimer_;
    QTimer backgroundCheckTimer_;
    QPoint dragOffset_;
    bool dragging_ = false;
    bool skinMenuFilled_ = false;
    bool exited_ = false;
    bool exitWhenStopped_ = false;  // asked for during an import, run once it stopped
    QMetaObject::Connection hideOnDeactive_;
};

}  // namespace kw
