#pragma once

#include "core/session/Roles.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTreeWidget;

namespace kw {

// The subscriptions and how their last refresh went: "订阅新列表..." asks
// for an address, "刷新" reads the chosen list again, "取消订阅" removes it
// (asking whether its channels go too). Each command runs through `run`, the
// main window's event boundary, and the list is read again after it.
class SubscriptionWindow : public QDialog {
public:
    using Run = std::function<void(const std::function<void()>& command)>;

    SubscriptionWindow(Subscriptions& subscriptions, Run run, QWidget* parent = nullptr);

private:
    void reload();
    const Subscription* chosen() const;

    Subscriptions& subscriptions_;
    Run run_;
    std::vector<Subscription> shown_;
    QTreeWidget* list_;
    QPushButton* refresh_;
    QPushButton* remove_;
};

}  // namespace kw
