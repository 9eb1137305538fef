#include "mainwindow/frmmain.h"

#include "areas/areapictures.h"
#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/recordset.h"
#include "filepicker/frmfiledialog.h"
#include "mainwindow/appearance.h"
#include "mainwindow/frmmain_layout.h"
#include "mainwindow/lockedboxes.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <limits>

namespace {

using volmira::layout::labelText;

template <class Control>
Control* named(Control* control, const char* name)
{
    control->setObjectName(QLatin1String(name));
    return control;
}

void paintWhite(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Button, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Labels show their caption as plain text: a caption is never markup.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption)
{
    auto* label = named(new QLabel(labelText(caption), parent), name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void giveSingleLineBorder(QLabel* label)
{
    label->setFrameShape(QFrame::Box);
    label->setFrameShadow(QFrame::Plain);
    label->setLineWidth(1);
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& caption)
{
    auto* frame = named(new volmira::appearance::CaptionFrame(caption, parent), name);
    paintWhite(frame);
    return frame;
}

// A locked box: the user can select and copy its text but not change it.
LockedLineBox* makeLockedLine(QWidget* parent, const char* name)
{
    auto* box = named(new LockedLineBox(parent), name);
    box->setReadOnly(true);
    return box;
}

LockedTextBox* makeLockedText(QWidget* parent, const char* name, bool horizontalScrollBar)
{
    auto* box = named(new LockedTextBox(parent), name);
    box->setReadOnly(true);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setFocusPolicy(Qt::StrongFocus);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    if (horizontalScrollBar) {
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
    }
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = named(new QPushButton(caption, parent), name);
    button->setAutoDefault(false);
    return button;
}

QListWidget* makeList(QWidget* parent, const char* name)
{
    auto* list = named(new QListWidget(parent), name);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);  // long lists stay quick to fill and scroll
    volmira::appearance::showWholeNames(list);
    return list;
}

// A list's copy command: its context menu entry, and Ctrl+C while the list has the focus.
QAction* makeCopyAction(QListWidget* list, const char* name, const QString& caption)
{
    auto* action = named(new QAction(caption, list), name);
    action->setShortcut(QKeySequence::Copy);
    action->setShortcutContext(Qt::WidgetShortcut);
    list->addAction(action);
    list->setContextMenuPolicy(Qt::ActionsContextMenu);
    return action;
}

DisplayCheckBox* makeDisplayCheckBox(QWidget* parent, const char* name)
{
    auto* box = named(new DisplayCheckBox(parent), name);
    paintWhite(box);
    return box;
}

// Of a group of option buttons only the selected one is a tab stop; the others take the focus by a click.
void keepSelectedOptionTheTabStop(QWidget* group)
{
    for (QRadioButton* option : group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
        option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

// Qt makes an option button that receives the focus its group's tab stop, even when it is not the
// selected one (an access key shared with another control moves the focus without selecting).
class OptionButton final : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        QRadioButton::focusInEvent(event);
        keepSelectedOptionTheTabStop(parentWidget());
    }
};

QRadioButton* makeOption(QWidget* parent, const char* name, const QString& caption)
{
    auto* option = named(new OptionButton(caption, parent), name);
    paintWhite(option);
    return option;
}

// The picture as the button shows it: at its own pixel size, centred in the room above the caption. A
// picture larger than the room has its drawing inside the room, so only its empty margin is cut.
QPixmap pictureInRoom(const QPixmap& picture, const QSize& room)
{
    QPixmap shown(room);
    shown.fill(Qt::transparent);
    QPainter painter(&shown);
    painter.drawPixmap((room.width() - picture.width()) / 2, (room.height() - picture.height()) / 2, picture);
    return shown;
}

QString fatalErrorText(const volmira::Error& error)
{
    return QStringLiteral("Error %1\n\n%2").arg(error.number()).arg(error.description());
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    volmira::layout::installFontSubstitutes();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("TAVRIN Volmira"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(volmira::programIcon());
    fatalErrorHandler = [this](const volmira::Error& error) {
        volmira::appearance::showMessage(this, QMessageBox::Critical, QStringLiteral("TAVRIN Volmira"),
                                         fatalErrorText(error));
        QCoreApplication::exit(1);
    };
    buildControls();
    connectHandlers();
    Timer1->start();
    guarded([this] { Form_Load(); });
}

frmMain::~frmMain() = default;

void frmMain::setFatalErrorHandler(FatalErrorHandler handler) { fatalErrorHandler = std::move(handler); }
void frmMain::setFileDialogFactory(FileDialogFactory factory) { fileDialogFactory = std::move(factory); }
void frmMain::setStatementObserver(StatementObserver observer) { statementObserver = std::move(observer); }

void frmMain::buildControls()
{
    mnuFile = named(menuBar()->addMenu(QStringLiteral("&File")), "mnuFile");
    mnuOpen = named(mnuFile->addAction(QStringLiteral("&Open")), "mnuOpen");
    mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuExit = named(mnuFile->addAction(QStringLiteral("E&xit")), "mnuExit");
    mnuHelp = named(menuBar()->addMenu(QStringLiteral("&Help")), "mnuHelp");

    // The client area has a fixed size; the window is as large as it and its menu bar.
    auto* client = named(new QWidget(this), "clientArea");
    client->setFixedSize(volmira::layout::toPixels(volmira::layout::clientWidthTwips),
                         volmira::layout::toPixels(volmira::layout::clientHeightTwips));
    paintWhite(client);
    client->setFont(volmira::layout::font(volmira::layout::FontRole::Window));
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    for (int position = 0; position < volmira::functionalAreaCount; ++position) {
        const volmira::FunctionalArea& area = volmira::functionalAreas()[position];
        auto* button = named(new QToolButton(client), area.buttonName);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setText(area.caption());
        button->setToolTip(QString::fromLatin1(area.title));
        paintWhite(button);
        areaButtons[position] = button;
    }

    // The area picture lies beneath the transparent title label, so it is made first.
    impTemp = named(new QLabel(client), "impTemp");
    impTemp->setPixmap(volmira::defaultAreaPicture());
    impTemp->setScaledContents(true);
    impTemp->hide();
    imgDomain = named(new QLabel(client), "imgDomain");
    imgDomain->setPixmap(impTemp->pixmap());
    imgDomain->setScaledContents(true);
    lblDomainName = makeLabel(client, "lblDomainName", QStringLiteral("Functional Area"));
    lblDomainName->setAlignment(Qt::AlignCenter);
    giveSingleLineBorder(lblDomainName);

    Label8 = makeLabel(client, "Label8", QStringLiteral("Table Name"));
    Label8->setAlignment(Qt::AlignCenter);
    giveSingleLineBorder(Label8);
    lstTables = makeList(client, "lstTables");
    Label9 = makeLabel(client, "Label9", QStringLiteral("Field Name"));
    Label9->setAlignment(Qt::AlignCenter);
    giveSingleLineBorder(Label9);
    lstColumns = makeList(client, "lstColumns");
    mnuCopyTableNames = makeCopyAction(lstTables, "mnuCopyTableNames", QStringLiteral("Copy Table Names"));
    mnuCopyColumns = makeCopyAction(lstColumns, "mnuCopyColumns", QStringLiteral("Copy Columns"));
    mnuFindTablesWithColumn = named(new QAction(QStringLiteral("Find Tables With This Column"), lstColumns),
                                    "mnuFindTablesWithColumn");
    lstColumns->addAction(mnuFindTablesWithColumn);
    Line1 = named(new QFrame(client), "Line1");
    Line1->setFrameShape(QFrame::VLine);
    Line1->setFrameShadow(QFrame::Plain);

    frmTable = makeFrame(client, "frmTable", QStringLiteral("Table Attributes"));
    Label4 = makeLabel(frmTable, "Label4", QStringLiteral("Logical Description"));
    txtTblLD = makeLockedText(frmTable, "txtTblLD", false);
    Label5 = makeLabel(frmTable, "Label5", QStringLiteral("Data Definition"));
    txtTblDD = makeLockedText(frmTable, "txtTblDD", false);

    frmSearch = makeFrame(client, "frmSearch", QStringLiteral("Search"));
    Label10 = makeLabel(frmSearch, "Label10", QStringLiteral("Module"));
    cmbDomain = named(new QComboBox(frmSearch), "cmbDomain");
    cmbDomain->setEditable(false);
    {
        // The filter starts without a selection; Form_Load selects "ALL".
        const QSignalBlocker blocker(cmbDomain);
        for (const QString& entry : volmira::areaFilterEntries())
            cmbDomain->addItem(entry, 0);
        cmbDomain->setCurrentIndex(-1);
    }
    optTable = makeOption(frmSearch, "optTable", QStringLiteral("&Table Name"));
    optColumn = makeOption(frmSearch, "optColumn", QStringLiteral("&Column Name"));
    optTblDesc = makeOption(frmSearch, "optTblDesc", QStringLiteral("Table &Description"));
    optColDesc = makeOption(frmSearch, "optColDesc", QStringLiteral("C&olumn Description"));
    optTable->setChecked(true);
    keepSelectedOptionTheTabStop(frmSearch);
    Label11 = makeLabel(frmSearch, "Label11", QStringLiteral("Text to Search"));
    txtSearch = named(new QLineEdit(frmSearch), "txtSearch");
    // A line edit keeps 32,767 characters by default and cuts longer pasted text without a word.
    txtSearch->setMaxLength(std::numeric_limits<int>::max());
    cmdFirst = makeButton(frmSearch, "cmdFirst", QStringLiteral("<<"));
    cmdFirst->setToolTip(QStringLiteral("First Result"));
    cmdPrevious = makeButton(frmSearch, "cmdPrevious", QStringLiteral("<"));
    cmdPrevious->setToolTip(QStringLiteral("Previous Result"));
    cmdNext = makeButton(frmSearch, "cmdNext", QStringLiteral(">"));
    cmdNext->setToolTip(QStringLiteral("Next Result"));
    cmdLast = makeButton(frmSearch, "cmdLast", QStringLiteral(">>"));
    cmdLast->setToolTip(QStringLiteral("Last Result"));
    cmdSearch = makeButton(frmSearch, "cmdSearch", QStringLiteral("&Search"));
    paintWhite(cmdSearch);
    cmdClear = makeButton(frmSearch, "cmdClear", QStringLiteral("&Clear"));
    paintWhite(cmdClear);

    frmFields = makeFrame(client, "frmFields", QStringLiteral("Field Attributes"));
    Label1 = makeLabel(frmFields, "Label1", QStringLiteral("Data Type"));
    txtDatatype = makeLockedLine(frmFields, "txtDatatype");
    auto* primary = makeDisplayCheckBox(frmFields, "chkPrimary");
    chkPrimary = primary;
    Label6 = makeLabel(frmFields, "Label6", QStringLiteral("Primary Key"));
    primary->alignWith(Label6);
    auto* foreign = makeDisplayCheckBox(frmFields, "chlForeign");
    chlForeign = foreign;
    Label7 = makeLabel(frmFields, "Label7", QStringLiteral("Foreign Key"));
    foreign->alignWith(Label7);
    Label2 = makeLabel(frmFields, "Label2", QStringLiteral("Logical Description"));
    txtLogiDesc = makeLockedText(frmFields, "txtLogiDesc", false);
    Label3 = makeLabel(frmFields, "Label3", QStringLiteral("Data Definition"));
    txtDataDesc = makeLockedText(frmFields, "txtDataDesc", false);

    frameGUI = makeFrame(client, "frameGUI", QStringLiteral("GUI"));
    Label12 = makeLabel(frameGUI, "Label12", QStringLiteral("GUI Label"));
    txtGUILabel = makeLockedLine(frameGUI, "txtGUILabel");
    Label13 = makeLabel(frameGUI, "Label13", QStringLiteral("GUI Control"));
    txtGUIControl = makeLockedLine(frameGUI, "txtGUIControl");

    frmValidValues = makeFrame(client, "frmValidValues", QStringLiteral("Valid Values/Description"));
    txtValues = makeLockedText(frmValidValues, "txtValues", true);

    lblTime = makeLabel(client, "lblTime", QStringLiteral("Date && Time: "));
    lblDomain = makeLabel(client, "lblDomain", QStringLiteral("Functional Area: "));
    lblDBVer = makeLabel(client, "lblDBVer", QStringLiteral("Database Version"));
    lblCopyRght = makeLabel(client, "lblCopyRght", QStringLiteral("Copyright \u00A9 2026 Volmira"));
    lblCopyRght->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel* status : {lblTime, lblDomain, lblDBVer, lblCopyRght})
        giveSingleLineBorder(status);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);

    volmira::layout::applyLayout(client);

    // Every button has the same room above its caption, so the 23 captions sit on one line.
    for (int position = 0; position < volmira::functionalAreaCount; ++position) {
        QToolButton* button = areaButtons[position];
        const QSize room(button->width() - 4, button->height() - button->fontMetrics().height() - 8);
        const QPixmap picture = volmira::areaPicture(volmira::functionalAreas()[position]);
        button->setIcon(QIcon(pictureInRoom(picture, room)));
        button->setIconSize(room);
    }

    // The Table Name option overlaps the drop-down's right edge; the drop-down is drawn over it.
    cmbDomain->raise();

    // Each box, list and drop-down is named by its own label, which a screen reader reads with it.
    const std::pair<QLabel*, QWidget*> buddies[] = {
        {Label8, lstTables},   {Label9, lstColumns},   {Label10, cmbDomain},     {Label11, txtSearch},
        {Label1, txtDatatype}, {Label6, chkPrimary},   {Label7, chlForeign},     {Label2, txtLogiDesc},
        {Label3, txtDataDesc}, {Label12, txtGUILabel}, {Label13, txtGUIControl}, {Label4, txtTblLD},
        {Label5, txtTblDD}};
    for (const auto& [label, control] : buddies) {
        label->setBuddy(control);
        // Lists and check boxes do not take their name from a buddy.
        control->setAccessibleName(label->text());
    }
    // The table's boxes share their labels' texts with the field's boxes; the frame tells them apart.
    txtTblLD->setAccessibleName(QStringLiteral("Table Logical Description"));
    txtTblDD->setAccessibleName(QStringLiteral("Table Data Definition"));
    txtValues->setAccessibleName(frmValidValues->title());
}

void frmMain::connectHandlers()
{
    // Changes made from code block these signals and call the handler themselves (the set... helpers),
    // so every signal below stands for the user's own input.
    using Handler = void (frmMain::*)();
    const auto onClick = [this](auto* sender, auto signal, Handler handler) {
        connect(sender, signal, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    for (int position = 0; position < volmira::functionalAreaCount; ++position) {
        const volmira::FunctionalArea& area = volmira::functionalAreas()[position];
        connect(areaButtons[position], &QToolButton::clicked, this,
                [this, &area] { guarded([this, &area] { areaButton_Click(area); }); });
    }

    onClick(mnuOpen, &QAction::triggered, &frmMain::mnuOpen_Click);
    onClick(mnuExit, &QAction::triggered, &frmMain::mnuExit_Click);
    onClick(mnuCopyColumns, &QAction::triggered, &frmMain::mnuCopyColumns_Click);
    onClick(mnuCopyTableNames, &QAction::triggered, &frmMain::mnuCopyTableNames_Click);
    onClick(mnuFindTablesWithColumn, &QAction::triggered, &frmMain::mnuFindTablesWithColumn_Click);
    onClick(Timer1, &QTimer::timeout, &frmMain::Timer1_Timer);
    onClick(cmdSearch, &QPushButton::clicked, &frmMain::cmdSearch_Click);
    onClick(cmdClear, &QPushButton::clicked, &frmMain::cmdClear_Click);
    onClick(cmdFirst, &QPushButton::clicked, &frmMain::cmdFirst_Click);
    onClick(cmdPrevious, &QPushButton::clicked, &frmMain::cmdPrevious_Click);
    onClick(cmdNext, &QPushButton::clicked, &frmMain::cmdNext_Click);
    onClick(cmdLast, &QPushButton::clicked, &frmMain::cmdLast_Click);
    onClick(cmbDomain, qOverload<int>(&QComboBox::currentIndexChanged), &frmMain::cmbDomain_Change);
    onClick(txtSearch, &QLineEdit::textChanged, &frmMain::txtSearch_Change);
    txtSearch->installEventFilter(this);

    // A list's handler runs when the user selects a row. Giving an empty selection the focus only
    // moves the current row without selecting it, and runs nothing.
    const auto onSelection = [this](QListWidget* list, Handler handler) {
        connect(list, &QListWidget::itemSelectionChanged, this, [this, list, handler] {
            if (!list->selectedItems().isEmpty())
                guarded([this, handler] { (this->*handler)(); });
        });
    };
    onSelection(lstTables, &frmMain::lstTables_Click);
    onSelection(lstColumns, &frmMain::lstColumns_Click);

    const auto onChosen = [this](QRadioButton* option, Handler handler) {
        connect(option, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (!checked)
                return;
            keepSelectedOptionTheTabStop(frmSearch);
            guarded([this, handler] { (this->*handler)(); });
        });
    };
    onChosen(optTable, &frmMain::optTable_Click);
    onChosen(optColumn, &frmMain::optColumn_Click);
    onChosen(optTblDesc, &frmMain::optTblDesc_Click);
    onChosen(optColDesc, &frmMain::optColDesc_Click);
}

void frmMain::guarded(const std::function<void()>& handler)
{
    if (blnFailed)
        return;
    const int loopLevel = QThread::currentThread()->loopLevel();
    if (!guardLoopLevels.empty() && guardLoopLevels.back() == loopLevel) {
        handler();
        return;
    }
    guardLoopLevels.push_back(loopLevel);
    struct LevelPop {
        std::vector<int>& levels;
        ~LevelPop() { levels.pop_back(); }
    } pop{guardLoopLevels};
    try {
        handler();
    } catch (const HandlerAborted&) {
        // The failure that caused it has been reported already.
    } catch (const volmira::Error& error) {
        failWith(error);
    } catch (const std::bad_alloc&) {
        failWith(volmira::outOfMemory());
    } catch (const std::exception& error) {
        failWith(volmira::Error(volmira::ErrorNumber::EngineFailure, QString::fromLocal8Bit(error.what())));
    }
}

void frmMain::failWith(const volmira::Error& error)
{
    blnFailed = true;
    Timer1->stop();
    if (dlgFile && dlgFile->isVisible())
        dlgFile->reject();
    if (fatalErrorHandler)
        fatalErrorHandler(error);
    close();
}

void frmMain::queueActivation()
{
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            guarded([this] { Form_Activate(); });
    });
}

// Selecting the row that is already selected runs the list's handler again: a selection made from code
// always shows its row afresh (First on the first table restarts that table's walk). -1 selects nothing
// and runs nothing.
void frmMain::setListIndex(QListWidget* list, int index)
{
    if (index < -1 || index >= list->count())
        throw volmira::Error(
            volmira::ErrorNumber::InvalidPropertyValue,
            QStringLiteral("Invalid property value: list index %1 of %2 rows").arg(index).arg(list->count()));
    {
        const QSignalBlocker blocker(list);
        list->setCurrentRow(index);
    }
    if (index < 0)
        return;
    if (list == lstTables)
        lstTables_Click();
    else if (list == lstColumns)
        lstColumns_Click();
}

void frmMain::setSearchText(const QString& text)
{
    if (txtSearch->text() == text)
        return;
    {
        const QSignalBlocker blocker(txtSearch);
        txtSearch->setText(text);
    }
    txtSearch_Change();
}

void frmMain::setOption(QRadioButton* option)
{
    if (option->isChecked())
        return;
    {
        const QSignalBlocker blocker(option);
        option->setChecked(true);
    }
    keepSelectedOptionTheTabStop(frmSearch);
    if (option == optTable)
        optTable_Click();
    else if (option == optColumn)
        optColumn_Click();
    else if (option == optTblDesc)
        optTblDesc_Click();
    else if (option == optColDesc)
        optColDesc_Click();
}

void frmMain::setDomainIndex(int index)
{
    if (cmbDomain->currentIndex() == index)
        return;
    {
        const QSignalBlocker blocker(cmbDomain);
        cmbDomain->setCurrentIndex(index);
    }
    cmbDomain_Change();
}

void frmMain::clearList(QListWidget* list)
{
    const QSignalBlocker blocker(list);
    list->clear();
}

void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (firstShowSeen)
        return;
    firstShowSeen = true;
    fitIntoAvailableArea();
    areaButtons.front()->setFocus();
    queueActivation();
}

// The window manager's frame is known once the window has been mapped, which a move reports; a move
// can also take the window to another screen.
void frmMain::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (firstShowSeen && (screen() != fittedScreen || (!fittedToKnownFrame && frameGeometry() != geometry())))
        fitIntoAvailableArea();
}

// On a screen lower (or narrower) than the window with its frame, such as a laptop's with a panel,
// the window takes the available area and its fixed-size client area scrolls, so every control stays
// reachable; where the whole window fits it does not scroll. The frame is not known before the window
// is first mapped: until then the window is fitted as if it had none, and fitted again once it is known.
void frmMain::fitIntoAvailableArea()
{
    const QScreen* shownOn = screen();
    if (!shownOn)
        return;
    fittedScreen = shownOn;
    const QRect available = shownOn->availableGeometry();
    const QSize frame = frameGeometry().size() - geometry().size();
    fittedToKnownFrame = !frame.isNull();
    auto* client = findChild<QWidget*>(QStringLiteral("clientArea"));
    const QSize needed = client->size() + QSize(0, menuBar()->sizeHint().height()) + frame;
    const bool tooWide = needed.width() > available.width();
    const bool tooHigh = needed.height() > available.height();
    auto* scroller = qobject_cast<QScrollArea*>(centralWidget());

    if (!tooWide && !tooHigh) {
        if (!scroller)
            return;
        setCentralWidget(scroller->takeWidget());
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        layout()->setSizeConstraint(QLayout::SetFixedSize);
        return;
    }
    if (!scroller) {
        takeCentralWidget();
        scroller = named(new QScrollArea(this), "clientScroller");
        scroller->setFrameShape(QFrame::NoFrame);
        scroller->setWidget(client);
        setCentralWidget(scroller);
        layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
    }
    // A scroll bar along one side takes room from the other.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QSize withBars = needed + QSize(tooHigh ? bar : 0, tooWide ? bar : 0);
    setFixedSize(withBars.boundedTo(available.size()) - frame);
    move(available.topLeft());
}

void frmMain::closeEvent(QCloseEvent* event)
{
    Timer1->stop();
    event->accept();
}

// Enter (also on the keypad) arrives as 13; other keys as the character they type.
bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != txtSearch || event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    int keyAscii = 0;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: keyAscii = 13; break;
    case Qt::Key_Backspace: keyAscii = 8; break;
    case Qt::Key_Escape: keyAscii = 27; break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: break;  // moves the focus; types nothing
    default:
        if (key->text().size() == 1)
            keyAscii = key->text().at(0).unicode();
    }
    if (keyAscii != 0)
        guarded([this, keyAscii] { txtSearch_KeyPress(keyAscii); });
    return blnFailed;
}
