// The controls of the main window at their places (pixels inside the 254 × 514 window).
#include "core/actions/ChannelOpener.h"
#include "core/session/AppTexts.h"
#include "core/settings/ListEntries.h"
#include "core/speed/SpeedChannelSet.h"
#include "gui/ChannelTreeView.h"
#include "gui/QtText.h"
#include "gui/QtUi.h"
#include "gui/SkinPainter.h"
#include "gui/frmMain.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTextDocument>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>
#include <array>
#include <string_view>

namespace kw {
namespace {

template <typename Widget>
Widget* place(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QToolButton* flatButton(QWidget* parent, const char* name, const char* caption, int left, int top, int width,
                        int height) {
    auto* button = place<QToolButton>(parent, name, left, top, width, height);
    button->setAutoRaise(true);
    button->setText(QString::fromUtf8(caption));
    return button;
}

// A drop-down list narrower than its entries: the shown entry ends in "…"
// when it does not fit, and its hint then starts with the whole entry. The
// open list is as wide as its longest entry.
class ElidingComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;

    bool elided() const { return labelText() != currentText(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        option.currentText = labelText();
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }

    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip && elided()) {
            const auto* help = static_cast<QHelpEvent*>(event);
            QToolTip::showText(help->globalPos(), currentText() + QLatin1Char('\n') + toolTip(), this);
            return true;
        }
        return QComboBox::event(event);
    }

    void showPopup() override {
        view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth() + 8);
        QComboBox::showPopup();
    }

private:
    QString labelText() const {
        QStyleOptionComboBox option;
        initStyleOption(&option);
        const QRect label =
            style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        return fontMetrics().elidedText(currentText(), Qt::ElideRight, label.width());
    }
};

// The program's font, condensed step by step and then a pixel smaller, until
// every text fits the width; the smallest tried when none does (what still
// does not fit is elided where it is shown).
QFont fittingFont(const QFont& font, const QStringList& texts, int width) {
    constexpr int kSmallestPixels = 10;
    constexpr int kNarrowestStretch = 80;
    QFont candidate = font;
    for (int pixels = font.pixelSize(); pixels >= kSmallestPixels; --pixels) {
        for (int stretch = 100; stretch >= kNarrowestStretch; stretch -= 5) {
            candidate.setPixelSize(pixels);
            candidate.setStretch(stretch);
            const QFontMetrics metrics(candidate);
            if (std::all_of(texts.begin(), texts.end(),
                            [&](const QString& text) { return metrics.horizontalAdvance(text) <= width; }))
                return candidate;
        }
    }
    return candidate;
}

template <std::size_t N>
QComboBox* dropDownList(QWidget* parent, const char* name, int left,
                        const std::array<std::string_view, N>& entries, const char* hint) {
    auto* list = new ElidingComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(left, 414, 0, 20);
    for (std::string_view entry : entries) list->addItem(qs(entry));
    list->setToolTip(QString::fromUtf8(hint));
    return list;
}

// Gives a list the font in which its entries fit the place the list shows them in.
void fitEntries(QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    QStyleOptionComboBox option;
    option.initFrom(list);
    const QRect label =
        list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
    list->setFont(fittingFont(list->font(), entries, label.width()));
}

}  // namespace

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

    QFont slotFont;
    slotFont.setFamilies({QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
                          QStringLiteral("DejaVu Sans Condensed")});
    slotFont.setPixelSize(11);
    slotFont.setBold(true);
    for (int slot = 1; slot <= 22; ++slot) {
        const QByteArray name = "SpeedChannel" + QByteArray::number(slot);
        QToolButton* button = flatButton(this, name.constData(), "", 4, 57 + 18 * (slot - 1), 16, 18);
        button->setText(QString::number(slot));
        button->setCheckable(true);
        button->setCursor(Qt::PointingHandCursor);
        button->setFont(slotFont);
        w_.SpeedChannel[static_cast<std::size_t>(slot - 1)] = button;
    }
    w_.SpeedChannelSave = flatButton(this, "SpeedChannelSave", "", 4, 453, 16, 18);
    w_.SpeedChannelSave->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    w_.SpeedChannelSave->setToolTip(qs(SpeedChannelSet::kSaveHint));
    w_.SpeedChannelOpen = flatButton(this, "SpeedChannelOpen", "", 4, 471, 16, 18);
    w_.SpeedChannelOpen->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    w_.SpeedChannelOpen->setToolTip(qs(SpeedChannelSet::kOpenHint));

    w_.tvSelectChannel = place<ChannelTreeView>(this, "tvSelectChannel", 23, 62, 224, 297);

    // The details show three whole lines: the memo grows upward into the
    // tree as far as the font needs.
    constexpr int kMemoBottom = 410;
    constexpr int kMemoMargin = 1;
    const int memoHeight = std::max(48, 3 * QFontMetrics(font).lineSpacing() + 2 * kMemoMargin + 2);
    w_.tvSelectChannel->setGeometry(23, 62, 224, kMemoBottom - memoHeight - 3 - 62);
    w_.meDisplayMemo =
        place<QPlainTextEdit>(this, "meDisplayMemo", 23, kMemoBottom - memoHeight, 224, memoHeight);
    w_.meDisplayMemo->document()->setDocumentMargin(kMemoMargin);
    w_.meDisplayMemo->setReadOnly(true);
    w_.meDisplayMemo->setFrameShape(QFrame::NoFrame);
    w_.meDisplayMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    w_.meDisplayMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    w_.meDisplayMemo->setToolTip(QStringLiteral("简要描述选中频道"));

    w_.cbRateChannel = dropDownList(this, "cbRateChannel", 21, kRatingNames, "评价选中频道 [并显示其级别]");
    w_.cbRateChannel->resize(57, 20);
    w_.cbRateChannel->setCurrentIndex(2);
    w_.cbFilterChannel =
        dropDownList(this, "cbFilterChannel", 80, kFilterChannelEntries, "只显示 [某评级级别] 的频道");
    w_.cbFilterChannel->resize(83, 20);
    w_.cbClassDisplayChannel = dropDownList(this, "cbClassDisplayChannel", 165, kClassDisplayChannelEntries,
                                            "切换优先按 [内容]/[区域] 分类显示频道");
    w_.cbClassDisplayChannel->resize(83, 20);
    for (QComboBox* list : {w_.cbRateChannel, w_.cbFilterChannel, w_.cbClassDisplayChannel}) fitEntries(list);
    // The list starts on "仅按内容分类"; start-up puts the stored mode in.
    w_.cbClassDisplayChannel->setCurrentIndex(2);

    w_.spPlayChannel = flatButton(this, "spPlayChannel", "播放", 30, 438, 32, 18);
    w_.spFavoritesChannel = flatButton(this, "spFavoritesChannel", "收藏", 64, 438, 32, 18);
    w_.spFindChannel = flatButton(this, "spFindChannel", "查找", 99, 438, 32, 18);
    w_.spChannelRelatedLink = flatButton(this, "spChannelRelatedLink", "网站", 134, 438, 32, 18);
    w_.spEditChannel = flatButton(this, "spEditChannel", "修改", 169, 438, 32, 18);
    w_.spUserAddChannel = flatButton(this, "spUserAddChannel", "自添", 204, 438, 32, 18);

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
    w_.edGoogle->setText(QStringLiteral("Google搜索>请在此单击并输入关键词"));
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
}

}  // namespace kw
