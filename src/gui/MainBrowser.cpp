// The main window's channel tree, its two lists and the details of the
// selected node, shown from the session's channel browser.
#include "core/browser/BrowserTexts.h"
#include "core/browser/ChannelBrowser.h"
#include "core/session/Session.h"
#include "gui/ChannelTreeModel.h"
#include "gui/ChannelTreeView.h"
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

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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
    // Each runs only once the database is open; before, there is no tree.
    const auto onBrowser = [this](const char* name, void (ChannelBrowser::*click)()) {
        connect(command(name), &QAction::triggered, this, [this, click] {
            runCommand([this, click] {
                if (session_->isOpen()) (session_->browser().*click)();
            });
        });
    };
    onBrowser("muCurNodeFullExpand", &ChannelBrowser::muCurNodeFullExpandClick);
    onBrowser("muCurNodeFullCollapse", &ChannelBrowser::muCurNodeFullCollapseClick);
    onBrowser("muFullExpand", &ChannelBrowser::muFullExpandClick);
    onBrowser("muFullCollapse", &ChannelBrowser::muFullCollapseClick);

    connect(w_.cbFilterChannel, &QComboBox::currentIndexChanged, this, [this](int filter) {
        runCommand([this, filter] {
            if (session_->isOpen()) session_->browser().cbFilterChannelChange(filter);
        });
    });
    connect(w_.cbClassDisplayChannel, &QComboBox::currentIndexChanged, this, [this](int mode) {
        runCommand([this, mode] {
            if (session_->isOpen()) session_->browser().cbClassDisplayChannelChange(mode);
        });
    });

    ChannelTreeView* tree = w_.tvSelectChannel;
    connect(tree, &ChannelTreeView::nodeHovered, this, &frmMain::tvSelectChannelMouseMove);
    connect(tree, &ChannelTreeView::contextPopup, this, [this](NodeId node, QPoint mouse) {
        runCommand([=, this] { tvSelectChannelContextPopup(node, mouse); });
    });
    connect(tree, &QAbstractItemView::doubleClicked, this,
            [this] { runCommand([this] { tvSelectChannelDblClick(); }); });
}

void frmMain::attachBrowser() {
    ChannelBrowser& browser = session_->browser();
    treeModel_ = std::make_unique<ChannelTreeModel>(browser.tree());
    connect(treeModel_.get(), &ChannelTreeModel::nodeSelected, this,
            [this](NodeId node) { runCommand([this, node] { ShowNodeDetails(node); }); });
    w_.tvSelectChannel->setChannelModel(treeModel_.get());
    applyListPositions();
    ShowNodeDetails(browser.selected());
}

void frmMain::applyListPositions() {
    // The lists show what the tree was built with; setting them is no change
    // by the user, so their handlers do not run.
    const ChannelBrowser& browser = session_->browser();
    const QSignalBlocker filterQuiet(w_.cbFilterChannel);
    const QSignalBlocker modeQuiet(w_.cbClassDisplayChannel);
    w_.cbFilterChannel->setCurrentIndex(browser.ratingFilter());
    w_.cbClassDisplayChannel->setCurrentIndex(browser.displayMode());
}

void frmMain::ShowNodeDetails(NodeId node) {
    if (!session_->isOpen()) return;
    applyNodeDetails(session_->browser().ShowNodeDetails(node));
}

void frmMain::applyNodeDetails(const NodeDetails& details) {
    const ChannelCommandStates& enabled = details.enabled;
    command("actPlayChannel")->setEnabled(enabled.playChannel);
    command("actTestChannel")->setEnabled(enabled.testChannel);
    command("actLinkChannel")->setEnabled(enabled.linkChannel);
    command("actDeleteChannel")->setEnabled(enabled.deleteChannel);
    command("actEditChannel")->setEnabled(enabled.editChannel);
    command("actAddTimerSwitchChannel")->setEnabled(enabled.addTimerSwitchChannel);

    QAction* favourite = command("actFavoritesChannel");
    favourite->setEnabled(enabled.favoritesChannel);
    favourite->setText(qs(details.favoritesCaption));
    favourite->setToolTip(qs(details.favoritesHint));
    favourite->setStatusTip(qs(details.favoritesHint));
    w_.spFavoritesChannel->setText(qs(details.favoritesButtonCaption));

    QAction* lock = command("actLockChannel");
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
        const QSignalBlocker quiet(w_.cbRateChannel);
        w_.cbRateChannel->setCurrentIndex(details.rateEntry);
    }
    setTextColor(w_.cbRateChannel, details.rateGreyed ? QColor(128, 128, 128)
                                                      : w_.tvSelectChannel->palette().color(QPalette::Text));

    w_.meDisplayMemo->setPlainText(toDisplayText(details.memo));
    w_.lblInfo->setText(qs(details.info));
}

void frmMain::tvSelectChannelMouseMove(NodeId node) {
    if (!session_->isOpen()) return;
    const bool channel = session_->browser().tree().IsChannelLeaf(node);
    w_.lblInfo->setText(qs(channel ? texts::kInfoChannel : texts::kInfoCategory));
    w_.tvSelectChannel->viewport()->setCursor(channel ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void frmMain::tvSelectChannelContextPopup(NodeId node, QPoint mouse) {
    if (session_->isOpen()) {
        ChannelBrowser& browser = session_->browser();
        // The node under the mouse, else the selected one; the menu then acts on it.
        if (node != kNoNode) browser.select(node);
        ShowNodeDetails(browser.selected());
    }
    pmMainPopMenu_->popup(mouse);
}

void frmMain::tvSelectChannelDblClick() {
    // The session plays only a channel leaf; a category double click just expands.
    if (session_->isOpen()) session_->tvSelectChannelDblClick();
    showSessionState();
}

}  // namespace kw
