#include "gui/MainControls.h"

#include "gui/QtText.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>

namespace kw {
namespace {

// A drop-down list narrower than its entries: the shown entry ends in "…"
// when it does not fit, and its hint then starts with the whole entry. The
// open list is as wide as its longest entry.
class ElidingComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;

    bool elided() const { return labelText() != currentText(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        option.currentText = labelText();
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }

    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip && elided()) {
            const auto* help = static_cast<QHelpEvent*>(event);
            QToolTip::showText(help->globalPos(), currentText() + QLatin1Char('\n') + toolTip(), this);
            return true;
        }
        return QComboBox::event(event);
    }

    void showPopup() override {
        view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth() + 8);
        QComboBox::showPopup();
    }

private:
    QString labelText() const {
        QStyleOptionComboBox option;
        initStyleOption(&option);
        const QRect label =
            style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        return fontMetrics().elidedText(currentText(), Qt::ElideRight, label.width());
    }
};

}  // namespace

QToolButton* flatButton(QWidget* parent, const char* name, const char* caption, int left, int top, int width,
                        int height) {
    auto* button = place<QToolButton>(parent, name, left, top, width, height);
    button->setAutoRaise(true);
    button->setText(QString::fromUtf8(caption));
    return button;
}

QFont fittingFont(const QFont& font, const QStringList& texts, int width) {
    constexpr int kSmallestPixels = 10;
    constexpr int kNarrowestStretch = 80;
    QFont candidate = font;
    for (int pixels = font.pixelSize(); pixels >= kSmallestPixels; --pixels) {
        for (int stretch = 100; stretch >= kNarrowestStretch; stretch -= 5) {
            candidate.setPixelSize(pixels);
            candidate.setStretch(stretch);
            const QFontMetrics metrics(candidate);
            if (std::all_of(texts.begin(), texts.end(),
                            [&](const QString& text) { return metrics.horizontalAdvance(text) <= width; }))
                return candidate;
        }
    }
    return candidate;
}

QComboBox* dropDownList(QWidget* parent, const char* name, int left,
                        std::span<const std::string_view> entries, const char* hint) {
    auto* list = new ElidingComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(left, 414, 0, 20);
    for (std::string_view entry : entries) list->addItem(qs(entry));
    list->setToolTip(QString::fromUtf8(hint));
    return list;
}

void fitEntries(QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    QStyleOptionComboBox option;
    option.initFrom(list);
    const QRect label =
        list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
    list->setFont(fittingFont(list->font(), entries, label.width()));
}

}  // namespace kw
