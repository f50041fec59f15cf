#include "gui/OptionsAboutPage.h"

#include "core/session/OptionsVisit.h"
#include "gui/QtText.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace kw {

OptionsAboutPage::OptionsAboutPage(OptionsVisit& visit, const OptionsLinks& links, QWidget* parent)
    : OptionsPageWidget(visit, links, parent) {
    QWidget* tabAbout = this;
    tabAbout->setObjectName(QStringLiteral("tabAbout"));
    tabAbout->setGeometry(0, 0, kWidth, kHeight);
    // A plain QWidget gets this from its style sheet; a class of its own asks for it.
    tabAbout->setAttribute(Qt::WA_StyledBackground);
    tabAbout->setAutoFillBackground(true);
    tabAbout->setStyleSheet(QStringLiteral("#tabAbout { background: white; }"));

    auto* strip = new QLabel(tabAbout);
    strip->setObjectName(QStringLiteral("imgStrip"));
    strip->setGeometry(0, 0, 56, kHeight);
    strip->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #1E5AA8, stop:1 #9CC3F0);"));
    auto* icon = new QLabel(tabAbout);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setGeometry(66, 10, 48, 48);
    icon->setPixmap(QPixmap(QStringLiteral(":/kestrelwave/icons/kestrelwave-48.png")));
    QLabel* banner =
        options_ui::label(tabAbout, "imgBanner", "鹰波视听 Kestrel Wave", QRect(124, 18, 280, 32));
    banner->setStyleSheet(QStringLiteral("color: #1E5AA8; font-size: 22px; font-weight: bold;"));

    options_ui::label(tabAbout, "lblVersion", "程序版本:1.0正式版", QRect(70, 72, 330, 18));
    lblVerDat_ = options_ui::label(tabAbout, "lblVerDat", "", QRect(70, 94, 330, 18));
    lblVerDat_->setToolTip(QStringLiteral("仅表示您最近一次升级时的最新数据版本号。"));
    options_ui::label(tabAbout, "lblHomePageCaption", "作者主页:", QRect(70, 116, 64, 18));
    options_ui::label(tabAbout, "lblEmailCaption", "作者邮箱:", QRect(70, 138, 64, 18));
    lblAuthorHomepage_ = options_ui::label(tabAbout, "lblAuthorHomepage", "", QRect(136, 116, 264, 18));
    lblAuthorHomepage_->setToolTip(QStringLiteral("请经常访问作者网站，以获取最新资讯。"));
    lblAuthorEmail_ = options_ui::label(tabAbout, "lblAuthorEmail", "", QRect(136, 138, 264, 18));
    lblAuthorEmail_->setToolTip(QStringLiteral("只要向其中一个地址发送邮件即可。"));
    for (QLabel* link : {lblAuthorHomepage_, lblAuthorEmail_}) {
        link->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    auto* frame = new QLabel(tabAbout);
    frame->setObjectName(QStringLiteral("shpChannelCount"));
    frame->setGeometry(66, 164, 338, 34);
    frame->setStyleSheet(QStringLiteral("border: 1px dotted blue; border-radius: 6px;"));
    options_ui::label(tabAbout, "lblChannelCountCaption", "您现有频道数:", QRect(74, 173, 90, 16));
    lblChannelCount_ = options_ui::label(tabAbout, "lblChannelCount", "", QRect(166, 173, 234, 16));
    lblChannelCount_->setStyleSheet(QStringLiteral("color: navy;"));

    auto* logo = new QLabel(tabAbout);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setGeometry(340, 210, 64, 64);
    logo->setPixmap(QPixmap(QStringLiteral(":/kestrelwave/icons/kestrelwave-64.png")));
    QLabel* slogan =
        options_ui::label(tabAbout, "lblSlogan", "天高任鹰飞，频道随心听。", QRect(70, 224, 264, 28));
    QFont sloganFont(QStringLiteral("楷体_GB2312"));
    sloganFont.setPixelSize(17);
    sloganFont.setItalic(true);
    slogan->setFont(sloganFont);

    auto* close = new QPushButton(QStringLiteral("关闭(&X)"), tabAbout);
    close->setObjectName(QStringLiteral("spCloseAbout"));
    close->setFlat(true);
    close->setGeometry(66, kHeight - 38, 88, 26);
    close->setStyleSheet(QStringLiteral("QPushButton { background: #1E5AA8; color: white; border: none; }"));
    connect(close, &QPushButton::clicked, this, &OptionsAboutPage::accepted);
}

void OptionsAboutPage::load() {
    const AboutValues about = visit_.aboutValues();
    lblVerDat_->setText(qs("频道数据版本:" + about.verDat));
    lblAuthorHomepage_->setText(qs(about.homePage));
    lblAuthorEmail_->setText(qs(about.email));
    run([this] { lblChannelCount_->setText(qs(visit_.channelCountLine())); });
}

bool OptionsAboutPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == lblAuthorHomepage_) links_.authorHomePage->trigger();
        if (watched == lblAuthorEmail_) links_.authorEmail->trigger();
    }
    return OptionsPageWidget::eventFilter(watched, event);
}

}  // namespace kw
