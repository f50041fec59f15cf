// The main window's channel commands, speed-channel slots and find commands:
// each event runs one session command, then the window shows the state the
// session reports (details, slots, information line).
#include "core/session/Session.h"
#include "gui/QtText.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

namespace kw {

void frmMain::connectChannelCommands() {
    // A command on the session; afterwards the window shows what it changed.
    const auto onSession = [this](MainCommand id, void (*sessionCommand)(Session&)) {
        connect(command(id), &QAction::triggered, this, [this, sessionCommand] {
            runCommand([this, sessionCommand] { sessionCommand(*session_); });
            showSessionState();
        });
    };
    onSession(MainCommand::actPlayChannel, [](Session& s) { s.actPlayChannelExecute(); });
    onSession(MainCommand::actLinkChannel, [](Session& s) { s.actLinkChannelExecute(); });
    onSession(MainCommand::actFavoritesChannel, [](Session& s) { s.actFavoritesChannelExecute(); });
    onSession(MainCommand::actDeleteChannel, [](Session& s) { s.actDeleteChannelExecute(); });
    onSession(MainCommand::actLockChannel, [](Session& s) { s.actLockChannelExecute(); });
    onSession(MainCommand::actTestChannel, [](Session& s) { s.actTestChannelExecute(); });
    onSession(MainCommand::actFindChannel, [](Session& s) { s.actFindChannelExecute(); });
    onSession(MainCommand::actFindChannelContinue, [](Session& s) { s.actFindChannelContinueExecute(); });

    const auto rate = [this](int item) {
        runCommand([this, item] { session_->SetChannelRating(item); });
        showSessionState();
    };
    connect(w_.cbRateChannel, &QComboBox::activated, this, rate);
    QMenu* rateMenu = findChild<QMenu*>(QStringLiteral("muRate"));
    for (int item = 0; item < rateMenu->actions().size(); ++item) {
        connect(rateMenu->actions().at(item), &QAction::triggered, this, [rate, item] { rate(item); });
    }

    QMenu* speedMenu = findChild<QMenu*>(QStringLiteral("muSetSpeedChannel"));
    for (int slot = 1; slot <= static_cast<int>(w_.SpeedChannel.size()); ++slot) {
        connect(speedMenu->actions().at(slot - 1), &QAction::triggered, this, [this, slot] {
            runCommand([this, slot] { session_->muSpeedChannelClick(slot); });
            showSessionState();
        });
        QToolButton* button = w_.SpeedChannel[static_cast<std::size_t>(slot - 1)];
        button->installEventFilter(this);
        connect(button, &QToolButton::clicked, this, [this, slot] {
            runCommand([this, slot] { session_->SpeedChannelClick(slot); });
            showSessionState();
        });
    }
    connect(w_.SpeedChannelSave, &QToolButton::clicked, this, [this] {
        runCommand([this] { session_->SpeedChannelSaveClick(); });
        showSessionState();
    });
    connect(w_.SpeedChannelOpen, &QToolButton::clicked, this, [this] {
        runCommand([this] { session_->SpeedChannelOpenClick(); });
        showSessionState();
    });
}

void frmMain::showSessionState() {
    const WindowState state = session_->windowState();
    for (std::size_t slot = 0; slot < state.speedSlots.size(); ++slot) {
        QToolButton* button = w_.SpeedChannel[slot];
        // The slots form one group whose pressed state the session keeps.
        button->setChecked(state.speedSlots[slot].pressed);
        button->setToolTip(qs(state.speedSlots[slot].name));
    }
    w_.SpeedChannelOpen->setToolTip(qs(state.openSetHint));
    w_.lblInfo->setToolTip(qs(state.playingHint));
    if (!state.databaseOpen) return;

    QAction* findContinue = command(MainCommand::actFindChannelContinue);
    findContinue->setEnabled(state.findContinueEnabled);
    // The last search text is kept in the hint of the continue entry.
    if (state.findContinueEnabled) findContinue->setStatusTip(qs(state.lastSearchText));
    applyNodeDetails(state.details);
}

void frmMain::SpeedChannelMouseMove(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Enter && event->type() != QEvent::MouseMove) return;
    for (std::size_t slot = 0; slot < w_.SpeedChannel.size(); ++slot) {
        if (watched == w_.SpeedChannel[slot]) {
            w_.lblInfo->setText(qs(session_->SpeedChannelMouseMove(static_cast<int>(slot) + 1)));
            return;
        }
    }
}

}  // namespace kw
