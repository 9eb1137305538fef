// Copying the lists: what lands on the clipboard, in both formats, and that copying changes nothing.

#include "common/dictionarybuilder.h"
#include "common/guitestsupport.h"

#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What a copy must leave as it was.
struct WindowState {
    QString strArea, strTable, strColumn, strSQL;
    int tableRow, columnRow, intMatchIndex, intSelIndex, intMatchCount;
    QList<bool> buttons;

    static WindowState of(MainWindowSession& session)
    {
        auto access = session.access();
        WindowState state{access.strArea(),
                          access.strTable(),
                          access.strColumn(),
                          access.strSQL(),
                          session.find<QListWidget>("lstTables")->currentRow(),
                          session.find<QListWidget>("lstColumns")->currentRow(),
                          access.intMatchIndex(),
                          access.intSelIndex(),
                          access.intMatchCount(),
                          {}};
        for (const char* name : {"cmdSearch", "cmdFirst", "cmdPrevious", "cmdNext", "cmdLast", "cmdClear"})
            state.buttons << session.find<QPushButton>(name)->isEnabled();
        return state;
    }
    bool operator==(const WindowState& o) const
    {
        return strArea == o.strArea && strTable == o.strTable && strColumn == o.strColumn && strSQL == o.strSQL
               && tableRow == o.tableRow && columnRow == o.columnRow && intMatchIndex == o.intMatchIndex
               && intSelIndex == o.intSelIndex && intMatchCount == o.intMatchCount && buttons == o.buttons;
    }
};

}  // namespace

class CopyTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void columnsAsTextAndHtmlTableAsTheBoxesShowThem();
    void tableNamesOnePerLine();
    void copyDuringASearchWalkChangesNothing();

private:
    QTemporaryDir folder;
    QString dictionary;
};

void CopyTest::initTestCase()
{
    QVERIFY(folder.isValid());
    DictionaryBuilder builder;
    builder.column({"acct", "ACCT_A", "A_ID"}).dataType("char", "12").primaryKey().gui(nullptr, nullptr);
    builder.column({"acct", "ACCT_A", "A_NOTE"})
        .dataType("varchar", nullptr)
        .descriptions(nullptr, "Two\r\nlines\tand a <b>tag</b> & more")
        .foreignKey()
        .gui("Note", "TextBox");
    builder.column({"acct", "ACCT_A", "A_DUP"}).dataType("char", "1").descriptions("first", "first row");
    builder.column({"acct", "ACCT_A", "A_DUP"}).dataType("char", "2").descriptions("second", "second row");
    builder.column({"acct", "ACCT_B", "B_ID"}).descriptions("Bee", "The id of B");
    builder.release(1);
    dictionary = builder.write(folder.filePath(QStringLiteral("copy.mdb")));
}

void CopyTest::columnsAsTextAndHtmlTableAsTheBoxesShowThem()
{
    MainWindowSession session({dictionary});
    session.start();
    auto* columns = session.find<QListWidget>("lstColumns");
    QGuiApplication::clipboard()->clear();
    const WindowState before = WindowState::of(session);
    const int statementsBefore = int(session.statements.size());

    columns->setFocus();
    QTest::keyClick(columns, Qt::Key_C, Qt::ControlModifier);

    // A name listed twice shows its first row twice, as the boxes do; line breaks and tabs become blanks.
    const QString expected = QStringLiteral(
        "Column\tData Type\tPrimary Key\tForeign Key\tLogical Description\tData Definition\tGUI Label\tGUI Control\n"
        "A_ID\tchar(12)\tYes\tNo\tLogical description\tData definition\tN/A\tN/A\n"
        "A_NOTE\tvarchar\tNo\tYes\t\tTwo lines and a <b>tag</b> & more\tNote\tTextBox\n"
        "A_DUP\tchar(1)\tNo\tNo\tfirst\tfirst row\tLabel\tTextBox\n"
        "A_DUP\tchar(1)\tNo\tNo\tfirst\tfirst row\tLabel\tTextBox\n");
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(copied->text(), expected);
    const QString html = copied->html();
    QVERIFY(html.contains(QStringLiteral("<tr><th>Column</th><th>Data Type</th>")));
    QVERIFY(html.contains(QStringLiteral("<td>A_NOTE</td><td>varchar</td><td>No</td><td>Yes</td><td></td>"
                                         "<td>Two<br>lines&emsp;and a &lt;b&gt;tag&lt;/b&gt; &amp; more</td>")));
    QCOMPARE(html.count(QStringLiteral("<tr>")), 5);

    QVERIFY(session.statements.size() == statementsBefore);
    QVERIFY(WindowState::of(session) == before);

    // The same from the context menu.
    QGuiApplication::clipboard()->clear();
    const QList<QAction*> menu = columns->actions();
    QCOMPARE(menu.size(), 2);  // and Find Tables With This Column
    QCOMPARE(menu.first()->text(), QStringLiteral("Copy Columns"));
    menu.first()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    QVERIFY(session.fatalErrors.empty());
}

void CopyTest::tableNamesOnePerLine()
{
    MainWindowSession session({dictionary});
    session.start();
    auto* tables = session.find<QListWidget>("lstTables");
    const WindowState before = WindowState::of(session);
    tables->setFocus();
    QTest::keyClick(tables, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ACCT_A\nACCT_B\n"));
    QCOMPARE(tables->actions().first()->text(), QStringLiteral("Copy Table Names"));
    QVERIFY(WindowState::of(session) == before);
}

void CopyTest::copyDuringASearchWalkChangesNothing()
{
    MainWindowSession session({dictionary});
    session.start();
    session.find<QRadioButton>("optColumn")->click();
    session.find<QLineEdit>("txtSearch")->setText(QStringLiteral("ID"));
    session.find<QPushButton>("cmdSearch")->click();
    session.find<QPushButton>("cmdNext")->click();
    QCOMPARE(session.access().strColumn(), QStringLiteral("B_ID"));

    const WindowState before = WindowState::of(session);
    const int statementsBefore = int(session.statements.size());
    session.find<QListWidget>("lstColumns")->actions().first()->trigger();
    session.find<QListWidget>("lstTables")->actions().first()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ACCT_A\nACCT_B\n"));
    QVERIFY(session.statements.size() == statementsBefore);
    QVERIFY(WindowState::of(session) == before);

    // The walk goes on from where it was.
    session.find<QPushButton>("cmdPrevious")->click();
    QCOMPARE(session.access().strColumn(), QStringLiteral("A_ID"));
    QVERIFY(session.fatalErrors.empty());
}

QTEST_MAIN(CopyTest)
#include "tst_copy.moc"
