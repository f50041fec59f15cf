#include "core/actions/ShellOpen.h"

#include "core/base/AsciiText.h"
#include "core/base/TextCodec.h"
#include "core/ports/DesktopPort.h"
#include "core/ports/UiPort.h"

#include <utility>

namespace kw {

ShellOpener::ShellOpener(DesktopPort& desktop, UiPort& ui, std::string homePage)
    : desktop_(desktop), ui_(ui), homePage_(std::move(homePage)) {}

void ShellOpener::ShellOpen(std::string_view target, std::string_view format) {
    if (target.empty()) return;
    if (desktop_.openDocument(target, format)) return;
    // "https://" reads "HTTPS:/" in its first seven characters and is not retried.
    if (ascii::upper(target.substr(0, 7)) == "HTTP://" && desktop_.openInBrowser(target)) return;
    ui_.ShowMessage(std::string(kPlayError) + homePage_);
}

}  // namespace kw
