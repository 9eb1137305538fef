#include "mainwindow/appearance.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPainter>

namespace volmira::appearance {

namespace {

// Room a window manager's title bar takes besides the title: the window's icon, minimize, maximize
// and close buttons, and the gaps between them.
constexpr int titleBarRoomPixels = 160;

// Title bars commonly use a bold face of about 11 points.
int titleTextWidth(const QString& title)
{
    QFont font = QApplication::font();
    font.setPointSizeF(11);
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title);
}

}  // namespace

QPalette lightPalette()
{
    const QColor black(0x00, 0x00, 0x00);
    const QColor white(0xff, 0xff, 0xff);
    const QColor face(0xf0, 0xf0, 0xf0);
    // On white 5.7:1, on the face colour 5.0:1.
    const QColor disabledText(0x66, 0x66, 0x66);
    // White text on it reaches 6.6:1.
    const QColor highlight(0x0b, 0x5c, 0xad);

    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor text = disabled ? disabledText : black;
        palette.setColor(group, QPalette::Window, face);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, white);
        palette.setColor(group, QPalette::AlternateBase, QColor(0xf5, 0xf5, 0xf5));
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::Button, face);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::BrightText, white);
        palette.setColor(group, QPalette::Light, white);
        palette.setColor(group, QPalette::Midlight, QColor(0xe3, 0xe3, 0xe3));
        palette.setColor(group, QPalette::Mid, QColor(0xa0, 0xa0, 0xa0));
        palette.setColor(group, QPalette::Dark, QColor(0x80, 0x80, 0x80));
        palette.setColor(group, QPalette::Shadow, QColor(0x69, 0x69, 0x69));
        palette.setColor(group, QPalette::Highlight, disabled ? disabledText : highlight);
        palette.setColor(group, QPalette::HighlightedText, white);
        palette.setColor(group, QPalette::Link, QColor(0x00, 0x00, 0xee));
        palette.setColor(group, QPalette::LinkVisited, QColor(0x55, 0x1a, 0x8b));
        palette.setColor(group, QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
        palette.setColor(group, QPalette::ToolTipText, black);
        palette.setColor(group, QPalette::PlaceholderText, disabledText);
    }
    return palette;
}

void useLightScheme(QWidget* window)
{
    const QPalette palette = lightPalette();
    window->setPalette(palette);
    for (QMenu* menu : window->findChildren<QMenu*>())
        menu->setPalette(palette);
}

CaptionFrame::CaptionFrame(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {}

int CaptionFrame::borderLineY() const { return fontMetrics().height() / 2; }

void CaptionFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int lineY = borderLineY();
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(QRect(0, lineY, width() - 1, height() - 1 - lineY));
    if (title().isEmpty())
        return;
    // The caption sits on the line a little in from the left, on the frame's own background.
    const QFontMetrics metrics = fontMetrics();
    const QRect captionRect(8, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
    painter.fillRect(captionRect, palette().color(backgroundRole()));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(captionRect, Qt::AlignCenter | Qt::TextSingleLine, title());
}

int showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // messages carry names and paths from the file and the disk
    box.setPalette(lightPalette());
    // The box takes the width its layout needs at least, so the text's label is widened by what the
    // title lacks.
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (label && box.layout()) {
        const int lacking = titleTextWidth(title) + titleBarRoomPixels - box.layout()->totalMinimumSize().width();
        if (lacking > 0)
            label->setMinimumWidth(label->minimumSizeHint().width() + lacking);
    }
    return box.exec();
}

}  // namespace volmira::appearance
