// kestrelwave: the desktop program.
#include "app/EntrySequence.h"

int main(int argc, char** argv) {
    kw::Application application(argc, argv);
    const std::unique_ptr<kw::Program> program = kw::Program::start(kw::executableFolder());
    return program ? program->run() : 0;
}
