// The main window's channel tree, its two lists and the details of the
// selected node, shown from the session's channel browser.
#include "core/session/Session.h"
#include "gui/ChannelTreeModel.h"
#include "gui/ChannelTreeView.h"
#include "gui/QtText.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QToolButton>

namespace kw {
namespace {

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text, color);
        palette.setColor(group, QPalette::ButtonText, color);
    }
    widget->setPalette(palette);
}

}  // namespace

void frmMain::connectBrowserCommands() {
    const auto onSession = [this](MainCommand id, void (Session::*click)()) {
        connect(command(id), &QAction::triggered, this,
                [this, click] { runCommand([this, click] { (session_.get()->*click)(); }); });
    };
    onSession(MainCommand::muCurNodeFullExpand, &Session::muCurNodeFullExpandClick);
    onSession(MainCommand::muCurNodeFullCollapse, &Session::muCurNodeFullCollapseClick);
    onSession(MainCommand::muFullExpand, &Session::muFullExpandClick);
    onSession(MainCommand::muFullCollapse, &Session::muFullCollapseClick);

    connect(w_.cbFilterChannel, &QComboBox::currentIndexChanged, this,
            [this](int filter) { runCommand([this, filter] { session_->cbFilterChannelChange(filter); }); });
    connect(w_.cbClassDisplayChannel, &QComboBox::currentIndexChanged, this,
            [this](int mode) { runCommand([this, mode] { session_->cbClassDisplayChannelChange(mode); }); });

    ChannelTreeView* tree = w_.tvSelectChannel;
    connect(tree, &ChannelTreeView::nodeHovered, this, &frmMain::tvSelectChannelMouseMove);
    connect(tree, &ChannelTreeView::contextPopup, this, [this](NodeId node, QPoint mouse) {
        runCommand([=, this] { tvSelectChannelContextPopup(node, mouse); });
    });
    connect(tree, &QAbstractItemView::doubleClicked, this,
            [this] { runCommand([this] { tvSelectChannelDblClick(); }); });
}

void frmMain::attachBrowser() {
    treeModel_ = std::make_unique<ChannelTreeModel>(session_->channelTree());
    connect(treeModel_.get(), &ChannelTreeModel::nodeSelected, this,
            [this](NodeId node) { runCommand([this, node] { ShowNodeDetails(node); }); });
    w_.tvSelectChannel->setChannelModel(treeModel_.get());
    applyListPositions();
    ShowNodeDetails(session_->channelTree().selected());
}

void frmMain::applyListPositions() {
    // The lists show what the tree was built with; setting them is no change
    // by the user, so their handlers do not run.
    const WindowState state = session_->windowState();
    if (!state.databaseOpen) return;
    const QSignalBlocker filterQuiet(w_.cbFilterChannel);
    const QSignalBlocker modeQuiet(w_.cbClassDisplayChannel);
    w_.cbFilterChannel->setCurrentIndex(state.ratingFilter);
    w_.cbClassDisplayChannel->setCurrentIndex(state.displayMode);
}

void frmMain::ShowNodeDetails(NodeId node) { applyNodeDetails(session_->ShowNodeDetails(node)); }

void frmMain::applyNodeDetails(const NodeDetails& details) {
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
    w_.spFavoritesChannel->setText(qs(details.favoritesButtonCaption));

    QAction* lock = command(MainCommand::actLockChannel);
    lock->setEnabled(enabled.lockChannel);
    lock->setText(qs(details.lockCaption));
    lock->setToolTip(qs(details.lockHint));
    lock->setStatusTip(qs(details.lockHint));

    findChild<QMenu*>(QStringLiteral("muSetSpeedChannel"))->menuAction()->setEnabled(enabled.setSpeedChannel);
    QMenu* rate = findChild<QMenu*>(QStringLiteral("muRate"));
    rate->menuAction()->setEnabled(enabled.rate);
    for (int item = 1; item <= 5; ++item)
        rate->actions().at(item - 1)->setChecked(details.checkedRateItem == item);

    w_.cbRateChannel->setEnabled(enabled.rateChannel);
    {
        // The rating the last channel left behind belongs to no category.
        const QSignalBlocker quiet(w_.cbRateChannel);
        w_.cbRateChannel->setCurrentIndex(enabled.rateChannel ? details.rateEntry : -1);
    }
    setTextColor(w_.cbRateChannel, details.rateGreyed ? QColor(128, 128, 128)
                                                      : w_.tvSelectChannel->palette().color(QPalette::Text));

    w_.meDisplayMemo->setPlainText(toDisplayText(details.memo));
    w_.lblInfo->setText(qs(details.info));
}

void frmMain::tvSelectChannelMouseMove(NodeId node) {
    const NodeHover hover = session_->tvSelectChannelMouseMove(node);
    w_.lblInfo->setText(qs(hover.info));
    w_.tvSelectChannel->viewport()->setCursor(hover.channel ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void frmMain::tvSelectChannelContextPopup(NodeId node, QPoint mouse) {
    applyNodeDetails(session_->tvSelectChannelContextPopup(node));
    pmMainPopMenu_->popup(mouse);
}

void frmMain::tvSelectChannelDblClick() {
    // The session plays only a channel leaf; a category double click just expands.
    session_->tvSelectChannelDblClick();
    showSessionState();
}

}  // namespace kw
