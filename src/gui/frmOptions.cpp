#include "gui/frmOptions.h"

#include "core/session/OptionsVisit.h"
#include "gui/OptionsAboutPage.h"
#include "gui/OptionsChannelPage.h"
#include "gui/OptionsSetupPage.h"
#include "gui/QtText.h"
#include "gui/QtUi.h"

#include <QPointer>

#include <utility>

namespace kw {
namespace {

QPointer<frmOptions>& openWindow() {
    static QPointer<frmOptions> window;
    return window;
}

// Page captions; the add and edit pages take theirs from the form.
constexpr std::string_view kSetupCaption = "设置选项";
constexpr std::string_view kTimerCaption = "设置定时播放列表";
constexpr std::string_view kAboutCaption = "关于 (版权信息、版本号、升级信息、作者信息等)";

}  // namespace

frmOptions* frmOptions::current() { return openWindow().data(); }

frmOptions::frmOptions(OptionsVisit& visit, OptionsLinks links, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint),
      visit_(visit),
      links_(std::move(links)) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("设置"));
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    setFont(font);
    setModal(true);

    switch (visit_.page()) {
        case OptionsPage::Settings:
            setWindowTitle(qs(kSetupCaption));
            setFixedSize(kSetupWidth, kSetupHeight);
            page_ = new OptionsSetupPage(visit_, links_, this);
            break;
        case OptionsPage::Add:
        case OptionsPage::Edit:
            setFixedSize(kSetupWidth, kSetupHeight);
            setWindowTitle(qs(visit_.form()->windowCaption()));
            page_ = new OptionsChannelPage(visit_, links_, this);
            break;
        case OptionsPage::About:
            setWindowTitle(qs(kAboutCaption));
            setFixedSize(kAboutWidth, kAboutHeight);
            page_ = new OptionsAboutPage(visit_, links_, this);
            break;
        case OptionsPage::Timer:
            setWindowTitle(qs(kTimerCaption));
            setFixedSize(kSetupWidth, kSetupHeight);
            break;
    }
    if (page_ != nullptr) {
        connect(page_, &OptionsPageWidget::accepted, this, &QDialog::accept);
        connect(page_, &OptionsPageWidget::rejected, this, &frmOptions::reject);
        page_->load();
    }
    placeDialog(this, links_.anchor, DialogPlace::OnScreen);
    openWindow() = this;
}

frmOptions::~frmOptions() {
    // The page uses links_, which goes before the children would.
    delete page_;
}

void frmOptions::done(int result) {
    if (!visit_.ended()) links_.run([this] { visit_.end(); });
    QDialog::done(result);
}

void frmOptions::reject() {
    // Escape, the window's close or the page's cancel.
    if (page_ != nullptr) page_->cancel();
    QDialog::reject();
}

}  // namespace kw
