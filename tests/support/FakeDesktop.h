#pragma once

#include "core/ports/DesktopPort.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kw::test {

// Records what the core asks the desktop to open and answers from flags.
// Programs it "starts" stay watched until a test ends them with
// finishLaunches(): those meant to fail late then report it.
class FakeDesktop : public DesktopPort {
public:
    struct Opened {
        std::string target;
        std::string format;
    };
    std::vector<Opened> documents;
    std::vector<std::string> browserAddresses;
    struct Started {
        std::string program;
        std::vector<std::string> arguments;
    };
    // Every program asked for, started or not.
    std::vector<Started> programs;
    // The programs that are "installed"; any other one cannot be started.
    std::vector<std::string> installedPrograms;
    bool programsFailLate = false;
    bool documentsOpen = true;
    bool browserOpens = true;
    // Started programs that will fail once finished.
    bool documentsFailLate = false;
    bool browserFailsLate = false;

    bool openDocument(std::string_view target, std::string_view format, LateFailure onLateFailure) override {
        documents.push_back({std::string(target), std::string(format)});
        return start(documentsOpen, documentsFailLate, std::move(onLateFailure));
    }
    bool openInBrowser(std::string_view address, LateFailure onLateFailure) override {
        browserAddresses.emplace_back(address);
        return start(browserOpens, browserFailsLate, std::move(onLateFailure));
    }
    bool startProgram(std::string_view program, const std::vector<std::string>& arguments,
                      LateFailure onLateFailure) override {
        programs.push_back({std::string(program), arguments});
        const bool installed =
            std::find(installedPrograms.begin(), installedPrograms.end(), program) != installedPrograms.end();
        return start(installed, programsFailLate, std::move(onLateFailure));
    }
    bool watchingLaunches() const override { return !watched_.empty(); }

    // Ends every watched program; a late failure may start another one.
    void finishLaunches() {
        while (!watched_.empty()) {
            const LateFailure failed = std::move(watched_.front());
            watched_.erase(watched_.begin());
            if (failed) failed();
        }
    }

private:
    bool start(bool starts, bool failsLate, LateFailure onLateFailure) {
        if (!starts) return false;
        watched_.push_back(failsLate ? std::move(onLateFailure) : LateFailure());
        return true;
    }

    std::vector<LateFailure> watched_;
};

}  // namespace kw::test
