#include "gui/frmMain.h"
#include "gui/QtText.h"

#include "core/base/Error.h"
#include "core/session/AppTexts.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "core/session/WindowPlacement.h"
#include "gui/ChannelPane.h"
#include "gui/ChannelTreeView.h"
#include "gui/DatabaseWatch.h"
#include "gui/DirectoryWindow.h"
#include "gui/MainCommandTable.h"
#include "gui/OptionsCommands.h"
#include "gui/SkinPainter.h"
#include "gui/TrayIcon.h"
#include "gui/frmADWindow.h"
#include "gui/frmPasswordDlg.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QToolTip>
#include <QWindow>

namespace kw {
namespace {

QScreen* screenAt(QPoint point) {
    QScreen* screen = QGuiApplication::screenAt(point);
    return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

}  // namespace

frmMain::frmMain(std::filesystem::path programDir, DesktopPort& desktop, QWidget* parent)
    : QWidget(parent),
      programDir_(std::move(programDir)),
      ui_(this),
      // Long loops let the window paint; input waits until they are done, so
      // no command starts in the middle of a tree build. An import's progress
      // window keeps input from the others and takes its own (cancel, exit).
      session_(std::make_unique<Session>(programDir_, ui_, desktop, probe_, web_, directoryServers_,
                                         [this] {
                                             QCoreApplication::processEvents(
                                                 ui_.progressShown() ? QEventLoop::AllEvents
                                                                     : QEventLoop::ExcludeUserInputEvents);
                                         })),
      adWindow_(std::make_unique<frmADWindow>(session_->adClock(), desktop)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(qs(kAppTitle));
    // No caption bar, above other windows, and no taskbar entry while the
    // notification area offers the way back; without one the window keeps a
    // taskbar entry so that it can always be reached.
    Qt::WindowFlags flags = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    flags |= TrayIcon::isAvailable() ? Qt::Tool : Qt::Window;
    setWindowFlags(flags);
    setFixedSize(kWidth, kHeight);
    setMouseTracking(true);

    buildLayout();
    commands_ = std::make_unique<MainCommandTable>(*this);
    connectFrameCommands();
    commands_->buildMenus(*this);
    connect(commands_->pmMainPopMenu(), &QMenu::aboutToShow, this,
            [this] { runCommand([this] { pmMainPopMenuPopup(); }); });
    const CommandRunner run = [this](const std::function<void()>& command) { runCommand(command); };
    const auto showState = [this] { showSessionState(); };
    pane_->connectCommands(*session_, *commands_, *w_.lblInfo, run, showState);
    slots_->connectCommands(*session_, commands_->speedEntries(), *w_.lblInfo, run, showState);
    connectOptionsCommands(*this);
    connectDirectoryCommand(*this);
    buildKeys();
    connectHelperCommands();
    ui_.setAdvertisementHandler([this] { command(MainCommand::actAD)->trigger(); });
    ui_.setProgressActions({command(MainCommand::actExit)});
    // A closed dialog leaves the keyboard where the next Enter or arrow key
    // acts on the selection, not in whichever window the desktop activates.
    ui_.setAfterDialog([this] {
        if (!isVisible() || QApplication::activeModalWidget() != nullptr) return;
        activateWindow();
        w_.tvSelectChannel->setFocus(Qt::OtherFocusReason);
    });

    trayIcon_ = new TrayIcon(this);
    connect(trayIcon_, &TrayIcon::leftButtonDown, this,
            [this](QPoint mouse) { runCommand([this, mouse] { onTrayLeftButtonDown(mouse); }); });
    connect(trayIcon_, &TrayIcon::rightButtonDown, this, &frmMain::onTrayRightButtonDown);
    connect(trayIcon_, &TrayIcon::doubleClicked, this, [this] { runCommand([this] { actExitExecute(); }); });
    connect(trayIcon_, &TrayIcon::availabilityChanged, this, &frmMain::onTrayAvailabilityChanged);

    iconClickTimer_.setSingleShot(true);
    iconClickTimer_.setInterval(QApplication::doubleClickInterval());
    connect(&iconClickTimer_, &QTimer::timeout, this, &frmMain::imgIconClick);
}

frmMain::~frmMain() {
    // The news window's clock stops with its showing.
    adWindow_->hide();
}

QAction* frmMain::command(MainCommand id) const { return commands_->command(id); }

QMenu* frmMain::pmMainPopMenu() const { return commands_->pmMainPopMenu(); }

QMenu* frmMain::pmIconRight() const { return commands_->pmIconRight(); }

void frmMain::showSessionState() {
    const WindowState state = session_->windowState();
    slots_->show(state);
    w_.lblInfo->setToolTip(qs(state.playingHint));
    if (!state.databaseOpen) return;
    commands_->showFind(state.findContinueEnabled, state.lastSearchText);
    pane_->applyNodeDetails(state.details);
}

void frmMain::ShowNodeDetails(NodeId node) { pane_->ShowNodeDetails(node); }

void frmMain::runCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        ui_.ShowError(error.what());
    }
    // An exit asked for during an import runs once the import has stopped.
    if (exitWhenStopped_ && !session_->exchange().running()) {
        exitWhenStopped_ = false;
        actExitExecute();
    }
}

void frmMain::setPasswordDialog(frmPasswordDlg* dialog) { ui_.setPasswordDialog(dialog); }

void frmMain::startUp(std::unique_ptr<TreeCachePreload> treeCache) {
    trayIcon_->add();
    placeAtStart();
    StartupHooks hooks;
    hooks.setHideOnDeactivate = [this](bool on) { setHideOnDeactive(on); };
    hooks.applySkin = [this](const std::string& name) { ApplySkin(name); };
    hooks.showNews = [this] { adWindow_->showMode(AdMode::News); };
    // The news window shows with the tree, its page once the panel is on screen.
    adWindow_->holdPage(true);
    runCommand([this, &hooks, &treeCache] { session_->start(hooks, std::move(treeCache)); });
    new DatabaseWatch(
        *session_, [this](const std::function<void()>& command) { runCommand(command); }, this);
    pane_->attach();
    showSessionState();
    show();
    // The background check keeps its own pace; the ticks only let it.
    connect(&backgroundCheckTimer_, &QTimer::timeout, this, [this] { session_->backgroundCheck().tick(); });
    backgroundCheckTimer_.start(kBackgroundCheckTickMs);
    // Once the window is on screen, so that the download's progress has it to stand over.
    QTimer::singleShot(0, this, [this] { runCommand([this] { session_->subscriptions().refreshDue(); }); });
    // A panel that is never painted (covered, on another desktop) holds it no longer than this.
    QTimer::singleShot(kNewsPageLatestMs, this, &frmMain::releaseNewsPage);
}

void frmMain::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // Once this paint pass has reached the screen.
    if (adWindow_->pageHeld()) QTimer::singleShot(0, this, &frmMain::releaseNewsPage);
}

void frmMain::releaseNewsPage() { adWindow_->holdPage(false); }

void frmMain::placeAtStart() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const ScreenPoint place = mainWindowStartPosition({area.width(), area.height()},
                                                      {frameGeometry().width(), frameGeometry().height()});
    moveWithinScreen(QPoint(area.left() + place.x, area.top() + place.y));
}

void frmMain::moveWithinScreen(QPoint place) {
    const QScreen* screen = screenAt(place + QPoint(width() / 2, 0));
    if (screen == nullptr) {
        move(place);
        return;
    }
    const QRect area = screen->availableGeometry();
    const ScreenPoint kept =
        keepInArea({place.x(), place.y()}, {frameGeometry().width(), frameGeometry().height()},
                   {area.left(), area.top(), area.width(), area.height()});
    move(kept.x, kept.y);
}

void frmMain::actHideWindowExecute() {
    // Without a notification-area icon a hidden window could not be brought
    // back; it goes to the taskbar instead.
    if (trayIcon_->isShown()) {
        hide();
    } else {
        showMinimized();
    }
}

void frmMain::muIconSelectChannelExecute() {
    // A modal window (the options window, a question) stays in front of the
    // main window while it is open.
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this) {
        modal->show();
        modal->raise();
        modal->activateWindow();
        return;
    }
    showNormal();
    raise();
    activateWindow();
    w_.tvSelectChannel->setFocus();
}

void frmMain::actExitExecute() {
    if (exited_ || exitWhenStopped_) return;
    if (session_->exchange().running()) {
        if (ui_.AskYesNo(kAppTitle, texts::kStopImportAndExit)) {
            exitWhenStopped_ = true;
            ui_.requestProgressStop();
        }
        return;
    }
    exited_ = true;
    trayIcon_->remove();
    // The session reports each failing step and goes on; nothing may keep
    // the program running without its icon.
    runCommand([this] { session_->exit(); });
    emit terminated();
}

void frmMain::setHideOnDeactive(bool on) {
    disconnect(hideOnDeactive_);
    hideOnDeactive_ = {};
    if (!on) return;
    hideOnDeactive_ =
        connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationInactive && isVisible())
                command(MainCommand::actHideWindow)->trigger();
        });
}

void frmMain::ApplySkin(const std::string& name) {
    session_->preferences().ApplySkin(
        name, [this](const Skin& skin) { paintSkin(*this, skin.colors, loadSkinPicture(skin.picture)); });
}

const std::string& frmMain::currentSkinName() const { return session_->preferences().currentSkinName(); }

void frmMain::pmMainPopMenuPopup() {
    if (skinMenuFilled_) return;
    skinMenuFilled_ = true;
    int number = 0;
    QMenu* muSkin = commands_->muSkin();
    for (const std::string& name : session_->preferences().skinNames()) {
        QString caption = QString::fromStdString(name);
        QAction* entry = muSkin->addAction(QString(caption).replace(QLatin1Char('&'), QLatin1String("&&")));
        entry->setObjectName(QStringLiteral("Skin%1").arg(++number));
        entry->setData(caption);
        entry->setCheckable(true);
        commands_->skinGroup()->addAction(entry);
        entry->setChecked(session_->preferences().isCurrentSkin(name));
        connect(entry, &QAction::triggered, this,
                [this, entry] { runCommand([this, entry] { actSetSkinExecute(entry); }); });
    }
}

void frmMain::actSetSkinExecute(QAction* entry) {
    // The menu ticks the clicked entry; afterwards the tick shows the skin
    // that is on the window, also when the new one could not be applied.
    const auto tickCurrent = [this] {
        for (QAction* other : commands_->skinGroup()->actions()) {
            other->setChecked(session_->preferences().isCurrentSkin(other->data().toString().toStdString()));
        }
    };
    try {
        ApplySkin(entry->data().toString().toStdString());
    } catch (...) {
        tickCurrent();
        throw;
    }
    tickCurrent();
}

void frmMain::onTrayLeftButtonDown(QPoint mouse) {
    muIconSelectChannelExecute();
    const QRect area = screenAt(mouse)->geometry();
    const ScreenPoint place =
        trayClickPosition({mouse.x() - area.left(), mouse.y() - area.top()}, {area.width(), area.height()},
                          {frameGeometry().width(), frameGeometry().height()});
    moveWithinScreen(QPoint(area.left() + place.x, area.top() + place.y));
}

void frmMain::onTrayAvailabilityChanged(bool available) {
    if (exited_) return;
    // Without the icon the window is the only way in: it shows and keeps a
    // taskbar entry; with the icon back it leaves the taskbar again.
    const bool visible = isVisible() && !isMinimized();
    Qt::WindowFlags flags = windowFlags() & ~(Qt::Tool | Qt::Window);
    setWindowFlags(flags | (available ? Qt::Tool : Qt::Window));
    if (available) {
        if (visible) show();
    } else {
        muIconSelectChannelExecute();
    }
}

void frmMain::bringForwardFromSecondStart() {
    // With the icon there the message of the second start points at it.
    if (exited_ || trayIcon_->isShown()) return;
    muIconSelectChannelExecute();
}

void frmMain::onTrayRightButtonDown(QPoint mouse) {
    if (isVisible()) {
        raise();
        activateWindow();
    }
    pmIconRight()->popup(mouse);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Closing the window by any means runs the exit sequence.
    if (!exited_) runCommand([this] { actExitExecute(); });
    event->accept();
}

void frmMain::contextMenuEvent(QContextMenuEvent* event) { pmMainPopMenu()->popup(event->globalPos()); }

void frmMain::mouseMoveEvent(QMouseEvent* event) {
    w_.lblInfo->setText(qs(texts::kSlogan));
    QWidget::mouseMoveEvent(event);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == w_.lblTitle) return titleEvent(event);
    if (watched == w_.imgIcon) return iconEvent(event);
    if (watched == w_.edGoogle) searchBoxEvent(event);
    return QWidget::eventFilter(watched, event);
}

bool frmMain::titleEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            // The window system moves the window as if its caption were dragged;
            // where it cannot, the window follows the mouse itself.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            dragging_ = windowHandle() == nullptr || !windowHandle()->startSystemMove();
            dragOffset_ = mouse->globalPosition().toPoint() - pos();
            return true;
        }
        case QEvent::MouseMove:
            if (dragging_) move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
            return dragging_;
        case QEvent::MouseButtonRelease:
            // A drag may leave the title under a panel or off the screen.
            dragging_ = false;
            moveWithinScreen(pos());
            return true;
        default:
            return false;
    }
}

bool frmMain::iconEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            // A click opens the menu only once it is clear that no double click follows.
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) iconClickTimer_.start();
            return true;
        case QEvent::MouseButtonDblClick:
            iconClickTimer_.stop();
            command(MainCommand::actExit)->trigger();
            return true;
        case QEvent::MouseMove:
            w_.imgIcon->setToolTip(toDisplayText(dateTooltipTextNow()));
            return false;
        default:
            return false;
    }
}

void frmMain::imgIconClick() { pmMainPopMenu()->popup(mapToGlobal(w_.imgIcon->pos() + QPoint(10, 10))); }

}  // namespace kw
