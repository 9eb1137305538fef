#pragma once

#include <QGroupBox>
#include <QMessageBox>
#include <QPalette>
#include <QString>

class QWidget;

namespace volmira::appearance {

// The windows are white by design, so they are drawn with a light palette whatever the desktop's
// colour scheme: light text on a forced white background cannot be read. Every text colour keeps a
// contrast of at least 4.5:1 against the background it is drawn on, disabled texts included.
QPalette lightPalette();

// Gives a window and its menus the light palette. Windows do not inherit a palette from their parent,
// so each dialog is given it as well.
void useLightScheme(QWidget* window);

// A frame whose caption lies on its top border line, as the form's offsets assume: the controls inside
// start just below the caption's middle, so a frame that drew its border below the caption would run
// through them.
class CaptionFrame final : public QGroupBox {
public:
    CaptionFrame(const QString& caption, QWidget* parent);

    // Distance in pixels from the frame's top to its top border line.
    int borderLineY() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A message box with one OK button, in the light scheme, wide enough that its title is shown whole in
// the title bar of the common window managers (title text plus icon and three buttons).
int showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text);

}  // namespace volmira::appearance
