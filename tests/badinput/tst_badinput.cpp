// Dictionaries and input the program was not made for, at the window: a missing table or column, an
// empty Main, names with apostrophes and letters beyond ASCII, search text of 100,000 characters. Each
// gives the sound result, or the one error message that ends the program — never a crash or a hang.

#include "common/dictionarybuilder.h"
#include "common/guitestsupport.h"
#include "dictionary/connection.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"

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

// The four tables with a few rows; one table, or one column of a table, can be left out.
QString writeDictionary(const QString& path, const QString& withoutTable, const QString& withoutColumn)
{
    DictionaryBuilder dictionary;
    dictionary.column({"acct", "ACCT_LEDGER", "LEDG_ID"}).primaryKey();
    dictionary.column({"acct", "ACCT_LEDGER", "LEDG_AMT"}).dataType("money", "").gui(nullptr, nullptr);
    dictionary.tableDescription("acct", "ACCT_LEDGER", "Ledger", "Ledger table");
    dictionary.validValue("acct", "ACCT_LEDGER", "LEDG_ID", "L", "Ledger");
    dictionary.release(451);
    return dictionary.without(withoutTable, withoutColumn).write(path);
}

// Mode, area filter entry and text, then the Search button, as a user does it.
void search(MainWindowSession& session, const char* mode, const QString& area, const QString& text)
{
    session.find<QPushButton>("cmdClear")->click();
    QTest::mouseClick(session.find<QRadioButton>(mode), Qt::LeftButton);
    auto* domain = session.find<QComboBox>("cmbDomain");
    domain->setCurrentIndex(domain->findText(area));
    auto* box = session.find<QLineEdit>("txtSearch");
    box->setFocus();
    box->insert(text);
    QTest::mouseClick(session.find<QPushButton>("cmdSearch"), Qt::LeftButton);
    session.settle();
}

const char* const kModes[] = {"optTable", "optTblDesc", "optColumn", "optColDesc"};

}  // namespace

class BadInputTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;

private slots:
    void missingTableOrColumnEndsWithItsError_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("number");
        for (const char* table : {"Main", "CDS_TBL_TABLE_DESC", "Values", "CDS_TBL_RELS_RELEASES"})
            QTest::newRow(table) << QString::fromLatin1(table) << QString() << int(volmira::ErrorNumber::TableNotFound);
        const std::pair<const char*, const char*> columns[] = {{"Main", "Functional Area"},
                                                               {"Main", "Column_SeqNo"},
                                                               {"Main", "GUI Control"},
                                                               {"Main", "PD_Definition"},
                                                               {"CDS_TBL_TABLE_DESC", "Logical Name"},
                                                               {"Values", "Description"},
                                                               {"Values", "Column"},
                                                               {"CDS_TBL_RELS_RELEASES", "Rels_No"}};
        for (const auto& [table, column] : columns)
            QTest::newRow(qPrintable(QStringLiteral("%1.%2").arg(table, column)))
                << QString::fromLatin1(table) << QString::fromLatin1(column)
                << int(volmira::ErrorNumber::ColumnNotFound);
    }
    void missingTableOrColumnEndsWithItsError()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(int, number);
        const QString path =
            writeDictionary(folder_.filePath(QStringLiteral("without %1 %2.mdb").arg(table, column)), table, column);
        MainWindowSession session({path});
        MessageCatcher messages;
        session.start();
        QCOMPARE(session.fatalErrors.size(), std::size_t(1));
        const volmira::Error& error = session.fatalErrors.front();
        QCOMPARE(error.number(), number);
        // The message names what is missing, so that the user can tell what is wrong with the file.
        QVERIFY2(error.description().contains(column.isEmpty() ? table : column, Qt::CaseInsensitive),
                 qPrintable(error.description()));
        QVERIFY(session.ended());
        QVERIFY2(messages.said().isEmpty(), qPrintable(messages.said().join(QLatin1Char('\n'))));
    }

    void emptyMainShowsEmptyAreasAndFindsNothing()
    {
        DictionaryBuilder dictionary;
        dictionary.release(7);
        MainWindowSession session({dictionary.write(folder_.filePath(QStringLiteral("empty main.mdb")))});
        MessageCatcher messages;
        session.start();
        QCOMPARE(session.find<QLabel>("lblDBVer")->text(), QStringLiteral("Database Version : 7"));
        for (const char* button : {"cmdAcc", "cmdbill", "cmdutil"}) {
            session.find<QToolButton>(button)->click();
            QCOMPARE(session.find<QListWidget>("lstTables")->count(), 0);
            QCOMPARE(session.find<QListWidget>("lstColumns")->count(), 0);
        }
        for (const char* mode : kModes)
            search(session, mode, QStringLiteral("ALL"), QStringLiteral("ACCT"));
        QVERIFY(session.fatalErrors.empty());
        QCOMPARE(messages.said(), QStringList(4, QStringLiteral("Search Result: No result found")));
    }

    // Apostrophes end a statement's text where they are not doubled; letters beyond ASCII must compare
    // ignoring case as plain letters do.
    void namesWithApostrophesAndNonAsciiLetters()
    {
        const QString table = QStringLiteral("O'BRIEN_ÜBERSICHT_Ω");
        const QString column = QStringLiteral("KUNDE'S_GRÖSSE");
        DictionaryBuilder dictionary;
        dictionary.release(1);
        dictionary.column({"acct", table, column})
            .descriptions(QStringLiteral("Größe des Kunden"), QStringLiteral("L'adresse: Straße"));
        dictionary.column({"acct", table, QStringLiteral("ID")});
        dictionary.tableDescription("acct", table, QStringLiteral("Übersicht"), QStringLiteral("Ωmega's table"));
        dictionary.validValue("acct", table, column, QStringLiteral("É'1"), QStringLiteral("Élevé"));
        MainWindowSession session({dictionary.write(folder_.filePath(QStringLiteral("names.mdb")))});
        MessageCatcher messages;
        session.start();
        QVERIFY(session.fatalErrors.empty());
        auto* tables = session.find<QListWidget>("lstTables");
        QCOMPARE(tables->count(), 1);
        QCOMPARE(tables->item(0)->text(), table);
        QCOMPARE(session.find<QPlainTextEdit>("txtTblDD")->toPlainText(), QStringLiteral("Ωmega's table"));
        auto* columns = session.find<QListWidget>("lstColumns");
        QCOMPARE(columns->count(), 2);
        clickRow(columns, 0);
        QVERIFY2(session.find<QPlainTextEdit>("txtValues")->toPlainText().contains(QStringLiteral("É'1")),
                 qPrintable(session.find<QPlainTextEdit>("txtValues")->toPlainText()));

        // Found in every mode, across all areas and in Accounting, with the text in other letter case.
        const std::pair<const char*, QString> searches[] = {
            {"optTable", QStringLiteral("o'brien_über")},
            {"optTblDesc", QStringLiteral("ΩMEGA'S")},
            {"optColumn", QStringLiteral("kunde's_grö")},
            {"optColDesc", QStringLiteral("l'ADRESSE: STRASSE").left(12)}};
        for (const QString& area : {QStringLiteral("ALL"), QStringLiteral("acct")}) {
            for (const auto& [mode, text] : searches) {
                search(session, mode, area, text);
                QVERIFY2(tables->count() == 1 && tables->item(0)->text() == table,
                         qPrintable(QStringLiteral("%1 %2 '%3'").arg(mode, area, text)));
            }
        }
        QVERIFY(session.fatalErrors.empty());
        QVERIFY2(messages.said().isEmpty(), qPrintable(messages.said().join(QLatin1Char('\n'))));
    }

    // A pasted text of 100,000 characters, with the characters that matter to a statement in it.
    void hugeSearchText()
    {
        DictionaryBuilder dictionary;
        dictionary.release(1);
        dictionary.column({"acct", "ACCT_LEDGER", "LEDG_ID"});
        dictionary.tableDescription("acct", "ACCT_LEDGER", "Ledger", "Ledger table");
        MainWindowSession session({dictionary.write(folder_.filePath(QStringLiteral("small.mdb")))});
        MessageCatcher messages;
        session.start();
        QString text;
        while (text.size() < 100000)
            text += QStringLiteral("x' OR ''=' [Main]) ; -- ü%_*");
        text.truncate(100000);
        QElapsedTimer clock;
        for (const char* mode : kModes) {
            for (const QString& area : {QStringLiteral("ALL"), QStringLiteral("acct")}) {
                messages.clear();
                clock.start();
                search(session, mode, area, text);
                QVERIFY2(clock.elapsed() < 5000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
                QVERIFY(session.fatalErrors.empty());
                QCOMPARE(messages.said(), QStringList{QStringLiteral("Search Result: No result found")});
                QCOMPARE(session.find<QListWidget>("lstTables")->count(), 0);
                // The box holds the whole text, and the statement ran with it.
                const QString held = session.find<QLineEdit>("txtSearch")->text();
                QCOMPARE(held.size(), 100000);
                QVERIFY(session.statements.last().contains(
                    held.left(1000).replace(QLatin1String("'"), QLatin1String("''"))));
            }
        }

        // Beyond the window, the engine takes the whole text, in each of the eight search forms.
        volmira::Connection cn;
        cn.setConnectionString(volmira::statements::connectionString(folder_.filePath(QStringLiteral("small.mdb"))));
        cn.Open();
        const QString quoted = QString(text).replace(QLatin1String("'"), QLatin1String("''"));
        const QString forms[] = {
            QStringLiteral("SELECT DISTINCT Table from Main where InStr(Table, '%1' ) > 0 order by Table"),
            QStringLiteral(
                "SELECT DISTINCT Table from Main where [Functional Area] = 'acct'  and InStr(Table, '%1' ) > 0 "),
            QStringLiteral(
                "Select Distinct Table from CDS_TBL_TABLE_DESC where InStr(Description, '%1' ) > 0 order by Table"),
            QStringLiteral("Select Distinct Table from CDS_TBL_TABLE_DESC where [Functional Area]= 'acct' and "
                           "InStr(Description, '%1' ) > 0 "),
            QStringLiteral("Select Distinct Table from Main where InStr([Column], '%1' ) > 0 order by Table"),
            QStringLiteral(
                "Select Distinct Table from Main where [Functional Area]= 'acct' and InStr([Column], '%1' ) > 0 "),
            QStringLiteral("Select Distinct Table from Main where InStr([PD_Definition], '%1' ) > 0 order by Table"),
            QStringLiteral("Select Distinct Table from Main where [Functional Area]= 'acct' and InStr([PD_Definition], "
                           "'%1' ) > 0 ")};
        for (const QString& form : forms) {
            clock.start();
            volmira::Recordset rs;
            rs.Open(form.arg(quoted), cn);
            QVERIFY(rs.Eof());
            QVERIFY2(clock.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        }
    }
};

QTEST_MAIN(BadInputTest)
#include "tst_badinput.moc"
