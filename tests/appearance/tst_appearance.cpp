// How the window and the picker look and read on a dark desktop: contrast of texts, popups, menus,
// tooltips, scroll bars and borders, long names, frames, area pictures, message boxes, accessible
// names, the option buttons' tab stop and the busy cursor.

#include "areas/areapictures.h"
#include "common/dictionarybuilder.h"
#include "common/guitestsupport.h"
#include "mainwindow/appearance.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QToolTip>

#include <cmath>
#include <functional>
#include <optional>

namespace {

double luminance(QRgb colour)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(colour)) + 0.7152 * channel(qGreen(colour)) + 0.0722 * channel(qBlue(colour));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Takes every text of a window away and gives it back, so that a rendering without the texts shows
// what lies behind each text pixel.
class TextRemover final {
public:
    explicit TextRemover(QWidget* window)
    {
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(window))
                continue;
            const QRect whole = widget->rect();
            if (auto* label = qobject_cast<QLabel*>(widget))
                add(widget, whole, label->text(), [label](const QString& t) { label->setText(t); });
            else if (auto* button = qobject_cast<QAbstractButton*>(widget))
                add(widget, whole, button->text(), [button](const QString& t) { button->setText(t); });
            else if (auto* frame = qobject_cast<QGroupBox*>(widget))
                add(widget, QRect(0, 0, frame->width(), frame->fontMetrics().height()), frame->title(),
                    [frame](const QString& t) { frame->setTitle(t); });
            else if (auto* line = qobject_cast<QLineEdit*>(widget))
                add(widget, whole, line->text(), [line](const QString& t) { line->setText(t); });
            else if (auto* box = qobject_cast<QPlainTextEdit*>(widget))
                add(box->viewport(), box->viewport()->rect(), box->toPlainText(),
                    [box](const QString& t) { box->setPlainText(t); });
            else if (auto* combo = qobject_cast<QComboBox*>(widget))
                add(widget, whole, combo->currentText(),
                    [combo, index = combo->currentIndex()](const QString& t) { combo->setItemText(index, t); });
            else if (auto* list = qobject_cast<QListWidget*>(widget))
                for (int row = 0; row < list->count(); ++row)
                    add(list->viewport(), list->visualItemRect(list->item(row)), list->item(row)->text(),
                        [item = list->item(row)](const QString& t) { item->setText(t); });
            else if (auto* bar = qobject_cast<QMenuBar*>(widget))
                for (QAction* menu : bar->actions())
                    add(bar, bar->actionGeometry(menu), menu->text(), [menu](const QString& t) { menu->setText(t); });
        }
    }

    // The lowest contrast of any text against what lies behind it, with the widget that shows it.
    std::pair<double, QString> worstContrast(QWidget* window)
    {
        const QImage withTexts = window->grab().toImage();
        for (const Text& text : texts)
            text.set(QString());
        const QImage without = window->grab().toImage();
        for (const Text& text : texts)
            text.set(text.original);

        std::pair<double, QString> worst{21.0, QString()};
        for (const Text& text : texts) {
            double best = 1.0;
            const QRect area = text.area.translated(text.owner->mapTo(window, QPoint(0, 0))) & window->rect();
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    best = std::max(best, contrast(withTexts.pixel(x, y), without.pixel(x, y)));
            if (best < worst.first)
                worst = {best, text.owner->objectName() + QLatin1Char(' ') + text.original};
        }
        return worst;
    }

private:
    struct Text {
        QWidget* owner;
        QRect area;  // in the owner's coordinates
        QString original;
        std::function<void(const QString&)> set;
    };

    void add(QWidget* owner, const QRect& area, const QString& original, std::function<void(const QString&)> set)
    {
        if (!original.isEmpty())
            texts.push_back({owner, area, original, std::move(set)});
    }

    std::vector<Text> texts;
};

// A dark desktop as a platform theme hands it over before the program starts: the application's
// palette, palettes of their own for the kinds of widget the theme colours, and the tooltips'.
void takeADarkDesktopTheme()
{
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::ToolTipBase, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::ToolTipText, QColor(0xee, 0xee, 0xee));
    QApplication::setPalette(dark);
    for (const char* kind : {"QMenu", "QAbstractItemView", "QLineEdit", "QTextEdit", "QLabel", "QAbstractButton",
                             "QCheckBox", "QRadioButton", "QMenuBar", "QGroupBox"})
        QApplication::setPalette(dark, kind);
    QToolTip::setPalette(dark);
}

// A popup as shown: light behind its texts (the colour most of it shows), and the darkest of its
// texts readable on that.
QString popupFault(QWidget* popup)
{
    const QImage image = popup->grab().toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    const QRgb background = std::max_element(counts.keyValueBegin(), counts.keyValueEnd(), [](auto a, auto b) {
                                return a.second < b.second;
                            })->first;
    double best = 1.0;
    for (auto it = counts.keyBegin(); it != counts.keyEnd(); ++it)
        best = std::max(best, contrast(*it, background));
    if (luminance(background) < 0.7 || best < 4.5)
        return QStringLiteral("background %1, text contrast %2").arg(QColor(background).name()).arg(best);
    return QString();
}

// The handle and the groove of a scroll bar, where the handle is and where it is not.
std::optional<std::pair<QRgb, QRgb>> handleAndGroove(QScrollBar* bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    const QRect handle = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    const QRect groove = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, bar);
    const QImage image = bar->grab().toImage();
    const QPoint beyond = bar->orientation() == Qt::Horizontal ? QPoint(groove.right() - 3, groove.center().y())
                                                               : QPoint(groove.center().x(), groove.bottom() - 3);
    const int length = bar->orientation() == Qt::Horizontal ? handle.width() : handle.height();
    if (length < 6 || handle.contains(beyond))
        return std::nullopt;  // a box one line high: its scroll bar has room for its arrows only
    return std::pair{image.pixel(handle.center()), image.pixel(beyond)};
}

// The rows a part of the window draws in something other than its background, in the window's coordinates.
std::pair<int, int> inkRows(QWidget* window, const QRect& area)
{
    const QImage image = window->grab(area).toImage();
    const QRgb background = image.pixel(image.width() - 1, 0);
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (contrast(image.pixel(x, y), background) > 2) {
                bottom = y;
                if (top < 0)
                    top = y;
            }
    return {area.top() + top, area.top() + bottom};
}

// The button's part of the window as a person sees it, with a neighbour that overlaps it.
QImage shownArea(QToolButton* button)
{
    return button->parentWidget()->grab(button->geometry()).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The smallest rectangle holding every pixel of image that differs from the same pixel of other, or
// that has the given colour; without either, every pixel that is not wholly transparent.
QRect differingRect(const QImage& image, const QImage& other, std::optional<QRgb> colour = std::nullopt)
{
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (colour ? pixel == *colour : other.isNull() ? qAlpha(pixel) > 0 : pixel != other.pixel(x, y))
                found |= QRect(x, y, 1, 1);
        }
    return found;
}

QString rectText(const QRect& rect)
{
    return QStringLiteral("%1,%2 %3x%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

// Whether shown is the background with the picture drawn over it at the offset, throughout the room.
bool drawsPictureAt(const QImage& shown, const QImage& background, const QRect& room, const QImage& picture, QPoint at)
{
    for (int y = room.top(); y <= room.bottom(); ++y)
        for (int x = room.left(); x <= room.right(); ++x) {
            const QPoint inPicture = QPoint(x, y) - at;
            const QRgb over = picture.rect().contains(inPicture) ? picture.pixel(inPicture) : 0;
            const QRgb under = background.pixel(x, y);
            const QRgb actual = shown.pixel(x, y);
            const auto matches = [&](int (*channel)(QRgb)) {
                const int expected = (channel(over) * qAlpha(over) + channel(under) * (255 - qAlpha(over))) / 255;
                return std::abs(channel(actual) - expected) <= 2;
            };
            if (!matches(qRed) || !matches(qGreen) || !matches(qBlue))
                return false;
        }
    return true;
}

}  // namespace

class AppearanceTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void textsStayReadableOnADarkDesktop();
    void popupsMenusAndTooltipsStayLight();
    void scrollBarHandlesAndBordersStandOut();
    void longNamesCanBeReadWhole();
    void frameCaptionsLieOnTheBorderLine();
    void areaPicturesShowWholeAboveOneCaptionLine();
    void messageBoxesShowTheirTitlesWhole();
    void controlsAreNamedByTheirLabels();
    void onlyTheSelectedOptionIsATabStop();
    void openingShowsTheBusyPointerOnAnUnchangedWindow();

private:
    QTemporaryDir folder;
    QString sample;
};

void AppearanceTest::initTestCase()
{
    // Under a desktop theme of the platform's (a dark GTK theme) that theme is the dark desktop.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORMTHEME"))
        takeADarkDesktopTheme();
    QVERIFY(luminance(QApplication::palette("QMenu").color(QPalette::Window).rgb()) < 0.1);
    volmira::appearance::useLightSchemeForApplication();
    QVERIFY(folder.isValid());
    DictionaryBuilder dictionary;
    dictionary.column({"acct", "ACCT_MAIN", "AM_ID"});
    dictionary.release(451);
    sample = dictionary.write(folder.filePath(QStringLiteral("dict.mdb")));
}

void AppearanceTest::textsStayReadableOnADarkDesktop()
{
    MainWindowSession session({sample});
    session.start();
    // A text in every box: the search text, the empty boxes and the valid values too.
    for (QLineEdit* line : session.window().findChildren<QLineEdit*>()) {
        const QSignalBlocker quiet(line);
        line->setText(QStringLiteral("Text 12"));
    }
    for (QPlainTextEdit* box : session.window().findChildren<QPlainTextEdit*>())
        box->setPlainText(QStringLiteral("A description"));
    session.find<QPushButton>("cmdClear")->setEnabled(false);  // disabled captions count too
    auto [windowContrast, windowText] = TextRemover(&session.window()).worstContrast(&session.window());
    QVERIFY2(windowContrast >= 4.5, qPrintable(QStringLiteral("%1: %2").arg(windowText).arg(windowContrast)));

    // The picker lists a folder and a file of the current folder.
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("sub")));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    frmFileDialog picker;
    QDir::setCurrent(previous);
    auto* files = picker.findChild<QListWidget*>(QStringLiteral("lstFiles"));
    files->setCurrentRow(0);
    auto [pickerContrast, pickerText] = TextRemover(&picker).worstContrast(&picker);
    QVERIFY2(pickerContrast >= 4.5, qPrintable(QStringLiteral("%1: %2").arg(pickerText).arg(pickerContrast)));
}

void AppearanceTest::popupsMenusAndTooltipsStayLight()
{
    MainWindowSession session({sample});
    session.start();
    frmFileDialog picker;
    picker.show();
    const auto verifyPopup = [](QWidget* popup, const char* what) {
        const QString fault = popupFault(popup);
        QVERIFY2(fault.isEmpty(), qPrintable(QLatin1String(what) + QLatin1String(": ") + fault));
    };
    for (QComboBox* dropDown : {session.find<QComboBox>("cmbDomain"), picker.findChild<QComboBox*>("lstDrive")}) {
        dropDown->showPopup();
        dropDown->view()->selectionModel()->clear();  // the selected entry is drawn in the highlight colour
        verifyPopup(dropDown->view()->window(), "drop-down list");
        dropDown->hidePopup();
    }
    const auto verifyMenu = [&](QMenu* menu, const char* what) {
        menu->popup(QPoint(10, 10));
        verifyPopup(menu, what);
        menu->close();
    };
    for (const char* list : {"lstTables", "lstColumns"}) {
        QMenu menu(&session.window());
        menu.addActions(session.find<QListWidget>(list)->actions());
        verifyMenu(&menu, list);
    }
    verifyMenu(session.find<QMenu>("mnuFile"), "File menu");
    for (QLineEdit* line : {session.find<QLineEdit>("txtSearch"), session.find<QLineEdit>("txtGUILabel"),
                            picker.findChild<QLineEdit*>("txtFile")})
        verifyMenu(std::unique_ptr<QMenu>(line->createStandardContextMenu()).get(), line->objectName().toLatin1());
    auto* values = session.find<QPlainTextEdit>("txtValues");
    verifyMenu(std::unique_ptr<QMenu>(values->createStandardContextMenu()).get(), "txtValues");

    auto* first = session.find<QPushButton>("cmdFirst");
    QToolTip::showText(first->mapToGlobal(QPoint(4, 4)), first->toolTip(), first);
    QWidget* tip = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->inherits("QTipLabel") && widget->isVisible())
            tip = widget;
    QVERIFY(tip);
    verifyPopup(tip, "tooltip");
    QToolTip::hideText();
}

void AppearanceTest::scrollBarHandlesAndBordersStandOut()
{
    MainWindowSession session({sample});
    session.start();
    for (const char* name : {"lstTables", "lstColumns"})
        for (int row = 0; row < 60; ++row)
            session.find<QListWidget>(name)->addItem(QStringLiteral("A_NAME_LONGER_THAN_THE_LIST_IS_WIDE_%1").arg(row));
    QStringList lines;
    for (int line = 0; line < 60; ++line)
        lines << QStringLiteral("PD-Pending a value whose description runs on past the right edge of the box %1").arg(line);
    for (QPlainTextEdit* box : session.window().findChildren<QPlainTextEdit*>())
        box->setPlainText(lines.join(QLatin1Char('\n')));
    QApplication::processEvents();
    int bars = 0;
    for (QScrollBar* bar : session.window().findChildren<QScrollBar*>()) {
        if (!bar->isVisibleTo(&session.window()) || bar->maximum() == 0)
            continue;
        const auto colours = handleAndGroove(bar);
        if (!colours)
            continue;
        ++bars;
        const auto [handle, groove] = *colours;
        QVERIFY2(contrast(handle, groove) >= 3,
                 qPrintable(QStringLiteral("%1: %2").arg(bar->parentWidget()->parentWidget()->objectName())
                                .arg(contrast(handle, groove))));
    }
    QVERIFY(bars >= 6);  // both of each list and of the valid values, and those of the taller boxes

    // The borders of the disabled check boxes and of the boxes, on the white frame.
    for (const char* name : {"chkPrimary", "chlForeign", "txtDatatype", "txtLogiDesc", "lstTables", "cmdFirst"}) {
        auto* control = session.find<QWidget>(name);
        const QImage image = control->parentWidget()->grab().toImage();
        const QRect place = control->geometry();
        const auto [top, bottom] = inkRows(control->parentWidget(), place);
        double border = 1.0;
        for (int x = place.left(); x <= place.center().x(); ++x)
            border = std::max(border, contrast(image.pixel(x, (top + bottom) / 2), qRgb(255, 255, 255)));
        QVERIFY2(border >= 3, qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(name)).arg(border)));
    }

    // Each check box's indicator is level with the capitals of its caption, whose first letter has no descender.
    for (const auto& [box, caption] : {std::pair{"chkPrimary", "Label6"}, std::pair{"chlForeign", "Label7"}}) {
        auto* label = session.find<QLabel>(caption);
        auto* frame = label->parentWidget();
        const auto [boxTop, boxBottom] = inkRows(frame, session.find<QWidget>(box)->geometry());
        const auto [capTop, capBottom] = inkRows(frame, QRect(label->x(), label->y(), 6, label->height()));
        QVERIFY2(std::abs((boxTop + boxBottom) - (capTop + capBottom)) <= 2,
                 qPrintable(QStringLiteral("%1 %2-%3, %4 %5-%6")
                                .arg(QLatin1String(box)).arg(boxTop).arg(boxBottom)
                                .arg(QLatin1String(caption)).arg(capTop).arg(capBottom)));
    }
}

void AppearanceTest::longNamesCanBeReadWhole()
{
    MainWindowSession session({sample});
    session.start();
    // A name from the file is shown as it is, tags included.
    const QString longName = QStringLiteral("CLCB_COORDINATION_OF_<b>BENEFITS</b>_WITH_OTHER_CARRIERS");
    for (const char* name : {"lstTables", "lstColumns"}) {
        auto* list = session.find<QListWidget>(name);
        const QString shortName = list->item(0)->text();
        list->addItem(longName);  // after a short name, which the list would take every row's width from
        list->doItemsLayout();
        QWidget* viewport = list->viewport();
        const auto tooltipAt = [&](int row) {
            QToolTip::hideText();
            if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }))
                return QStringLiteral("(the previous tooltip stays)");
            const QPoint at = list->visualItemRect(list->item(row)).center();
            QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
            QApplication::sendEvent(viewport, &help);
            return QToolTip::isVisible() ? QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText() : QString();
        };
        QCOMPARE(tooltipAt(0), QString());
        QCOMPARE(tooltipAt(1), longName);

        // Scrolled to its end, the list shows the long name's end.
        QScrollBar* bar = list->horizontalScrollBar();
        bar->setValue(bar->maximum());
        const QRect item = list->visualItemRect(list->item(1));
        QVERIFY2(item.left() + list->fontMetrics().horizontalAdvance(longName) < viewport->width(),
                 qPrintable(QStringLiteral("%1: %2 + %3 > %4").arg(QLatin1String(name)).arg(item.left())
                                .arg(list->fontMetrics().horizontalAdvance(longName)).arg(viewport->width())));
        QVERIFY(list->fontMetrics().horizontalAdvance(shortName) < viewport->width());
    }
}

void AppearanceTest::frameCaptionsLieOnTheBorderLine()
{
    MainWindowSession session;
    for (const char* name : {"frmTable", "frmSearch", "frmFields", "frameGUI", "frmValidValues"}) {
        auto* frame = session.find<QGroupBox>(name);
        const QImage image = frame->grab().toImage();
        const QRgb background = image.pixel(frame->width() / 2, frame->height() - 4);
        // The top border line is the first drawn row at the frame's right end, where nothing else lies.
        int borderY = 0;
        while (borderY < image.height() && image.pixel(frame->width() - 4, borderY) == background)
            ++borderY;
        int captionTop = -1, captionBottom = -1;
        for (int y = 0; y < image.height() / 2; ++y)
            for (int x = 10; x < 30; ++x)
                if (contrast(image.pixel(x, y), background) > 3) {
                    captionBottom = y;
                    if (captionTop < 0)
                        captionTop = y;
                }
        QVERIFY2(captionTop < borderY && borderY < captionBottom, name);
        for (QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(control->y() > borderY, qPrintable(control->objectName()));
    }

    // Where the Table Name option overlaps the drop-down, the drop-down's right edge still shows, and
    // white lies between it and the option's indicator.
    auto* search = session.find<QGroupBox>("frmSearch");
    auto* filter = session.find<QComboBox>("cmbDomain");
    QVERIFY(filter->geometry().intersects(session.find<QRadioButton>("optTable")->geometry()));
    const QImage frameImage = search->grab().toImage();
    const QImage filterImage = filter->grab().toImage();
    for (int y = 3; y < filter->height() - 3; ++y) {
        QCOMPARE(frameImage.pixel(filter->geometry().right(), filter->y() + y),
                 filterImage.pixel(filter->width() - 1, y));
        QCOMPARE(frameImage.pixel(filter->geometry().right() + 2, filter->y() + y), qRgb(255, 255, 255));
    }
}

void AppearanceTest::areaPicturesShowWholeAboveOneCaptionLine()
{
    MainWindowSession session;
    QRect captionLine, rooms;
    for (const volmira::FunctionalArea& area : volmira::functionalAreas()) {
        auto* button = session.find<QToolButton>(area.buttonName);
        const QIcon icon = button->icon();
        const QString caption = button->text();
        const QImage shown = shownArea(button);
        // The room is where an opaque picture of the icon's size shows; the caption is what its text adds.
        QPixmap probe(button->iconSize());
        probe.fill(Qt::magenta);
        button->setIcon(QIcon(probe));
        const QRect room = differingRect(shownArea(button), QImage(), QColor(Qt::magenta).rgb());
        probe.fill(Qt::transparent);
        button->setIcon(QIcon(probe));
        const QImage withoutPicture = shownArea(button);
        button->setText(QString());
        captionLine |= differingRect(withoutPicture, shownArea(button));
        button->setText(caption);
        button->setIcon(icon);
        rooms |= room;

        // The picture at its own size, placed where the button centres it, gives what the button shows,
        // and none of it lies outside the room.
        const QImage picture = volmira::areaPicture(area).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(picture.size(), area.pictureSize);
        const QPoint centred = room.center() - QPoint(picture.width() / 2, picture.height() / 2);
        std::optional<QPoint> at;
        for (int dy = -3; dy <= 3 && !at; ++dy)
            for (int dx = -3; dx <= 3 && !at; ++dx)
                if (drawsPictureAt(shown, withoutPicture, room, picture, centred + QPoint(dx, dy)))
                    at = centred + QPoint(dx, dy);
        QVERIFY2(at, area.code);
        const QRect ink = differingRect(picture, QImage()).translated(*at);
        QVERIFY2(room.contains(ink), qPrintable(QStringLiteral("%1: drawing %2 in room %3")
                                                    .arg(QLatin1String(area.code), rectText(ink), rectText(room))));
    }
    // The captions share one line, below every picture.
    QVERIFY(captionLine.height() <= session.find<QToolButton>("cmdAcc")->fontMetrics().height());
    QVERIFY(rooms.bottom() < captionLine.top());
}

void AppearanceTest::messageBoxesShowTheirTitlesWhole()
{
    QFont titleFont = QApplication::font();
    titleFont.setPointSizeF(11);
    titleFont.setBold(true);
    const std::pair<const char*, const char*> boxes[] = {{"Volmira", "Enter text to search"},
                                                         {"Search Result", "No result found"},
                                                         {"Volmira", "Select a file"},
                                                         {"TAVRIN Volmira", "Error 3044\n\nNot a valid path"}};
    for (const auto& [title, text] : boxes) {
        MessageCatcher catcher;
        volmira::appearance::showMessage(nullptr, QMessageBox::Information, QLatin1String(title), QLatin1String(text));
        QCOMPARE(catcher.messages().size(), std::size_t(1));
        const ShownMessage& seen = catcher.messages().front();
        QCOMPARE(seen.title, QLatin1String(title));
        // Window icon, minimize, maximize and close buttons take about 30 pixels each.
        const int titleBar = QFontMetrics(titleFont).horizontalAdvance(QLatin1String(title)) + 4 * 30;
        QVERIFY2(seen.width >= titleBar,
                 qPrintable(QStringLiteral("%1: %2 < %3").arg(title).arg(seen.width).arg(titleBar)));
    }
}

void AppearanceTest::controlsAreNamedByTheirLabels()
{
    MainWindowSession session;
    const std::pair<const char*, const char*> expected[] = {
        {"lstTables", "Table Name"},
        {"lstColumns", "Field Name"},
        {"txtDatatype", "Data Type"},
        {"chkPrimary", "Primary Key"},
        {"chlForeign", "Foreign Key"},
        {"txtLogiDesc", "Logical Description"},
        {"txtDataDesc", "Data Definition"},
        {"txtGUILabel", "GUI Label"},
        {"txtGUIControl", "GUI Control"},
        {"txtValues", "Valid Values/Description"},
        {"txtTblLD", "Table Logical Description"},
        {"txtTblDD", "Table Data Definition"},
        {"cmbDomain", "Module"},
        {"txtSearch", "Text to Search"},
    };
    for (const auto& [control, name] : expected) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(session.find<QWidget>(control));
        QVERIFY(accessible);
        // On Linux a drop-down's name is its current entry; its label comes through the label relation.
        if (QLatin1String(control) == QLatin1String("cmbDomain")) {
            QStringList labels;
            for (const auto& [label, relation] : accessible->relations(QAccessible::Label))
                labels << label->text(QAccessible::Name);
            QVERIFY2(labels.contains(QLatin1String(name)), qPrintable(labels.join(QLatin1Char('|'))));
        } else {
            QCOMPARE(accessible->text(QAccessible::Name), QLatin1String(name));
        }
        QCOMPARE(session.find<QWidget>(control)->accessibleName(), QLatin1String(name));
    }
}

void AppearanceTest::onlyTheSelectedOptionIsATabStop()
{
    MainWindowSession session({sample});
    session.start();
    auto* table = session.find<QRadioButton>("optTable");
    auto* column = session.find<QRadioButton>("optColumn");
    // Alt+C is shared by Clear and Column Name: each press moves the focus between them.
    session.find<QPushButton>("cmdClear")->setEnabled(true);
    for (int press = 0; press < 2 && !column->hasFocus(); ++press)
        QTest::keyClick(&session.window(), Qt::Key_C, Qt::AltModifier);
    QVERIFY(column->hasFocus());
    QVERIFY(table->isChecked());
    for (QRadioButton* option : session.window().findChildren<QRadioButton*>())
        QCOMPARE(bool(option->focusPolicy() & Qt::TabFocus), option == table);
}

void AppearanceTest::openingShowsTheBusyPointerOnAnUnchangedWindow()
{
    MainWindowSession session({sample});
    QList<Qt::CursorShape> whileOpening;
    session.window().setStatementObserver([&](const QString& sql) {
        if (sql.contains(QLatin1String("Rels_No")))
            whileOpening << (QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape()
                                                               : Qt::ArrowCursor);
    });
    session.start();
    QCOMPARE(whileOpening, QList<Qt::CursorShape>{Qt::WaitCursor});
    QVERIFY(!QGuiApplication::overrideCursor());
    // A screen that holds the window leaves it as it is: no scrolling.
    QCOMPARE(session.window().centralWidget()->objectName(), QStringLiteral("clientArea"));
    QCOMPARE(session.window().centralWidget()->size(), QSize(941, 722));
}

QTEST_MAIN(AppearanceTest)
#include "tst_appearance.moc"
