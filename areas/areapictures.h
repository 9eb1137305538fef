#pragma once

#include "areas/areacatalogue.h"

#include <QByteArray>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace volmira {

// The sizes the pictures are shown at, besides each area's own.
inline constexpr QSize defaultPictureSize{74, 63};
inline constexpr int programIconSides[] = {16, 32, 48, 64, 128};

// Pictures are SVG resources rendered at the given size; a missing resource gives an empty pixmap.
// Where Qt has no SVG module (the Windows build), the host drew them at build time at the sizes the
// program shows them (render-pictures); another size gives an empty pixmap there.
QPixmap renderPicture(const QString& resource, const QSize& size);
QPixmap areaPicture(const FunctionalArea& area);
QPixmap defaultAreaPicture();  // defaultPictureSize, stands for no particular area and for "ALL"
QIcon programIcon();           // programIconSides

// The picture's SVG text with its view box narrowed to its drawing. The pictures carry empty margins
// of different widths, as they are shown at their own sizes on the buttons; without them, pictures
// shown in boxes of one size show drawings of one size. A missing resource gives the empty text.
QByteArray areaDrawingSvg(const FunctionalArea& area);

}  // namespace volmira
