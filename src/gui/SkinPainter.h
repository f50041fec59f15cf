#pragma once

#include "core/session/Roles.h"

#include <QColor>
#include <QImage>
#include <QWidget>

namespace kw {

// A skin colour on screen. Values whose top byte is 0xFF name a colour of the
// desktop's palette by index (window, window text, button face, ...), as skin
// files written for the classic palette use them; anything else is 0x00BBGGRR.
QColor toQColor(std::uint32_t color);

// Loads a skin picture with the decoder its extension selects. Throws
// kw::Error naming the file and the problem when it cannot.
QImage loadSkinPicture(const std::filesystem::path& picture);

// The main window's background picture `imgBackground`: drawn over the whole
// client area, scaled with its aspect ratio kept and centred, under a thin
// frame. It takes no mouse input.
class SkinBackground : public QWidget {
    Q_OBJECT
public:
    explicit SkinBackground(QWidget* parent);
    void setPicture(QImage picture);
    const QImage& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

// A frame around the control of the window that has the keyboard focus:
// dark outside and light inside, so that it reads on every skin's picture
// and colours, where the desktop's own focus mark is faint. It takes no mouse input.
class FocusFrame : public QWidget {
    Q_OBJECT
public:
    explicit FocusFrame(QWidget* window);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow(QWidget* focus);
};

// Sets the picture and the colours of a skin on the main window, whose
// controls it finds by their object names: the seven colours first, then the
// colours that follow from them.
void paintSkin(QWidget& mainWindow, const SkinColors& colors, const QImage& picture);

// Gives every hint of the program the same readable colours.
void applyTooltipStyle();

}  // namespace kw
