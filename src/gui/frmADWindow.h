#pragma once

#include "core/session/Session.h"

#include <QTimer>
#include <QUrl>
#include <QWidget>

class QLabel;
class QStackedLayout;

namespace kw {

class AdPageView;
class DesktopPort;

// The advertisement and news window: created once at start and kept until
// exit, always on top, at least 408 × 342, navy. A showing runs on the
// advertisement clock, ticked here once a second; closing only hides it. The page
// shows in an embedded web view that loads nothing but the showing's page;
// links open in the user's browser. Where the web engine cannot run, a plain
// notice takes its place and the timing stays the same.
class frmADWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 408;
    static constexpr int kMinHeight = 342;
    static constexpr int kLeft = 10;
    static constexpr int kTop = 20;

    // The clock the window follows and the desktop that opens clicked links;
    // both outlive the window.
    frmADWindow(AdClock& clock, DesktopPort& desktop, QWidget* parent = nullptr);
    ~frmADWindow() override;

    // actADExecute and actNewsExecute: hides a running showing and starts the
    // mode's showing from its beginning.
    void showMode(AdMode mode);

    // While held, a showing shows the window at once but makes and loads its
    // web view only when released: the web engine takes about a third of a
    // second to start, and the main window's first paint must not wait for it.
    void holdPage(bool held);
    bool pageHeld() const { return pageHeld_; }

    // The page the current showing loads.
    const QUrl& pageUrl() const { return pageUrl_; }
    // Whether the web view shows the local notice in place of a page that
    // could not be fetched.
    bool showsLocalPage() const { return showsLocalPage_; }
    // Whether pages show in the web engine (else in the plain notice).
    bool usesWebEngine() const { return web_ != nullptr; }

    // The one second of the clock; tests call it instead of waiting.
    void trmADTimer();
    // A link of the page, clicked: it opens in the user's browser, and a
    // browser that cannot start, at once or later, is told as every failed
    // open is.
    void openLink(const QUrl& url);

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void createPageView();
    void useNotice();
    void loadPage();
    void pageLoaded(bool ok);

    AdClock& clock_;
    DesktopPort& desktop_;
    QLabel* lblAD_ = nullptr;
    QStackedLayout* pages_ = nullptr;
    QLabel* notice_ = nullptr;
    AdPageView* web_ = nullptr;  // when the web engine runs
    QTimer second_;
    QUrl pageUrl_;
    bool showsLocalPage_ = false;
    bool loadingPage_ = false;  // the showing's page is on its way
    bool engineFailed_ = false;
    bool pageHeld_ = false;
};

}  // namespace kw
