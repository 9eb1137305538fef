// Dictionary files written with the writer, read through the reader process and queried through the
// program's own layer: by volmira-query, and by Connection and Recordset.

#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"
#include "tools/mdbwrite/databasewriter.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using namespace volmira;
using jet4::ColumnType;
using jet4::DatabaseModel;
using jet4::Value;

namespace {

QString binFolder() { return qEnvironmentVariable("VOLMIRA_BIN_DIR", QCoreApplication::applicationDirPath()); }

const QString bigMemo = [] {
    QString text;
    while (text.size() < 20000)
        text += QStringLiteral("Line with tab\tand é; ");
    return text;
}();

DatabaseModel dictionary()
{
    DatabaseModel model;
    auto& main = model.addTable(QStringLiteral("Main"));
    main.addColumn("Table", ColumnType::Text, 50).addColumn("Column", ColumnType::Text, 50)
        .addColumn("Functional Area", ColumnType::Text, 10).addColumn("Data Type", ColumnType::Text, 30)
        .addColumn("Data Attributes", ColumnType::Text, 30).addColumn("Logical Desc", ColumnType::Text, 255)
        .addColumn("PD_Definition", ColumnType::Memo).addColumn("Primary Key", ColumnType::Bool)
        .addColumn("Foreign Key", ColumnType::Bool).addColumn("Column_SeqNo", ColumnType::Long)
        .addColumn("GUI Name", ColumnType::Text, 100).addColumn("GUI Control", ColumnType::Text, 50);
    main.rows = {
        {"CMC_CLCL_CLAIM", "CLCL_ID", "CLCL", "char", "12", "Claim id", bigMemo, true, false, 1, Value(), Value()},
        {"CMC_CLCL_CLAIM", "CLCL_PAID", "clcl", "money", Value(), "Paid", "Line one\r\nback\\slash", false, true, 10, "Paid", "TextBox"},
        {"CMC_CLCL_CLAIM", "CLCL_STS", "clcl", "char", "2", "", "Status of the member's claim", false, false, 2, "Status", "ComboBox"},
        {"cmc_acct_ledger", "LEDGER_NO", "acct", "int", Value(), "Ledger", "Straße", true, false, 1, "Nr", "TextBox"},
    };
    auto& desc = model.addTable(QStringLiteral("CDS_TBL_TABLE_DESC"));
    desc.addColumn("Table", ColumnType::Text, 50).addColumn("Description", ColumnType::Memo)
        .addColumn("Logical Name", ColumnType::Text, 255).addColumn("Functional Area", ColumnType::Text, 10);
    desc.rows = {{"CMC_CLCL_CLAIM", "All claims", "Claim", "clcl"}, {"CMC_ACCT_LEDGER", Value(), "Ledger", "acct"}};
    auto& values = model.addTable(QStringLiteral("Values"));
    values.addColumn("Value", ColumnType::Text, 50).addColumn("Description", ColumnType::Text, 255)
        .addColumn("Functional Area", ColumnType::Text, 10).addColumn("Table", ColumnType::Text, 50)
        .addColumn("Column", ColumnType::Text, 50);
    values.rows = {{"O", "Open", "clcl", "CMC_CLCL_CLAIM", "CLCL_STS"}, {"C", Value(), "clcl", "CMC_CLCL_CLAIM", "CLCL_STS"}};
    auto& releases = model.addTable(QStringLiteral("CDS_TBL_RELS_RELEASES"));
    releases.addColumn("Rels_No", ColumnType::Single).addColumn("Rels_Desc", ColumnType::Text, 50)
        .addColumn("Ratio", ColumnType::Double).addColumn("Amount", ColumnType::Currency);
    releases.rows = {{0.15, "first", 17.909999999999997, 12.75},
                     {Value(0.1), "second", 2000000.0, Value()},
                     {Value(), Value(), 0.1 + 0.2, 123456789012.3456}};
    return model;
}

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run query(const QString& file, const QString& sql)
{
    QProcess process;
    process.start(binFolder() + QStringLiteral("/volmira-query"), {file, sql});
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

}  // namespace

class QueryTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("dictionary.mdb"));
        jet4::writeDatabaseFile(dictionary(), path_);
    }

    void printsRowsInTheLineFormat()
    {
        const Run columns = query(path_, QStringLiteral(
            "Select Distinct Column,[Data Type],[Data Attributes],[Logical Desc],[PD_Definition],[Primary Key],[Foreign Key],"
            "[Column_SeqNo],[GUI Name],[GUI Control] from Main where [Functional Area]= 'clcl' and Table = 'cmc_clcl_claim' order by [Column_SeqNo] "));
        QCOMPARE(columns.exitCode, 0);
        QString memo = bigMemo;
        memo.replace(u'\t', QStringLiteral("\\t"));
        const QByteArray expected = ("CLCL_ID\tchar\t12\tClaim id\t" + memo + "\t-1\t0\t1\t\\N\t\\N\n"
                                     "CLCL_STS\tchar\t2\t\tStatus of the member's claim\t0\t0\t2\tStatus\tComboBox\n"
                                     "CLCL_PAID\tmoney\t\\N\tPaid\tLine one\\r\\nback\\\\slash\t0\t-1\t10\tPaid\tTextBox\n").toUtf8();
        QCOMPARE(columns.out, expected);
        QVERIFY(columns.err.isEmpty());

        QCOMPARE(query(path_, QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES")).out, QByteArray("0.15\n"));
        // Numbers as Access writes them: 15 significant digits, no exponent below 1E+15, Currency exact.
        QCOMPARE(query(path_, QStringLiteral("Select Ratio, Amount from CDS_TBL_RELS_RELEASES")).out,
                 QByteArray("17.91\t12.75\n2000000\t\\N\n0.3\t123456789012.3456\n"));
        QCOMPARE(query(path_, QStringLiteral("Select Value, Description from [Values] where [Functional Area]='clcl' and [Table] = 'CMC_CLCL_CLAIM' and [Column] = 'CLCL_STS' ")).out,
                 QByteArray("O\tOpen\nC\t\\N\n"));
        QCOMPARE(query(path_, QStringLiteral("Select Distinct Table from Main where [Functional Area]='clcl'")).out,
                 QByteArray("CMC_CLCL_CLAIM\n"));
        QCOMPARE(query(path_, QStringLiteral("Select Distinct Table from Main where InStr([PD_Definition], 'STRASSE' ) > 0 order by Table")).out,
                 QByteArray());
        QCOMPARE(query(path_, QStringLiteral("Select Distinct Table from Main where InStr([PD_Definition], 'STRAßE' ) > 0 order by Table")).out,
                 QByteArray("cmc_acct_ledger\n"));
    }

    void reportsErrorsOnStandardError_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("named");

        const QString version = QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES");
        QTest::newRow("missing file") << dir_.filePath("absent.mdb") << version << ErrorNumber::FileNotFound << "absent.mdb";

        const QString text = dir_.filePath(QStringLiteral("notes.mdb"));
        QFile file(text);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(8192, 'x'));
        file.close();
        QTest::newRow("not a database") << text << version << ErrorNumber::UnrecognizedFormat << "notes.mdb";

        DatabaseModel locked = dictionary();
        locked.options.password = QStringLiteral("secret");
        const QString lockedPath = dir_.filePath(QStringLiteral("locked.mdb"));
        jet4::writeDatabaseFile(locked, lockedPath);
        QTest::newRow("password") << lockedPath << version << ErrorNumber::NotValidPassword << "locked.mdb";

        DatabaseModel other;
        other.addTable(QStringLiteral("Orders")).addColumn("Id", ColumnType::Long);
        const QString otherPath = dir_.filePath(QStringLiteral("orders.mdb"));
        jet4::writeDatabaseFile(other, otherPath);
        QTest::newRow("not a dictionary") << otherPath << version << ErrorNumber::TableNotFound << "CDS_TBL_RELS_RELEASES";

        QTest::newRow("missing column") << path_ << QStringLiteral("Select Distinct Table from Main where [Area]='acct'")
                                        << ErrorNumber::ColumnNotFound << "Area";
        QTest::newRow("syntax") << path_ << QStringLiteral("Select Distinct Table from Main where Table = 'O'Brien' ")
                                << ErrorNumber::SyntaxError << "O'Brien";
    }

    void reportsErrorsOnStandardError()
    {
        QFETCH(QString, file);
        QFETCH(QString, sql);
        QFETCH(int, number);
        QFETCH(QString, named);
        const Run run = query(file, sql);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        const QString err = QString::fromUtf8(run.err);
        QVERIFY2(err.startsWith(QStringLiteral("Error %1: ").arg(number)), qPrintable(err));
        QVERIFY2(err.contains(named), qPrintable(err));
        QVERIFY(err.endsWith(u'\n'));
    }

    // A file name that is not UTF-8 names the file as its bytes do.
    void opensAFileNamedInAnotherEncoding()
    {
        QVERIFY(QFile::copy(path_, dir_.filePath(QStringLiteral("plain.mdb"))));
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"), QStringLiteral("name=$(printf 'caf\\351.mdb') && cp plain.mdb \"$name\" && exec \"$0\" \"$name\" \"$1\""),
                       binFolder() + QStringLiteral("/volmira-query"), QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.readAllStandardError(), QByteArray());
        QCOMPARE(process.readAllStandardOutput(), QByteArray("0.15\n"));
    }

    // Memory too small for the file: error 7 like any other error, never an abort.
    void outOfMemoryIsAnError()
    {
        DatabaseModel model = dictionary();
        const QString definition = QStringLiteral("Long definition text without end. ").repeated(3000);
        for (int i = 0; i < 200; ++i)
            model.tables[0].rows.push_back({"BIG", QStringLiteral("C%1").arg(i), "acct", "char", "1", "", definition,
                                            false, false, i, Value(), Value()});
        const QString path = dir_.filePath(QStringLiteral("big.mdb"));
        jet4::writeDatabaseFile(model, path);
        int outOfMemory = 0;
        for (const int megabytes : {64, 80, 96, 112}) {
            QProcess process;
            process.setChildProcessModifier([megabytes] {
                const rlimit limit{rlim_t(megabytes) << 20, rlim_t(megabytes) << 20};
                ::setrlimit(RLIMIT_AS, &limit);
            });
            process.start(binFolder() + QStringLiteral("/volmira-query"),
                          {path, QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES")});
            QVERIFY(process.waitForFinished(60000));
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            const QByteArray err = process.readAllStandardError();
            if (process.exitCode() == 0)
                continue;
            QCOMPARE(process.exitCode(), 1);
            QCOMPARE(err, QByteArray("Error 7: Out of memory\n"));
            ++outOfMemory;
        }
        QVERIFY(outOfMemory > 0);
    }

    void connectionReadsTheFileAndKeepsTypes()
    {
        Connection connection;
        connection.setConnectionString(volmira::statements::connectionString(path_));
        connection.Open();
        Recordset rs;
        rs.Open(QStringLiteral("Select Distinct Table,Description,[Logical Name] from CDS_TBL_TABLE_DESC where [Functional Area]= 'acct' and Table = 'CMC_ACCT_LEDGER' "),
                connection);
        QVERIFY(!rs.Eof());
        QVERIFY(rs.Fields(1).Value.isNull());
        QCOMPARE(rs.Fields(2).Value.toText(), QStringLiteral("Ledger"));
        rs.Close();
        rs.Open(QStringLiteral("Select [Logical Desc], [PD_Definition], [Primary Key], [Column_SeqNo] from Main where Table= 'CMC_CLCL_CLAIM' "), connection);
        QCOMPARE(rs.Fields(1).Value.toText(), bigMemo);
        QCOMPARE(rs.Fields(2).Value.kind(), FieldValue::Kind::YesNo);
        QCOMPARE(rs.Fields(3).Value.kind(), FieldValue::Kind::Number);
        rs.MoveNext();
        rs.MoveNext();
        QCOMPARE(rs.Fields(0).Value, FieldValue::text(QString()));  // "" stays apart from Null
    }

private:
    QTemporaryDir dir_;
    QString path_;
};

QTEST_GUILESS_MAIN(QueryTest)
#include "tst_query.moc"
