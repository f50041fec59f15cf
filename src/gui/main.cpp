// kestrelwave: the desktop program.
#include "gui/Program.h"

#include <iostream>

int main(int argc, char** argv) {
    // Answered before the window system is touched: works without a display.
    if (const auto status = kw::answerInformationRequest({argv + 1, argv + argc}, std::cout, KW_VERSION))
        return *status;
    // The news window's web engine draws with the window's GL contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    kw::Application application(argc, argv);
    return kw::Program::runFrom(kw::executableFolder(), std::cerr);
}
