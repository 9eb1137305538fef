#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>

namespace volmira {

// One functional area of the fixed catalogue: the code the dictionary files tables under, the title
// shown to the user, the area bar button that selects it and the size of its picture.
struct FunctionalArea final {
    const char* code;        // lower case, as in [Functional Area]
    const char* title;       // area title, status text and the button's tooltip
    const char* buttonName;  // objectName of the area bar button
    QSize pictureSize;       // pixel size the picture is shown at on the button

    QString caption() const;  // the code with its first letter in upper case
};

constexpr int functionalAreaCount = 23;

// The catalogue in its fixed order: area bar from left to right, tab order, area filter order.
const std::array<FunctionalArea, functionalAreaCount>& functionalAreas();

// The area whose code equals lowerCaseCode exactly, or nullptr.
const FunctionalArea* findFunctionalArea(const QString& lowerCaseCode);

// "ALL" followed by every code in upper case, in catalogue order.
QStringList areaFilterEntries();

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
