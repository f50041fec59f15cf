// The main window's channel commands, speed-channel slots and find commands:
// each event runs one session command, then the window shows the state the
// core left (details, slots, information line).
#include "core/actions/ChannelOpener.h"
#include "core/browser/ChannelBrowser.h"
#include "core/session/Session.h"
#include "core/speed/SpeedChannelSet.h"
#include "core/speed/SpeedChannels.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

namespace kw {
namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void frmMain::connectChannelCommands() {
    // A command on the session; afterwards the window shows what it changed.
    const auto onSession = [this](const char* name, auto sessionCommand) {
        connect(command(name), &QAction::triggered, this, [this, sessionCommand] {
            runCommand([this, sessionCommand] {
                if (session_->isOpen()) sessionCommand(*session_);
            });
            showSessionState();
        });
    };
    onSession("actPlayChannel", [](Session& s) { s.actPlayChannelExecute(); });
    onSession("actLinkChannel", [](Session& s) { s.actLinkChannelExecute(); });
    onSession("actFavoritesChannel", [](Session& s) { s.actFavoritesChannelExecute(); });
    onSession("actDeleteChannel", [](Session& s) { s.actDeleteChannelExecute(); });
    onSession("actLockChannel", [](Session& s) { s.actLockChannelExecute(); });
    onSession("actTestChannel", [](Session& s) { s.actTestChannelExecute(); });
    onSession("actFindChannel", [](Session& s) { s.browser().actFindChannelExecute(); });
    onSession("actFindChannelContinue", [](Session& s) { s.browser().actFindChannelContinueExecute(); });

    const auto rate = [this](int item) {
        runCommand([this, item] {
            if (session_->isOpen()) session_->SetChannelRating(item);
        });
        showSessionState();
    };
    connect(w_.cbRateChannel, &QComboBox::activated, this, rate);
    QMenu* rateMenu = findChild<QMenu*>(QStringLiteral("muRate"));
    for (int item = 0; item < 5; ++item) {
        connect(rateMenu->actions().at(item), &QAction::triggered, this, [rate, item] { rate(item); });
    }

    QMenu* speedMenu = findChild<QMenu*>(QStringLiteral("muSetSpeedChannel"));
    for (int slot = 1; slot <= SpeedChannels::kSlotCount; ++slot) {
        connect(speedMenu->actions().at(slot - 1), &QAction::triggered, this, [this, slot] {
            runCommand([this, slot] {
                if (session_->isOpen()) session_->muSpeedChannelClick(slot);
            });
            showSessionState();
        });
        QToolButton* button = w_.SpeedChannel[static_cast<std::size_t>(slot - 1)];
        button->installEventFilter(this);
        connect(button, &QToolButton::clicked, this, [this, slot] {
            runCommand([this, slot] {
                if (session_->isOpen()) session_->SpeedChannelClick(slot);
            });
            showSessionState();
        });
    }
    connect(w_.SpeedChannelSave, &QToolButton::clicked, this, [this] {
        runCommand([this] { session_->speedChannelSet().SpeedChannelSaveClick(); });
        showSessionState();
    });
    connect(w_.SpeedChannelOpen, &QToolButton::clicked, this, [this] {
        runCommand([this] { session_->speedChannelSet().SpeedChannelOpenClick(); });
        showSessionState();
    });
}

void frmMain::showSessionState() {
    const SpeedChannels& speed = session_->speedChannels();
    for (int slot = 1; slot <= SpeedChannels::kSlotCount; ++slot) {
        QToolButton* button = w_.SpeedChannel[static_cast<std::size_t>(slot - 1)];
        // The slots form one group whose pressed state the core keeps.
        button->setChecked(speed.pressed(slot));
        button->setToolTip(qs(speed.name(slot)));
    }
    w_.SpeedChannelOpen->setToolTip(qs(session_->speedChannelSet().openHint()));
    if (!session_->isOpen()) return;

    w_.lblInfo->setToolTip(qs(session_->opener().playingHint()));
    const ChannelBrowser& browser = session_->browser();
    QAction* findContinue = command("actFindChannelContinue");
    findContinue->setEnabled(browser.findContinueEnabled());
    // The last search text is kept in the hint of the continue entry.
    if (browser.findContinueEnabled()) findContinue->setStatusTip(qs(browser.lastSearchText()));
    applyNodeDetails(browser.details());
}

void frmMain::SpeedChannel1MouseMove(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Enter && event->type() != QEvent::MouseMove) return;
    for (int slot = 1; slot <= SpeedChannels::kSlotCount; ++slot) {
        if (watched == w_.SpeedChannel[static_cast<std::size_t>(slot - 1)]) {
            w_.lblInfo->setText(qs(session_->speedChannels().hoverText(slot)));
            return;
        }
    }
}

}  // namespace kw
