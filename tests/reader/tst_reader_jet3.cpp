#include "common/testsupport.h"
#include "dictionary/connection.h"
#include "dictionary/filereader.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"
#include "jet3file.h"
#include "recordingsink.h"

#include <QTemporaryDir>
#include <QTest>

using namespace volmira;
using namespace volmira::testjet3;
using Kind = CellView::Kind;

namespace {

const QString kAccented = QString::fromUtf8("Kontostand für Lieferanten, général, in €");

// Past the inline limit, so on a long-value page.
const QString kLongMemo = repeated(QString::fromUtf8("Grundbuch-Eintrag é ü; "), 1500);
// Rows with these cross the 256-byte mark of the one-byte column offsets.
const QString kLongText = repeated(QString::fromUtf8("Beschreibung ü "), 240);

// A dictionary written in the older 2 KB page format, with code-page text.
std::vector<Jet3Table> jet3Dictionary()
{
    Jet3Table main{QStringLiteral("Main"),
                   {{QStringLiteral("Table"), Jet3Type::Text, 64},
                    {QStringLiteral("Column"), Jet3Type::Text, 64},
                    {QStringLiteral("Functional Area"), Jet3Type::Text, 10},
                    {QStringLiteral("Data Type"), Jet3Type::Text, 20},
                    {QStringLiteral("Data Attributes"), Jet3Type::Text, 20},
                    {QStringLiteral("Logical Desc"), Jet3Type::Text, 255},
                    {QStringLiteral("PD_Definition"), Jet3Type::Memo},
                    {QStringLiteral("Primary Key"), Jet3Type::Bool},
                    {QStringLiteral("Foreign Key"), Jet3Type::Bool},
                    {QStringLiteral("Column_SeqNo"), Jet3Type::Long},
                    {QStringLiteral("GUI Name"), Jet3Type::Text, 40},
                    {QStringLiteral("GUI Control"), Jet3Type::Text, 20}},
                   {}};
    const auto column = [](const char* table, const char* name, const char* area, QVariant logical, QVariant definition,
                           bool primary, bool foreign, int seqNo) {
        return std::vector<QVariant>{QString::fromLatin1(table),
                                     QString::fromLatin1(name),
                                     QString::fromLatin1(area),
                                     QStringLiteral("char"),
                                     QStringLiteral("(12)"),
                                     logical,
                                     definition,
                                     primary,
                                     foreign,
                                     seqNo,
                                     QStringLiteral("Label"),
                                     QStringLiteral("Text")};
    };
    main.rows = {
        column("CMC_ACCT_LEDGER", "ACCT_ID", "acct", QStringLiteral("Account"), kAccented, true, false, 1),
        column("CMC_ACCT_LEDGER", "ACCT_NOTE", "acct", QVariant(), QString(), false, false, 3),
        column("CMC_ACCT_LEDGER", "ACCT_DESC", "acct", QString(), QVariant(), false, true, 2),
        column("CMC_ACCT_BALANCE", "BAL_ID", "acct", kLongText, kLongMemo, true, false, 1),
        column("CMC_CLCL_CLAIM", "CLCL_ID", "claim", QStringLiteral("Claim"), QStringLiteral("c"), true, false, 1)};

    Jet3Table descriptions{
        QStringLiteral("CDS_TBL_TABLE_DESC"),
        {{QStringLiteral("Table"), Jet3Type::Text, 64},
         {QStringLiteral("Description"), Jet3Type::Text, 255},
         {QStringLiteral("Logical Name"), Jet3Type::Text, 64},
         {QStringLiteral("Functional Area"), Jet3Type::Text, 10}},
        {{QStringLiteral("CMC_ACCT_LEDGER"), kAccented, QStringLiteral("Ledger"), QStringLiteral("acct")},
         {QStringLiteral("CMC_ACCT_BALANCE"), QVariant(), QString(), QStringLiteral("acct")},
         {QStringLiteral("CMC_ACCT_HISTORY"), kLongText, QStringLiteral("History"), QStringLiteral("acct")}}};
    Jet3Table values{QStringLiteral("Values"),
                     {{QStringLiteral("Value"), Jet3Type::Text, 20},
                      {QStringLiteral("Description"), Jet3Type::Text, 100},
                      {QStringLiteral("Functional Area"), Jet3Type::Text, 10},
                      {QStringLiteral("Table"), Jet3Type::Text, 64},
                      {QStringLiteral("Column"), Jet3Type::Text, 64}},
                     {{QStringLiteral("A"), QString::fromUtf8("Aktiv (gültig)"), QStringLiteral("acct"),
                       QStringLiteral("CMC_ACCT_LEDGER"), QStringLiteral("ACCT_ID")}}};
    Jet3Table releases{QStringLiteral("CDS_TBL_RELS_RELEASES"),
                       {{QStringLiteral("Rels_No"), Jet3Type::Long}},
                       {{410}, {452}, {QVariant()}, {-3}}};
    return {main, descriptions, values, releases};
}

RecordedCell text(const QString& value) { return {Kind::Text, 0, value.toUtf8().toStdString()}; }
RecordedCell null() { return {}; }
RecordedCell number(double value) { return {Kind::Number, value, {}}; }
RecordedCell yesNo(bool value) { return {Kind::YesNo, value ? -1.0 : 0.0, {}}; }

void compareCells(const std::vector<RecordedCell>& read, const std::vector<RecordedCell>& expected, int row)
{
    QCOMPARE(read.size(), expected.size());
    for (std::size_t c = 0; c < read.size(); ++c) {
        const QByteArray where = QByteArray("row ") + QByteArray::number(row) + " column " + QByteArray::number(int(c));
        QVERIFY2(read[c].kind == expected[c].kind, where.constData());
        QVERIFY2(read[c].number == expected[c].number, where.constData());
        QVERIFY2(read[c].text == expected[c].text,
                 (where + ": '" + QByteArray::fromStdString(read[c].text) + "'").constData());
    }
}

}  // namespace

class Jet3Test final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        path_ = writeFile(dir_.filePath(QStringLiteral("jet3.mdb")), buildJet3File(jet3Dictionary()));
    }

    void readerHandsOverTypesNullsAndCodePageText()
    {
        RecordingSink sink;
        FileReader::read(path_,
                           {QStringLiteral("main"), QStringLiteral("CDS_TBL_TABLE_DESC"), QStringLiteral("Values"),
                            QStringLiteral("CDS_TBL_RELS_RELEASES")},
                           sink);
        QCOMPARE(sink.tables, QStringList({QStringLiteral("Main"), QStringLiteral("CDS_TBL_TABLE_DESC"),
                                           QStringLiteral("Values"), QStringLiteral("CDS_TBL_RELS_RELEASES")}));
        QCOMPARE(sink.read.size(), std::size_t(4));
        for (const RecordedTable& table : sink.read)
            QVERIFY(table.ended);

        const RecordedTable& main = sink.read[0];
        QCOMPARE(main.name, QStringLiteral("Main"));
        QCOMPARE(main.columns.size(), std::size_t(12));
        QCOMPARE(main.columns[6].name, QStringLiteral("PD_Definition"));
        QCOMPARE(main.columns[6].type, ColumnType::Memo);
        QCOMPARE(main.columns[7].type, ColumnType::Bool);
        QCOMPARE(main.columns[9].type, ColumnType::Long);
        QCOMPARE(main.columns[11].type, ColumnType::Text);
        QCOMPARE(main.rows.size(), std::size_t(5));
        const RecordedCell ledger = text(QStringLiteral("CMC_ACCT_LEDGER"));
        const RecordedCell acct = text(QStringLiteral("acct"));
        const RecordedCell type = text(QStringLiteral("char"));
        const RecordedCell attributes = text(QStringLiteral("(12)"));
        const RecordedCell label = text(QStringLiteral("Label"));
        const RecordedCell control = text(QStringLiteral("Text"));
        compareCells(main.rows[0],
                     {ledger, text(QStringLiteral("ACCT_ID")), acct, type, attributes, text(QStringLiteral("Account")),
                      text(kAccented), yesNo(true), yesNo(false), number(1), label, control},
                     0);
        // Null and the empty text stay apart, in text and in memo columns.
        compareCells(main.rows[1],
                     {ledger, text(QStringLiteral("ACCT_NOTE")), acct, type, attributes, null(), text(QString()),
                      yesNo(false), yesNo(false), number(3), label, control},
                     1);
        compareCells(main.rows[2],
                     {ledger, text(QStringLiteral("ACCT_DESC")), acct, type, attributes, text(QString()), null(),
                      yesNo(false), yesNo(true), number(2), label, control},
                     2);

        compareCells(main.rows[3],
                     {text(QStringLiteral("CMC_ACCT_BALANCE")), text(QStringLiteral("BAL_ID")), acct, type, attributes,
                      text(kLongText), text(kLongMemo), yesNo(true), yesNo(false), number(1), label, control},
                     3);
        const RecordedTable& descriptions = sink.read[1];
        QCOMPARE(descriptions.rows.size(), std::size_t(3));
        compareCells(descriptions.rows[2],
                     {text(QStringLiteral("CMC_ACCT_HISTORY")), text(kLongText), text(QStringLiteral("History")), acct},
                     2);

        const RecordedTable& releases = sink.read[3];
        QCOMPARE(releases.rows.size(), std::size_t(4));
        compareCells(releases.rows[2], {null()}, 2);
        compareCells(releases.rows[3], {number(-3)}, 3);
    }

    void statementsOfTheProgramAnswerFromAJet3File()
    {
        Connection connection;
        connection.setConnectionString(volmira::statements::connectionString(path_));
        connection.Open();
        Recordset rs;

        rs.Open(QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES"), connection);
        QCOMPARE(rs.Fields(0).Value, FieldValue::number(452));
        rs.Close();

        rs.Open(QStringLiteral("Select Distinct Table from Main where [Functional Area]='acct'"), connection);
        QStringList tables;
        for (; !rs.Eof(); rs.MoveNext())
            tables << rs.Fields(0).Value.toText();
        QCOMPARE(tables, QStringList({QStringLiteral("CMC_ACCT_BALANCE"), QStringLiteral("CMC_ACCT_LEDGER")}));
        rs.Close();

        rs.Open(
            QStringLiteral("Select Distinct Column,[Data Type],[Data Attributes],[Logical Desc],[PD_Definition],"
                           "[Primary Key],[Foreign Key],[Column_SeqNo],[GUI Name],[GUI Control] from Main "
                           "where [Functional Area]= 'acct' and Table = 'CMC_ACCT_LEDGER' order by [Column_SeqNo] "),
            connection);
        QStringList columns;
        for (; !rs.Eof(); rs.MoveNext())
            columns << rs.Fields(0).Value.toText();
        QCOMPARE(columns,
                 QStringList({QStringLiteral("ACCT_ID"), QStringLiteral("ACCT_DESC"), QStringLiteral("ACCT_NOTE")}));
        rs.MoveFirst();
        QCOMPARE(rs.Fields(4).Value, FieldValue::text(kAccented));
        QVERIFY(rs.Fields(5).Value.isTrue());
        QCOMPARE(rs.Fields(5).Value.kind(), FieldValue::Kind::YesNo);
        QCOMPARE(rs.Fields(7).Value, FieldValue::number(1));
        rs.MoveNext();
        QCOMPARE(rs.Fields(3).Value, FieldValue::text(QString()));
        QVERIFY(rs.Fields(4).Value.isNull());
        QVERIFY(rs.Fields(6).Value.isTrue());
        rs.MoveNext();
        QVERIFY(rs.Fields(3).Value.isNull());
        QCOMPARE(rs.Fields(4).Value, FieldValue::text(QString()));
        rs.Close();

        rs.Open(QStringLiteral("Select Description from CDS_TBL_TABLE_DESC where Table = 'CMC_ACCT_LEDGER'"),
                connection);
        QCOMPARE(rs.Fields(0).Value, FieldValue::text(kAccented));
        rs.Close();
        rs.Open(QStringLiteral("Select [Logical Name] from CDS_TBL_TABLE_DESC where Table = 'CMC_ACCT_HISTORY'"),
                connection);
        QCOMPARE(rs.Fields(0).Value, FieldValue::text(QStringLiteral("History")));
        rs.Close();
        rs.Open(QStringLiteral("Select [PD_Definition] from Main where Column = 'BAL_ID'"), connection);
        QCOMPARE(rs.Fields(0).Value, FieldValue::text(kLongMemo));
        rs.Close();
        rs.Open(QStringLiteral("Select Description from [Values] where [Value] = 'A'"), connection);
        QCOMPARE(rs.Fields(0).Value, FieldValue::text(QString::fromUtf8("Aktiv (gültig)")));
    }

private:
    QTemporaryDir dir_;
    QString path_;
};

QTEST_GUILESS_MAIN(Jet3Test)
#include "tst_reader_jet3.moc"
