// The statements the program runs, on an engine fed by test code: rows, order, letter case, Null
// and the errors a statement can raise.

#include "common/fakedictionary.h"

#include "dictionary/error.h"
#include "dictionary/rowarena.h"

#include <QTest>

#include <cmath>
#include <cstring>

using namespace testing;
using volmira::ColumnType;
using volmira::Error;
using volmira::FieldValue;
namespace ErrorNumber = volmira::ErrorNumber;

namespace {

MainRow col(const char* table, const char* column, const char* area, double seq)
{
    MainRow r;
    r.table = text(table);
    r.column = text(column);
    r.area = text(area);
    r.seqNo = number(seq);
    return r;
}

QString columnsOf(const QString& area, const QString& table)
{
    return QStringLiteral(
               "Select Distinct Column,[Data Type],[Data Attributes],[Logical Desc],[PD_Definition],[Primary Key],"
               "[Foreign Key],[Column_SeqNo],[GUI Name],[GUI Control] from Main where [Functional Area]= '")
           + area + QStringLiteral("' and Table = '") + table + QStringLiteral("' order by [Column_SeqNo] ");
}

}  // namespace

class EngineTest final : public QObject {
    Q_OBJECT

private slots:
    void versionIsTheMaximumReleaseNumber()
    {
        const QString sql = QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES");
        auto numeric = FakeDictionary().releases({number(99), number(451), number(1000), null()}).engine();
        QCOMPARE(rows(*numeric, sql), QStringList{"1000"});
        QCOMPARE(numeric->run(sql).cells.at(0).Value.kind(), FieldValue::Kind::Number);

        // Over text the maximum is the last in text order, ignoring letter case.
        auto textual = FakeDictionary().releases({text("451"), text("99"), text("1000")}, ColumnType::Text).engine();
        QCOMPARE(rows(*textual, sql), QStringList{"99"});
        auto lettered =
            FakeDictionary().releases({text("b"), text("A"), text("C"), text("a")}, ColumnType::Text).engine();
        QCOMPARE(rows(*lettered, sql), QStringList{"C"});

        auto fractional = FakeDictionary().releases({single(0.15f), single(0.1f)}, ColumnType::Single).engine();
        QCOMPARE(rows(*fractional, sql), QStringList{"0.15"});
    }

    // Each number is written as Access writes a value of its column's type.
    void numbersAreWrittenAsAccessWritesThem_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, ColumnType type, double value, const char* expected) {
            QTest::newRow(name) << int(type) << value << QString::fromLatin1(expected);
        };
        row("long, no exponent", ColumnType::Long, 100000, "100000");
        row("negative long", ColumnType::Long, -7, "-7");
        row("whole double", ColumnType::Double, 2000000, "2000000");
        row("largest plain double", ColumnType::Double, 999999999999999, "999999999999999");
        row("double from 1E+15", ColumnType::Double, 1e15, "1E+15");
        row("double, 15 digits", ColumnType::Double, 123456789012345678.0, "1.23456789012346E+17");
        row("stored 17.91", ColumnType::Double, 17.909999999999997, "17.91");
        row("0.1 + 0.2", ColumnType::Double, 0.1 + 0.2, "0.3");
        row("a third", ColumnType::Double, 1.0 / 3, "0.333333333333333");
        row("small double", ColumnType::Double, 0.0001, "0.0001");
        row("smaller double", ColumnType::Double, 0.000015, "1.5E-05");
        row("negative zero", ColumnType::Double, -0.0, "0");
        row("single, 7 digits", ColumnType::Single, double(0.1f), "0.1");
        row("whole single", ColumnType::Single, 16777216, "16777216");
        row("currency", ColumnType::Currency, 12.75, "12.75");
        row("currency, 16 digits", ColumnType::Currency, 123456789012.3456, "123456789012.3456");
        row("small currency", ColumnType::Currency, 0.0009, "0.0009");
    }

    void numbersAreWrittenAsAccessWritesThem()
    {
        QFETCH(int, type);
        QFETCH(double, value);
        QFETCH(QString, expected);
        const auto columnType = ColumnType(type);
        const Cell cell = columnType == ColumnType::Single ? single(float(value)) : number(value);
        auto engine = FakeDictionary().releases({cell}, columnType).engine();
        QCOMPARE(rows(*engine, QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES")),
                 QStringList{expected});
    }

    void emptyReleaseTableGivesOneNullRow()
    {
        auto engine = FakeDictionary().releases({}).engine();
        const auto result = engine->run(QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES"));
        QCOMPARE(result.columnCount, 1);
        QCOMPARE(result.cells.size(), size_t(1));
        QVERIFY(result.cells[0].Value.isNull());
        try {
            result.cells[0].Value.toText();
            QFAIL("Null converted to text");
        } catch (const Error& e) {
            QCOMPARE(e.number(), ErrorNumber::InvalidUseOfNull);
        }
    }

    void areaTableListIsDistinctAlphabeticalAndIgnoresCase()
    {
        auto engine =
            FakeDictionary()
                .main({col("CMC_ZETA", "A", "ACCT", 1), col("CMC_alpha", "A", "acct", 1),
                       col("cmc_ZETA", "B", "Acct", 2), col("CMC_BETA", "A", "acct", 1),
                       col("CMC_OTHER", "A", "bill", 1), col("CMC_Beta", "B", "acct", 2), col("CMC_10", "A", "acct", 1),
                       col("CMC_9", "A", "acct", 1), col("CMC_A_B", "A", "acct", 1)})
                .engine();
        const QStringList tables =
            rows(*engine, QStringLiteral("Select Distinct Table from Main where [Functional Area]='acct'"));
        QCOMPARE(tables.size(), 6);
        QCOMPARE(tables.mid(0, 3), (QStringList{"CMC_10", "CMC_9", "CMC_A_B"}));
        QCOMPARE(tables.at(3), QStringLiteral("CMC_alpha"));
        QCOMPARE(tables.at(4).toUpper(), QStringLiteral("CMC_BETA"));
        QCOMPARE(tables.at(5).toUpper(), QStringLiteral("CMC_ZETA"));
        QCOMPARE(rows(*engine, QStringLiteral("Select Distinct Table from Main where [Functional Area]='none'")),
                 QStringList());
    }

    void nonAsciiTextComparesIgnoringCase()
    {
        auto engine = FakeDictionary()
                          .main({col("ÄRZTE", "Straße", "öff", 1), col("ärzte", "STRASSE", "ÖFF", 2),
                                 col("Ωmega", "ΣΊΣΥΦΟΣ", "öff", 3), col("Zebra", "x", "öff", 4)})
                          .engine();
        const QStringList tables =
            rows(*engine, QStringLiteral("Select Distinct Table from Main where [Functional Area]='ÖfF'"));
        QCOMPARE(tables.size(), 3);
        QCOMPARE(tables.at(0), QStringLiteral("Zebra"));  // letters beyond ASCII sort after z
        QCOMPARE(tables.at(1).toLower(), QStringLiteral("ärzte"));
        QCOMPARE(tables.at(2), QStringLiteral("Ωmega"));
        QCOMPARE(
            rows(*engine,
                 QStringLiteral("Select Distinct Table from Main where InStr([Column], 'σίσυ' ) > 0 order by Table")),
            QStringList{"Ωmega"});
        QCOMPARE(rows(*engine, QStringLiteral("Select Distinct Table from Main where [Functional Area]= 'öff' and "
                                              "InStr([Column], 'STRAßE' ) > 0 "))
                     .size(),
                 1);
    }

    void areaLookupKeepsFileOrderAndRepeats()
    {
        auto engine = FakeDictionary()
                          .main({col("T", "A", "prov", 1), col("T", "A", "acct", 1), col("U", "A", "bill", 1),
                                 col("t", "B", "prov", 2), col("T", "A", "case", 1)})
                          .engine();
        QCOMPARE(rows(*engine, QStringLiteral("Select [Functional Area] from Main where Table= 'T' ")),
                 (QStringList{"prov", "acct", "prov", "case"}));
    }

    // Main's rows reach SQLite piecemeal: a lookup brings the rows it narrows to, a later scan the rest,
    // each once and under its own place in the file's order.
    void keptRowsGiveBackEveryCellAsStored()
    {
        using Kind = volmira::CellView::Kind;
        const std::string longText(300, 'x');  // a length of two bytes
        const std::string zeros("\0\0", 2);
        const std::vector<volmira::CellView> cells{
            {Kind::Null, 0, {}},        {Kind::YesNo, -1, {}},     {Kind::YesNo, 0, {}},
            {Kind::Number, 0, {}},      {Kind::Number, -0.0, {}},  {Kind::Number, -5, {}},
            {Kind::Number, 9.5e15, {}}, {Kind::Number, 1e300, {}}, {Kind::Number, 123456789012.0, {}},
            {Kind::Number, 0.5, {}},    {Kind::Single, 1.5, {}},   {Kind::Date, 45000.25, {}},
            {Kind::Text, 0, ""},        {Kind::Text, 0, longText}, {Kind::Binary, 0, zeros},
        };
        volmira::RowArena arena;
        for (int copy = 0; copy < 2; ++copy)
            arena.add(cells.data(), int(cells.size()));
        for (std::uint32_t row = 0; row < 2; ++row) {
            const std::vector<volmira::CellView>& kept = arena.row(row);
            QCOMPARE(kept.size(), cells.size());
            for (size_t i = 0; i < cells.size(); ++i) {
                QCOMPARE(int(kept[i].kind), int(cells[i].kind));
                QVERIFY2(std::memcmp(&kept[i].number, &cells[i].number, sizeof(double)) == 0,
                         qPrintable(QString::number(i)));
                QVERIFY(kept[i].text == cells[i].text);
            }
        }
    }

    void listingsGiveTheValuesTheirStatementsGive()
    {
        // Main's rows kept aside (text keys), and a table whose number among its names leaves its rows to
        // SQLite alone: a listing of either gives, cell for cell, the values of the same statement.
        auto kept = FakeDictionary()
                        .main({col("CMC_A", "A_ID", "acct", 1), col("CMC_A", "A_NAME", "acct", 2.5),
                               col("cmc_b", "B_ID", "Acct", 1), col("CMC_C", "C_ID", "bill", 3)})
                        .releases({number(451), null()})
                        .engine();
        auto unusual = FakeDictionary()
                           .add({QStringLiteral("Main"),
                                 {{"Table", ColumnType::Text},
                                  {"Functional Area", ColumnType::Text},
                                  {"Primary Key", ColumnType::Bool},
                                  {"Column_SeqNo", ColumnType::Single}},
                                 {{text("B"), text("acct"), yesNo(true), single(1.5f)},
                                  {number(7), text("acct"), yesNo(false), null()},
                                  {text("\u00e9t\u00e9"), text("ACCT"), yesNo(true), single(0.1f)}}})
                           .engine();
        const QStringList statements{
            QStringLiteral("Select * from Main where [Functional Area]= 'acct' "),
            QStringLiteral("Select Table, [Column_SeqNo], [Primary Key] from Main"),
            QStringLiteral("Select Distinct Table from Main order by Table"),
            QStringLiteral("Select MAX(Rels_No), Count(*) from CDS_TBL_RELS_RELEASES"),
        };
        for (const auto& engine : {kept, unusual}) {
            for (const QString& sql : statements) {
                if (engine == unusual && sql.contains(QLatin1String("RELS")))
                    continue;
                const volmira::Engine::Result values = engine->run(sql);
                const volmira::Engine::Listing listing = engine->list(sql);
                QCOMPARE(listing.columnCount, values.columnCount);
                QCOMPARE(listing.cells.size(), values.cells.size());
                for (size_t i = 0; i < values.cells.size(); ++i) {
                    const ColumnType type = listing.columns[i % size_t(listing.columnCount)].type;
                    const FieldValue listed = FieldValue::fromCell(listing.cells[i], type);
                    QVERIFY2(listed == values.cells[i].Value
                                 && (listed.isNull() || listed.toText() == values.cells[i].Value.toText()),
                             qPrintable(sql + QStringLiteral(" cell %1").arg(i)));
                }
            }
        }
    }

    void lookupsThenScansSeeEveryRowOnce()
    {
        auto engine = FakeDictionary()
                          .main({col("T", "A", "prov", 1), col("U", "B", "acct", 1), col("T", "C", "prov", 2),
                                 col("V", "D", "bill", 1), col("U", "E", "acct", 2)})
                          .engine();
        QCOMPARE(rows(*engine, QStringLiteral("Select Column from Main where Table= 'U' ")), (QStringList{"B", "E"}));
        QCOMPARE(rows(*engine, QStringLiteral("Select Column from Main where Table= 'T' and Column = 'C'")),
                 QStringList{"C"});
        QCOMPARE(rows(*engine, QStringLiteral("Select Column from Main")), (QStringList{"A", "B", "C", "D", "E"}));
        QCOMPARE(rows(*engine, QStringLiteral("Select Column from Main where Table= 'T' ")), (QStringList{"A", "C"}));
        QCOMPARE(rows(*engine, QStringLiteral("Select Count(*) from Main m inner join Main n on m.Table = n.Table")),
                 QStringList{"9"});
    }

    void tableDescriptionKeepsEmptyTextApartFromNull()
    {
        auto engine = FakeDictionary()
                          .main({})
                          .tableDescriptions({{text("T1"), text(""), null(), text("acct")},
                                              {text("T2"), null(), text("Logical"), text("acct")},
                                              {text("T2"), null(), text("logical"), text("ACCT")},
                                              {text("T2"), text("x"), text("other"), text("bill")}})
                          .engine();
        const QString sql = QStringLiteral("Select Distinct Table,Description,[Logical Name] from CDS_TBL_TABLE_DESC "
                                           "where [Functional Area]= 'acct' and Table = '%1' ");
        const auto t1 = engine->run(sql.arg("t1"));
        QCOMPARE(t1.cells.size(), size_t(3));
        QCOMPARE(t1.cells[1].Value, FieldValue::text(QString()));
        QVERIFY(t1.cells[2].Value.isNull());
        // Rows differing only in letter case are one distinct row.
        QCOMPARE(rows(*engine, sql.arg("T2")).size(), 1);
        QCOMPARE(rows(*engine, sql.arg("T2")).at(0).toLower(), QStringLiteral("t2|<null>|logical"));
    }

    void columnsComeInSequenceOrderWithTheirTypes()
    {
        MainRow flagged = col("T", "KEY_ID", "acct", 2);
        flagged.primaryKey = yesNo(true);
        flagged.guiName = null();
        flagged.dataAttributes = null();
        auto engine = FakeDictionary()
                          .main({col("T", "TENTH", "acct", 10), flagged, col("T", "FIRST", "acct", 1),
                                 col("T", "OTHER_AREA", "bill", 3), col("U", "OTHER_TABLE", "acct", 4),
                                 col("T", "FIRST", "acct", 1)})
                          .engine();
        const auto result = engine->run(columnsOf("acct", "t"));
        QCOMPARE(result.columnCount, 10);
        QCOMPARE(rows(*engine, columnsOf("acct", "t")),
                 (QStringList{"FIRST|char|12|logical|definition|False|True|1|Label|<null>",
                              "KEY_ID|char|<null>|logical|definition|True|True|2|<null>|<null>",
                              "TENTH|char|12|logical|definition|False|True|10|Label|<null>"}));
        QCOMPARE(result.cells[15].Value.kind(), FieldValue::Kind::YesNo);
        QVERIFY(result.cells[15].Value.isTrue());
        QCOMPARE(result.cells[17].Value.kind(), FieldValue::Kind::Number);
    }

    void equalSequenceNumbersKeepDistinctOrder()
    {
        auto engine = FakeDictionary()
                          .main({col("T", "ZED", "acct", 1), col("T", "ALPHA", "acct", 1), col("T", "MID", "acct", 0)})
                          .engine();
        const QStringList names = rows(*engine, columnsOf("acct", "T"));
        QCOMPARE(names.size(), 3);
        QVERIFY(names[0].startsWith("MID|"));
        QVERIFY(names[1].startsWith("ALPHA|"));
        QVERIFY(names[2].startsWith("ZED|"));
    }

    void memosComeBackWholeAlsoUnderDistinct()
    {
        const QString longText = QString(300, u'x') + QStringLiteral("tail-one") + QString(20000, u'é');
        const QString otherText = QString(300, u'x') + QStringLiteral("tail-two");
        MainRow a = col("T", "A", "acct", 1);
        a.definition = text(longText);
        MainRow b = col("T", "A", "acct", 1);
        b.definition = text(otherText);
        auto engine = FakeDictionary().main({a, b, a}).engine();
        const auto result = engine->run(columnsOf("acct", "T"));
        QCOMPARE(result.cells.size(), size_t(20));  // two rows: they differ after character 255
        QStringList definitions{result.cells[4].Value.toText(), result.cells[14].Value.toText()};
        QVERIFY(definitions.contains(longText));
        QVERIFY(definitions.contains(otherText));
        QCOMPARE(
            rows(*engine,
                 QStringLiteral(
                     "Select Distinct Column,[PD_Definition],[Column_SeqNo] from Main where [Functional Area]= 'acct' "
                     "and Table = 'T' and InStr([PD_Definition], 'TAIL-ONE' ) > 0 order by [Column_SeqNo] ")),
            QStringList{"A|" + longText + "|1"});
    }

    void columnMatchesFindTextInsideDefinitions()
    {
        MainRow a = col("T", "A", "acct", 3);
        a.definition = text("The member's ID card");
        MainRow b = col("T", "B", "acct", 1);
        b.definition = text("id of the claim");
        MainRow c = col("T", "C", "acct", 2);
        c.definition = null();
        MainRow d = col("T", "D", "acct", 4);
        d.definition = text("");
        MainRow e = col("T", "E", "bill", 0);
        e.definition = text("ID elsewhere");
        auto engine = FakeDictionary().main({a, b, c, d, e}).engine();
        const QString sql =
            QStringLiteral("Select Distinct Column,[PD_Definition],[Column_SeqNo] from Main where [Functional Area]= "
                           "'acct' and Table = 'T' and InStr([PD_Definition], '%1' ) > 0 order by [Column_SeqNo] ");
        QCOMPARE(rows(*engine, sql.arg("Id")), (QStringList{"B|id of the claim|1", "A|The member's ID card|3"}));
        QCOMPARE(rows(*engine, sql.arg("member''s")), QStringList{"A|The member's ID card|3"});
        QCOMPARE(rows(*engine, sql.arg("absent")), QStringList());
    }

    void validValuesKeepFileOrder()
    {
        auto engine = FakeDictionary()
                          .main({})
                          .values({{text("Z"), text("last letter"), text("acct"), text("T"), text("C")},
                                   {text("A"), null(), text("ACCT"), text("t"), text("c")},
                                   {text("Q"), text("other column"), text("acct"), text("T"), text("D")},
                                   {null(), text("no value"), text("acct"), text("T"), text("C")},
                                   {text("A"), null(), text("acct"), text("T"), text("C")}})
                          .engine();
        QCOMPARE(rows(*engine, QStringLiteral("Select Value, Description from [Values] where [Functional Area]='acct' "
                                              "and [Table] = 'T' and [Column] = 'C' ")),
                 (QStringList{"Z|last letter", "A|<null>", "<null>|no value", "A|<null>"}));
    }

    void searchStatementsFindTablesInAllOrOneArea()
    {
        MainRow a = col("CLCL_CLAIM", "CLCL_ID", "clcl", 1);
        a.definition = text("Claim identifier");
        MainRow b = col("ACCT_LEDGER", "LEDGER_NO", "acct", 1);
        b.definition = text("number of the claim's ledger");
        MainRow c = col("ACCT_AAA", "CLCL_ID", "acct", 1);
        MainRow d = col("CLCL_CLAIM", "CLCL_ID", "acct", 1);
        auto engine =
            FakeDictionary()
                .main({a, b, c, d})
                .tableDescriptions({{text("CLCL_CLAIM"), text("All claims"), text("Claim"), text("clcl")},
                                    {text("ACCT_LEDGER"), text("Ledger for claims"), text("Ledger"), text("acct")},
                                    {text("ACCT_AAA"), null(), text("Nothing"), text("acct")}})
                .engine();
        struct Case {
            const char* sql;
            QStringList expected;
        };
        const Case cases[] = {
            {"SELECT DISTINCT Table from Main where InStr(Table, 'clcl' ) > 0 order by Table", {"CLCL_CLAIM"}},
            {"SELECT DISTINCT Table from Main where [Functional Area] = 'acct'  and InStr(Table, 'A' ) > 0 ",
             {"ACCT_AAA", "ACCT_LEDGER", "CLCL_CLAIM"}},
            {"Select Distinct Table from CDS_TBL_TABLE_DESC where InStr(Description, 'CLAIM' ) > 0 order by Table",
             {"ACCT_LEDGER", "CLCL_CLAIM"}},
            {"Select Distinct Table from CDS_TBL_TABLE_DESC where [Functional Area]= 'acct' and InStr(Description, "
             "'claim' ) > 0 ",
             {"ACCT_LEDGER"}},
            {"Select Distinct Table from Main where InStr([Column], 'clcl_id' ) > 0 order by Table",
             {"ACCT_AAA", "CLCL_CLAIM"}},
            {"Select Distinct Table from Main where [Functional Area]= 'clcl' and InStr([Column], 'ID' ) > 0 ",
             {"CLCL_CLAIM"}},
            {"Select Distinct Table from Main where InStr([PD_Definition], 'claim' ) > 0 order by Table",
             {"ACCT_LEDGER", "CLCL_CLAIM"}},
            {"Select Distinct Table from Main where [Functional Area]= 'acct' and InStr([PD_Definition], 'CLAIM''S' ) "
             "> 0 ",
             {"ACCT_LEDGER"}},
        };
        for (const Case& c : cases)
            QCOMPARE(rows(*engine, QString::fromUtf8(c.sql)), c.expected);
    }

    void instrGivesPositionsAndNull()
    {
        auto engine = FakeDictionary()
                          .add({QStringLiteral("Words"),
                                {{"Word", ColumnType::Text}, {"Id", ColumnType::Long}},
                                {{text("abcABC"), number(1)},
                                 {null(), number(2)},
                                 {text(""), number(3)},
                                 {text("x😀yÄb"), number(4)}}})
                          .engine();
        QCOMPARE(rows(*engine, QStringLiteral("Select Id from Words where InStr(Word, 'C') = 3")), QStringList{"1"});
        QCOMPARE(rows(*engine, QStringLiteral("Select Id from Words where InStr(Word, 'zz') = 0")),
                 (QStringList{"1", "3", "4"}));
        // The emoji takes two UTF-16 units, as in Jet's strings.
        QCOMPARE(rows(*engine, QStringLiteral("Select Id from Words where InStr(Word, 'äB') = 5")), QStringList{"4"});
        QCOMPARE(rows(*engine, QStringLiteral("Select Id from Words where InStr(Word, '') = 1")),
                 (QStringList{"1", "4"}));
    }

    void literalsCompareIgnoringCaseAndTypesMustMatch()
    {
        auto engine = FakeDictionary().main({col("T", "A", "acct", 7)}).engine();
        QCOMPARE(rows(*engine, QStringLiteral(
                                   "Select Column from Main where 'ACCT' = [Functional Area] and [Column_SeqNo] = 7")),
                 QStringList{"A"});
        QCOMPARE(rows(*engine, QStringLiteral("select column from main where 'abc' = 'ABC' and [Column_SeqNo] >= 7")),
                 QStringList{"A"});
        QCOMPARE(errorOf(*engine, QStringLiteral("Select Column from Main where [Column_SeqNo] = '7'")),
                 ErrorNumber::DataTypeMismatch);
    }

    void missingTablesAndColumnsAreNamed()
    {
        auto engine = FakeDictionary().main({col("T", "A", "acct", 1)}).engine();
        QString description;
        QCOMPARE(errorOf(*engine, QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES"), &description),
                 ErrorNumber::TableNotFound);
        QVERIFY(description.contains("'CDS_TBL_RELS_RELEASES'"));
        QCOMPARE(errorOf(*engine, QStringLiteral("Select Distinct Table from Main where [Functional Areas]='acct'"),
                         &description),
                 ErrorNumber::ColumnNotFound);
        QVERIFY(description.contains("'Functional Areas'"));
        QVERIFY(description.contains("'Main'"));
        QCOMPARE(errorOf(*engine, QStringLiteral("Select Distinct Tables from Main")), ErrorNumber::ColumnNotFound);
        QCOMPARE(errorOf(*engine, QStringLiteral("Select Table from Main order by Nothing")),
                 ErrorNumber::ColumnNotFound);
    }

    void statementsOutsideTheGrammarAreRejected()
    {
        auto engine = FakeDictionary().main({col("T", "A", "acct", 1)}).engine();
        // A value with an apostrophe placed unchanged into the text leaves a stray literal behind.
        QCOMPARE(
            errorOf(*engine, QStringLiteral(
                                 "Select Distinct Table from Main where InStr(Table, 'O'Brien' ) > 0 order by Table")),
            ErrorNumber::SyntaxError);
        const char* rejected[] = {
            "Delete from Main",
            "Select Table from Main; Drop table Main",
            "Select Table, from Main",
            "Select StrReverse(Table) from Main",
        };
        for (const char* sql : rejected)
            QCOMPARE(errorOf(*engine, QString::fromUtf8(sql)), ErrorNumber::SyntaxError);
        QCOMPARE(errorOf(*engine, QStringLiteral("Select Distinct Table from Main order by Column")),
                 ErrorNumber::OrderByConflictsWithDistinct);
        QCOMPARE(errorOf(*engine, QStringLiteral("Select Table, max(Column) from Main")),
                 ErrorNumber::NotPartOfAggregate);
        // The engine still works after each rejection.
        QCOMPARE(rows(*engine, QStringLiteral("Select Table from Main")), QStringList{"T"});
    }

    void unusualMainTablesStillAnswer()
    {
        // Only two of the columns, and a number among the table names: the statements run all the same.
        auto engine = FakeDictionary()
                          .add({QStringLiteral("Main"),
                                {{"Table", ColumnType::Text}, {"Functional Area", ColumnType::Text}},
                                {{text("B"), text("acct")},
                                 {number(7), text("acct")},
                                 {text("a"), text("ACCT")},
                                 {text("b"), text("bill")}}})
                          .engine();
        QCOMPARE(rows(*engine, QStringLiteral("Select Distinct Table from Main where [Functional Area]='acct'")),
                 (QStringList{"7", "a", "B"}));
        QCOMPARE(rows(*engine, QStringLiteral("Select [Functional Area] from Main where Table= 'b' ")),
                 (QStringList{"acct", "bill"}));
        QCOMPARE(errorOf(*engine,
                         QStringLiteral(
                             "Select Distinct Table from Main where InStr([PD_Definition], 'x' ) > 0 order by Table")),
                 ErrorNumber::ColumnNotFound);
    }

    void dictionaryTablesAreReadOnceOthersWhenNamed()
    {
        FakeDictionary dictionary;
        dictionary.main({col("T", "A", "acct", 1)})
            .releases({number(5)})
            .add({QStringLiteral("Extra"), {{"Name", ColumnType::Text}}, {{text("one")}, {text("two")}}});
        auto engine = dictionary.engine();
        QCOMPARE(dictionary.readings().size(), size_t(1));
        QVERIFY(dictionary.readings()[0].contains("Main"));
        QVERIFY(!dictionary.readings()[0].contains("Extra"));
        rows(*engine, QStringLiteral("Select Table from Main"));
        rows(*engine, QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES"));
        QCOMPARE(dictionary.readings().size(), size_t(1));
        QCOMPARE(rows(*engine, QStringLiteral("Select Name from EXTRA")), (QStringList{"one", "two"}));
        QCOMPARE(rows(*engine, QStringLiteral("Select Name from Extra")), (QStringList{"one", "two"}));
        QCOMPARE(dictionary.readings().size(), size_t(2));
        QCOMPARE(errorOf(*engine, QStringLiteral("Select Name from Missing")), ErrorNumber::TableNotFound);
        QCOMPARE(dictionary.readings().size(), size_t(2));
    }

    void catalogOnlyOpenReadsTheNamedTablesWhenNamed()
    {
        FakeDictionary dictionary;
        dictionary.main({col("T", "A", "acct", 1)}).releases({number(5)});
        auto engine = dictionary.engine(volmira::Engine::Preload::CatalogOnly);
        QCOMPARE(dictionary.readings(), std::vector<QStringList>{QStringList()});
        QCOMPARE(rows(*engine, QStringLiteral("Select MAX(Rels_No) from cds_tbl_rels_releases")), QStringList{"5"});
        QCOMPARE(errorOf(*engine, QStringLiteral("Select Name from Missing")), ErrorNumber::TableNotFound);
        QCOMPARE(rows(*engine, QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES")), QStringList{"5"});
        QCOMPARE(dictionary.readings(), (std::vector<QStringList>{{}, {"cds_tbl_rels_releases"}}));
    }

    void datesAndBytesKeepTheirKindAndNames()
    {
        auto engine = FakeDictionary()
                          .add({QStringLiteral("Événements 2021"),
                                {{"Quand", ColumnType::DateTime}, {"Data", ColumnType::Binary}},
                                {{date(37592.4375), bytes(std::string("\0\x01\xab", 3))},
                                 {date(-1.25), bytes("")},
                                 {null(), null()}}})
                          .engine(volmira::Engine::Preload::CatalogOnly);
        QCOMPARE(rows(*engine, QStringLiteral("Select quand, Data from [Événements 2021]")),
                 (QStringList{"2002-12-02 10:30:00|0x0001ab", "1899-12-29 06:00:00|0x", "<null>|<null>"}));
        const auto plain = engine->run(QStringLiteral("Select quand, Data from [Événements 2021]"));
        QCOMPARE(plain.columns.at(0).name, QStringLiteral("Quand"));
        QCOMPARE(plain.columns.at(1).type, ColumnType::Binary);
        const auto result = engine->run(QStringLiteral("Select MIN(Quand), MAX(Data) from [Événements 2021]"));
        QCOMPARE(result.columns.at(1).name, QStringLiteral("Expr1001"));
        QCOMPARE(result.cells.at(0).Value, FieldValue::date(-1.25));
        QCOMPARE(result.cells.at(1).Value.bytes(), QByteArray("\0\x01\xab", 3));
    }

    void dateAndBytesTexts_data()
    {
        QTest::addColumn<FieldValue>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("epoch") << FieldValue::date(0) << "1899-12-30 00:00:00";
        QTest::newRow("time of day before the epoch") << FieldValue::date(-1.25) << "1899-12-29 06:00:00";
        QTest::newRow("half a second rounds up past midnight")
            << FieldValue::date(-2.0 - 86399.6 / 86400) << "1899-12-29 00:00:00";
        QTest::newRow("leap day") << FieldValue::date(36585.999988426) << "2000-02-29 23:59:59";
        QTest::newRow("first day") << FieldValue::date(-657434) << "0100-01-01 00:00:00";
        QTest::newRow("last second") << FieldValue::date(2958465.999988426) << "9999-12-31 23:59:59";
        QTest::newRow("past the last day") << FieldValue::date(2958466) << FieldValue::number(2958466).toText();
        QTest::newRow("before the first day") << FieldValue::date(-657435) << FieldValue::number(-657435).toText();
        QTest::newRow("not a number") << FieldValue::date(std::nan("")) << FieldValue::number(std::nan("")).toText();
        QTest::newRow("bytes") << FieldValue::binary(QByteArray("\x00\x7f\x80\xff", 4)) << "0x007f80ff";
    }

    void dateAndBytesTexts()
    {
        QFETCH(FieldValue, value);
        QFETCH(QString, text);
        QCOMPARE(value.toText(), text);
    }

    void failedReadingLeavesNoHalfTable()
    {
        auto good = FakeDictionary().main({col("T", "A", "acct", 1)}).reader();
        int calls = 0;
        auto engine = std::make_shared<volmira::SqliteEngine>([&](const QStringList& wanted, volmira::TableSink& sink) {
            if (++calls == 1) {
                good(wanted, sink);
                sink.catalog({"Main", "Broken"});
                return;
            }
            sink.catalog({"Main", "Broken"});
            sink.beginTable("Broken", {{"Name", ColumnType::Text}});
            const volmira::CellView cell{volmira::CellView::Kind::Text, 0, "half"};
            sink.row(&cell, 1);
            throw Error(ErrorNumber::DamagedData, QStringLiteral("The database is damaged"));
        });
        QCOMPARE(errorOf(*engine, QStringLiteral("Select Name from Broken")), ErrorNumber::DamagedData);
        QCOMPARE(errorOf(*engine, QStringLiteral("Select Name from Broken")), ErrorNumber::DamagedData);
        QCOMPARE(calls, 3);
        QCOMPARE(rows(*engine, QStringLiteral("Select Table from Main")), QStringList{"T"});
    }

    void readerErrorsAtOpenPassThrough()
    {
        try {
            volmira::SqliteEngine engine([](const QStringList&, volmira::TableSink&) {
                throw Error(ErrorNumber::NotValidPassword, QStringLiteral("Not a valid password: '/x.mdb'"));
            });
            QFAIL("the engine was made");
        } catch (const Error& e) {
            QCOMPARE(e.number(), ErrorNumber::NotValidPassword);
        }
    }
};

QTEST_APPLESS_MAIN(EngineTest)
#include "tst_engine.moc"
