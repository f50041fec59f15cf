// kestrelwave: the desktop program.
#include "gui/Program.h"

int main(int argc, char** argv) {
    kw::Application application(argc, argv);
    const std::unique_ptr<kw::Program> program = kw::Program::startFrom(kw::executableFolder());
    return program ? program->run() : 0;
}
