// The news window's web view module: the only code that links the web engine.
#include "gui/AdPageView.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace kw {
namespace {

// A page opened for a link with a target (a new window): it never shows; its
// first address goes to the user's browser.
class LinkForwardPage : public QWebEnginePage {
public:
    LinkForwardPage(QWebEngineProfile* profile, std::function<void(const QUrl&)> open)
        : QWebEnginePage(profile, profile), open_(std::move(open)) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        open_(url);
        deleteLater();
        return false;
    }

private:
    std::function<void(const QUrl&)> open_;
};

// The window's page: loads only the pages the window allows (and their own
// frames); links the user clicks go to the user's browser.
class AdPage : public QWebEnginePage {
public:
    AdPage(QWebEngineProfile* profile, QObject* parent, const AdPageView::Hooks& hooks)
        : QWebEnginePage(profile, parent), allowed_(hooks.allowed), open_(hooks.openLink) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (type == NavigationTypeLinkClicked) {
            open_(url);
            return false;
        }
        return !isMainFrame || allowed_(url);
    }
    QWebEnginePage* createWindow(WebWindowType) override { return new LinkForwardPage(profile(), open_); }

private:
    std::function<bool(const QUrl&)> allowed_;
    std::function<void(const QUrl&)> open_;
};

class AdWebView : public QWebEngineView, public AdPageView {
public:
    AdWebView(QWidget* parent, const AdPageView::Hooks& hooks) : QWebEngineView(parent) {
        // Off the record: no cookies, cache or history outlive the run.
        // Owned by the view's parent, which deletes its children in order of
        // creation: the view and its page go before the profile.
        auto* profile = new QWebEngineProfile(parent);
        QWebEngineSettings* settings = profile->settings();
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
        setObjectName(QStringLiteral("webAD"));
        setContextMenuPolicy(Qt::NoContextMenu);
        auto* page = new AdPage(profile, this, hooks);
        setPage(page);
        connect(this, &QWebEngineView::loadFinished, this, hooks.loaded);
        connect(page, &QWebEnginePage::renderProcessTerminated, this,
                [crashed = hooks.crashed](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                    if (status != QWebEnginePage::NormalTerminationStatus) crashed();
                });
    }

    QWidget* widget() override { return this; }
    void load(const QUrl& url) override { QWebEngineView::load(url); }
    void showHtml(const QString& html) override { setHtml(html); }
    void stop() override { QWebEngineView::stop(); }
};

}  // namespace
}  // namespace kw

extern "C" Q_DECL_EXPORT kw::AdPageView* kwCreateAdPageView(QWidget* parent,
                                                            const kw::AdPageView::Hooks& hooks) {
    return new kw::AdWebView(parent, hooks);
}
