#include "gui/frmADWindow.h"

#include "core/ports/DesktopPort.h"
#include "gui/AdPageView.h"
#include "gui/QtText.h"
#include "gui/QtUi.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPalette>
#include <QPointer>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <unistd.h>

namespace kw {
namespace {

const QColor kNavy(0, 0, 128);

// Shown in place of a page that cannot be fetched (no network, the site
// down): a plain local page in the window's colours, never the engine's error.
const char* const kLocalPage =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><style>"
    "body{background:#000080;color:#fff;font:14px sans-serif;margin:40px 24px;text-align:center}"
    "p{line-height:1.6}</style></head><body>"
    "<p>暂时无法连接到鹰波视听的网站。</p>"
    "<p>请检查网络连接，稍后再从菜单“其它”中打开“最新资讯”。</p>"
    "</body></html>";

const char* const kNoEngineNotice =
    "这里显示鹰波视听网站上的最新资讯和广告。\n\n本机暂时无法显示网页，\n请用浏览器访问作者主页查看。";

// The engine refuses to run as root with its sandbox on; the sandbox stays on
// for everyone else, so as root the notice shows unless the sandbox was
// explicitly turned off for this run.
bool webEngineCanStart() {
    return ::geteuid() != 0 || qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX");
}

}  // namespace

frmADWindow::frmADWindow(AdClock& clock, DesktopPort& desktop, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), clock_(clock), desktop_(desktop) {
    setObjectName(QStringLiteral("frmADWindow"));
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kMinWidth, kMinHeight);
    setFont(programFont());
    QPalette navy = palette();
    navy.setColor(QPalette::Window, kNavy);
    navy.setColor(QPalette::WindowText, Qt::white);
    setPalette(navy);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    lblAD_ = new QLabel(this);
    lblAD_->setObjectName(QStringLiteral("lblAD"));
    lblAD_->setFixedHeight(15);
    lblAD_->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblAD_);
    pages_ = new QStackedLayout;
    layout->addLayout(pages_, 1);
    notice_ = new QLabel(QString::fromUtf8(kNoEngineNotice), this);
    notice_->setObjectName(QStringLiteral("lblADNotice"));
    notice_->setAlignment(Qt::AlignCenter);
    notice_->setWordWrap(true);
    pages_->addWidget(notice_);

    second_.setInterval(1000);
    connect(&second_, &QTimer::timeout, this, &frmADWindow::trmADTimer);
}

frmADWindow::~frmADWindow() {
    // The engine wants the page gone before its profile.
    if (web_ != nullptr) delete web_->widget();
}

void frmADWindow::createPageView() {
    if (web_ != nullptr || engineFailed_ || !webEngineCanStart()) return;
    AdPageView::Hooks hooks;
    hooks.allowed = [this](const QUrl& url) {
        return url == pageUrl_ || url.scheme() == QLatin1String("data");
    };
    hooks.openLink = [this](const QUrl& url) { openLink(url); };
    hooks.loaded = [this](bool ok) { pageLoaded(ok); };
    hooks.crashed = [this] { useNotice(); };
    web_ = createAdPageView(this, hooks);
    if (web_ == nullptr) {
        engineFailed_ = true;  // not installed: no second try in this run
        return;
    }
    pages_->addWidget(web_->widget());
    pages_->setCurrentWidget(web_->widget());
}

void frmADWindow::useNotice() {
    // An engine that crashed once is not started again in this run.
    engineFailed_ = true;
    pages_->setCurrentWidget(notice_);
    if (web_ != nullptr) web_->widget()->deleteLater();
    web_ = nullptr;
}

void frmADWindow::showMode(AdMode mode) {
    // A showing over a running one starts afresh.
    if (isVisible()) hide();
    const AdShowing showing = clock_.show(mode);
    setWindowTitle(qs(showing.caption));
    lblAD_->setText(qs(showing.label));
    lblAD_->setToolTip(toDisplayText(showing.tooltip));
    pageUrl_ = QUrl(qs(showing.page));
    move(kLeft, kTop);
    if (!pageHeld_) {
        createPageView();
        loadPage();
    }
    second_.start();
    show();
    raise();
}

void frmADWindow::holdPage(bool held) {
    const bool released = pageHeld_ && !held;
    pageHeld_ = held;
    if (!released || !isVisible()) return;
    createPageView();
    loadPage();
}

void frmADWindow::loadPage() {
    showsLocalPage_ = false;
    loadingPage_ = true;
    if (web_ != nullptr) web_->load(pageUrl_);
}

void frmADWindow::pageLoaded(bool ok) {
    // A refused navigation (a link sent to the browser) also ends in a failed
    // load; only the showing's own page failing brings the local page.
    const bool pageFailed = loadingPage_ && !ok;
    loadingPage_ = false;
    if (!pageFailed || web_ == nullptr || !isVisible()) return;
    showsLocalPage_ = true;
    web_->showHtml(QString::fromUtf8(kLocalPage));
}

void frmADWindow::openLink(const QUrl& url) {
    // The page was there to be clicked: the failed load the refused
    // navigation reports, even while the page is still loading, is not the
    // page failing.
    loadingPage_ = false;
    const QPointer<frmADWindow> alive(this);
    const auto failed = [this, alive] {
        if (alive) clock_.linkNotOpened();
    };
    if (!desktop_.openInBrowser(url.toString().toStdString(), failed)) failed();
}

void frmADWindow::trmADTimer() {
    const AdTick tick = clock_.tick();
    if (tick.caption) setWindowTitle(qs(*tick.caption));
    if (tick.hide) hide();
    if (tick.reload && isVisible()) loadPage();
}

void frmADWindow::closeEvent(QCloseEvent* event) {
    bool hideNow = false;
    if (!clock_.closeRequested(isVisible(), hideNow)) {
        event->ignore();
        if (hideNow) hide();
        return;
    }
    event->accept();
}

void frmADWindow::hideEvent(QHideEvent* event) {
    second_.stop();
    if (web_ != nullptr) web_->stop();
    clock_.hidden();
    QWidget::hideEvent(event);
}

}  // namespace kw
