#pragma once

#include <QString>

#include <string_view>

namespace kw {

// Text of the core (UTF-8) as a QString.
inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Text of the core for a Qt widget: UTF-8 to QString, and CR LF or a lone CR
// (the line breaks the stored texts use) to the LF that Qt breaks lines at.
QString toDisplayText(std::string_view text);

}  // namespace kw
