// Faults the fuzzers found, each kept as the case that shows it and as the way a dictionary file reaches it.

#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"
#include "dictionary/textfold.h"
#include "testkit/mdbwrite/databasewriter.h"

#include <QTemporaryDir>
#include <QTest>

class FuzzFindingsTest final : public QObject {
    Q_OBJECT

private slots:
    // Each byte that starts no valid UTF-8 sequence folds to a three-byte stand-in: the folded text of
    // such bytes is three times as long, and the buffer it is written into must have room for that.
    void bytesThatAreNotUtf8FoldIntoThreeTimesTheirLength()
    {
        const std::string invalid(4096, '\xFF');
        const std::string folded = volmira::textfold::foldedUtf8(invalid);
        QCOMPARE(folded.size(), std::size_t(3 * 4096));
        QCOMPARE(folded.substr(0, 3), std::string("\xED\xB3\xBF"));
        QCOMPARE(volmira::textfold::compare(invalid, invalid), 0);

        std::string appended = "prefix";
        volmira::textfold::appendFolded(appended, std::string_view("\xC3(\xF0\x80", 4));
        QCOMPARE(appended.size(), std::size_t(6 + 3 + 1 + 3 + 3));
    }

    // The way a file brings such bytes in: a column the program reads as text, stored as binary. Its
    // bytes arrive unconverted, and the searches fold them.
    void binaryBytesWhereTextBelongs()
    {
        using namespace volmira::jet4;
        DatabaseModel model;
        TableModel& main = model.addTable(QStringLiteral("Main"));
        main.addColumn(QStringLiteral("Table"), ColumnType::Binary, 255)
            .addColumn(QStringLiteral("Column"), ColumnType::Binary, 255)
            .addColumn(QStringLiteral("Functional Area"), ColumnType::Text, 10)
            .addColumn(QStringLiteral("PD_Definition"), ColumnType::Binary, 255);
        for (int r = 0; r < 40; ++r)
            main.rows.push_back(
                {QByteArray(255, char(0x80 + r)), QByteArray(200, '\xFF'), "acct", QByteArray(255, '\xFE')});
        model.addTable(QStringLiteral("CDS_TBL_RELS_RELEASES")).addColumn(QStringLiteral("Rels_No"), ColumnType::Long);
        model.tables.back().rows.push_back({451});
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("binary.mdb"));
        writeDatabaseFile(model, path);

        volmira::Connection cn;
        cn.setConnectionString(volmira::statements::connectionString(path));
        cn.Open();
        const QString statements[] = {
            QStringLiteral("Select Distinct Table from Main where [Functional Area]='acct'"),
            QStringLiteral("SELECT DISTINCT Table from Main where InStr(Table, 'x' ) > 0 order by Table"),
            QStringLiteral("Select Distinct Table from Main where InStr([Column], 'y' ) > 0 order by Table"),
            QStringLiteral("Select Distinct Table from Main where [Functional Area]= 'acct' and InStr([PD_Definition], "
                           "'z' ) > 0 ")};
        for (const QString& sql : statements) {
            try {
                volmira::Recordset rs;
                rs.Open(sql, cn);
                while (!rs.Eof())
                    rs.MoveNext();
            } catch (const volmira::Error& error) {
                QVERIFY(!error.description().isEmpty());
            }
        }
    }
};

QTEST_GUILESS_MAIN(FuzzFindingsTest)
#include "tst_fuzzfindings.moc"
