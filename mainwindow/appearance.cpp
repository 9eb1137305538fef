#include "mainwindow/appearance.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>

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

// Borders of boxes, buttons and indicators: 3.7:1 on white, 3.2:1 on the face colour.
const QColor borderColour(0x85, 0x85, 0x85);
// Scroll bar handles: 4.3:1 on white, 3.8:1 on the face colour; darker under the pointer.
const QColor handleColour(0x7a, 0x7a, 0x7a);
const QColor activeHandleColour(0x55, 0x55, 0x55);
// How far an option button's indicator stands in from its left edge, so that a neighbour reaching
// that edge (the area filter beside the Table Name option) does not touch it.
constexpr int optionIndicatorInset = 4;

// Fusion, with the borders and handles it draws too faintly on white drawn darker.
class LightStyle final : public QProxyStyle {
public:
    LightStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        switch (element) {
        case PE_IndicatorCheckBox: drawCheckIndicator(option, painter); return;
        case PE_IndicatorRadioButton: drawOptionIndicator(option, painter); return;
        case PE_FrameLineEdit:
        case PE_Frame: drawBorder(option, painter, 0); return;
        case PE_PanelButtonCommand:
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            drawBorder(option, painter, 2);
            return;
        default: QProxyStyle::drawPrimitive(element, option, painter, widget);
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        if (control == CC_ScrollBar)
            drawScrollBarHandle(option, painter, subControlRect(control, option, SC_ScrollBarSlider, widget));
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (element != CE_RadioButton || !button)
            return QProxyStyle::drawControl(element, option, painter, widget);
        QStyleOptionButton inset = *button;
        inset.rect.adjust(optionIndicatorInset, 0, 0, 0);
        QProxyStyle::drawControl(element, &inset, painter, widget);
    }

private:
    static void drawBorder(const QStyleOption* option, QPainter* painter, qreal radius)
    {
        const bool focused = option->state & State_HasFocus && option->state & State_KeyboardFocusChange;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, radius > 0);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(focused ? option->palette.color(QPalette::Highlight) : borderColour);
        painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        painter->restore();
    }

    static void drawCheckIndicator(const QStyleOption* option, QPainter* painter)
    {
        const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setBrush(option->palette.base());
        painter->setPen(borderColour);
        painter->drawRect(box);
        if (option->state & (State_On | State_NoChange)) {
            // Text colour: the tick of a display-only, disabled box reads as well as its caption.
            painter->setPen(QPen(option->palette.color(QPalette::Text), 2));
            const qreal w = box.width(), h = box.height();
            if (option->state & State_On)
                painter->drawPolyline(QPolygonF{box.topLeft() + QPointF(w * 0.22, h * 0.5),
                                                box.topLeft() + QPointF(w * 0.42, h * 0.72),
                                                box.topLeft() + QPointF(w * 0.78, h * 0.28)});
            else
                painter->drawLine(box.topLeft() + QPointF(w * 0.25, h * 0.5), box.topLeft() + QPointF(w * 0.75, h * 0.5));
        }
        painter->restore();
    }

    static void drawOptionIndicator(const QStyleOption* option, QPainter* painter)
    {
        const QRectF circle = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const bool focused = option->state & State_HasFocus && option->state & State_KeyboardFocusChange;
        painter->setBrush(option->palette.base());
        painter->setPen(focused ? option->palette.color(QPalette::Highlight) : borderColour);
        painter->drawEllipse(circle);
        if (option->state & State_On) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(option->palette.color(QPalette::Text));
            const qreal dot = circle.width() * 0.25;
            painter->drawEllipse(circle.adjusted(dot, dot, -dot, -dot));
        }
        painter->restore();
    }

    static void drawScrollBarHandle(const QStyleOptionComplex* option, QPainter* painter, const QRect& handle)
    {
        if (handle.isEmpty())
            return;
        const bool active = option->activeSubControls & SC_ScrollBarSlider;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(active ? activeHandleColour : handleColour);
        painter->drawRoundedRect(QRectF(handle).adjusted(2, 2, -2, -2), 2, 2);
        painter->restore();
    }
};

// Laying out a text costs time that grows with its length; a name from a damaged or hostile file can
// be a million characters long. Beyond this many characters a name is measured and shown in its
// tooltip only in part.
constexpr qsizetype measuredNameChars = 1000;

QString measuredPart(const QString& name)
{
    return name.size() > measuredNameChars ? name.left(measuredNameChars) + QChar(0x2026) : name;
}

// The widths of a list's texts are measured when it lays itself out; a list with the same size for
// every row asks for that size once.
class WholeNameDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QFontMetrics metrics(option.font);
        const QAbstractItemModel* model = index.model();
        int widest = 0;
        for (int row = 0; row < model->rowCount(index.parent()); ++row)
            widest = std::max(widest,
                              metrics.horizontalAdvance(measuredPart(model->index(row, 0, index.parent()).data().toString())));
        const int own = metrics.horizontalAdvance(measuredPart(index.data().toString()));
        size.rwidth() += std::max(0, widest - own);
        return size;
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QStyle* style = view->style();
        const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view);
        const QString name = measuredPart(item.text);
        const int textStart = textRect.left() + textMargin(view);
        if (textStart < 0 || textStart + item.fontMetrics.horizontalAdvance(name) > view->viewport()->width()) {
            // A tooltip takes a text with tags for markup; a name is shown as it is, on one line.
            const QString shown = QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(name.toHtmlEscaped());
            QToolTip::showText(event->globalPos(), shown, view->viewport(), option.rect);
            return true;
        }
        QToolTip::hideText();
        return true;
    }

private:
    // The delegate draws an item's text this far in from its text rectangle.
    static int textMargin(const QWidget* view)
    {
        return view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    }
};

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

void useLightSchemeForApplication()
{
    QApplication::setStyle(new LightStyle);
    const QPalette palette = lightPalette();
    // Setting the application's palette also drops the palettes a desktop theme gave kinds of widget.
    QApplication::setPalette(palette);
    QToolTip::setPalette(palette);
}

void showWholeNames(QListWidget* list)
{
    list->setItemDelegate(new WholeNameDelegate(list));
    list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
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
