#include "gui/AdPageView.h"

#include <QCoreApplication>
#include <QLibrary>

#include <iostream>

namespace kw {
namespace {

// Found beside the program as installed: <prefix>/bin/kestrelwave and
// <prefix>/<libdir>/kestrelwave/; the build tree has the same layout.
QString modulePath() {
    return QCoreApplication::applicationDirPath() +
           QStringLiteral("/../" KW_MODULE_DIR "/" KW_WEBVIEW_MODULE);
}

CreateAdPageViewFunction loadModule() {
    // The engine draws with the windows' GL contexts and crashes without them.
    if (!QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts)) {
        std::cerr << "kestrelwave: no web view: the windows do not share their GL contexts\n";
        return nullptr;
    }
    QLibrary module(modulePath());
    if (!module.load()) {
        std::cerr << "kestrelwave: no web view: " << module.errorString().toStdString() << '\n';
        return nullptr;
    }
    // The module stays loaded for the rest of the run.
    return reinterpret_cast<CreateAdPageViewFunction>(module.resolve(kCreateAdPageViewSymbol));
}

}  // namespace

AdPageView* createAdPageView(QWidget* parent, const AdPageView::Hooks& hooks) {
    static const CreateAdPageViewFunction create = loadModule();
    return create != nullptr ? create(parent, hooks) : nullptr;
}

}  // namespace kw
