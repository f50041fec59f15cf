#include "gui/SubscriptionWindow.h"

#include "gui/QtText.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kw {
namespace {

constexpr std::string_view kTitle = "订阅管理";
constexpr std::string_view kIntro =
    "订阅的播放列表可以随时刷新：地址或标题变了的频道原地更新，新频道加入，列表里已没有的频道标为失效。";

}  // namespace

SubscriptionWindow::SubscriptionWindow(Subscriptions& subscriptions, Run run, QWidget* parent)
    : QDialog(parent), subscriptions_(subscriptions), run_(std::move(run)) {
    setObjectName(QStringLiteral("frmSubscriptions"));
    setWindowTitle(qs(kTitle));
    auto* intro = new QLabel(qs(kIntro), this);
    intro->setWordWrap(true);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("tvSubscriptions"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("名称"), QStringLiteral("频道数"), QStringLiteral("上次刷新"),
                            QStringLiteral("结果"), QStringLiteral("地址")});
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* add = buttons->addButton(QStringLiteral("订阅新列表(&N)..."), QDialogButtonBox::ActionRole);
    add->setObjectName(QStringLiteral("btnSubscribe"));
    refresh_ = buttons->addButton(QStringLiteral("刷新(&R)"), QDialogButtonBox::ActionRole);
    refresh_->setObjectName(QStringLiteral("btnRefreshSubscription"));
    remove_ = buttons->addButton(QStringLiteral("取消订阅(&D)"), QDialogButtonBox::ActionRole);
    remove_->setObjectName(QStringLiteral("btnUnsubscribe"));
    QPushButton* close = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("btnCloseSubscriptions"));
    for (QPushButton* button : {add, refresh_, remove_, close}) button->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto then = [this](auto command) {
        return [this, command] {
            run_([this, command] { command(); });
            reload();
        };
    };
    connect(add, &QPushButton::clicked, this, then([this] { subscriptions_.actSubscribe(); }));
    connect(refresh_, &QPushButton::clicked, this, then([this] {
                if (const Subscription* s = chosen()) subscriptions_.actRefresh(*s);
            }));
    connect(remove_, &QPushButton::clicked, this, then([this] {
                if (const Subscription* s = chosen()) subscriptions_.actUnsubscribe(*s);
            }));
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] {
        refresh_->setEnabled(chosen() != nullptr);
        remove_->setEnabled(chosen() != nullptr);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    reload();
    list_->setFocus(Qt::OtherFocusReason);
    resize(760, 360);
}

void SubscriptionWindow::reload() {
    const int row = list_->currentIndex().row();
    shown_ = subscriptions_.list();
    list_->clear();
    for (const Subscription& s : shown_) {
        auto* item = new QTreeWidgetItem({qs(s.row.name), QString::number(s.state.entries),
                                          qs(Subscriptions::timeText(s.state.refreshedAt)),
                                          qs(Subscriptions::resultText(s.state)), qs(s.row.address)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        list_->addTopLevelItem(item);
    }
    if (!shown_.empty())
        list_->setCurrentItem(list_->topLevelItem(std::clamp(row, 0, list_->topLevelItemCount() - 1)));
    refresh_->setEnabled(chosen() != nullptr);
    remove_->setEnabled(chosen() != nullptr);
}

const Subscription* SubscriptionWindow::chosen() const {
    const int row = list_->currentIndex().row();
    return row >= 0 && row < static_cast<int>(shown_.size()) ? &shown_[static_cast<std::size_t>(row)]
                                                             : nullptr;
}

}  // namespace kw
