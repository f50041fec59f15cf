#include "cli/CliSession.h"

#include "platform/LinuxDesktop.h"

#include <ostream>
#include <string>

namespace kw::cli {
namespace {

// Prints every address it is asked to open, so a script sees what a play
// would hand to the desktop; what the desktop would refuse is refused here too.
class PrintingDesktop final : public DesktopPort {
public:
    explicit PrintingDesktop(std::ostream& out) : out_(out) {}

    bool openDocument(std::string_view target, std::string_view /*format*/, LateFailure) override {
        return print(desktop::openerArgument(target));
    }
    bool openInBrowser(std::string_view address, LateFailure) override {
        return print(desktop::browserArgument(address));
    }
    bool startProgram(std::string_view program, const std::vector<std::string>& arguments,
                      LateFailure) override {
        std::string line(program);
        for (const std::string& argument : arguments) line += ' ' + argument;
        return print(desktop::isStartableProgram(program) ? std::optional(line) : std::nullopt);
    }

private:
    // What the desktop is given, as it is given: a relative path made absolute.
    bool print(const std::optional<std::string>& argument) {
        if (argument) out_ << printable(*argument) << '\n';
        return argument.has_value();
    }

    std::ostream& out_;
};

// The per-user program directory is made on the first command that opens it.
const std::filesystem::path& preparedProgramDir(CommandContext& context) {
    if (prepareProgramDirectory({context.programDir, context.layout}, context.dataFolder)) {
        context.err << "kwave: made the program directory " << context.programDir.string() << '\n';
    }
    return context.programDir;
}

std::unique_ptr<DesktopPort> makeDesktop(Opening opening, std::ostream& out) {
    if (opening == Opening::Print) return std::make_unique<PrintingDesktop>(out);
    return std::make_unique<LinuxDesktop>();
}

}  // namespace

CliSession::CliSession(CommandContext& context, Opening opening, Database database)
    : ui_(context.out, context.err),
      desktop_(makeDesktop(opening, context.out)),
      session_(preparedProgramDir(context), ui_, *desktop_, probe_, web_, directoryServers_) {
    // A preview changes nothing: no last played channel.
    session_.setPreview(opening == Opening::Print);
    if (database == Database::Open) session_.open();
}

bool CliSession::openedWithoutFailure(unsigned failuresBefore) {
    desktop_->waitForLaunches(kOpenerWait);
    return session_.failedOpens() == failuresBefore;
}

}  // namespace kw::cli
