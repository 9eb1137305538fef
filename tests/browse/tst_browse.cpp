// Browsing a dictionary as a user does: opening it, the area buttons, the table and column lists and
// what each selection shows, Clear, a second file, names with apostrophes and the end on an error.

#include "areas/areacatalogue.h"
#include "common/dictionarybuilder.h"
#include "common/guitestsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

const QString columnQueryHead =
    QStringLiteral("Select Distinct Column,[Data Type],[Data Attributes],[Logical Desc],[PD_Definition],[Primary Key],"
                   "[Foreign Key],[Column_SeqNo],[GUI Name],[GUI Control] from Main where [Functional Area]= '");

// The window's text box shows each valid value on a line of its own.
QString shownLines(QPlainTextEdit* box) { return box->toPlainText().replace(QStringLiteral("\r"), QString()); }

}  // namespace

class BrowseTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void openingShowsAccountingItsFirstTableAndColumn();
    void everyAreaButtonListsItsAreasTables();
    void tableSelectionShowsItsDescriptions();
    void columnSelectionShowsItsAttributesWithTheNullRules();
    void keyboardWalksTheLists();
    void clearAndTheResetsLeaveTheEmptyScreen();
    void namesWithApostrophesBrowseLikeAnyOther();
    void aSecondFileReplacesEverything();
    void reselectingFromCodeShowsTheRowAfresh();
    void areaLookupAfterASearchAcrossAllAreas();
    void tabWalksTheControlsInOrder();
    void columnSearchStatePreparesTheMatchSet();
    void exitAndTheCloseButtonEndTheProgram();
    void missingTableEndsTheProgramAfterItsMessage();
    void emptyReleaseTableEndsTheProgram();
    void aLargeAreaBrowsesLikeASmallOne();

private:
    QTemporaryDir folder;
    QString sample;
    QString other;
};

void BrowseTest::initTestCase()
{
    QVERIFY(folder.isValid());
    DictionaryBuilder dictionary;
    dictionary.column({"acct", "ACCT_MAIN", "AM_ID"})
        .dataType("char", "12")
        .descriptions("Account id", "The account's number")
        .primaryKey()
        .gui(nullptr, nullptr);
    dictionary.column({"acct", "ACCT_MAIN", "AM_NAME"})
        .dataType("varchar", nullptr)
        .descriptions(nullptr, "Name of the account")
        .foreignKey()
        .gui("Name", "TextBox");
    dictionary.column({"acct", "ACCT_MAIN", "AM_DUP"}).dataType("char", "1").descriptions("first", "first row");
    dictionary.column({"acct", "ACCT_MAIN", "AM_DUP"}).dataType("char", "2").descriptions("second", "second row");
    dictionary.column({"acct", "ACCT_MAIN", nullptr});
    dictionary.column({"acct", "ACCT_NODESC", "ND_ID"}).descriptions("nd", "no description row");
    dictionary.column({"acct", nullptr, "ORPHAN"});
    dictionary.column({"bill", "O'NEIL_TBL", "O'COL"}).descriptions("quoted", "it's quoted");
    dictionary.column({"clcl", "SHARED_T", "S_ID"});
    dictionary.column({"coco", "SHARED_T", "S_ID"});
    for (const volmira::FunctionalArea& area : volmira::functionalAreas()) {
        const QString code = QString::fromLatin1(area.code);
        // One area is filed in mixed case: the lists find it all the same.
        const QString filedAs = code == QLatin1String("case") ? QStringLiteral("Case") : code;
        dictionary.column({filedAs, code.toUpper() + QStringLiteral("_T"), QStringLiteral("ID")});
    }
    dictionary.tableDescription("acct", "ACCT_MAIN", "Accounts", nullptr);
    dictionary.tableDescription("bill", "O'NEIL_TBL", "O'Neil", "Holds O'Neil's rows");
    dictionary.tableDescription("prov", "DESC_ONLY", "Described only", "Listed by its description");
    dictionary.tableDescription("bill", "DESC_ONLY", "Second row", "Not shown");
    dictionary.validValue("acct", "ACCT_MAIN", "AM_ID", "1", "One");
    dictionary.validValue("acct", "ACCT_MAIN", "AM_ID", "2", nullptr);
    dictionary.validValue("bill", "O'NEIL_TBL", "O'COL", "Y", "Yes");
    dictionary.release(3).release(451);
    sample = dictionary.write(folder.filePath(QStringLiteral("sample.mdb")));

    DictionaryBuilder second;
    second.column({"acct", "OTHER_T", "O_ID"});
    second.release(452).release(100000);
    other = second.write(folder.filePath(QStringLiteral("other.mdb")));
}

void BrowseTest::openingShowsAccountingItsFirstTableAndColumn()
{
    MainWindowSession session({sample});
    session.start();
    QVERIFY(session.fatalErrors.empty());
    QCOMPARE(session.pickersShown, 1);
    QVERIFY(!session.ended());

    QCOMPARE(session.find<QLabel>("lblDBVer")->text(), QStringLiteral("Database Version : 451"));
    QCOMPARE(session.find<QLabel>("lblDomainName")->text(), QStringLiteral("Accounting"));
    QCOMPARE(session.find<QLabel>("lblDomain")->text(), QStringLiteral("Functional Area: Accounting"));
    auto* tables = session.find<QListWidget>("lstTables");
    // A Null table name is no list item.
    QCOMPARE(itemTexts(tables), (QStringList{"ACCT_MAIN", "ACCT_NODESC", "ACCT_T"}));
    QCOMPARE(tables->currentRow(), 0);
    auto* columns = session.find<QListWidget>("lstColumns");
    QCOMPARE(itemTexts(columns), (QStringList{"AM_ID", "AM_NAME", "AM_DUP", "AM_DUP"}));
    QCOMPARE(columns->currentRow(), 0);
    QCOMPARE(session.find<QPlainTextEdit>("txtTblLD")->toPlainText(), QStringLiteral("Accounts"));
    QCOMPARE(session.find<QPlainTextEdit>("txtTblDD")->toPlainText(), QString());
    QCOMPARE(session.find<QLineEdit>("txtDatatype")->text(), QStringLiteral("char(12)"));
    QCOMPARE(shownLines(session.find<QPlainTextEdit>("txtValues")), QStringLiteral("1-One\n2-\n"));

    // The search panel is ready to search.
    QVERIFY(session.find<QPushButton>("cmdSearch")->isEnabled());
    for (const char* name : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast", "cmdClear"})
        QVERIFY2(!session.find<QPushButton>(name)->isEnabled(), name);
    QCOMPARE(session.find<QComboBox>("cmbDomain")->currentText(), QStringLiteral("ALL"));

    const QStringList expected{
        QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES"),
        QStringLiteral("Select Distinct Table from Main where [Functional Area]='acct'"),
        QStringLiteral("Select Distinct Table,Description,[Logical Name] from CDS_TBL_TABLE_DESC where "
                       "[Functional Area]= 'acct' and Table = 'ACCT_MAIN' "),
        columnQueryHead + QStringLiteral("acct' and Table = 'ACCT_MAIN' order by [Column_SeqNo] "),
        QStringLiteral("Select Value, Description from [Values] where [Functional Area]='acct' and "
                       "[Table] = 'ACCT_MAIN' and [Column] = 'AM_ID' "),
    };
    QCOMPARE(session.statements, expected);
}

void BrowseTest::everyAreaButtonListsItsAreasTables()
{
    MainWindowSession session({sample});
    session.start();
    auto* tables = session.find<QListWidget>("lstTables");
    for (const volmira::FunctionalArea& area : volmira::functionalAreas()) {
        const QString code = QString::fromLatin1(area.code);
        session.statements.clear();
        session.find<QToolButton>(area.buttonName)->click();
        QVERIFY2(tables->count() >= 1, area.code);
        QVERIFY2(itemTexts(tables).contains(code.toUpper() + QStringLiteral("_T")), area.code);
        QCOMPARE(tables->currentRow(), 0);
        QCOMPARE(session.find<QLabel>("lblDomainName")->text(), QLatin1String(area.title));
        QCOMPARE(session.statements.value(0),
                 QStringLiteral("Select Distinct Table from Main where [Functional Area]='") + code
                     + QLatin1Char('\''));
    }
    // A table filed under two areas is listed under both, once each.
    session.find<QToolButton>("cmdclcl")->click();
    QCOMPARE(itemTexts(tables), (QStringList{"CLCL_T", "SHARED_T"}));
    session.find<QToolButton>("cmdcoco")->click();
    QCOMPARE(itemTexts(tables), (QStringList{"COCO_T", "SHARED_T"}));
    QVERIFY(session.fatalErrors.empty());
}

void BrowseTest::tableSelectionShowsItsDescriptions()
{
    MainWindowSession session({sample});
    session.start();
    auto* tables = session.find<QListWidget>("lstTables");
    auto* logicalName = session.find<QPlainTextEdit>("txtTblLD");
    auto* definition = session.find<QPlainTextEdit>("txtTblDD");

    // A table without a description row in its area leaves the previous table's texts.
    clickRow(tables, 1);
    QCOMPARE(session.access().strTable(), QStringLiteral("ACCT_NODESC"));
    QCOMPARE(session.access().intSelIndex(), 1);
    QCOMPARE(logicalName->toPlainText(), QStringLiteral("Accounts"));
    QCOMPARE(itemTexts(session.find<QListWidget>("lstColumns")), QStringList{"ND_ID"});
    QCOMPARE(session.find<QPlainTextEdit>("txtDataDesc")->toPlainText(), QStringLiteral("no description row"));

    // BILL_T, listed first in Billing, has no description row: after the reset its boxes are empty.
    session.find<QToolButton>("cmdbill")->click();
    QCOMPARE(logicalName->toPlainText(), QString());
    QCOMPARE(definition->toPlainText(), QString());
    clickRow(tables, 1);
    QCOMPARE(logicalName->toPlainText(), QStringLiteral("O'Neil"));
    QCOMPARE(definition->toPlainText(), QStringLiteral("Holds O'Neil's rows"));
    QVERIFY(session.fatalErrors.empty());
}

void BrowseTest::columnSelectionShowsItsAttributesWithTheNullRules()
{
    MainWindowSession session({sample});
    session.start();
    auto* columns = session.find<QListWidget>("lstColumns");
    auto* dataType = session.find<QLineEdit>("txtDatatype");
    auto* logical = session.find<QPlainTextEdit>("txtLogiDesc");
    auto* definition = session.find<QPlainTextEdit>("txtDataDesc");
    auto* primary = session.find<QCheckBox>("chkPrimary");
    auto* foreign = session.find<QCheckBox>("chlForeign");
    auto* guiLabel = session.find<QLineEdit>("txtGUILabel");
    auto* guiControl = session.find<QLineEdit>("txtGUIControl");
    auto* values = session.find<QPlainTextEdit>("txtValues");

    // The first column: attributes in parentheses, a key, Null screen label and control.
    QCOMPARE(dataType->text(), QStringLiteral("char(12)"));
    QCOMPARE(logical->toPlainText(), QStringLiteral("Account id"));
    QCOMPARE(definition->toPlainText(), QStringLiteral("The account's number"));
    QVERIFY(primary->isChecked());
    QVERIFY(!foreign->isChecked());
    QCOMPARE(guiLabel->text(), QStringLiteral("N/A"));
    QCOMPARE(guiControl->text(), QStringLiteral("N/A"));

    // Null attributes: the bare type; a Null logical description: an empty box; no valid values.
    clickRow(columns, 1);
    QCOMPARE(session.access().strColumn(), QStringLiteral("AM_NAME"));
    QCOMPARE(dataType->text(), QStringLiteral("varchar"));
    QCOMPARE(logical->toPlainText(), QString());
    QCOMPARE(definition->toPlainText(), QStringLiteral("Name of the account"));
    QVERIFY(!primary->isChecked());
    QVERIFY(foreign->isChecked());
    QCOMPARE(guiLabel->text(), QStringLiteral("Name"));
    QCOMPARE(guiControl->text(), QStringLiteral("TextBox"));
    QCOMPARE(values->toPlainText(), QString());

    // A column listed twice shows its first row's attributes from either list row.
    clickRow(columns, 3);
    QCOMPARE(dataType->text(), QStringLiteral("char(1)"));
    QCOMPARE(logical->toPlainText(), QStringLiteral("first"));
    clickRow(columns, 2);
    QCOMPARE(dataType->text(), QStringLiteral("char(1)"));

    // The check boxes show values but take no clicks.
    QTest::mouseClick(primary, Qt::LeftButton);
    QVERIFY(!primary->isChecked());
    QVERIFY(session.fatalErrors.empty());
}

void BrowseTest::keyboardWalksTheLists()
{
    MainWindowSession session({sample});
    session.start();
    auto* columns = session.find<QListWidget>("lstColumns");
    columns->setFocus();
    QTest::keyClick(columns, Qt::Key_Down);
    QCOMPARE(session.find<QLineEdit>("txtGUILabel")->text(), QStringLiteral("Name"));
    auto* tables = session.find<QListWidget>("lstTables");
    tables->setFocus();
    QTest::keyClick(tables, Qt::Key_End);
    QCOMPARE(session.access().strTable(), QStringLiteral("ACCT_T"));
    QCOMPARE(itemTexts(columns), QStringList{"ID"});
}

void BrowseTest::clearAndTheResetsLeaveTheEmptyScreen()
{
    MainWindowSession session({sample});
    session.start();
    clickRow(session.find<QListWidget>("lstColumns"), 1);
    auto* search = session.find<QLineEdit>("txtSearch");
    QTest::keyClicks(search, QStringLiteral("ACCT"));
    session.find<QRadioButton>("optTblDesc")->click();
    session.find<QComboBox>("cmbDomain")->setCurrentIndex(3);

    // A reset that keeps the search keeps what the user set and enables Clear.
    session.access().ResetScreen(true);
    QCOMPARE(search->text(), QStringLiteral("ACCT"));
    QVERIFY(session.find<QRadioButton>("optTblDesc")->isChecked());
    QCOMPARE(session.find<QComboBox>("cmbDomain")->currentIndex(), 3);
    auto* clear = session.find<QPushButton>("cmdClear");
    QVERIFY(clear->isEnabled());

    const auto checkEmptyScreen = [&] {
        QCOMPARE(session.find<QListWidget>("lstTables")->count(), 0);
        QCOMPARE(session.find<QListWidget>("lstColumns")->count(), 0);
        for (const char* name : {"txtDataDesc", "txtLogiDesc", "txtTblDD", "txtTblLD", "txtValues"})
            QVERIFY2(session.find<QPlainTextEdit>(name)->toPlainText().isEmpty(), name);
        QCOMPARE(session.find<QLineEdit>("txtDatatype")->text(), QString());
        QVERIFY(!session.find<QCheckBox>("chkPrimary")->isChecked());
        QVERIFY(!session.find<QCheckBox>("chlForeign")->isChecked());
        QCOMPARE(session.find<QLabel>("lblDomainName")->text(), QStringLiteral("Functional Area"));
        QCOMPARE(session.find<QLabel>("lblDomain")->text(), QStringLiteral("Functional Area"));
        QCOMPARE(session.find<QLabel>("imgDomain")->pixmap().toImage(),
                 session.find<QLabel>("impTemp")->pixmap().toImage());
    };
    checkEmptyScreen();

    session.access().SetNavigationEnabled(true);
    QTest::mouseClick(clear, Qt::LeftButton);
    checkEmptyScreen();
    QCOMPARE(search->text(), QString());
    QVERIFY(session.find<QRadioButton>("optTable")->isChecked());
    QCOMPARE(session.find<QComboBox>("cmbDomain")->currentText(), QStringLiteral("ALL"));
    QVERIFY(!clear->isEnabled());
    QVERIFY(session.find<QPushButton>("cmdSearch")->isEnabled());
    for (const char* name : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast"})
        QVERIFY2(!session.find<QPushButton>(name)->isEnabled(), name);
    // The screen label and control of the last column stay, and so does the stored area.
    QCOMPARE(session.find<QLineEdit>("txtGUILabel")->text(), QStringLiteral("Name"));
    QCOMPARE(session.find<QLineEdit>("txtGUIControl")->text(), QStringLiteral("TextBox"));
    QCOMPARE(session.access().strArea(), QStringLiteral("acct"));
    QCOMPARE(session.find<QLabel>("lblDBVer")->text(), QStringLiteral("Database Version : 451"));

    // Resetting again changes nothing.
    session.access().ResetScreen(false);
    checkEmptyScreen();
    QVERIFY(!clear->isEnabled());
    QVERIFY(session.fatalErrors.empty());
}

void BrowseTest::namesWithApostrophesBrowseLikeAnyOther()
{
    MainWindowSession session({sample});
    session.start();
    session.statements.clear();
    session.find<QToolButton>("cmdbill")->click();
    auto* tables = session.find<QListWidget>("lstTables");
    QCOMPARE(itemTexts(tables), (QStringList{"BILL_T", "O'NEIL_TBL"}));
    clickRow(tables, 1);
    QCOMPARE(itemTexts(session.find<QListWidget>("lstColumns")), QStringList{"O'COL"});
    QCOMPARE(session.find<QPlainTextEdit>("txtTblLD")->toPlainText(), QStringLiteral("O'Neil"));
    QCOMPARE(session.find<QPlainTextEdit>("txtDataDesc")->toPlainText(), QStringLiteral("it's quoted"));
    QCOMPARE(shownLines(session.find<QPlainTextEdit>("txtValues")), QStringLiteral("Y-Yes\n"));
    QVERIFY(session.statements.contains(columnQueryHead
                                        + QStringLiteral("bill' and Table = 'O''NEIL_TBL' order by [Column_SeqNo] ")));
    QVERIFY(session.fatalErrors.empty());
}

void BrowseTest::aSecondFileReplacesEverything()
{
    MainWindowSession session({sample, other});
    session.start();
    session.find<QToolButton>("cmdbill")->click();
    QTest::keyClicks(session.find<QLineEdit>("txtSearch"), QStringLiteral("x"));
    QTest::keyClick(&session.window(), Qt::Key_O, Qt::ControlModifier);
    session.settle();
    QCOMPARE(session.pickersShown, 2);
    // A release number is written as a plain integer, never as 1e+05.
    QCOMPARE(session.find<QLabel>("lblDBVer")->text(), QStringLiteral("Database Version : 100000"));
    QCOMPARE(itemTexts(session.find<QListWidget>("lstTables")), QStringList{"OTHER_T"});
    QCOMPARE(itemTexts(session.find<QListWidget>("lstColumns")), QStringList{"O_ID"});
    QCOMPARE(session.find<QLabel>("lblDomainName")->text(), QStringLiteral("Accounting"));
    QCOMPARE(session.find<QLineEdit>("txtSearch")->text(), QString());
    QCOMPARE(session.access().strDBPath(), other);

    // A later picker that is cancelled changes nothing but the button switch.
    session.access().SetNavigationEnabled(true);
    QTest::keyClick(&session.window(), Qt::Key_O, Qt::ControlModifier);
    session.settle();
    QCOMPARE(session.pickersShown, 3);
    QVERIFY(!session.ended());
    QCOMPARE(itemTexts(session.find<QListWidget>("lstTables")), QStringList{"OTHER_T"});
    QCOMPARE(session.find<QLabel>("lblDBVer")->text(), QStringLiteral("Database Version : 100000"));
    QVERIFY(session.find<QPushButton>("cmdSearch")->isEnabled());
    QVERIFY(!session.find<QPushButton>("cmdNext")->isEnabled());
    QVERIFY(session.fatalErrors.empty());
}

// A selection made from code runs the list's handler even for the row already selected; a user's click
// on the selected row changes nothing and runs nothing.
void BrowseTest::reselectingFromCodeShowsTheRowAfresh()
{
    MainWindowSession session({sample});
    session.start();
    auto* tables = session.find<QListWidget>("lstTables");
    auto* columns = session.find<QListWidget>("lstColumns");
    clickRow(columns, 1);

    session.statements.clear();
    clickRow(tables, 0);
    QVERIFY(session.statements.isEmpty());
    QCOMPARE(columns->currentRow(), 1);

    session.access().setListIndex(tables, 0);
    QCOMPARE(session.statements.size(), 3);  // descriptions, columns, valid values
    QCOMPARE(columns->currentRow(), 0);

    // An index outside the list is an error that ends the program; -1 selects nothing.
    session.access().setListIndex(columns, -1);
    QCOMPARE(columns->currentRow(), -1);
    // Giving the focus to a list without a selection selects nothing and runs nothing.
    session.statements.clear();
    columns->setFocus();
    session.settle();
    QVERIFY(columns->selectedItems().isEmpty());
    QVERIFY(session.statements.isEmpty());
    QVERIFY(session.fatalErrors.empty());
    session.access().setListIndex(columns, columns->count());
    QCOMPARE(session.fatalErrors.size(), size_t(1));
    QCOMPARE(session.fatalErrors.front().number(), 380);
    QVERIFY(session.ended());
}

void BrowseTest::areaLookupAfterASearchAcrossAllAreas()
{
    MainWindowSession session({sample});
    session.start();
    session.access().strSearchArea() = QStringLiteral("ALL");
    session.find<QToolButton>("cmdcoco")->click();
    auto* tables = session.find<QListWidget>("lstTables");
    // SHARED_T is filed under Claims first: the lookup shows it there.
    clickRow(tables, 1);
    QCOMPARE(session.access().strArea(), QStringLiteral("clcl"));
    QCOMPARE(session.find<QLabel>("lblDomainName")->text(), QStringLiteral("Claims"));
    QVERIFY(session.statements.contains(QStringLiteral("Select [Functional Area] from Main where Table= 'SHARED_T' ")));

    // A table with no row in Main (found by its description) is shown under the area of its first
    // description row, with that row's texts; one without any row under "ALL", with empty boxes.
    auto* logicalName = session.find<QPlainTextEdit>("txtTblLD");
    auto* definition = session.find<QPlainTextEdit>("txtTblDD");
    tables->addItem(QStringLiteral("DESC_ONLY"));
    clickRow(tables, 2);
    QCOMPARE(session.access().strArea(), QStringLiteral("prov"));
    QCOMPARE(session.find<QLabel>("lblDomainName")->text(), QStringLiteral("Provider"));
    QCOMPARE(logicalName->toPlainText(), QStringLiteral("Described only"));
    QCOMPARE(definition->toPlainText(), QStringLiteral("Listed by its description"));
    QCOMPARE(session.find<QListWidget>("lstColumns")->count(), 0);
    tables->addItem(QStringLiteral("NOT_IN_MAIN"));
    clickRow(tables, 3);
    QCOMPARE(session.access().strArea(), QStringLiteral("ALL"));
    QCOMPARE(session.find<QLabel>("lblDomainName")->text(), QStringLiteral("ALL"));
    QCOMPARE(logicalName->toPlainText(), QString());
    QCOMPARE(definition->toPlainText(), QString());
    QCOMPARE(session.find<QListWidget>("lstColumns")->count(), 0);
    QVERIFY(session.fatalErrors.empty());

    // After a search within one area, no lookup is made.
    session.access().strSearchArea() = QStringLiteral("coco");
    session.statements.clear();
    clickRow(tables, 0);
    for (const QString& sql : session.statements)
        QVERIFY(!sql.startsWith(QStringLiteral("Select [Functional Area]")));
}

void BrowseTest::tabWalksTheControlsInOrder()
{
    MainWindowSession session({sample});
    session.start();
    QCOMPARE(QApplication::focusWidget(), session.find<QWidget>("cmdAcc"));
    QStringList expected;
    for (const volmira::FunctionalArea& area : volmira::functionalAreas())
        expected << QLatin1String(area.buttonName);
    expected.removeFirst();
    expected << "lstTables"
             << "lstColumns"
             << "cmbDomain"
             << "txtSearch"
             << "cmdSearch"
             << "txtDatatype"
             << "txtLogiDesc"
             << "txtDataDesc"
             << "txtTblLD"
             << "txtTblDD"
             << "txtValues"
             << "optTable"
             << "txtGUILabel"
             << "txtGUIControl"
             << "cmdAcc";
    QStringList visited;
    for (int step = 0; step < expected.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    // cmdClear and the navigation buttons are disabled after opening; the check boxes always are.
    QCOMPARE(visited, expected);
}

// What the search panel holds decides whether a table's columns come with a set of matches to walk.
void BrowseTest::columnSearchStatePreparesTheMatchSet()
{
    MainWindowSession session({sample});
    session.start();
    frmMainTestAccess access = session.access();
    auto* tables = session.find<QListWidget>("lstTables");
    auto* columns = session.find<QListWidget>("lstColumns");
    const auto matchQueries = [&] {
        QStringList found;
        for (const QString& sql : session.statements) {
            if (sql.contains(QStringLiteral("InStr(")))
                found << sql;
        }
        return found;
    };

    // Column description: the trimmed text, apostrophes doubled, counted over this table's columns.
    session.find<QRadioButton>("optColDesc")->click();
    QTest::keyClicks(session.find<QLineEdit>("txtSearch"), QStringLiteral("  account's "));
    session.statements.clear();
    clickRow(tables, 1);
    clickRow(tables, 0);
    QVERIFY(matchQueries().contains(
        QStringLiteral("Select Distinct Column,[PD_Definition],[Column_SeqNo] from Main where [Functional "
                       "Area]= 'acct' and Table = 'ACCT_MAIN' and InStr([PD_Definition], 'account''s' ) > 0 "
                       "order by [Column_SeqNo] ")));
    QCOMPARE(access.intMatchCount(), 1);
    QCOMPARE(access.intSelIndex(), 0);

    // Column name: no match set; text of blanks only: none either, and the first column shows.
    session.find<QRadioButton>("optColumn")->click();
    session.statements.clear();
    clickRow(tables, 1);
    QVERIFY(matchQueries().isEmpty());
    QCOMPARE(access.intMatchCount(), 0);
    session.find<QRadioButton>("optColDesc")->click();
    session.find<QLineEdit>("txtSearch")->clear();
    QTest::keyClicks(session.find<QLineEdit>("txtSearch"), QStringLiteral("   "));
    clickRow(tables, 0);
    QVERIFY(matchQueries().isEmpty());
    QCOMPARE(columns->currentRow(), 0);

    // Table modes show the first column whatever the text.
    session.find<QRadioButton>("optTblDesc")->click();
    QTest::keyClicks(session.find<QLineEdit>("txtSearch"), QStringLiteral("AM"));
    clickRow(tables, 1);
    QCOMPARE(columns->currentRow(), 0);
    QVERIFY(matchQueries().isEmpty());
    QVERIFY(session.fatalErrors.empty());
}

void BrowseTest::exitAndTheCloseButtonEndTheProgram()
{
    MainWindowSession byMenu({sample});
    byMenu.start();
    byMenu.window().findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();
    QVERIFY(byMenu.ended());

    MainWindowSession byCloseButton({sample});
    byCloseButton.start();
    QVERIFY(byCloseButton.window().close());
    QVERIFY(byCloseButton.ended());
    QVERIFY(!byCloseButton.find<QTimer>("Timer1")->isActive());
    byCloseButton.settle();
    QCOMPARE(byCloseButton.pickersShown, 1);
    QVERIFY(byMenu.fatalErrors.empty() && byCloseButton.fatalErrors.empty());
}

void BrowseTest::missingTableEndsTheProgramAfterItsMessage()
{
    DictionaryBuilder dictionary;
    dictionary.release(1).without(QStringLiteral("Main"));
    MainWindowSession session({dictionary.write(folder.filePath(QStringLiteral("nomain.mdb")))});
    session.start();
    QCOMPARE(session.fatalErrors.size(), size_t(1));
    QVERIFY(session.ended());
    // The click stopped at the table list: the area shows, the list is empty.
    QCOMPARE(session.find<QLabel>("lblDomainName")->text(), QStringLiteral("Accounting"));
    QCOMPARE(session.find<QListWidget>("lstTables")->count(), 0);
    QCOMPARE(session.find<QLabel>("lblDBVer")->text(), QStringLiteral("Database Version : 1"));
}

void BrowseTest::emptyReleaseTableEndsTheProgram()
{
    DictionaryBuilder dictionary;
    dictionary.column({"acct", "T", "C"});
    MainWindowSession session({dictionary.write(folder.filePath(QStringLiteral("norelease.mdb")))});
    session.start();
    QCOMPARE(session.fatalErrors.size(), size_t(1));
    QCOMPARE(session.fatalErrors.front().number(), volmira::ErrorNumber::InvalidUseOfNull);
    QVERIFY(session.ended());
    QCOMPARE(session.find<QLabel>("lblDBVer")->text(), QStringLiteral("Database Version"));
}

// More tables than a 16-bit index can count.
void BrowseTest::aLargeAreaBrowsesLikeASmallOne()
{
    constexpr int tableCount = 40000;
    DictionaryBuilder dictionary;
    dictionary.release(1);
    dictionary.generatedColumns(tableCount, [](std::size_t index, DictionaryBuilder::MainRow& row) {
        row.area = "syst";
        row.table = QStringLiteral("T%1").arg(index + 1, 5, 10, QLatin1Char('0'));
        row.column = "ID";
    });
    MainWindowSession session({dictionary.write(folder.filePath(QStringLiteral("large.mdb")))});
    session.start();
    QElapsedTimer clock;
    clock.start();
    session.find<QToolButton>("cmdsyst")->click();
    const qint64 listing = clock.elapsed();
    auto* tables = session.find<QListWidget>("lstTables");
    QCOMPARE(tables->count(), tableCount);
    tables->setFocus();
    clock.restart();
    QTest::keyClick(tables, Qt::Key_End);
    const qint64 lastSelection = clock.elapsed();
    QCOMPARE(session.access().strTable(), QStringLiteral("T40000"));
    QCOMPARE(session.access().intSelIndex(), tableCount - 1);
    QCOMPARE(session.access().intMatchIndex(), -1);
    QCOMPARE(itemTexts(session.find<QListWidget>("lstColumns")), QStringList{"ID"});
    qInfo("listing %d tables: %lld ms; selecting the last: %lld ms", tableCount, listing, lastSelection);
    QVERIFY(session.fatalErrors.empty());
}

QTEST_MAIN(BrowseTest)
#include "tst_browse.moc"
