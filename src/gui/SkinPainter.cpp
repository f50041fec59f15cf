#include "gui/SkinPainter.h"

#include "core/base/Error.h"

#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>

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

}  // namespace

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

void paintSkin(QWidget& mainWindow, const SkinColors& colors, const QImage& picture) {
    const auto find = [&mainWindow](const QString& name) { return mainWindow.findChild<QWidget*>(name); };
    if (auto* background = mainWindow.findChild<SkinBackground*>(QStringLiteral("imgBackground"))) {
        background->setPicture(picture);
    }

    const QColor speedFont = toQColor(colors.speedChannelFont);
    const QColor treeColor = toQColor(colors.treeColor);
    const QColor treeFont = toQColor(colors.treeFont);
    const QColor buttonFont = toQColor(colors.buttonFont);
    setTextColor(find(QStringLiteral("SpeedChannel1")), speedFont);
    setTextColor(find(QStringLiteral("lblInfo")), toQColor(colors.infoFont));
    QWidget* tree = find(QStringLiteral("tvSelectChannel"));
    setBackgroundColor(tree, treeColor);
    setTextColor(tree, treeFont);
    setTextColor(find(QStringLiteral("spPlayChannel")), buttonFont);
    setBackgroundColor(find(QStringLiteral("edGoogle")), toQColor(colors.googleColor));
    setTextColor(find(QStringLiteral("edGoogle")), toQColor(colors.googleFont));

    for (int slot = 2; slot <= 22; ++slot)
        setTextColor(find(QStringLiteral("SpeedChannel%1").arg(slot)), speedFont);
    for (const char* name : {"meDisplayMemo", "cbRateChannel", "cbFilterChannel", "cbClassDisplayChannel"}) {
        QWidget* widget = find(QString::fromLatin1(name));
        setBackgroundColor(widget, treeColor);
        setTextColor(widget, treeFont);
    }
    for (const char* name : {"spFavoritesChannel", "spFindChannel", "spChannelRelatedLink", "spEditChannel",
                             "spUserAddChannel", "spVolum", "spSetup", "spHelp", "spHideWindow", "spExit"}) {
        setTextColor(find(QString::fromLatin1(name)), buttonFont);
    }
}

}  // namespace kw
