#include "gui/SpeedSlotBar.h"

#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "gui/ChannelTreeModel.h"
#include "gui/MainControls.h"
#include "gui/QtText.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

namespace kw {

SpeedSlotBar::SpeedSlotBar(QWidget& window) {
    QFont slotFont;
    slotFont.setFamilies({QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
                          QStringLiteral("DejaVu Sans Condensed")});
    slotFont.setPixelSize(11);
    slotFont.setBold(true);
    for (int slot = 1; slot <= static_cast<int>(kSlots); ++slot) {
        const QByteArray name = "SpeedChannel" + QByteArray::number(slot);
        QToolButton* button = flatButton(&window, name.constData(), "", 4, 57 + 18 * (slot - 1), 16, 18);
        button->setText(QString::number(slot));
        button->setCheckable(true);
        button->setCursor(Qt::PointingHandCursor);
        button->setFont(slotFont);
        buttons_[static_cast<std::size_t>(slot - 1)] = button;
    }
    save_ = flatButton(&window, "SpeedChannelSave", "", 4, 453, 16, 18);
    save_->setIcon(window.style()->standardIcon(QStyle::SP_DialogSaveButton));
    save_->setToolTip(qs(SpeedChannelSet::kSaveHint));
    open_ = flatButton(&window, "SpeedChannelOpen", "", 4, 471, 16, 18);
    open_->setIcon(window.style()->standardIcon(QStyle::SP_DialogOpenButton));
    open_->setToolTip(qs(SpeedChannelSet::kOpenHint));
}

void SpeedSlotBar::connectCommands(Session& session, const std::array<QAction*, kSlots>& menuEntries,
                                   QLabel& info, const CommandRunner& run,
                                   const std::function<void()>& showState) {
    session_ = &session;
    info_ = &info;
    // A command on the session; afterwards the window shows what it changed.
    const auto onSession = [run, showState](std::function<void()> command) {
        return [run, showState, command] {
            run(command);
            showState();
        };
    };
    for (int slot = 1; slot <= static_cast<int>(kSlots); ++slot) {
        connect(menuEntries[static_cast<std::size_t>(slot - 1)], &QAction::triggered, this,
                onSession([&session, slot] { session.commands().muSpeedChannelClick(slot); }));
        QToolButton* button = buttons_[static_cast<std::size_t>(slot - 1)];
        button->installEventFilter(this);
        connect(button, &QToolButton::clicked, this,
                onSession([&session, slot] { session.speedSlots().SpeedChannelClick(slot); }));
    }
    connect(save_, &QToolButton::clicked, this,
            onSession([&session] { session.speedSlots().SpeedChannelSaveClick(); }));
    connect(open_, &QToolButton::clicked, this,
            onSession([&session] { session.speedSlots().SpeedChannelOpenClick(); }));
}

void SpeedSlotBar::buildKeys(QWidget& window) {
    // The others are reached with Tab and pressed with Space.
    for (int slot = 1; slot <= 10; ++slot) {
        const int digit = slot % 10;
        auto* key = new QShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + digit)), &window);
        key->setObjectName(QStringLiteral("SpeedChannelKey%1").arg(slot));
        QToolButton* button = buttons_[static_cast<std::size_t>(slot - 1)];
        connect(key, &QShortcut::activated, button, &QToolButton::click);
        button->setWhatsThis(QStringLiteral("Ctrl+%1").arg(digit));
    }
}

void SpeedSlotBar::show(const WindowState& state) {
    for (std::size_t slot = 0; slot < state.speedSlots.size(); ++slot) {
        QToolButton* button = buttons_[slot];
        // The slots form one group whose pressed state the session keeps.
        button->setChecked(state.speedSlots[slot].pressed);
        const SpeedSlotState& shown = state.speedSlots[slot];
        button->setToolTip(shown.dead ? qs(shown.name) + QString::fromUtf8(ChannelTreeModel::kDeadMark)
                                      : qs(shown.name));
    }
    open_->setToolTip(qs(state.openSetHint));
}

bool SpeedSlotBar::eventFilter(QObject* watched, QEvent* event) {
    // The information line names the channel of the slot under the mouse.
    if (session_ != nullptr && (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove)) {
        for (std::size_t slot = 0; slot < buttons_.size(); ++slot) {
            if (watched == buttons_[slot]) {
                info_->setText(qs(session_->speedSlots().SpeedChannelMouseMove(static_cast<int>(slot) + 1)));
                break;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kw
