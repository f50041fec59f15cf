#include "core/actions/ShellOpen.h"

#include "core/base/AddressRules.h"
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
    if (!address::isOpenableTarget(target)) {
        reportPlayError();
        return;
    }
    // The desktop may report a failure long after this returns: the next
    // step then runs, unless this opener is gone by that time.
    std::weak_ptr<bool> alive = alive_;
    std::string address(target);
    auto documentFailed = [this, alive, address] {
        if (alive.lock()) afterDocumentFailed(address);
    };
    if (desktop_.openDocument(target, format, documentFailed)) return;
    afterDocumentFailed(address);
}

void ShellOpener::afterDocumentFailed(const std::string& target) {
    // "https://" reads "HTTPS:/" in its first seven characters and is not retried.
    if (ascii::upper(std::string_view(target).substr(0, 7)) == "HTTP://") {
        std::weak_ptr<bool> alive = alive_;
        auto browserFailed = [this, alive] {
            if (alive.lock()) reportPlayError();
        };
        if (desktop_.openInBrowser(target, browserFailed)) return;
    }
    reportPlayError();
}

void ShellOpener::reportPlayError() {
    ++failures_;
    ui_.ShowMessage(std::string(kPlayError) + homePage_);
}

}  // namespace kw
