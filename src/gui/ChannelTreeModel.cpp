#include "gui/ChannelTreeModel.h"

#include "gui/QtText.h"

namespace kw {

ChannelTreeModel::ChannelTreeModel(TreeViewAccess& access, QObject* parent)
    : QAbstractItemModel(parent), access_(access), tree_(access.tree()) {
    access_.watch(this);
}

ChannelTreeModel::~ChannelTreeModel() { access_.unwatch(this); }

QModelIndex ChannelTreeModel::indexOf(NodeId node) const {
    if (node == kNoNode || replacing_ || !tree_.contains(node)) return {};
    return createIndex(static_cast<int>(tree_.row(node)), 0, static_cast<quintptr>(node));
}

NodeId ChannelTreeModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<NodeId>(index.internalId()) : kNoNode;
}

QModelIndex ChannelTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (replacing_ || row < 0 || column != 0 || parent.column() > 0) return {};
    const std::span<const NodeId> children = tree_.children(nodeOf(parent));
    if (static_cast<std::size_t>(row) >= children.size()) return {};
    return createIndex(row, 0, static_cast<quintptr>(children[static_cast<std::size_t>(row)]));
}

QModelIndex ChannelTreeModel::parent(const QModelIndex& child) const {
    if (replacing_ || !child.isValid()) return {};
    return indexOf(tree_.parent(nodeOf(child)));
}

int ChannelTreeModel::rowCount(const QModelIndex& parent) const {
    if (replacing_ || parent.column() > 0) return 0;
    return static_cast<int>(tree_.childCount(nodeOf(parent)));
}

int ChannelTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool ChannelTreeModel::hasChildren(const QModelIndex& parent) const {
    if (replacing_ || parent.column() > 0) return false;
    return tree_.hasChildren(nodeOf(parent));
}

QVariant ChannelTreeModel::data(const QModelIndex& index, int role) const {
    if (replacing_ || !index.isValid()) return {};
    const NodeId node = nodeOf(index);
    switch (role) {
        case Qt::DisplayRole:
            return access_.isMarkedDead(node) ? qs(tree_.text(node)) + QString::fromUtf8(kDeadMark)
                                              : qs(tree_.text(node));
        case kDeadRole:
            return access_.isMarkedDead(node);
        default:
            return {};
    }
}

Qt::ItemFlags ChannelTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void ChannelTreeModel::treeAboutToReset() {
    beginResetModel();
    replacing_ = true;
    endResetModel();
}

void ChannelTreeModel::treeReset() {
    beginResetModel();
    replacing_ = false;
    endResetModel();
    emit nodeExpansionChanged(kNoNode);
    emit nodeSelected(tree_.selected());
}

void ChannelTreeModel::nodeAboutToBeAdded(NodeId parent, std::size_t row) {
    const int position = static_cast<int>(row);
    beginInsertRows(indexOf(parent), position, position);
}

void ChannelTreeModel::nodeAdded(NodeId) { endInsertRows(); }

void ChannelTreeModel::nodeAboutToBeRemoved(NodeId node) {
    const int position = static_cast<int>(tree_.row(node));
    beginRemoveRows(indexOf(tree_.parent(node)), position, position);
}

void ChannelTreeModel::nodeRemoved(NodeId, std::size_t) { endRemoveRows(); }

void ChannelTreeModel::layoutAboutToChange() {
    emit layoutAboutToBeChanged();
    layoutIndexes_ = persistentIndexList();
}

void ChannelTreeModel::layoutChanged() {
    // Nodes keep their ids through a sort; only their rows change.
    QModelIndexList moved;
    moved.reserve(layoutIndexes_.size());
    for (const QModelIndex& old : layoutIndexes_) moved << indexOf(nodeOf(old));
    changePersistentIndexList(layoutIndexes_, moved);
    layoutIndexes_.clear();
    emit QAbstractItemModel::layoutChanged();
}

void ChannelTreeModel::expansionChanged(NodeId node) { emit nodeExpansionChanged(node); }

void ChannelTreeModel::selectionChanged(NodeId node) { emit nodeSelected(node); }

void ChannelTreeModel::scrollRequested(NodeId node) { emit nodeScrollRequested(node); }

void ChannelTreeModel::marksChanged() { emit deadMarksChanged(); }

}  // namespace kw
