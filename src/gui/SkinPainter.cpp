#include "gui/SkinPainter.h"

#include "core/base/Error.h"
#include "core/session/Roles.h"

#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QToolTip>

#include <array>

namespace kw {
namespace {

// Desktop palette colours by the index that skin files use for them.
QColor desktopColor(unsigned index) {
    const QPalette palette = QApplication::palette();
    switch (index) {
        case 5:
            return palette.color(QPalette::Base);  // window background
        case 8:
            return palette.color(QPalette::Text);  // window text
        case 13:
            return palette.color(QPalette::Highlight);
        case 14:
            return palette.color(QPalette::HighlightedText);
        case 15:
            return palette.color(QPalette::Button);  // button face
        case 16:
            return palette.color(QPalette::Dark);  // button shadow
        case 17:
            return palette.color(QPalette::Disabled, QPalette::Text);
        case 18:
            return palette.color(QPalette::ButtonText);
        case 20:
            return palette.color(QPalette::Light);  // button highlight
        case 23:
            return palette.color(QPalette::ToolTipText);
        case 24:
            return palette.color(QPalette::ToolTipBase);
        default:
            return palette.color(QPalette::Window);
    }
}

void setColors(QWidget* widget, std::initializer_list<QPalette::ColorRole> roles,
               std::initializer_list<QPalette::ColorGroup> groups, const QColor& color) {
    if (widget == nullptr) return;
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : roles) {
        for (QPalette::ColorGroup group : groups) palette.setColor(group, role, color);
    }
    widget->setPalette(palette);
}

// Disabled controls keep the desktop's grey text.
void setTextColor(QWidget* widget, const QColor& color) {
    setColors(widget, {QPalette::WindowText, QPalette::ButtonText, QPalette::Text},
              {QPalette::Active, QPalette::Inactive}, color);
}

void setBackgroundColor(QWidget* widget, const QColor& color) {
    setColors(widget, {QPalette::Base, QPalette::Button, QPalette::Window},
              {QPalette::Active, QPalette::Inactive, QPalette::Disabled}, color);
}

Rgb toRgb(const QColor& color) {
    return {static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
            static_cast<std::uint8_t>(color.blue())};
}

QColor toQColor(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

// The background as drawn on the window, to find the colour behind a control.
QImage drawnBackground(QWidget& mainWindow, const QImage& picture) {
    QImage drawn(mainWindow.size(), QImage::Format_RGB32);
    drawn.fill(mainWindow.palette().color(QPalette::Window));
    if (!picture.isNull()) {
        QPainter painter(&drawn);
        QRect target(QPoint(0, 0), picture.size().scaled(drawn.size(), Qt::KeepAspectRatio));
        target.moveCenter(drawn.rect().center());
        painter.drawImage(target, picture);
    }
    return drawn;
}

Rgb averageUnder(const QImage& drawn, const QRect& area) {
    const QRect inside = area.intersected(drawn.rect());
    if (inside.isEmpty()) return toRgb(drawn.pixelColor(0, 0));
    long long red = 0, green = 0, blue = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb pixel = drawn.pixel(x, y);
            red += qRed(pixel);
            green += qGreen(pixel);
            blue += qBlue(pixel);
        }
    }
    const long long count = static_cast<long long>(inside.width()) * inside.height();
    return {static_cast<std::uint8_t>(red / count), static_cast<std::uint8_t>(green / count),
            static_cast<std::uint8_t>(blue / count)};
}

// Text drawn straight on the picture. Disabled controls get a greyed version
// of their text for what lies behind them (the desktop's grey vanishes on a
// dark skin). Where `readable`, the text itself falls back to black or white
// when the skin's colour does not read on the picture.
void setTextOnPicture(QWidget* widget, const QImage& drawn, const QColor& preferred, bool readable = false) {
    if (widget == nullptr) return;
    const Rgb behind = averageUnder(drawn, widget->geometry());
    const Rgb text = readable ? readableTextOn(behind, toRgb(preferred)) : toRgb(preferred);
    setTextColor(widget, toQColor(text));
    setColors(widget, {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}, {QPalette::Disabled},
              toQColor(disabledTextOn(behind, text)));
}

}  // namespace

void applyTooltipStyle() {
    QPalette palette = QToolTip::palette();
    const QColor text = toQColor(kTooltipColors.text);
    const QColor background = toQColor(kTooltipColors.background);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::ToolTipText, text);
        palette.setColor(group, QPalette::ToolTipBase, background);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Window, background);
    }
    QToolTip::setPalette(palette);
}

QColor toQColor(std::uint32_t color) {
    if ((color & 0xFF000000u) == 0xFF000000u) return desktopColor(color & 0xFFu);
    const Rgb rgb = toRgb(color);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

QImage loadSkinPicture(const std::filesystem::path& picture) {
    const QString file = QString::fromStdString(picture.string());
    const std::optional<std::string> format = pictureFormatFor(picture);
    if (!format) {
        throw Error("Unknown picture file extension (" + picture.extension().string() + ") of \"" +
                    picture.string() + "\"");
    }
    QImageReader reader(file, QByteArray::fromStdString(*format));
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    if (image.isNull()) {
        throw Error("Cannot load the picture \"" + picture.string() +
                    "\": " + reader.errorString().toStdString());
    }
    return image;
}

SkinBackground::SkinBackground(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("imgBackground"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SkinBackground::setPicture(QImage picture) {
    picture_ = std::move(picture);
    update();
}

void SkinBackground::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!picture_.isNull()) {
        QSize size = picture_.size().scaled(this->size(), Qt::KeepAspectRatio);
        QRect target(QPoint(0, 0), size);
        target.moveCenter(rect().center());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, picture_);
    }
    // A thin dialog frame in place of a caption bar.
    painter.setPen(QColor(64, 64, 64));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(QColor(255, 255, 255, 120));
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}

FocusFrame::FocusFrame(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("focusFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { follow(now); });
}

void FocusFrame::follow(QWidget* focus) {
    QWidget* window = parentWidget();
    if (focus == nullptr || focus == window || !window->isAncestorOf(focus)) {
        hide();
        return;
    }
    // Two pixels outside the control, so that none of it is covered.
    const QRect control(focus->mapTo(window, QPoint(0, 0)), focus->size());
    setGeometry(control.adjusted(-2, -2, 2, 2));
    raise();
    show();
}

void FocusFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QColor(0, 0, 0));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(QColor(255, 255, 255));
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}

void paintSkin(QWidget& mainWindow, const SkinColors& colors, const QImage& picture) {
    const auto find = [&mainWindow](const QString& name) { return mainWindow.findChild<QWidget*>(name); };
    if (auto* background = mainWindow.findChild<SkinBackground*>(QStringLiteral("imgBackground"))) {
        background->setPicture(picture);
    }

    const QImage drawn = drawnBackground(mainWindow, picture);
    const QColor speedFont = toQColor(colors.speedChannelFont);
    const QColor treeColor = toQColor(colors.treeColor);
    const QColor treeFont = toQColor(colors.treeFont);
    const QColor buttonFont = toQColor(colors.buttonFont);
    setTextOnPicture(find(QStringLiteral("SpeedChannel1")), drawn, speedFont);
    setTextOnPicture(find(QStringLiteral("lblInfo")), drawn, toQColor(colors.infoFont));
    QWidget* tree = find(QStringLiteral("tvSelectChannel"));
    setBackgroundColor(tree, treeColor);
    setTextColor(tree, treeFont);
    setTextOnPicture(find(QStringLiteral("spPlayChannel")), drawn, buttonFont);
    setBackgroundColor(find(QStringLiteral("edGoogle")), toQColor(colors.googleColor));
    setTextColor(find(QStringLiteral("edGoogle")), toQColor(colors.googleFont));

    for (int slot = 2; slot <= 22; ++slot)
        setTextOnPicture(find(QStringLiteral("SpeedChannel%1").arg(slot)), drawn, speedFont);
    for (const char* name : {"meDisplayMemo", "cbRateChannel", "cbFilterChannel", "cbClassDisplayChannel"}) {
        QWidget* widget = find(QString::fromLatin1(name));
        setBackgroundColor(widget, treeColor);
        setTextColor(widget, treeFont);
    }
    for (const char* name : {"spFavoritesChannel", "spFindChannel", "spChannelRelatedLink", "spEditChannel",
                             "spUserAddChannel", "spVolum", "spSetup", "spHelp", "spHideWindow", "spExit"}) {
        setTextOnPicture(find(QString::fromLatin1(name)), drawn, buttonFont);
    }
    // The skins keep a dark band behind the title: white where it is there.
    for (const char* name : {"lblTitle", "spHideWindowOnTitle", "spExitOnTitle"})
        setTextOnPicture(find(QString::fromLatin1(name)), drawn, Qt::white, true);
    for (const char* name : {"SpeedChannelSave", "SpeedChannelOpen", "spSoundRecord", "spGoogle"})
        setTextOnPicture(find(QString::fromLatin1(name)), drawn, buttonFont);
}

}  // namespace kw
