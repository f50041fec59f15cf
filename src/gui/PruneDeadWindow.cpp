#include "gui/PruneDeadWindow.h"

#include "gui/QtText.h"
#include "gui/QtUi.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>
#include <optional>

namespace kw {
namespace {

constexpr std::string_view kTitle = "清理失效频道";
constexpr std::string_view kIntro = "下列频道最近连续多次检查都失败，且已失效多日。勾选要删除的频道：";
constexpr std::string_view kDeleteText = "删除选中频道";
constexpr std::string_view kCancelText = "取消";

}  // namespace

PruneDeadWindow::PruneDeadWindow(const std::vector<DeadChannelCandidate>& candidates,
                                 DeleteChosen deleteChosen, QWidget* parent)
    : QDialog(parent), deleteChosen_(std::move(deleteChosen)) {
    setObjectName(QStringLiteral("frmPruneDead"));
    setWindowTitle(qs(kTitle));
    auto* intro = new QLabel(qs(kIntro), this);
    intro->setWordWrap(true);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("tvPruneDead"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("频道"), QStringLiteral("原因"), QStringLiteral("连续失败"),
                            QStringLiteral("失效起始")});
    for (const DeadChannelCandidate& candidate : candidates) {
        auto* item = new QTreeWidgetItem({qs(candidate.name), qs(candidate.reason),
                                          QString::number(candidate.failures), qs(candidate.sinceDate())});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
        names_.push_back(candidate.name);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        list_->addTopLevelItem(item);
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->setCurrentItem(list_->topLevelItem(0));

    auto* buttons = new QDialogButtonBox(this);
    delete_ = buttons->addButton(qs(kDeleteText), QDialogButtonBox::DestructiveRole);
    delete_->setObjectName(QStringLiteral("btnPruneDelete"));
    // Enter in the list must not delete: only a press of the button does.
    delete_->setAutoDefault(false);
    QPushButton* cancel = buttons->addButton(qs(kCancelText), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnPruneCancel"));
    cancel->setAutoDefault(false);
    connect(delete_, &QPushButton::clicked, this, &PruneDeadWindow::deleteClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemChanged, this, [this] { delete_->setEnabled(!chosenNames().empty()); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    setTabOrder(list_, delete_);
    setTabOrder(delete_, cancel);
    list_->setFocus(Qt::OtherFocusReason);
    resize(600, 400);
}

std::vector<std::string> PruneDeadWindow::chosenNames() const {
    std::vector<std::string> names;
    for (int row = 0; row < list_->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list_->topLevelItem(row);
        if (item->checkState(0) == Qt::Checked) names.push_back(names_[static_cast<std::size_t>(row)]);
    }
    return names;
}

void PruneDeadWindow::deleteClicked() {
    const std::vector<std::string> names = chosenNames();
    if (!names.empty() && deleteChosen_(names)) accept();
}

void pruneDeadChannels(DeadChannelCleanup& cleanup, QWidget* parent) {
    const std::vector<DeadChannelCandidate> candidates = cleanup.candidates();
    if (candidates.empty()) {
        QMessageBox box(QMessageBox::Information, qs(kTitle), qs(DeadChannelCleanup::kNothingToClean),
                        QMessageBox::Ok, parent);
        execMessageBox(box, parent);
        return;
    }
    std::optional<std::size_t> deleted;
    std::size_t chosen = 0;
    // An error must not pass through the window's event loop: it closes the
    // window and is rethrown for the caller's event boundary to show.
    std::exception_ptr failure;
    PruneDeadWindow window(
        candidates,
        [&](const std::vector<std::string>& names) {
            chosen = names.size();
            try {
                deleted = cleanup.confirmAndDelete(names);
            } catch (...) {
                failure = std::current_exception();
                return true;
            }
            return deleted.has_value();
        },
        parent);
    placeDialog(&window, parent);
    const int result = window.exec();
    if (failure) std::rethrow_exception(failure);
    if (result != QDialog::Accepted || !deleted || *deleted == chosen) return;
    // A check since the list was made found some alive, or they had gone already.
    const QString text = QStringLiteral("已删除 %1 个失效频道；其余 %2 个频道已不再失效或已不存在，未删除。")
                             .arg(*deleted)
                             .arg(chosen - *deleted);
    QMessageBox box(QMessageBox::Information, qs(kTitle), text, QMessageBox::Ok, parent);
    execMessageBox(box, parent);
}

}  // namespace kw
