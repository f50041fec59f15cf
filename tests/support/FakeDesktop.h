#pragma once

#include "core/ports/DesktopPort.h"

#include <string>
#include <vector>

namespace kw::test {

// Records what the core asks the desktop to open and answers from flags.
class FakeDesktop : public DesktopPort {
public:
    struct Opened {
        std::string target;
        std::string format;
    };
    std::vector<Opened> documents;
    std::vector<std::string> browserAddresses;
    bool documentsOpen = true;
    bool browserOpens = true;

    bool openDocument(std::string_view target, std::string_view format) override {
        documents.push_back({std::string(target), std::string(format)});
        return documentsOpen;
    }
    bool openInBrowser(std::string_view address) override {
        browserAddresses.emplace_back(address);
        return browserOpens;
    }
};

}  // namespace kw::test
