#include "gui/ChannelTreeView.h"

#include "gui/ChannelTreeModel.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

#include <vector>

namespace kw {
namespace {

// Hot tracking: the label under the mouse is underlined in the highlight
// colour. A dead channel's label is drawn halfway between the text and the
// background colour, which stays readable in every skin.
class HotTrackDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state & QStyle::State_Selected) return;
        if (option->state & QStyle::State_MouseOver) {
            option->font.setUnderline(true);
            option->palette.setColor(QPalette::Text, option->palette.color(QPalette::Highlight));
        } else if (index.data(ChannelTreeModel::kDeadRole).toBool()) {
            const QColor text = option->palette.color(QPalette::Text);
            const QColor base = option->palette.color(QPalette::Base);
            option->palette.setColor(QPalette::Text,
                                     QColor((text.red() + base.red()) / 2, (text.green() + base.green()) / 2,
                                            (text.blue() + base.blue()) / 2));
        }
    }
};

}  // namespace

ChannelTreeView::ChannelTreeView(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("tvSelectChannel"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIndentation(14);
    setUniformRowHeights(true);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    setItemDelegate(new HotTrackDelegate(this));
    setContextMenuPolicy(Qt::CustomContextMenu);
    header()->setStretchLastSection(true);
    // The selection looks the same with or without the focus.
    QPalette colors = palette();
    colors.setColor(QPalette::Inactive, QPalette::Highlight,
                    colors.color(QPalette::Active, QPalette::Highlight));
    colors.setColor(QPalette::Inactive, QPalette::HighlightedText,
                    colors.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colors);

    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { reportExpansion(index, true); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { reportExpansion(index, false); });
    connect(this, &QWidget::customContextMenuRequested, this, [this](QPoint pos) {
        const QModelIndex index = indexAt(pos);
        emit contextPopup(model_ != nullptr ? model_->nodeOf(index) : kNoNode, viewport()->mapToGlobal(pos));
    });
}

void ChannelTreeView::setChannelModel(ChannelTreeModel* model) {
    // While the model changes, Qt moves the current index by itself (to a
    // neighbour of a removed row, or nowhere on a reset); the tree keeps its
    // own selection then. These run before the view's own handlers.
    const auto hold = [this] { ++modelChanging_; };
    const auto release = [this] { --modelChanging_; };
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, hold);
    connect(model, &QAbstractItemModel::rowsRemoved, this, release);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, hold);
    connect(model, &QAbstractItemModel::modelReset, this, release);
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, hold);
    connect(model, &QAbstractItemModel::layoutChanged, this, release);
    {
        const QScopedValueRollback<bool> following(following_, true);
        model_ = model;
        setModel(model);
    }
    connect(model, &ChannelTreeModel::nodeExpansionChanged, this, &ChannelTreeView::followExpansion);
    connect(model, &ChannelTreeModel::nodeSelected, this, &ChannelTreeView::followSelection);
    connect(model, &ChannelTreeModel::nodeScrollRequested, this, &ChannelTreeView::followScroll);
    connect(model, &ChannelTreeModel::deadMarksChanged, viewport(), qOverload<>(&QWidget::update));
    followExpansion(kNoNode);
    followSelection(model->tree().selected());
}

void ChannelTreeView::followExpansion(NodeId node) {
    const QScopedValueRollback<bool> following(following_, true);
    const ChannelTree& tree = model_->tree();
    // Walk the branch (kNoNode: the whole tree) and copy each expanded state that differs.
    std::vector<NodeId> pending;
    if (node == kNoNode) {
        const std::span<const NodeId> top = tree.children(kNoNode);
        pending.assign(top.begin(), top.end());
    } else if (tree.contains(node)) {
        pending.push_back(node);
    }
    while (!pending.empty()) {
        const NodeId current = pending.back();
        pending.pop_back();
        const std::span<const NodeId> children = tree.children(current);
        if (children.empty()) continue;
        const QModelIndex index = model_->indexOf(current);
        if (isExpanded(index) != tree.isExpanded(current)) setExpanded(index, tree.isExpanded(current));
        for (NodeId child : children) {
            if (tree.hasChildren(child)) pending.push_back(child);
        }
    }
}

void ChannelTreeView::followSelection(NodeId node) {
    const QScopedValueRollback<bool> following(following_, true);
    const QModelIndex index = model_->indexOf(node);
    if (index == currentIndex()) return;
    if (index.isValid()) {
        setCurrentIndex(index);
    } else {
        selectionModel()->clear();
    }
}

void ChannelTreeView::followScroll(NodeId node) { scrollTo(model_->indexOf(node)); }

void ChannelTreeView::reportExpansion(const QModelIndex& index, bool expanded) {
    if (following_ || model_ == nullptr) return;
    model_->setExpanded(model_->nodeOf(index), expanded);
}

void ChannelTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (following_ || modelChanging_ > 0 || model_ == nullptr || model_->isReplacing()) return;
    model_->setSelected(model_->nodeOf(current));
}

void ChannelTreeView::mouseMoveEvent(QMouseEvent* event) {
    QTreeView::mouseMoveEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (model_ != nullptr && index.isValid() && visualRect(index).contains(event->position().toPoint())) {
        emit nodeHovered(model_->nodeOf(index));
    }
}

}  // namespace kw
