#pragma once

#include "core/session/Roles.h"

#include <QAbstractItemModel>

namespace kw {

// The channel tree as a Qt item model: one column, each index carrying its
// node's id, so the view asks only for what it shows. It follows every change
// the tree reports. While the tree is being replaced (a rebuild or cache load)
// the model is empty, so a view painting between two rows never sees a node
// that is half made or gone.
class ChannelTreeModel : public QAbstractItemModel, private TreeObserver {
    Q_OBJECT
public:
    // True for a channel leaf drawn as dead; its label then ends in kDeadMark,
    // which reads without colours.
    static constexpr int kDeadRole = Qt::UserRole + 1;
    static constexpr const char* kDeadMark = "（失效）";

    explicit ChannelTreeModel(TreeViewAccess& access, QObject* parent = nullptr);
    ~ChannelTreeModel() override;

    const ChannelTree& tree() const { return tree_; }
    // What a click in the view changes.
    void setExpanded(NodeId node, bool expanded) { access_.setExpanded(node, expanded); }
    void setSelected(NodeId node) { access_.setSelected(node); }
    QModelIndex indexOf(NodeId node) const;
    NodeId nodeOf(const QModelIndex& index) const;
    bool isReplacing() const { return replacing_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The tree's view state changed; the view follows it. kNoNode for
    // expansion means anywhere in the tree.
    void nodeExpansionChanged(kw::NodeId node);
    void nodeSelected(kw::NodeId node);
    void nodeScrollRequested(kw::NodeId node);
    // Channels were found dead or alive again: the leaves are to be drawn anew.
    void deadMarksChanged();

private:
    void treeAboutToReset() override;
    void treeReset() override;
    void nodeAboutToBeAdded(NodeId parent, std::size_t row) override;
    void nodeAdded(NodeId node) override;
    void nodeAboutToBeRemoved(NodeId node) override;
    void nodeRemoved(NodeId parent, std::size_t row) override;
    void layoutAboutToChange() override;
    void layoutChanged() override;
    void expansionChanged(NodeId node) override;
    void selectionChanged(NodeId node) override;
    void scrollRequested(NodeId node) override;
    void marksChanged() override;

    TreeViewAccess& access_;
    const ChannelTree& tree_;
    bool replacing_ = false;
    QModelIndexList layoutIndexes_;
};

}  // namespace kw
