#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include <vector>

class QWidget;

namespace volmira::layout {

// Positions and sizes are kept in twips, as the window was drawn; 15 twips are one pixel at 96 dpi.
constexpr int twipsPerPixel = 15;
constexpr int clientWidthTwips = 14115;
constexpr int clientHeightTwips = 10830;

constexpr int toPixels(int twips) { return (twips + twipsPerPixel / 2) / twipsPerPixel; }

// The fonts of the window. Window is the window's own font, which controls without one of their own use.
enum class FontRole { Window, Constantia, Constantia12Bold, Candara12Bold, Arial };
QFont font(FontRole role);

// One control's place: Left and Top relative to its container (the client area or the inside of its
// frame), in twips; tabIndex -1 for a control that has none.
struct Placement final {
    const char* name;
    int left;
    int top;
    int width;
    int height;
    int tabIndex;
    FontRole fontRole;

    QRect pixelGeometry() const;
};

// Every control of the client area, the 23 area buttons first.
const std::vector<Placement>& placements();

// A label without a buddy draws an ampersand as it is: a caption's doubled ampersand, which stands for
// one ampersand, is shown as one.
QString labelText(const QString& caption);

// Maps the window's fonts to the free families installed here.
void installFontSubstitutes();

// Gives each control found by its name under clientArea its geometry and font, and chains the
// controls that take the focus in ascending tab index.
void applyLayout(QWidget* clientArea);

}  // namespace volmira::layout
