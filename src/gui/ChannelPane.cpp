// The main window's channel tree, its lists and the details of the selected
// node, shown from the session's channel browser.
#include "gui/ChannelPane.h"

#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "gui/ChannelTreeModel.h"
#include "gui/ChannelTreeView.h"
#include "gui/MainCommandTable.h"
#include "gui/MainControls.h"
#include "gui/QtText.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>

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

ChannelPane::ChannelPane(QWidget& window, const QFont& font) {
    QWidget* w = &window;
    c_.tvSelectChannel = place<ChannelTreeView>(w, "tvSelectChannel", 23, 62, 224, 297);

    // The details show three whole lines: the memo grows upward into the
    // tree as far as the font needs.
    constexpr int kMemoBottom = 410;
    constexpr int kMemoMargin = 1;
    const int memoHeight = std::max(48, 3 * QFontMetrics(font).lineSpacing() + 2 * kMemoMargin + 2);
    c_.tvSelectChannel->setGeometry(23, 62, 224, kMemoBottom - memoHeight - 3 - 62);
    c_.meDisplayMemo =
        place<QPlainTextEdit>(w, "meDisplayMemo", 23, kMemoBottom - memoHeight, 224, memoHeight);
    c_.meDisplayMemo->document()->setDocumentMargin(kMemoMargin);
    c_.meDisplayMemo->setReadOnly(true);
    c_.meDisplayMemo->setFrameShape(QFrame::NoFrame);
    c_.meDisplayMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    c_.meDisplayMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    c_.meDisplayMemo->setToolTip(QStringLiteral("简要描述选中频道"));

    c_.cbRateChannel = dropDownList(w, "cbRateChannel", 21, kRatingNames, "评价选中频道 [并显示其级别]");
    c_.cbRateChannel->resize(57, 20);
    c_.cbRateChannel->setCurrentIndex(2);
    c_.cbFilterChannel =
        dropDownList(w, "cbFilterChannel", 80, kFilterChannelEntries, "只显示 [某评级级别] 的频道");
    c_.cbFilterChannel->resize(83, 20);
    c_.cbClassDisplayChannel = dropDownList(w, "cbClassDisplayChannel", 165, kClassDisplayChannelEntries,
                                            "切换优先按 [内容]/[区域] 分类显示频道");
    c_.cbClassDisplayChannel->resize(83, 20);
    for (QComboBox* list : {c_.cbRateChannel, c_.cbFilterChannel, c_.cbClassDisplayChannel}) fitEntries(list);
    // The list starts on "仅按内容分类"; start-up puts the stored mode in.
    c_.cbClassDisplayChannel->setCurrentIndex(2);

    c_.spPlayChannel = flatButton(w, "spPlayChannel", "播放", 30, 438, 32, 18);
    c_.spFavoritesChannel = flatButton(w, "spFavoritesChannel", "收藏", 64, 438, 32, 18);
    c_.spFindChannel = flatButton(w, "spFindChannel", "查找", 99, 438, 32, 18);
    c_.spChannelRelatedLink = flatButton(w, "spChannelRelatedLink", "网站", 134, 438, 32, 18);
    c_.spEditChannel = flatButton(w, "spEditChannel", "修改", 169, 438, 32, 18);
    c_.spUserAddChannel = flatButton(w, "spUserAddChannel", "自添", 204, 438, 32, 18);
}

ChannelPane::~ChannelPane() = default;

void ChannelPane::connectCommands(Session& session, MainCommandTable& commands, QLabel& info,
                                  const CommandRunner& run, const std::function<void()>& showState) {
    session_ = &session;
    commands_ = &commands;
    info_ = &info;
    run_ = run;
    showState_ = showState;

    const auto onTree = [this, &session, &commands](MainCommand id, void (CatalogueView::*click)()) {
        connect(commands.command(id), &QAction::triggered, this,
                [this, &session, click] { run_([&session, click] { (session.view().*click)(); }); });
    };
    onTree(MainCommand::muCurNodeFullExpand, &CatalogueView::muCurNodeFullExpandClick);
    onTree(MainCommand::muCurNodeFullCollapse, &CatalogueView::muCurNodeFullCollapseClick);
    onTree(MainCommand::muFullExpand, &CatalogueView::muFullExpandClick);
    onTree(MainCommand::muFullCollapse, &CatalogueView::muFullCollapseClick);

    connect(c_.cbFilterChannel, &QComboBox::currentIndexChanged, this, [this, &session](int filter) {
        run_([&session, filter] { session.view().cbFilterChannelChange(filter); });
    });
    connect(c_.cbClassDisplayChannel, &QComboBox::currentIndexChanged, this, [this, &session](int mode) {
        run_([&session, mode] { session.view().cbClassDisplayChannelChange(mode); });
    });

    ChannelTreeView* tree = c_.tvSelectChannel;
    connect(tree, &ChannelTreeView::nodeHovered, this, &ChannelPane::tvSelectChannelMouseMove);
    connect(tree, &ChannelTreeView::contextPopup, this, [this](NodeId node, QPoint mouse) {
        run_([=, this] { tvSelectChannelContextPopup(node, mouse); });
    });
    // The session plays only a channel leaf; a category double click just expands.
    connect(tree, &QAbstractItemView::doubleClicked, this, [this, &session] {
        run_([this, &session] {
            session.commands().tvSelectChannelDblClick();
            showState_();
        });
    });

    // A command on the selected channel; afterwards the window shows what it changed.
    const auto onSelection = [this, &session, &commands](MainCommand id, void (*selectionCommand)(Session&)) {
        connect(commands.command(id), &QAction::triggered, this, [this, &session, selectionCommand] {
            run_([&session, selectionCommand] { selectionCommand(session); });
            showState_();
        });
    };
    onSelection(MainCommand::actPlayChannel, [](Session& s) { s.commands().actPlayChannelExecute(); });
    onSelection(MainCommand::actLinkChannel, [](Session& s) { s.commands().actLinkChannelExecute(); });
    onSelection(MainCommand::actFavoritesChannel,
                [](Session& s) { s.commands().actFavoritesChannelExecute(); });
    onSelection(MainCommand::actDeleteChannel, [](Session& s) { s.commands().actDeleteChannelExecute(); });
    onSelection(MainCommand::actLockChannel, [](Session& s) { s.commands().actLockChannelExecute(); });
    onSelection(MainCommand::actTestChannel, [](Session& s) { s.commands().actTestChannelExecute(); });
    onSelection(MainCommand::actFindChannel, [](Session& s) { s.view().actFindChannelExecute(); });
    onSelection(MainCommand::actFindChannelContinue,
                [](Session& s) { s.view().actFindChannelContinueExecute(); });

    const auto rate = [this, &session](int item) {
        run_([&session, item] { session.commands().SetChannelRating(item); });
        showState_();
    };
    connect(c_.cbRateChannel, &QComboBox::activated, this, rate);
    for (std::size_t item = 0; item < commands.rateEntries().size(); ++item) {
        connect(commands.rateEntries()[item], &QAction::triggered, this,
                [rate, item] { rate(static_cast<int>(item)); });
    }
}

void ChannelPane::attach() {
    treeModel_ = std::make_unique<ChannelTreeModel>(session_->view());
    connect(treeModel_.get(), &ChannelTreeModel::nodeSelected, this,
            [this](NodeId node) { run_([this, node] { ShowNodeDetails(node); }); });
    c_.tvSelectChannel->setChannelModel(treeModel_.get());
    // A check found channels dead or alive: the selection's details and the
    // slots' hints say so.
    connect(treeModel_.get(), &ChannelTreeModel::deadMarksChanged, this, [this] {
        ShowNodeDetails(session_->view().tree().selected());
        if (showState_) showState_();
    });
    applyListPositions();
    ShowNodeDetails(session_->view().tree().selected());
}

void ChannelPane::applyListPositions() {
    // The lists show what the tree was built with; setting them is no change
    // by the user, so their handlers do not run.
    const WindowState state = session_->windowState();
    if (!state.databaseOpen) return;
    const QSignalBlocker filterQuiet(c_.cbFilterChannel);
    const QSignalBlocker modeQuiet(c_.cbClassDisplayChannel);
    c_.cbFilterChannel->setCurrentIndex(state.ratingFilter);
    c_.cbClassDisplayChannel->setCurrentIndex(state.displayMode);
}

void ChannelPane::ShowNodeDetails(NodeId node) { applyNodeDetails(session_->view().ShowNodeDetails(node)); }

void ChannelPane::applyNodeDetails(const NodeDetails& details) {
    commands_->showDetails(details);
    c_.spFavoritesChannel->setText(qs(details.favoritesButtonCaption));

    const ChannelCommandStates& enabled = details.enabled;
    c_.cbRateChannel->setEnabled(enabled.rateChannel);
    {
        // The rating the last channel left behind belongs to no category.
        const QSignalBlocker quiet(c_.cbRateChannel);
        c_.cbRateChannel->setCurrentIndex(enabled.rateChannel ? details.rateEntry : -1);
    }
    setTextColor(c_.cbRateChannel, details.rateGreyed ? QColor(128, 128, 128)
                                                      : c_.tvSelectChannel->palette().color(QPalette::Text));

    c_.meDisplayMemo->setPlainText(toDisplayText(details.memo));
    info_->setText(qs(details.info));
}

void ChannelPane::tvSelectChannelMouseMove(NodeId node) {
    const NodeHover hover = session_->view().tvSelectChannelMouseMove(node);
    info_->setText(qs(hover.info));
    c_.tvSelectChannel->viewport()->setCursor(hover.channel ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void ChannelPane::tvSelectChannelContextPopup(NodeId node, QPoint mouse) {
    applyNodeDetails(session_->view().tvSelectChannelContextPopup(node));
    commands_->pmMainPopMenu()->popup(mouse);
}

}  // namespace kw
