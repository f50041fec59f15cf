#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <span>
#include <string_view>

class QComboBox;
class QToolButton;

namespace kw {

// The main window's controls are placed by pixel inside the 254 × 514 window.

template <typename Widget>
Widget* place(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

// A flat button with a caption.
QToolButton* flatButton(QWidget* parent, const char* name, const char* caption, int left, int top, int width,
                        int height);

// A drop-down list in the row under the details, with its entries and hint.
// The shown entry ends in "…" when it does not fit.
QComboBox* dropDownList(QWidget* parent, const char* name, int left,
                        std::span<const std::string_view> entries, const char* hint);

// Gives a list the font in which its entries fit the place the list shows them in.
void fitEntries(QComboBox* list);

// The program's font, condensed step by step and then a pixel smaller, until
// every text fits the width; the smallest tried when none does (what still
// does not fit is elided where it is shown).
QFont fittingFont(const QFont& font, const QStringList& texts, int width);

}  // namespace kw
