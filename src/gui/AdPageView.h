#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

namespace kw {

// The news window's web view. It is built as a module of its own, loaded the
// first time a page is shown: the web engine's libraries take longer to load
// than the rest of the program together, and most starts never need them
// before the panel is on screen.
class AdPageView {
public:
    struct Hooks {
        std::function<bool(const QUrl&)> allowed;   // may the main frame go there
        std::function<void(const QUrl&)> openLink;  // a link the user clicked
        std::function<void(bool ok)> loaded;        // a load ended
        std::function<void()> crashed;              // the page's process ended abnormally
    };

    AdPageView() = default;
    AdPageView(const AdPageView&) = delete;
    AdPageView& operator=(const AdPageView&) = delete;
    virtual ~AdPageView() = default;

    // The view's widget; deleting it deletes the view.
    virtual QWidget* widget() = 0;
    virtual void load(const QUrl& url) = 0;
    virtual void showHtml(const QString& html) = 0;
    virtual void stop() = 0;
};

// Makes a view as a child of parent; nullptr when the module or the web
// engine it needs is not installed.
AdPageView* createAdPageView(QWidget* parent, const AdPageView::Hooks& hooks);

// The module's one entry point, looked up by this name.
using CreateAdPageViewFunction = AdPageView* (*)(QWidget* parent, const AdPageView::Hooks& hooks);
inline constexpr char kCreateAdPageViewSymbol[] = "kwCreateAdPageView";

}  // namespace kw
