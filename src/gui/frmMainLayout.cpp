// The frame's controls at their places (pixels inside the 254 × 514 window),
// with the speed-slot bar and the channel pane between them, and the
// commands their buttons run.
#include "core/session/AppTexts.h"
#include "core/session/Roles.h"
#include "gui/ChannelPane.h"
#include "gui/MainCommandTable.h"
#include "gui/MainControls.h"
#include "gui/QtText.h"
#include "gui/QtUi.h"
#include "gui/SkinPainter.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

namespace kw {

void frmMain::buildLayout() {
    const QFont font = programFont();
    setFont(font);

    w_.imgBackground = new SkinBackground(this);
    w_.imgBackground->setGeometry(0, 0, kWidth, kHeight);

    w_.imgIcon = place<QLabel>(this, "imgIcon", 12, 7, 18, 18);
    w_.imgIcon->setPixmap(QPixmap(QStringLiteral(":/kestrelwave/icons/kestrelwave-16.png")));
    w_.imgIcon->setAlignment(Qt::AlignCenter);
    w_.imgIcon->setMouseTracking(true);
    w_.imgIcon->setToolTip(qs(texts::kDateTooltipInitial));
    w_.imgIcon->installEventFilter(this);

    w_.lblTitle = place<QLabel>(this, "lblTitle", 31, 2, 170, 27);
    w_.lblTitle->setAlignment(Qt::AlignCenter);
    w_.lblTitle->setText(qs(kAppTitle));
    QFont titleFont = font;
    titleFont.setBold(true);
    w_.lblTitle->setFont(titleFont);
    w_.lblTitle->installEventFilter(this);

    w_.spHideWindowOnTitle = flatButton(this, "spHideWindowOnTitle", "－", 200, 6, 18, 18);
    w_.spExitOnTitle = flatButton(this, "spExitOnTitle", "×", 222, 6, 18, 18);
    for (QToolButton* button : {w_.spHideWindowOnTitle, w_.spExitOnTitle}) button->setFont(titleFont);

    w_.lblInfo = place<QLabel>(this, "lblInfo", 13, 36, 228, 13);
    w_.lblInfo->setAlignment(Qt::AlignCenter);
    w_.lblInfo->setText(qs(texts::kSlogan));
    w_.lblInfo->setToolTip(qs(ChannelOpener::kNothingPlayedHint));

    slots_ = std::make_unique<SpeedSlotBar>(*this);
    pane_ = std::make_unique<ChannelPane>(*this, font);

    w_.spVolum = flatButton(this, "spVolum", "音量", 30, 462, 32, 18);
    w_.spVolum->setToolTip(QStringLiteral("打开系统音量控制"));
    w_.spSetup = flatButton(this, "spSetup", "设置", 99, 462, 32, 18);
    w_.spHelp = flatButton(this, "spHelp", "帮助", 134, 462, 32, 18);
    w_.spHideWindow = flatButton(this, "spHideWindow", "隐藏", 169, 462, 32, 18);
    w_.spExit = flatButton(this, "spExit", "退出", 204, 462, 32, 18);

    w_.spSoundRecord = flatButton(this, "spSoundRecord", "", 6, 489, 14, 14);
    w_.spSoundRecord->setIcon(style()->standardIcon(QStyle::SP_MediaVolume));
    w_.spSoundRecord->setIconSize(QSize(10, 10));
    w_.spSoundRecord->setToolTip(QStringLiteral("打开录音机"));

    w_.edGoogle = place<QLineEdit>(this, "edGoogle", 26, 490, 201, 14);
    w_.edGoogle->setFrame(false);
    w_.edGoogle->setMaxLength(100);
    w_.edGoogle->setText(qs(DesktopHelpers::searchBoxText(false)));
    // The prompt fits the box whole; the box keeps its margins and cursor.
    constexpr int kLineEditMargins = 6;
    w_.edGoogle->setFont(fittingFont(font, {w_.edGoogle->text()}, w_.edGoogle->width() - kLineEditMargins));
    w_.edGoogle->setToolTip(QStringLiteral("快速打开浏览器，并按您在此输入的关键词用Google搜索相关网页。"));
    w_.edGoogle->setCursorPosition(0);
    w_.spGoogle = flatButton(this, "spGoogle", "", 226, 485, 22, 21);
    w_.spGoogle->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    w_.spGoogle->setToolTip(QStringLiteral("开始搜索"));

    new FocusFrame(this);

    // Readable colours before any skin is applied (and when none can be).
    paintSkin(*this, SkinColors{}, QImage());

    w_.SpeedChannel = slots_->buttons();
    w_.SpeedChannelSave = slots_->saveButton();
    w_.SpeedChannelOpen = slots_->openButton();
    static_cast<ChannelPane::Controls&>(w_) = pane_->controls();
}

// The frame's own commands, and every button bound to the command it runs.
void frmMain::connectFrameCommands() {
    connect(command(MainCommand::actHideWindow), &QAction::triggered, this,
            [this] { runCommand([this] { actHideWindowExecute(); }); });
    connect(command(MainCommand::actExit), &QAction::triggered, this,
            [this] { runCommand([this] { actExitExecute(); }); });
    connect(command(MainCommand::muIconSelectChannel), &QAction::triggered, this,
            [this] { runCommand([this] { muIconSelectChannelExecute(); }); });

    const ChannelPane::Controls& pane = pane_->controls();
    bindButton(pane.spPlayChannel, command(MainCommand::actPlayChannel));
    bindButton(pane.spFavoritesChannel, command(MainCommand::actFavoritesChannel));
    bindButton(pane.spFindChannel, command(MainCommand::actFindChannel));
    bindButton(pane.spChannelRelatedLink, command(MainCommand::actLinkChannel));
    bindButton(pane.spEditChannel, command(MainCommand::actEditChannel));
    bindButton(pane.spUserAddChannel, command(MainCommand::actUserAddChannel));
    bindButton(w_.spSetup, command(MainCommand::actSetup));
    bindButton(w_.spHelp, command(MainCommand::actHelp));
    bindButton(w_.spHideWindow, command(MainCommand::actHideWindow));
    bindButton(w_.spExit, command(MainCommand::actExit));
    bindButton(w_.spHideWindowOnTitle, command(MainCommand::actHideWindow));
    bindButton(w_.spExitOnTitle, command(MainCommand::actExit));
}

}  // namespace kw
