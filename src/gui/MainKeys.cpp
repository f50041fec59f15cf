// The main window from the keyboard: the focus order over every control,
// Enter to play, the pop-up menu keys and the speed-channel slot keys.
#include "gui/ChannelPane.h"
#include "gui/ChannelTreeModel.h"
#include "gui/ChannelTreeView.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QToolButton>

#include <vector>

namespace kw {

std::vector<QWidget*> frmMain::tabOrder() const {
    std::vector<QWidget*> order{w_.tvSelectChannel,
                                w_.meDisplayMemo,
                                w_.cbRateChannel,
                                w_.cbFilterChannel,
                                w_.cbClassDisplayChannel,
                                w_.spPlayChannel,
                                w_.spFavoritesChannel,
                                w_.spFindChannel,
                                w_.spChannelRelatedLink,
                                w_.spEditChannel,
                                w_.spUserAddChannel,
                                w_.spVolum,
                                w_.spSetup,
                                w_.spHelp,
                                w_.spHideWindow,
                                w_.spExit,
                                w_.spSoundRecord,
                                w_.edGoogle,
                                w_.spGoogle};
    order.insert(order.end(), w_.SpeedChannel.begin(), w_.SpeedChannel.end());
    order.insert(order.end(),
                 {w_.SpeedChannelSave, w_.SpeedChannelOpen, w_.spHideWindowOnTitle, w_.spExitOnTitle});
    return order;
}

void frmMain::buildKeys() {
    // Buttons take the focus from Tab only, so a click leaves it where the
    // user was (usually the tree); Space presses the focused one.
    const std::vector<QWidget*> order = tabOrder();
    for (QWidget* control : order) {
        if (qobject_cast<QToolButton*>(control) != nullptr) control->setFocusPolicy(Qt::TabFocus);
        if (qobject_cast<QComboBox*>(control) != nullptr) control->setFocusPolicy(Qt::StrongFocus);
    }
    // The details are read only: Tab leaves them instead of typing a tab.
    w_.meDisplayMemo->setTabChangesFocus(true);
    w_.meDisplayMemo->setFocusPolicy(Qt::StrongFocus);
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    // Enter on the tree plays the selected channel, as a double click does.
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* play = new QShortcut(QKeySequence(key), w_.tvSelectChannel);
        play->setContext(Qt::WidgetShortcut);
        connect(play, &QShortcut::activated, this, [this] {
            if (command(MainCommand::actPlayChannel)->isEnabled())
                command(MainCommand::actPlayChannel)->trigger();
        });
    }

    for (const QKeySequence& keys : {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)}) {
        auto* popup = new QShortcut(keys, this);
        connect(popup, &QShortcut::activated, this, [this] { runCommand([this] { popupFromKeyboard(); }); });
    }

    // Ctrl+1 … Ctrl+9 press the first nine slots and Ctrl+0 the tenth.
    slots_->buildKeys(*this);
}

void frmMain::popupFromKeyboard() {
    QWidget* focus = QApplication::focusWidget();
    ChannelTreeView* tree = w_.tvSelectChannel;
    if (focus == tree || focus == nullptr || !isAncestorOf(focus)) {
        const QModelIndex current = tree->currentIndex();
        const QRect item = current.isValid() ? tree->visualRect(current) : QRect();
        const QPoint at = tree->viewport()->mapToGlobal(item.isValid() ? item.bottomLeft() + QPoint(16, 0)
                                                                       : tree->viewport()->rect().center());
        const ChannelTreeModel* model = tree->channelModel();
        pane_->tvSelectChannelContextPopup(model != nullptr ? model->nodeOf(current) : kNoNode, at);
        return;
    }
    pmMainPopMenu()->popup(focus->mapToGlobal(focus->rect().center()));
}

}  // namespace kw
