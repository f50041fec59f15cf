// kestrelwave: the desktop program.
#include "gui/Program.h"

int main(int argc, char** argv) {
    // The news window's web engine draws with the window's GL contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    kw::Application application(argc, argv);
    const std::unique_ptr<kw::Program> program = kw::Program::startFrom(kw::executableFolder());
    return program ? program->run() : 0;
}
