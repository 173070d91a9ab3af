#pragma once

#include <QFont>
#include <QString>

namespace bp {

// A font of `family` sized in pixels: the windows are laid out in pixels, so their text must
// not grow with the screen's point size.
inline QFont pixelFont(const QString &family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace bp
