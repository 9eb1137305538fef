// The main window before and around a dictionary: layout, start-up, clock, exit, the area display,
// the button switch and the program-wide end on an error.

#include "common/guitestsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

class MainWindowTest final : public QObject {
    Q_OBJECT

private slots:
    void clientAreaIsFixedAndTitled();
    void controlsSitWhereTheyWereDrawn();
    void captionsFontsAndInitialState();
    void areaBarFollowsTheCatalogue();
    void cancellingTheFirstPickerEndsQuietly();
    void clockRunsWhileThePickerIsOpen();
    void unreadableFileEndsTheProgramAfterItsMessage();
    void areaDisplayFollowsTheAreaCode();
    void navigationSwitch();
};

void MainWindowTest::clientAreaIsFixedAndTitled()
{
    MainWindowSession session;
    frmMain& window = session.window();
    QCOMPARE(window.windowTitle(), QStringLiteral("TAVRIN Volmira"));
    QCOMPARE(window.centralWidget()->size(), QSize(941, 722));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    window.adjustSize();
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.height(), 722 + window.menuBar()->sizeHint().height());

    const QList<QAction*> menus = window.menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Help"));
    QVERIFY(menus[1]->menu()->actions().isEmpty());
    auto* open = window.findChild<QAction*>(QStringLiteral("mnuOpen"));
    QCOMPARE(open->text(), QStringLiteral("&Open"));
    QCOMPARE(open->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(window.findChild<QAction*>(QStringLiteral("mnuExit"))->text(), QStringLiteral("E&xit"));
}

void MainWindowTest::controlsSitWhereTheyWereDrawn()
{
    MainWindowSession session;
    const auto geometry = [&](const char* name) { return session.find<QWidget>(name)->geometry(); };
    // Twips / 15, rounded to the nearest pixel.
    QCOMPARE(geometry("cmdAcc"), QRect(8, 8, 40, 49));
    QCOMPARE(geometry("cmdprov"), QRect(728, 8, 44, 49));
    QCOMPARE(geometry("cmdutil").right() + 1, 928);
    QCOMPARE(geometry("lblDomainName"), QRect(8, 64, 433, 41));
    QCOMPARE(geometry("lstTables"), QRect(8, 136, 201, 349));
    QCOMPARE(geometry("Label9"), QRect(240, 112, 201, 21));
    QCOMPARE(geometry("frmSearch"), QRect(456, 64, 473, 145));
    QCOMPARE(geometry("txtSearch"), QRect(120, 72, 337, 21));  // inside its frame
    QCOMPARE(geometry("txtValues"), QRect(16, 24, 441, 97));
    QCOMPARE(geometry("lblCopyRght"), QRect(680, 696, 257, 25));
    QCOMPARE(session.find<QWidget>("txtSearch")->parentWidget()->objectName(), QStringLiteral("frmSearch"));
    QCOMPARE(session.find<QWidget>("txtTblDD")->parentWidget()->objectName(), QStringLiteral("frmTable"));
}

void MainWindowTest::captionsFontsAndInitialState()
{
    MainWindowSession session;
    const auto family = [&](const char* name) { return QFontInfo(session.find<QWidget>(name)->font()).family(); };
    QCOMPARE(family("lstTables"), QStringLiteral("Caladea"));
    QCOMPARE(family("frmSearch"), QStringLiteral("Carlito"));
    QCOMPARE(family("lblTime"), QStringLiteral("Liberation Sans"));
    QCOMPARE(session.find<QWidget>("cmdNext")->font().pointSizeF(), 14.25);
    QVERIFY(session.find<QWidget>("cmdNext")->font().bold());
    QCOMPARE(session.find<QWidget>("Label8")->font().pointSizeF(), 12.0);
    QVERIFY(!session.find<QWidget>("optTable")->font().bold());

    QVERIFY(session.find<QLabel>("lblTime")->text().startsWith(QStringLiteral("Date & Time: ")));
    QVERIFY(session.find<QLabel>("lblTime")->text().size() > 13);
    QCOMPARE(session.find<QLabel>("lblDomain")->text(), QStringLiteral("Functional Area: "));
    QCOMPARE(session.find<QLabel>("lblDomainName")->text(), QStringLiteral("Functional Area"));
    QCOMPARE(session.find<QLabel>("lblDBVer")->text(), QStringLiteral("Database Version"));
    QCOMPARE(session.find<QGroupBox>("frmValidValues")->title(), QStringLiteral("Valid Values/Description"));
    QCOMPARE(session.find<QRadioButton>("optColDesc")->text(), QStringLiteral("C&olumn Description"));
    QCOMPARE(session.find<QPushButton>("cmdLast")->toolTip(), QStringLiteral("Last Result"));

    auto* filter = session.find<QComboBox>("cmbDomain");
    QCOMPARE(filter->count(), 24);
    QCOMPARE(filter->itemText(0), QStringLiteral("ALL"));
    QCOMPARE(filter->itemText(23), QStringLiteral("UTIL"));
    QCOMPARE(filter->currentIndex(), 0);
    QVERIFY(!filter->isEditable());
    QVERIFY(session.find<QRadioButton>("optTable")->isChecked());
    QVERIFY(!session.find<QCheckBox>("chkPrimary")->isEnabled());
    QVERIFY(!session.find<QCheckBox>("chlForeign")->isEnabled());
    QVERIFY(session.find<QPlainTextEdit>("txtValues")->isReadOnly());
    QVERIFY(session.find<QLineEdit>("txtGUILabel")->isReadOnly());
    QVERIFY(!session.find<QLineEdit>("txtSearch")->isReadOnly());
    QVERIFY(session.find<QLabel>("impTemp")->isHidden());
    QCOMPARE(session.find<QLabel>("imgDomain")->pixmap().toImage(),
             session.find<QLabel>("impTemp")->pixmap().toImage());
}

void MainWindowTest::areaBarFollowsTheCatalogue()
{
    MainWindowSession session;
    const char* names[] = {"cmdAcc",  "cmdbill", "cmdcase", "cmdclcl", "cmdcoco", "cmdcrcr", "cmdctct", "cmdcust",
                           "cmdetav", "cmdfawf", "cmdthdv", "cmdthpr", "cmditsc", "Cmditsp", "cmdmcar", "cmdmesb",
                           "cmdobxp", "cmdplan", "cmdprov", "cmdsyst", "cmdtemp", "cmdtxtx", "cmdutil"};
    int previousLeft = -1;
    for (const char* name : names) {
        auto* button = session.find<QToolButton>(name);
        QVERIFY2(button->x() > previousLeft, name);
        previousLeft = button->x();
        QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    }
    QCOMPARE(session.find<QToolButton>("cmdAcc")->text(), QStringLiteral("Acct"));
    QCOMPARE(session.find<QToolButton>("cmdAcc")->toolTip(), QStringLiteral("Accounting"));
    QCOMPARE(session.find<QToolButton>("cmdtemp")->toolTip(), QStringLiteral("Decision Support"));
    QCOMPARE(session.find<QToolButton>("Cmditsp")->text(), QStringLiteral("Itsp"));
}

void MainWindowTest::cancellingTheFirstPickerEndsQuietly()
{
    MainWindowSession session({QString()});
    session.start();
    QCOMPARE(session.pickersShown, 1);
    QVERIFY(session.ended());
    QVERIFY(session.fatalErrors.empty());
    QVERIFY(session.statements.isEmpty());
    // The activation that follows the closing picker does not show another one.
    session.settle();
    QCOMPARE(session.pickersShown, 1);
}

void MainWindowTest::clockRunsWhileThePickerIsOpen()
{
    MainWindowSession session({QString()}, 2300);
    auto* clock = session.find<QLabel>("lblTime");
    const QString atLoad = clock->text();
    QStringList shown;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { shown << clock->text(); });
    sampler.start(400);
    session.start();
    QVERIFY(session.ended());
    QVERIFY(shown.size() >= 4);
    QVERIFY2(shown.last() != atLoad, qPrintable(shown.join(QLatin1Char('|'))));
}

void MainWindowTest::unreadableFileEndsTheProgramAfterItsMessage()
{
    MainWindowSession session({QStringLiteral("/nonexistent/folder/dictionary.mdb")});
    session.start();
    QCOMPARE(session.fatalErrors.size(), size_t(1));
    QVERIFY(session.ended());
    QVERIFY(session.window().hasFailed());
    QCOMPARE(session.access().strDBPath(), QStringLiteral("/nonexistent/folder/dictionary.mdb"));
    // No handler runs after the failure: not the activation that follows, not a click.
    session.settle();
    session.find<QToolButton>("cmdbill")->click();
    QCOMPARE(session.fatalErrors.size(), size_t(1));
    QCOMPARE(session.pickersShown, 1);
    QVERIFY(session.statements.isEmpty());
}

void MainWindowTest::areaDisplayFollowsTheAreaCode()
{
    MainWindowSession session;
    frmMainTestAccess access = session.access();
    auto* title = session.find<QLabel>("lblDomainName");
    auto* status = session.find<QLabel>("lblDomain");
    auto* picture = session.find<QLabel>("imgDomain");
    const QImage defaultPicture = session.find<QLabel>("impTemp")->pixmap().toImage();
    QCOMPARE(defaultPicture.size(), QSize(74, 63));

    for (const char* code : {"ACCT", "Acct", "acct"}) {
        access.strArea() = QLatin1String(code);
        access.ShowFunctionalArea();
        QCOMPARE(title->text(), QStringLiteral("Accounting"));
        QCOMPARE(status->text(), QStringLiteral("Functional Area: Accounting"));
        const auto* button = session.find<QToolButton>("cmdAcc");
        QCOMPARE(picture->pixmap().toImage(), button->icon().pixmap(button->iconSize()).toImage());
        QVERIFY(picture->pixmap().toImage() != defaultPicture);
    }
    // Neither an unknown code nor an empty one changes what is shown.
    for (const char* code : {"", " acct", "acct ", "zzzz"}) {
        access.strArea() = QLatin1String(code);
        access.ShowFunctionalArea();
        QCOMPARE(title->text(), QStringLiteral("Accounting"));
    }
    access.strArea() = QStringLiteral("All");
    access.ShowFunctionalArea();
    QCOMPARE(title->text(), QStringLiteral("ALL"));
    QCOMPARE(status->text(), QStringLiteral("Functional Area: ALL"));
    QCOMPARE(picture->pixmap().toImage(), defaultPicture);

    const std::pair<const char*, const char*> titles[] = {
        {"temp", "Decision Support"}, {"txtx", "Taxes"}, {"obxp", "Ombrix Pricing"}, {"mesb", "Member/Subscriber"}};
    for (const auto& [code, expected] : titles) {
        access.strArea() = QLatin1String(code);
        access.ShowFunctionalArea();
        QCOMPARE(title->text(), QLatin1String(expected));
    }
    QCOMPARE(status->text(), QStringLiteral("Functional Area: Member/Subscriber"));
}

void MainWindowTest::navigationSwitch()
{
    MainWindowSession session;
    frmMainTestAccess access = session.access();
    auto* search = session.find<QPushButton>("cmdSearch");
    auto* first = session.find<QPushButton>("cmdFirst");
    auto* previous = session.find<QPushButton>("cmdPrevious");
    auto* next = session.find<QPushButton>("cmdNext");
    auto* last = session.find<QPushButton>("cmdLast");

    access.SetNavigationEnabled(true);
    QVERIFY(!search->isEnabled());
    QVERIFY(first->isEnabled() && previous->isEnabled() && next->isEnabled() && last->isEnabled());

    access.setOption(session.find<QRadioButton>("optColDesc"));
    access.SetNavigationEnabled(true);
    QVERIFY(!previous->isEnabled());
    QVERIFY(first->isEnabled() && next->isEnabled() && last->isEnabled());

    access.SetNavigationEnabled(false);
    QVERIFY(search->isEnabled());
    QVERIFY(!first->isEnabled() && !previous->isEnabled() && !next->isEnabled() && !last->isEnabled());
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
