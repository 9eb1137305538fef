#pragma once

#include <QGroupBox>
#include <QMessageBox>
#include <QPalette>
#include <QString>

class QListWidget;
class QWidget;

namespace volmira::appearance {

// The windows are white by design, so they are drawn with a light palette whatever the desktop's
// colour scheme: light text on a forced white background cannot be read. Every text colour keeps a
// contrast of at least 4.5:1 against the background it is drawn on, disabled texts included.
QPalette lightPalette();

// Gives the whole application the light scheme; called once at start-up, before any window exists.
// Popups (drop-down lists, context menus, the text boxes' standard menus, tooltips) take their colours
// from the application and from the desktop theme's palettes for their kind of widget, never from
// the window that opens them, so all of these get the light palette. The style is Fusion, which
// draws everything from the palette, with scroll bar handles, check box and box borders drawn dark
// enough to stand out from what lies around them.
void useLightSchemeForApplication();

// Lets every item of a list of names be read whole: the horizontal scroll range fits the widest
// item, not the first one, and an item cut by the list's edge shows its whole text as a tooltip.
void showWholeNames(QListWidget* list);

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

// A message box with one OK button, wide enough that its title is shown whole in
// the title bar of the common window managers (title text plus icon and three buttons).
int showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text);

}  // namespace volmira::appearance
