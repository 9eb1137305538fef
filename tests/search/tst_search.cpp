// The search panel and the match walk, driven through the main window as a user drives them, on
// dictionary files written for the purpose.

#include "searchdictionary.h"
#include "searchsession.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdint>

namespace {

// Tables of three areas, with descriptions; used by the statement and panel tests.
SearchDictionary claimsDictionary()
{
    SearchDictionary d;
    d.column("clcl", QStringLiteral("CLCL_CLAIM"), "CLCL_ID", "Claim identifier")
        .column("clcl", QStringLiteral("CLCL_CLAIM"), "CLCL_STATUS", "Status of the claim")
        .column("clcl", QStringLiteral("CLCL_CLAIM"), "MEME_ID", "Member identifier")
        .column("clcl", QStringLiteral("CLCL_LINE"), "CLLN_SEQ", "Line sequence")
        .column("clcl", QStringLiteral("CLCL_LINE"), "CLLN_AMT", "Amount billed")
        .column("bill", QStringLiteral("BILL_INVOICE"), "BLIV_ID", "Invoice identifier")
        .column("bill", QStringLiteral("BILL_INVOICE"), "BLIV_AMT", "Amount of the invoice")
        .column("prov", QStringLiteral("PRPR_PROVIDER"), "PRPR_ID", "Provider identifier")
        .column("prov", QStringLiteral("PRPR_PROVIDER"), "PRPR_NAME", "Name")
        .column("prov", std::nullopt, "NULLTBL_COL", "A row without a table")
        .tableDescription("clcl", "CLCL_CLAIM", "Claims header table", "Claim")
        .tableDescription("clcl", "CLCL_LINE", "Claim lines", "Claim line")
        .tableDescription("bill", "BILL_INVOICE", "Invoices for claim billing", "Invoice")
        .tableDescription("prov", "PRPR_PROVIDER", "Providers", "Provider");
    return d;
}

constexpr int kTablesWithoutAMatch = 2000;

bool isPlainInformation(const ShownMessage& message)
{
    return message.icon == QMessageBox::Information && message.buttons == QMessageBox::Ok;
}

}  // namespace

class SearchTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString claims, example, names, definitions, hostile, manyTables;
    QString longDefinition;

private slots:
    void initTestCase();

    void statementsOfEachModeAndArea_data();
    void statementsOfEachModeAndArea();
    void blankTextOnlyAsksForText();
    void noResultLeavesThePanelReady();
    void enterRepeatsTheSearchWhileSearchIsDisabled();
    void allAreasShowsEachTableUnderItsOwnArea();
    void inputsOnlyEnableSearch();

    void workedExample();
    void columnNameWalk();
    void findTablesWithThisColumn();
    void columnDescriptionWalk();
    void changesBetweenSteps();
    void navigationAfterClearOpenAndAreaButton();
    void longRunOfTablesWithoutAMatch();

    void hostileTextsAreSearchedLiterally();
};

void SearchTest::initTestCase()
{
    QVERIFY(folder.isValid());
    claims = claimsDictionary().write(folder.filePath("claims.mdb"));

    example = SearchDictionary()
                  .column("util", QStringLiteral("T1"), "A_ID")
                  .column("util", QStringLiteral("T1"), "B_NAME")
                  .column("util", QStringLiteral("T1"), "C_ID")
                  .column("util", QStringLiteral("T2"), "X_ID")
                  .column("util", QStringLiteral("T2"), "Y")
                  .write(folder.filePath("example.mdb"));

    // Column names for "id": several matches, none, only a lower-case one, a duplicate name, one.
    names = SearchDictionary()
                .column("acct", QStringLiteral("A1"), "ID_A")
                .column("acct", QStringLiteral("A1"), "NAME")
                .column("acct", QStringLiteral("A1"), "ID_B")
                .column("acct", QStringLiteral("A2"), "NAME")
                .column("acct", QStringLiteral("A2"), "DESCR")
                .column("acct", QStringLiteral("A3"), "id_low")
                .column("acct", QStringLiteral("A3"), "Mixed_Id")
                .column("acct", QStringLiteral("A4"), "KEY_ID", "first")
                .column("acct", QStringLiteral("A4"), "KEY_ID", "second")
                .column("acct", QStringLiteral("A4"), "OTHER")
                .column("acct", QStringLiteral("A5"), "NOTE")
                .column("acct", QStringLiteral("A5"), "ONE_ID")
                .write(folder.filePath("names.mdb"));

    // Column descriptions for "amount"; every table's description holds "amount" as well. In C3 the
    // match D_K comes after D_K_X, whose name contains it.
    definitions = SearchDictionary()
                      .column("case", QStringLiteral("C1"), "P", "has an amount")
                      .column("case", QStringLiteral("C1"), "Q", "nothing")
                      .column("case", QStringLiteral("C1"), "R", "AMOUNT due")
                      .column("case", QStringLiteral("C1"), "S", "amount again")
                      .column("case", QStringLiteral("C2"), "U", "no")
                      .column("case", QStringLiteral("C2"), "V", "the amount")
                      .column("case", QStringLiteral("C3"), "D_K_X", "none")
                      .column("case", QStringLiteral("C3"), "D_K", "amount")
                      .column("case", QStringLiteral("C4"), "DUP", "amount one")
                      .column("case", QStringLiteral("C4"), "X", "none")
                      .column("case", QStringLiteral("C4"), "DUP", "amount two")
                      .tableDescription("case", "C1", "amount table one")
                      .tableDescription("case", "C2", "amount table two")
                      .tableDescription("case", "C3", "amount table three")
                      .tableDescription("case", "C4", "amount table four")
                      .write(folder.filePath("definitions.mdb"));

    longDefinition.reserve(10000);
    for (int i = 0; longDefinition.size() < 10000; ++i)
        longDefinition += QString::number(i % 10);
    SearchDictionary h;
    for (const QString& table : {QStringLiteral("O'BRIEN"), QStringLiteral("BRACKET[X]"), QStringLiteral("PCT%SIGN"),
                                 QStringLiteral("UNDER_SCORE"), QStringLiteral("STAR*SIGN"),
                                 QStringLiteral("QUERY?SIGN"), QStringLiteral("BACK\\SLASH"),
                                 QStringLiteral("CTRL\x01"
                                                "CHAR"),
                                 QStringLiteral("ÄRZTE"), QStringLiteral("שלום"), QStringLiteral("PLAIN")})
        h.column("syst", table, "COL", "plain definition");
    h.column("syst", QStringLiteral("LONGDEF"), "LONGCOL", longDefinition);
    h.column("syst", QStringLiteral("QUOTES"), "O'NEIL_COL", "said 'hello'");
    hostile = h.write(folder.filePath("hostile.mdb"));

    // The engine finds every table by its column; the walk, comparing letter case, only the last.
    SearchDictionary many;
    for (int table = 0; table < kTablesWithoutAMatch; ++table)
        many.column("temp", QStringLiteral("N%1").arg(table, 5, 10, QLatin1Char('0')), "Mixed_Id");
    many.column("temp", QStringLiteral("Z_LAST"), "LAST_ID");
    manyTables = many.write(folder.filePath("many.mdb"));
}

void SearchTest::statementsOfEachModeAndArea_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QStringList>("found");

    QTest::newRow("table name, all areas")
        << "optTable"
        << "ALL"
        << " clcl "
        << "SELECT DISTINCT Table from Main where InStr(Table, 'clcl' ) > 0 order by Table"
        << QStringList{"CLCL_CLAIM", "CLCL_LINE"};
    QTest::newRow("table name, one area")
        << "optTable"
        << "CLCL"
        << "line"
        << "SELECT DISTINCT Table from Main where [Functional Area] = 'clcl'  and InStr(Table, 'line' ) > 0 "
        << QStringList{"CLCL_LINE"};
    QTest::newRow("table description, all areas")
        << "optTblDesc"
        << "ALL"
        << "claim"
        << "Select Distinct Table from CDS_TBL_TABLE_DESC where InStr(Description, 'claim' ) > 0 order by Table"
        << QStringList{"BILL_INVOICE", "CLCL_CLAIM", "CLCL_LINE"};
    QTest::newRow("table description, one area") << "optTblDesc"
                                                 << "BILL"
                                                 << "claim"
                                                 << "Select Distinct Table from CDS_TBL_TABLE_DESC where [Functional "
                                                    "Area]= 'bill' and InStr(Description, 'claim' ) > 0 "
                                                 << QStringList{"BILL_INVOICE"};
    QTest::newRow("column name, all areas")
        << "optColumn"
        << "ALL"
        << "id"
        << "Select Distinct Table from Main where InStr([Column], 'id' ) > 0 order by Table"
        << QStringList{"BILL_INVOICE", "CLCL_CLAIM", "PRPR_PROVIDER"};
    QTest::newRow("column name, one area")
        << "optColumn"
        << "CLCL"
        << "ID"
        << "Select Distinct Table from Main where [Functional Area]= 'clcl' and InStr([Column], 'ID' ) > 0 "
        << QStringList{"CLCL_CLAIM"};
    QTest::newRow("column description, all areas")
        << "optColDesc"
        << "ALL"
        << "amount"
        << "Select Distinct Table from Main where InStr([PD_Definition], 'amount' ) > 0 order by Table"
        << QStringList{"BILL_INVOICE", "CLCL_LINE"};
    QTest::newRow("column description, one area, inner blank kept")
        << "optColDesc"
        << "CLCL"
        << "  amount billed "
        << "Select Distinct Table from Main where [Functional Area]= 'clcl' and InStr([PD_Definition], 'amount billed' "
           ") > 0 "
        << QStringList{"CLCL_LINE"};
}

void SearchTest::statementsOfEachModeAndArea()
{
    QFETCH(QString, option);
    QFETCH(QString, area);
    QFETCH(QString, text);
    QFETCH(QString, statement);
    QFETCH(QStringList, found);

    SearchSession s(claims);
    const auto messages = s.search(option.toLatin1(), area, text);
    QVERIFY(messages.empty());
    QVERIFY(!s.statements.isEmpty());
    QCOMPARE(s.statements.first(), statement);
    QCOMPARE(s.tableNames(), found);
    QCOMPARE(s.tables()->currentRow(), 0);

    // Results shown: Search off, the walk on; Previous stays off in the column-description mode.
    QVERIFY(!s.button("cmdSearch")->isEnabled());
    QVERIFY(s.button("cmdFirst")->isEnabled());
    QVERIFY(s.button("cmdNext")->isEnabled());
    QVERIFY(s.button("cmdLast")->isEnabled());
    QCOMPARE(s.button("cmdPrevious")->isEnabled(), option != "optColDesc");
    QVERIFY(s.button("cmdClear")->isEnabled());
    QCOMPARE(s.searchBox()->text(), text);
}

void SearchTest::blankTextOnlyAsksForText()
{
    SearchSession s(claims);
    s.search("optTable", "ALL", "clcl");
    s.click("cmdNext");
    const QString shown = s.position();
    QCOMPARE(shown, QStringLiteral("CLCL_LINE/CLLN_SEQ"));

    for (const QString& blank : {QStringLiteral("   "), QString()}) {
        s.statements.clear();
        s.typeText(blank);
        QVERIFY(s.button("cmdSearch")->isEnabled());
        s.control<QWidget>("lstTables")->setFocus();
        {
            MessageCatcher catcher;
            s.click("cmdSearch");
            QCOMPARE(catcher.messages().size(), size_t(1));
            QCOMPARE(catcher.messages()[0].title, QStringLiteral("Volmira"));
            QCOMPARE(catcher.messages()[0].text, QStringLiteral("Enter text to search"));
            QVERIFY(isPlainInformation(catcher.messages()[0]));
        }
        QCOMPARE(s.window().focusWidget(), s.searchBox());
        {
            MessageCatcher catcher;
            s.pressEnter();
            QCOMPARE(catcher.messages().size(), size_t(1));
        }
        QVERIFY(s.statements.isEmpty());
        QCOMPARE(s.position(), shown);
        QCOMPARE(s.tableNames(), (QStringList{"CLCL_CLAIM", "CLCL_LINE"}));
    }
}

void SearchTest::noResultLeavesThePanelReady()
{
    SearchSession s(claims);
    s.click("cmdbill");
    const QString billTitle = s.areaTitle();

    const auto checkReady = [&s] {
        QVERIFY(s.button("cmdSearch")->isEnabled());
        for (const char* nav : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast"})
            QVERIFY2(!s.button(nav)->isEnabled(), nav);
        QCOMPARE(s.tables()->count(), 0);
        QCOMPARE(s.columns()->count(), 0);
    };

    auto messages = s.search("optTable", "BILL", "zzz");
    QCOMPARE(messages.size(), size_t(1));
    QCOMPARE(messages[0].title, QStringLiteral("Search Result"));
    QCOMPARE(messages[0].text, QStringLiteral("No result found"));
    QVERIFY(isPlainInformation(messages[0]));
    checkReady();
    QCOMPARE(s.areaTitle(), billTitle);

    // A row whose table name is Null names no table: it is left out, and here nothing is left.
    messages = s.search("optColumn", "ALL", "NULLTBL");
    QCOMPARE(messages.size(), size_t(1));
    QCOMPARE(messages[0].text, QStringLiteral("No result found"));
    checkReady();
    QCOMPARE(s.areaTitle(), QStringLiteral("ALL"));
    QVERIFY(!s.window().hasFailed());
}

void SearchTest::enterRepeatsTheSearchWhileSearchIsDisabled()
{
    SearchSession s(claims);
    s.search("optColumn", "ALL", "id");
    s.click("cmdNext");
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("CLCL_CLAIM/MEME_ID"));
    QVERIFY(!s.button("cmdSearch")->isEnabled());

    for (bool keypad : {false, true}) {
        s.statements.clear();
        s.pressEnter(keypad);
        QCOMPARE(s.statements.value(0),
                 QStringLiteral("Select Distinct Table from Main where InStr([Column], 'id' ) > 0 order by Table"));
        QCOMPARE(s.position(), QStringLiteral("BILL_INVOICE/BLIV_ID"));
        QVERIFY(!s.button("cmdSearch")->isEnabled());
        QCOMPARE(s.positionAfter("cmdLast"), QStringLiteral("PRPR_PROVIDER/PRPR_ID"));
    }
}

void SearchTest::allAreasShowsEachTableUnderItsOwnArea()
{
    SearchSession s(claims);
    QMap<QString, QString> title;
    for (const char* area : {"cmdbill", "cmdclcl", "cmdprov"}) {
        s.click(area);
        title[area] = s.areaTitle();
    }

    s.search("optTable", "ALL", "_");
    QCOMPARE(s.tableNames(), (QStringList{"BILL_INVOICE", "CLCL_CLAIM", "CLCL_LINE", "PRPR_PROVIDER"}));
    QCOMPARE(s.areaTitle(), title["cmdbill"]);
    QCOMPARE(s.control<QPlainTextEdit>("txtTblDD")->toPlainText(), QStringLiteral("Invoices for claim billing"));
    s.click("cmdNext");
    QCOMPARE(s.areaTitle(), title["cmdclcl"]);
    QCOMPARE(s.control<QPlainTextEdit>("txtTblDD")->toPlainText(), QStringLiteral("Claims header table"));

    // The search across all areas still holds after an area button: a chosen table is looked up.
    s.statements.clear();
    s.click("cmdprov");
    QVERIFY(s.statements.contains(QStringLiteral("Select [Functional Area] from Main where Table= 'PRPR_PROVIDER' ")));
    QCOMPARE(s.areaTitle(), title["cmdprov"]);

    // After a search in one area there is no lookup, also not after an area button.
    s.search("optTable", "CLCL", "CLCL");
    QCOMPARE(s.areaTitle(), title["cmdclcl"]);
    s.statements.clear();
    s.click("cmdbill");
    QCOMPARE(s.tableNames(), QStringList{"BILL_INVOICE"});
    for (const QString& sql : s.statements)
        QVERIFY2(!sql.startsWith(QLatin1String("Select [Functional Area]")), qPrintable(sql));
}

void SearchTest::inputsOnlyEnableSearch()
{
    SearchSession s(claims);
    s.search("optColumn", "ALL", "id");
    s.click("cmdNext");
    const QString shown = s.position();

    const auto checkOnlySearchEnabled = [&](const char* what) {
        QVERIFY2(s.button("cmdSearch")->isEnabled(), what);
        for (const char* nav : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast"})
            QVERIFY2(s.button(nav)->isEnabled(), what);
        QCOMPARE(s.position(), shown);
    };
    const auto disableSearchAgain = [&] {
        s.pressEnter();
        s.click("cmdNext");
    };

    s.typeText("ide");
    checkOnlySearchEnabled("text");
    s.typeText("id");
    disableSearchAgain();
    s.chooseArea("PROV");
    checkOnlySearchEnabled("area");
    s.chooseArea("ALL");
    disableSearchAgain();
    // Previous keeps its state when the mode changes after the search, and nothing runs again.
    s.statements.clear();
    s.chooseMode("optColDesc");
    checkOnlySearchEnabled("mode");
    QVERIFY(s.statements.isEmpty());
}

// Column-name mode with the text id over T1 (A_ID, B_NAME, C_ID) and T2 (X_ID, Y).
void SearchTest::workedExample()
{
    SearchSession s(example);
    s.search("optColumn", "ALL", "id");
    QCOMPARE(s.tableNames(), (QStringList{"T1", "T2"}));
    QCOMPARE(s.position(), QStringLiteral("T1/A_ID"));
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("T1/C_ID"));
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("T2/X_ID"));
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("T2/X_ID"));
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("T1/A_ID"));
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("T1/A_ID"));
    QCOMPARE(s.positionAfter("cmdLast"), QStringLiteral("T2/X_ID"));
    QCOMPARE(s.positionAfter("cmdFirst"), QStringLiteral("T1/A_ID"));
}

void SearchTest::columnNameWalk()
{
    SearchSession s(names);
    // The engine finds A3 by its lower-case column; the walk compares letter case and finds nothing
    // there, so it goes on into A4. A duplicate column name is two stops.
    s.search("optColumn", "ALL", "id");
    QCOMPARE(s.tableNames(), (QStringList{"A1", "A3", "A4", "A5"}));
    QStringList forward{s.position()};
    for (int step = 0; step < 5; ++step) {
        s.click("cmdNext");
        forward << s.position();
    }
    QCOMPARE(forward, (QStringList{"A1/ID_A", "A1/ID_B", "A4/KEY_ID", "A4/KEY_ID", "A5/ONE_ID", "A5/ONE_ID"}));
    QCOMPARE(s.columns()->currentRow(), 1);

    // Back from the first match of A5 into A4 shows A4's first match; back again into A3, which has
    // no match, moves on into A4 once more.
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("A4/KEY_ID"));
    QCOMPARE(s.columns()->currentRow(), 0);
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("A4/KEY_ID"));
    QCOMPARE(s.columns()->currentRow(), 0);

    // Within a table Previous steps back over the columns without a match.
    s.click("cmdFirst");
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("A1/ID_B"));
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("A1/ID_A"));
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("A1/ID_A"));

    // Mixed case is only found by a text in its letters' stored case turned upper: none here.
    // The walk ends in the last table without selecting a column there.
    s.typeText("Mixed_Id");
    QCOMPARE(s.positionAfter("cmdFirst"), QStringLiteral("A5/"));

    // With no match shown in the current table, Previous goes back to the previous table.
    s.search("optColumn", "ALL", "ID_");
    QCOMPARE(s.tableNames(), (QStringList{"A1", "A3"}));
    s.click("cmdNext");
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("A3/"));
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("A1/ID_A"));
}

// The column list's entry is a column-name search across all areas for the selected column, as the
// user would set it up: the walk then steps through the tables that hold the column.
void SearchTest::findTablesWithThisColumn()
{
    SearchSession s(names);
    s.search("optTblDesc", "ACCT", "never found");
    s.search("optTable", "ACCT", "A1");
    s.columns()->setCurrentRow(1);
    QCOMPARE(s.position(), QStringLiteral("A1/NAME"));
    QAction* entry = s.columns()->findChild<QAction*>("mnuFindTablesWithColumn");
    QVERIFY(entry);
    QVERIFY(s.columns()->actions().contains(entry));
    QCOMPARE(entry->text(), QStringLiteral("Find Tables With This Column"));

    s.statements.clear();
    entry->trigger();
    QVERIFY(s.control<QRadioButton>("optColumn")->isChecked());
    QCOMPARE(s.searchBox()->text(), QStringLiteral("NAME"));
    QCOMPARE(s.control<QComboBox>("cmbDomain")->currentText(), QStringLiteral("ALL"));
    QCOMPARE(s.statements.value(0),
             QStringLiteral("Select Distinct Table from Main where InStr([Column], 'NAME' ) > 0 order by Table"));
    QCOMPARE(s.tableNames(), (QStringList{"A1", "A2"}));
    QCOMPARE(s.position(), QStringLiteral("A1/NAME"));
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("A2/NAME"));
    QVERIFY(!s.button("cmdSearch")->isEnabled());
    QVERIFY(!s.ended());
}

void SearchTest::columnDescriptionWalk()
{
    SearchSession s(definitions);
    s.search("optColDesc", "ALL", "amount");
    QCOMPARE(s.tableNames(), (QStringList{"C1", "C2", "C3", "C4"}));
    QStringList forward{s.position()};
    for (int step = 0; step < 7; ++step) {
        s.click("cmdNext");
        forward << s.position() + QString::number(s.columns()->currentRow());
    }
    QCOMPARE(forward, (QStringList{"C1/P", "C1/R2", "C1/S3", "C2/V1", "C3/D_K1", "C4/DUP0", "C4/DUP2", "C4/DUP2"}));
    QVERIFY(!s.button("cmdPrevious")->isEnabled());

    // Previous is usable in this mode only after a search in another mode.
    s.search("optTblDesc", "ALL", "amount");
    QCOMPARE(s.tableNames(), (QStringList{"C1", "C2", "C3", "C4"}));
    s.chooseMode("optColDesc");
    QVERIFY(s.button("cmdPrevious")->isEnabled());
    s.click("cmdNext");  // C1 was loaded without a match set: the walk goes into C2
    QCOMPARE(s.position(), QStringLiteral("C2/V"));
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("C3/D_K"));
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("C2/V"));
    QCOMPARE(s.positionAfter("cmdFirst"), QStringLiteral("C1/P"));
    s.click("cmdNext");
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("C1/S"));
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("C1/R"));
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("C1/S"));
    s.click("cmdPrevious");
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("C1/P"));
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("C1/P"));
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("C1/R"));

    // A duplicate column name is two matches, and Previous finds the first one again.
    s.click("cmdLast");
    s.click("cmdNext");
    QCOMPARE(s.columns()->currentRow(), 2);
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("C4/DUP"));
    QCOMPARE(s.columns()->currentRow(), 0);
}

void SearchTest::changesBetweenSteps()
{
    SearchSession s(names);
    s.search("optColumn", "ALL", "id");
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("A1/ID_B"));

    // A table mode steps table by table from the current table, Previous too.
    s.chooseMode("optTable");
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("A3/id_low"));
    s.click("cmdNext");
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("A3/id_low"));
    s.click("cmdLast");
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("A5/NOTE"));
    s.click("cmdFirst");
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("A1/ID_A"));

    // Without text no step moves, in any mode; First and Last still do.
    s.chooseMode("optColumn");
    s.typeText("  ");
    for (const char* mode : {"optTable", "optColumn", "optTblDesc", "optColDesc"}) {
        s.chooseMode(mode);
        s.click("cmdNext");
        QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("A1/ID_A"));
    }
    QCOMPARE(s.positionAfter("cmdLast"), QStringLiteral("A5/NOTE"));

    // A new text applies at the next step in the column-name mode.
    s.chooseMode("optColumn");
    s.typeText("name");
    QCOMPARE(s.positionAfter("cmdFirst"), QStringLiteral("A1/NAME"));
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("A5/"));  // no other result table has a NAME

    // The column-description walk follows the match set the table was loaded with.
    SearchSession d(definitions);
    d.search("optColDesc", "ALL", "amount");
    d.typeText("nothing");
    d.click("cmdNext");
    QCOMPARE(d.position(), QStringLiteral("C1/R"));
    d.click("cmdNext");
    QCOMPARE(d.position(), QStringLiteral("C1/S"));
    d.click("cmdNext");  // into C2, now loaded for "nothing": no match there, nor in C3 and C4
    QCOMPARE(d.position(), QStringLiteral("C4/"));
}

void SearchTest::navigationAfterClearOpenAndAreaButton()
{
    SearchSession s(claims);
    const auto navigationOn = [&s] {
        bool on = true;
        for (const char* nav : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast"})
            on = on && s.button(nav)->isEnabled();
        return on && !s.button("cmdSearch")->isEnabled();
    };
    const auto navigationOff = [&s] {
        bool off = true;
        for (const char* nav : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast"})
            off = off && !s.button(nav)->isEnabled();
        return off && s.button("cmdSearch")->isEnabled();
    };

    s.search("optTable", "ALL", "clcl");
    QVERIFY(navigationOn());
    s.click("cmdClear");
    QVERIFY(navigationOff());
    QCOMPARE(s.tables()->count(), 0);

    s.search("optTable", "ALL", "clcl");
    QVERIFY(navigationOn());
    s.answerPickerWith(QString());
    QTest::keyClick(&s.window(), Qt::Key_O, Qt::ControlModifier);
    QTRY_VERIFY(navigationOff());
    QCOMPARE(s.tableNames(), (QStringList{"CLCL_CLAIM", "CLCL_LINE"}));

    // An area button leaves the buttons as they are; the walk then steps through the area's list.
    // The button's full reset empties the search text, which makes Search usable again.
    s.search("optTable", "ALL", "clcl");
    s.click("cmdclcl");
    for (const char* nav : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast"})
        QVERIFY2(s.button(nav)->isEnabled(), nav);
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("CLCL_CLAIM/CLCL_ID"));
    s.typeText("x");
    QCOMPARE(s.position(), QStringLiteral("CLCL_CLAIM/CLCL_ID"));
    QCOMPARE(s.positionAfter("cmdNext"), QStringLiteral("CLCL_LINE/CLLN_SEQ"));
    QCOMPARE(s.positionAfter("cmdPrevious"), QStringLiteral("CLCL_CLAIM/CLCL_ID"));
}

void SearchTest::hostileTextsAreSearchedLiterally()
{
    SearchSession s(hostile);
    const struct {
        QString text;
        QStringList found;
    } cases[] = {
        {QStringLiteral("'"), {QStringLiteral("O'BRIEN")}},
        {QStringLiteral("O'BRIEN"), {QStringLiteral("O'BRIEN")}},
        {QStringLiteral("[X]"), {QStringLiteral("BRACKET[X]")}},
        {QStringLiteral("["), {QStringLiteral("BRACKET[X]")}},
        {QStringLiteral("]"), {QStringLiteral("BRACKET[X]")}},
        {QStringLiteral("%"), {QStringLiteral("PCT%SIGN")}},
        {QStringLiteral("_"), {QStringLiteral("UNDER_SCORE")}},
        {QStringLiteral("*"), {QStringLiteral("STAR*SIGN")}},
        {QStringLiteral("?"), {QStringLiteral("QUERY?SIGN")}},
        {QStringLiteral("\\"), {QStringLiteral("BACK\\SLASH")}},
        {QStringLiteral("\x01"),
         {QStringLiteral("CTRL\x01"
                         "CHAR")}},
        {QStringLiteral("ÄRZTE"), {QStringLiteral("ÄRZTE")}},
        {QStringLiteral("של"), {QStringLiteral("שלום")}},
        {QStringLiteral("\"; DROP"), {}},
        {QString(QChar(0)), {}},
        {QStringLiteral("\t"), {}},
        {QStringLiteral("\u202Eevil"), {}},
    };
    for (const auto& c : cases) {
        const auto messages = s.search("optTable", "ALL", c.text);
        QCOMPARE(s.searchBox()->text(), c.text);
        QVERIFY2(!s.window().hasFailed(), qPrintable(c.text));
        QCOMPARE(s.tableNames(), c.found);
        QCOMPARE(messages.size(), size_t(c.found.isEmpty() ? 1 : 0));
    }

    // Ten thousand characters of text, found in the one description that holds them.
    s.search("optColDesc", "SYST", longDefinition);
    QCOMPARE(s.tableNames(), QStringList{"LONGDEF"});
    QCOMPARE(s.position(), QStringLiteral("LONGDEF/LONGCOL"));

    // Apostrophes in the walk's texts and in the statements of the table selected.
    s.search("optColumn", "ALL", "o'neil");
    QCOMPARE(s.position(), QStringLiteral("QUOTES/O'NEIL_COL"));
    s.search("optColDesc", "ALL", "'hello'");
    QCOMPARE(s.position(), QStringLiteral("QUOTES/O'NEIL_COL"));
    QVERIFY(!s.window().hasFailed());
}

// The walk crosses the tables without a match one after the other, not one inside the other: the
// stack stays as deep as for one table, however many tables the walk crosses.
void SearchTest::longRunOfTablesWithoutAMatch()
{
    SearchSession s(manyTables);
    std::uintptr_t deepest = UINTPTR_MAX, shallowest = 0;
    s.window().setStatementObserver([&](const QString&) {
        const char probe = 0;
        const auto here = reinterpret_cast<std::uintptr_t>(&probe);
        deepest = std::min(deepest, here);
        shallowest = std::max(shallowest, here);
    });
    // The observer watches the connections opened from now on: the file is opened again.
    s.answerPickerWith(manyTables);
    QTest::keyClick(&s.window(), Qt::Key_O, Qt::ControlModifier);
    QTRY_VERIFY(shallowest != 0);
    s.search("optColumn", "ALL", "id");
    QCOMPARE(s.tables()->count(), kTablesWithoutAMatch + 1);
    QCOMPARE(s.position(), QStringLiteral("Z_LAST/LAST_ID"));
    QVERIFY2(shallowest - deepest < 64 * 1024, qPrintable(QString::number(shallowest - deepest)));
    QCOMPARE(s.positionAfter("cmdFirst"), QStringLiteral("Z_LAST/LAST_ID"));
}

QTEST_MAIN(SearchTest)
#include "tst_search.moc"
