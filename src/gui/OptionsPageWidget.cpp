#include "gui/OptionsPageWidget.h"

#include "gui/QtText.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>

namespace kw {

OptionsPageWidget::OptionsPageWidget(OptionsVisit& visit, const OptionsLinks& links, QWidget* parent)
    : QWidget(parent), visit_(visit), links_(links) {}

OptionsHintPanel::OptionsHintPanel(QObject* owner, Follows follows) : QObject(owner), follows_(follows) {}

QLabel* OptionsHintPanel::place(QWidget* parent, const char* name, int pixelSize, QRect geometry) {
    panel_ = new QLabel(parent);
    panel_->setObjectName(QString::fromLatin1(name));
    panel_->setGeometry(geometry);
    panel_->setWordWrap(true);
    panel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    panel_->setStyleSheet(
        QStringLiteral("QLabel { background: #0000C0; color: white; font-size: %1px; padding: 4px; }")
            .arg(pixelSize));
    return panel_;
}

void OptionsHintPanel::show(std::string_view text) { panel_->setText(toDisplayText(text)); }

void OptionsHintPanel::add(QWidget* control, std::string_view text) {
    hints_.insert(control, toDisplayText(text));
    control->installEventFilter(this);
}

bool OptionsHintPanel::eventFilter(QObject* watched, QEvent* event) {
    if (panel_ != nullptr && hints_.contains(watched)) {
        if (follows_ == Follows::Focus) {
            if (event->type() == QEvent::FocusIn) panel_->setText(hints_.value(watched));
        } else if (event->type() == QEvent::Enter) {
            leftFor_ = nullptr;
            panel_->setText(hints_.value(watched));
        } else if (event->type() == QEvent::Leave) {
            mouseLeft(static_cast<QWidget*>(watched));
        }
    }
    return QObject::eventFilter(watched, event);
}

void OptionsHintPanel::mouseLeft(QWidget* control) {
    // Leaving a control for the empty part of its group (or the page) enters
    // nothing: the group's hint shows once no other control is entered. One
    // move reports every control it leaves, innermost first; leaving that
    // group as well means the mouse went further out.
    const bool pending = leaving_;
    if (!pending || leftFor_ == control) {
        QWidget* outer = control->parentWidget();
        while (outer != nullptr && !hints_.contains(outer)) outer = outer->parentWidget();
        leftFor_ = outer;
    }
    if (pending) return;
    leaving_ = true;
    QTimer::singleShot(0, this, [this] {
        leaving_ = false;
        if (leftFor_ != nullptr) panel_->setText(hints_.value(leftFor_));
        leftFor_ = nullptr;
    });
}

namespace options_ui {

std::string utf8(const QString& text) { return text.toStdString(); }

QLabel* label(QWidget* parent, const char* name, std::string_view text, QRect geometry) {
    auto* made = new QLabel(qs(text), parent);
    made->setObjectName(QString::fromLatin1(name));
    made->setGeometry(geometry);
    return made;
}

}  // namespace options_ui

}  // namespace kw
