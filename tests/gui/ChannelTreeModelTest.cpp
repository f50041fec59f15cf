#include "core/browser/ChannelTree.h"
#include "core/browser/TreeCollation.h"
#include "gui/ChannelTreeModel.h"
#include "gui/ChannelTreeView.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <set>

#include <memory>

using kw::ChannelTree;
using kw::kNoNode;
using kw::NodeId;

namespace {

// The view's access straight to a tree, as the catalogue view gives it over the session's.
class DirectAccess final : public kw::TreeViewAccess {
public:
    explicit DirectAccess(ChannelTree& tree) : tree_(tree) {}
    const ChannelTree& tree() const override { return tree_; }
    void watch(kw::TreeObserver* observer) override { tree_.addObserver(observer); }
    void unwatch(kw::TreeObserver* observer) override { tree_.removeObserver(observer); }
    void setExpanded(NodeId node, bool expanded) override { tree_.setExpanded(node, expanded); }
    void setSelected(NodeId node) override { tree_.select(node); }
    bool isMarkedDead(NodeId node) const override { return dead.contains(node); }
    std::set<NodeId> dead;

private:
    ChannelTree& tree_;
};

}  // namespace

class ChannelTreeModelTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        tree_ = std::make_unique<ChannelTree>();
        root_ = tree_->appendChild(kNoNode, "鹰波视听 (Kestrel Wave)");
        favourites_ = tree_->appendChild(root_, "A我的最爱");
        tv_ = tree_->appendChild(root_, "B电视台");
        news_ = tree_->appendChild(tv_, "新闻");
        channel_ = tree_->appendChild(news_, "CCTV-13");
        access_ = std::make_unique<DirectAccess>(*tree_);
        model_ = std::make_unique<kw::ChannelTreeModel>(*access_);
        tester_ = std::make_unique<QAbstractItemModelTester>(
            model_.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        view_ = std::make_unique<kw::ChannelTreeView>();
        view_->setChannelModel(model_.get());
    }

    void cleanup() {
        view_.reset();
        tester_.reset();
        model_.reset();
        access_.reset();
        tree_.reset();
    }

    void modelShowsTheTreeAndFollowsItsChanges() {
        QCOMPARE(model_->rowCount(), 1);
        const QModelIndex tv = model_->indexOf(tv_);
        QCOMPARE(tv.data().toString(), QStringLiteral("B电视台"));
        QCOMPARE(tv.row(), 1);
        QCOMPARE(model_->parent(model_->indexOf(channel_)), model_->indexOf(news_));
        QCOMPARE(model_->flags(tv), Qt::ItemIsEnabled | Qt::ItemIsSelectable);

        kw::YieldHook yield;
        const NodeId sports = tree_->FindOrAddChild(tv_, "体育", yield);
        QCOMPARE(model_->rowCount(tv), 2);
        QCOMPARE(model_->indexOf(sports).row(), 1);

        // A sort moves rows; indexes the view keeps follow their nodes.
        const QPersistentModelIndex kept(model_->indexOf(sports));
        tree_->sortChildren(kw::TreeCollation(), yield);
        QCOMPARE(kept.data().toString(), QStringLiteral("体育"));
        QCOMPARE(kept.row(), static_cast<int>(tree_->row(sports)));

        tree_->removeNode(news_);
        QCOMPARE(model_->rowCount(tv), 1);
        QVERIFY(!model_->indexOf(channel_).isValid());
    }

    void aDeadChannelReadsAsDeadWithoutItsColour() {
        access_->dead.insert(channel_);
        const QModelIndex leaf = model_->indexOf(channel_);
        QVERIFY(leaf.data().toString().endsWith(QString::fromUtf8(kw::ChannelTreeModel::kDeadMark)));
        QVERIFY(leaf.data(kw::ChannelTreeModel::kDeadRole).toBool());
        QVERIFY(!model_->indexOf(news_).data(kw::ChannelTreeModel::kDeadRole).toBool());
    }

    void modelIsEmptyWhileTheTreeIsReplaced() {
        {
            ChannelTree::ResetScope reset(*tree_);
            tree_->clear();
            QCOMPARE(model_->rowCount(), 0);
            const NodeId root = tree_->appendChild(kNoNode, "鹰波视听 (Kestrel Wave)");
            tree_->appendChild(root, "A我的最爱");
            QCOMPARE(model_->rowCount(), 0);
            QVERIFY(!model_->index(0, 0).isValid());
        }
        QCOMPARE(model_->rowCount(), 1);
        QCOMPARE(model_->rowCount(model_->index(0, 0)), 1);
    }

    void viewShowsTheTreesExpansionAndSelection() {
        tree_->setExpanded(root_, true);
        tree_->setBranchExpanded(tv_, true);
        QVERIFY(view_->isExpanded(model_->indexOf(root_)));
        QVERIFY(view_->isExpanded(model_->indexOf(news_)));
        tree_->select(channel_);
        QCOMPARE(view_->currentIndex(), model_->indexOf(channel_));
        QVERIFY(view_->selectionModel()->isSelected(model_->indexOf(channel_)));

        tree_->setAllExpanded(false);
        QVERIFY(!view_->isExpanded(model_->indexOf(root_)));
        QVERIFY(!view_->isExpanded(model_->indexOf(news_)));

        // After a replacement the view takes the whole state from the tree.
        {
            ChannelTree::ResetScope reset(*tree_);
            tree_->setExpanded(tv_, true);
            tree_->select(tv_);
        }
        QVERIFY(view_->isExpanded(model_->indexOf(tv_)));
        QCOMPARE(view_->currentIndex(), model_->indexOf(tv_));
    }

    void viewTakesOverTheSelectionTheTreeHasAlready() {
        tree_->select(favourites_);
        kw::ChannelTreeView second;
        second.setChannelModel(model_.get());
        QCOMPARE(tree_->selected(), favourites_);
        QCOMPARE(second.currentIndex(), model_->indexOf(favourites_));
    }

    void removingTheSelectedBranchLeavesTheSelectionToTheTree() {
        const NodeId sibling = tree_->appendChild(news_, "CCTV-1");
        tree_->setAllExpanded(true);
        tree_->select(channel_);
        tree_->removeNode(channel_);
        QVERIFY(model_->indexOf(sibling).isValid());
        // Qt would move the current row to a neighbour; the tree decides instead.
        QCOMPARE(tree_->selected(), kNoNode);
        QVERIFY(!view_->currentIndex().isValid());
    }

    void userChangesInTheViewReachTheTree() {
        view_->expand(model_->indexOf(root_));
        QVERIFY(tree_->isExpanded(root_));
        view_->collapse(model_->indexOf(root_));
        QVERIFY(!tree_->isExpanded(root_));
        view_->setCurrentIndex(model_->indexOf(favourites_));
        QCOMPARE(tree_->selected(), favourites_);
    }

    void viewIsARowSelectingTreeWithoutEditing() {
        QCOMPARE(view_->objectName(), QStringLiteral("tvSelectChannel"));
        QCOMPARE(view_->indentation(), 14);
        QVERIFY(!view_->rootIsDecorated());
        QCOMPARE(view_->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(view_->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(view_->palette().color(QPalette::Inactive, QPalette::Highlight),
                 view_->palette().color(QPalette::Active, QPalette::Highlight));
    }

    void mouseOverALabelReportsItsNode() {
        tree_->setExpanded(root_, true);
        view_->resize(224, 297);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
        QSignalSpy hovered(view_.get(), &kw::ChannelTreeView::nodeHovered);
        const QRect tv = view_->visualRect(model_->indexOf(tv_));
        QTest::mouseMove(view_->viewport(), tv.center());
        QCOMPARE(hovered.count(), 1);
        QCOMPARE(hovered.at(0).at(0).value<NodeId>(), tv_);
        QTest::mouseMove(view_->viewport(), QPoint(5, view_->viewport()->height() - 5));
        QCOMPARE(hovered.count(), 1);
    }

private:
    std::unique_ptr<ChannelTree> tree_;
    std::unique_ptr<DirectAccess> access_;
    std::unique_ptr<kw::ChannelTreeModel> model_;
    std::unique_ptr<QAbstractItemModelTester> tester_;
    std::unique_ptr<kw::ChannelTreeView> view_;
    NodeId root_ = kNoNode, favourites_ = kNoNode, tv_ = kNoNode, news_ = kNoNode, channel_ = kNoNode;
};

QTEST_MAIN(ChannelTreeModelTest)
#include "ChannelTreeModelTest.moc"
