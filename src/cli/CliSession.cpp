#include "cli/CliSession.h"

#include "platform/LinuxDesktop.h"

#include <ostream>
#include <string>

namespace kw::cli {
namespace {

// Prints every address it is asked to open, so a script sees what a play
// would hand to the desktop.
class PrintingDesktop final : public DesktopPort {
public:
    explicit PrintingDesktop(std::ostream& out) : out_(out) {}

    bool openDocument(std::string_view target, std::string_view /*format*/) override {
        out_ << target << '\n';
        return true;
    }
    bool openInBrowser(std::string_view address) override {
        out_ << address << '\n';
        return true;
    }

private:
    std::ostream& out_;
};

std::unique_ptr<DesktopPort> makeDesktop(Opening opening, std::ostream& out) {
    if (opening == Opening::Print) return std::make_unique<PrintingDesktop>(out);
    return std::make_unique<LinuxDesktop>();
}

}  // namespace

CliSession::CliSession(CommandContext& context, Opening opening, Database database)
    : ui_(context.out, context.err),
      desktop_(makeDesktop(opening, context.out)),
      session_(context.programDir, ui_, *desktop_) {
    if (database == Database::Open) session_.open();
}

}  // namespace kw::cli
