// Dictionary files written with the writer, read by the Jet reader and queried through the
// program's own layer: by volmira-query, and by Connection and Recordset.

#include "common/testsupport.h"
#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"
#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

using namespace volmira;
using JetType = jet4::ColumnType;
using jet4::DatabaseModel;
using jet4::Value;

namespace {

const QString bigMemo = [] {
    QString text;
    while (text.size() < 20000)
        text += QStringLiteral("Line with tab\tand é; ");
    return text;
}();

DatabaseModel dictionary()
{
    DatabaseModel model;
    jet4::addDictionaryMainTable(model).rows = {
        {"CMC_CLCL_CLAIM", "CLCL_ID", "CLCL", "char", "12", "Claim id", bigMemo, true, false, 1, Value(), Value()},
        {"CMC_CLCL_CLAIM", "CLCL_PAID", "clcl", "money", Value(), "Paid", "Line one\r\nback\\slash", false, true, 10,
         "Paid", "TextBox"},
        {"CMC_CLCL_CLAIM", "CLCL_STS", "clcl", "char", "2", "", "Status of the member's claim", false, false, 2,
         "Status", "ComboBox"},
        {"cmc_acct_ledger", "LEDGER_NO", "acct", "int", Value(), "Ledger", "Straße", true, false, 1, "Nr", "TextBox"},
    };
    jet4::addDictionaryDescriptionTable(model).rows = {{"CMC_CLCL_CLAIM", "All claims", "Claim", "clcl"},
                                                       {"CMC_ACCT_LEDGER", Value(), "Ledger", "acct"}};
    jet4::addDictionaryValuesTable(model).rows = {{"O", "Open", "clcl", "CMC_CLCL_CLAIM", "CLCL_STS"},
                                                  {"C", Value(), "clcl", "CMC_CLCL_CLAIM", "CLCL_STS"}};
    auto& releases = model.addTable(QStringLiteral("CDS_TBL_RELS_RELEASES"));
    releases.addColumn("Rels_No", JetType::Single)
        .addColumn("Rels_Desc", JetType::Text, 50)
        .addColumn("Ratio", JetType::Double)
        .addColumn("Amount", JetType::Currency);
    releases.rows = {{0.15, "first", 17.909999999999997, 12.75},
                     {Value(0.1), "second", 2000000.0, Value()},
                     {Value(), Value(), 0.1 + 0.2, 123456789012.3456}};
    // Every kind of value, under names that need brackets and escaping in each format.
    auto& changes = model.addTable(QStringLiteral("Änderungen 2021"));
    changes.addColumn("Nr", JetType::Long)
        .addColumn("Wann", JetType::DateTime)
        .addColumn("Größe, \"cm\"", JetType::Double)
        .addColumn("Ja", JetType::Bool)
        .addColumn("Bild", JetType::Ole)
        .addColumn("Notiz", JetType::Memo);
    changes.rows = {
        {1, QDateTime(QDate(2021, 12, 2), QTime(10, 30), Qt::UTC), 2.5, true, QByteArray("\0\xff", 2),
         "a,b\n\"c\"\t\\"},
        {2, QDateTime(QDate(1850, 6, 1), QTime(18, 0), Qt::UTC), Value(), false, Value(), Value()},
        {3, QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC), -0.125, false, QByteArray("\x7f"), ""},
    };
    return model;
}

const QString allKinds = QStringLiteral("Select Nr, [Wann], [Größe, \"cm\"], Ja, Bild, Notiz from [Änderungen 2021]");

Run runTool(const QStringList& arguments, const QByteArray& input = QByteArray())
{
    return run(program(QStringLiteral("volmira-query")), arguments, input, 60000);
}

Run query(const QString& file, const QString& sql) { return runTool({file, sql}); }

// Every line a wrong call or a failed statement prints on standard error names the program first.
bool prefixed(const QByteArray& err)
{
    const QList<QByteArray> lines = err.split('\n');
    return !err.isEmpty() && err.endsWith('\n') && std::all_of(lines.begin(), lines.end() - 1, [](const QByteArray& l) {
        return l.startsWith("volmira-query: ");
    });
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
        const Run columns =
            query(path_, QStringLiteral("Select Distinct Column,[Data Type],[Data Attributes],[Logical "
                                        "Desc],[PD_Definition],[Primary Key],[Foreign Key],"
                                        "[Column_SeqNo],[GUI Name],[GUI Control] from Main where [Functional Area]= "
                                        "'clcl' and Table = 'cmc_clcl_claim' order by [Column_SeqNo] "));
        QCOMPARE(columns.exitCode, 0);
        QString memo = bigMemo;
        memo.replace(u'\t', QStringLiteral("\\t"));
        const QByteArray expected =
            ("CLCL_ID\tchar\t12\tClaim id\t" + memo
             + "\t-1\t0\t1\t\\N\t\\N\n"
               "CLCL_STS\tchar\t2\t\tStatus of the member's claim\t0\t0\t2\tStatus\tComboBox\n"
               "CLCL_PAID\tmoney\t\\N\tPaid\tLine one\\r\\nback\\\\slash\t0\t-1\t10\tPaid\tTextBox\n")
                .toUtf8();
        QCOMPARE(columns.out, expected);
        QVERIFY(columns.err.isEmpty());

        QCOMPARE(query(path_, QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES")).out,
                 QByteArray("0.15\n"));
        // Numbers as Access writes them: 15 significant digits, no exponent below 1E+15, Currency exact.
        QCOMPARE(query(path_, QStringLiteral("Select Ratio, Amount from CDS_TBL_RELS_RELEASES")).out,
                 QByteArray("17.91\t12.75\n2000000\t\\N\n0.3\t123456789012.3456\n"));
        QCOMPARE(query(path_, QStringLiteral("Select Value, Description from [Values] where [Functional Area]='clcl' "
                                             "and [Table] = 'CMC_CLCL_CLAIM' and [Column] = 'CLCL_STS' "))
                     .out,
                 QByteArray("O\tOpen\nC\t\\N\n"));
        QCOMPARE(query(path_, QStringLiteral("Select Distinct Table from Main where [Functional Area]='clcl'")).out,
                 QByteArray("CMC_CLCL_CLAIM\n"));
        QCOMPARE(
            query(path_,
                  QStringLiteral(
                      "Select Distinct Table from Main where InStr([PD_Definition], 'STRASSE' ) > 0 order by Table"))
                .out,
            QByteArray());
        QCOMPARE(
            query(path_,
                  QStringLiteral(
                      "Select Distinct Table from Main where InStr([PD_Definition], 'STRAßE' ) > 0 order by Table"))
                .out,
            QByteArray("cmc_acct_ledger\n"));
    }

    void reportsErrorsOnStandardError_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("named");

        const QString version = QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES");
        QTest::newRow("missing file") << dir_.filePath("absent.mdb") << version << ErrorNumber::FileNotFound
                                      << "absent.mdb";

        const QString text = writeFile(dir_.filePath(QStringLiteral("notes.mdb")), QByteArray(8192, 'x'));
        QTest::newRow("not a database") << text << version << ErrorNumber::UnrecognizedFormat << "notes.mdb";

        DatabaseModel locked = dictionary();
        locked.options.password = QStringLiteral("secret");
        const QString lockedPath = dir_.filePath(QStringLiteral("locked.mdb"));
        jet4::writeDatabaseFile(locked, lockedPath);
        QTest::newRow("password") << lockedPath << version << ErrorNumber::NotValidPassword << "locked.mdb";

        DatabaseModel other;
        other.addTable(QStringLiteral("Orders")).addColumn("Id", JetType::Long);
        const QString otherPath = dir_.filePath(QStringLiteral("orders.mdb"));
        jet4::writeDatabaseFile(other, otherPath);
        QTest::newRow("not a dictionary")
            << otherPath << version << ErrorNumber::TableNotFound << "CDS_TBL_RELS_RELEASES";

        QTest::newRow("missing column") << path_
                                        << QStringLiteral("Select Distinct Table from Main where [Area]='acct'")
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
        QVERIFY2(err.startsWith(QStringLiteral("volmira-query: Error %1: ").arg(number)), qPrintable(err));
        QVERIFY2(err.contains(named), qPrintable(err));
        QVERIFY(prefixed(run.err));
    }

    void printsEveryKindInEachFormat_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("tsv") << QStringList()
                             << QByteArray("1\t2021-12-02 10:30:00\t2.5\t-1\t0x00ff\ta,b\\n\"c\"\\t\\\\\n"
                                           "2\t1850-06-01 18:00:00\t\\N\t0\t\\N\t\\N\n"
                                           "3\t9999-12-31 23:59:59\t-0.125\t0\t0x7f\t\n");
        QTest::newRow("tsv with header") << QStringList{"--header"}
                                         << QByteArray("Nr\tWann\tGröße, \"cm\"\tJa\tBild\tNotiz\n"
                                                       "1\t2021-12-02 10:30:00\t2.5\t-1\t0x00ff\ta,b\\n\"c\"\\t\\\\\n"
                                                       "2\t1850-06-01 18:00:00\t\\N\t0\t\\N\t\\N\n"
                                                       "3\t9999-12-31 23:59:59\t-0.125\t0\t0x7f\t\n");
        QTest::newRow("csv") << QStringList{"--csv"}
                             << QByteArray("Nr,Wann,\"Größe, \"\"cm\"\"\",Ja,Bild,Notiz\r\n"
                                           "1,2021-12-02 10:30:00,2.5,True,0x00ff,\"a,b\n\"\"c\"\"\t\\\"\r\n"
                                           "2,1850-06-01 18:00:00,,False,,\r\n"
                                           "3,9999-12-31 23:59:59,-0.125,False,0x7f,\"\"\r\n");
        QTest::newRow("json") << QStringList{"--json"}
                              << QByteArray("[\n"
                                            "{\"Nr\": 1, \"Wann\": \"2021-12-02 10:30:00\", \"Größe, \\\"cm\\\"\": "
                                            "2.5, \"Ja\": true, \"Bild\": \"0x00ff\", "
                                            "\"Notiz\": \"a,b\\n\\\"c\\\"\\t\\\\\"},\n"
                                            "{\"Nr\": 2, \"Wann\": \"1850-06-01 18:00:00\", \"Größe, \\\"cm\\\"\": "
                                            "null, \"Ja\": false, \"Bild\": null, \"Notiz\": null},\n"
                                            "{\"Nr\": 3, \"Wann\": \"9999-12-31 23:59:59\", \"Größe, \\\"cm\\\"\": "
                                            "-0.125, \"Ja\": false, \"Bild\": \"0x7f\", \"Notiz\": \"\"}\n"
                                            "]\n");
    }

    void printsEveryKindInEachFormat()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, expected);
        const Run run = runTool(options + QStringList{path_, allKinds});
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, expected);
        QCOMPARE(runTool(options + QStringList{path_, allKinds + QStringLiteral(" where Nr > 3")}).out,
                 options == QStringList{"--json"} ? QByteArray("[]\n")
                                                  : expected.left(options.isEmpty() ? 0 : expected.indexOf('\n') + 1));
    }

    // What scripts read: CSV through Python's csv module and JSON through json.load give the same rows.
    void csvAndJsonReadBackInPython()
    {
#ifndef Q_OS_UNIX
        QSKIP("reads the output back with the build machine's python3");
#endif
        const QString csvPath = dir_.filePath(QStringLiteral("out.csv"));
        const QString jsonPath = dir_.filePath(QStringLiteral("out.json"));
        for (const auto& [option, file] : {std::pair{"--csv", csvPath}, std::pair{"--json", jsonPath}})
            writeFile(file, runTool({QString::fromLatin1(option), path_, allKinds}).out);
        const Run python = run(
            QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral(
                 "import csv, json, sys\n"
                 "with open(sys.argv[1], newline='', encoding='utf-8') as f: rows = list(csv.reader(f, strict=True))\n"
                 "with open(sys.argv[2], encoding='utf-8') as f: objects = json.load(f)\n"
                 "assert rows[0] == list(objects[0].keys()), (rows[0], objects[0])\n"
                 "for row, o in zip(rows[1:], objects):\n"
                 "    assert row == ['' if v is None else str(v) for v in o.values()], (row, o)\n"
                 "print(len(rows) - 1, json.dumps(objects[0], ensure_ascii=True))\n"),
             csvPath, jsonPath},
            {}, 30000);
        QVERIFY2(python.exitCode == 0, python.err.constData());
        QCOMPARE(python.out,
                 QByteArray("3 {\"Nr\": 1, \"Wann\": \"2021-12-02 10:30:00\", \"Gr\\u00f6\\u00dfe, \\\"cm\\\"\": 2.5, "
                            "\"Ja\": true, "
                            "\"Bild\": \"0x00ff\", \"Notiz\": \"a,b\\n\\\"c\\\"\\t\\\\\"}\n"));
    }

    void answersStatementsFromStandardInputOverOneOpen()
    {
        const QByteArray statements = "\xEF\xBB\xBFSelect Nr from [Änderungen 2021] where Nr < 2\n"
                                      "\n"
                                      "Select Nr from [Missing Table]\r\n"
                                      "Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES\n";
        for (const QStringList& arguments : {QStringList{path_}, QStringList{path_, "-"}}) {
            const Run run = runTool(arguments, statements);
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.out, QByteArray("1\n0.15\n"));
            QVERIFY2(run.err.startsWith("volmira-query: Error 3078: ") && run.err.count('\n') == 1,
                     run.err.constData());
            QVERIFY(run.err.contains("Missing Table"));
        }
        const Run allRan =
            runTool({"--csv", path_},
                    "Select Nr from [Änderungen 2021] where Nr = 3\nSelect Nr from [Änderungen 2021] where Nr = 2");
        QCOMPARE(allRan.exitCode, 0);
        QCOMPARE(allRan.out, QByteArray("Nr\r\n3\r\nNr\r\n2\r\n"));
        const Run badFile = runTool({dir_.filePath("absent.mdb")}, "Select Nr from [Änderungen 2021]\n");
        QCOMPARE(badFile.exitCode, 1);
        QVERIFY2(badFile.err.startsWith("volmira-query: Error 3024: ") && badFile.err.count('\n') == 1,
                 badFile.err.constData());
    }

    void answersHelpVersionAndWrongCalls()
    {
        const Run help = runTool({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.startsWith("Usage: volmira-query "));
        QVERIFY(help.err.isEmpty());
        const Run version = runTool({path_, "--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("volmira-query " VOLMIRA_VERSION "\n"));
        for (const QStringList& wrong : {QStringList(), QStringList{"--csv", "--json", path_, "x"},
                                         QStringList{"--tsv", path_}, QStringList{path_, "Select 1", "Select 2"}}) {
            const Run run = runTool(wrong);
            QCOMPARE(run.exitCode, 2);
            QVERIFY(run.out.isEmpty());
            QVERIFY2(prefixed(run.err) && run.err.contains("usage: volmira-query"), run.err.constData());
        }
    }

    // A file name that is not UTF-8 names the file as its bytes do.
    void opensAFileNamedInAnotherEncoding()
    {
#ifndef Q_OS_UNIX
        QSKIP("names the file in bytes through a POSIX shell; Windows names files in UTF-16 (tst_windowsfiles)");
#endif
        QVERIFY(QFile::copy(path_, dir_.filePath(QStringLiteral("plain.mdb"))));
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("name=$(printf 'caf\\351.mdb') && cp plain.mdb \"$name\" && exec \"$0\" \"$name\" \"$1\""),
             program(QStringLiteral("volmira-query")),
             QStringLiteral("Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.readAllStandardError(), QByteArray());
        QCOMPARE(process.readAllStandardOutput(), QByteArray("0.15\n"));
    }

    // Memory too small for the file: error 7 like any other error, never an abort.
    void outOfMemoryIsAnError()
    {
#ifndef Q_OS_UNIX
        QSKIP("the child's address space is limited with POSIX setrlimit");
#else
        if (qEnvironmentVariableIsSet("ASAN_OPTIONS"))
            QSKIP("a sanitized program reserves more address space than the limit allows");
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
            process.start(program(QStringLiteral("volmira-query")),
                          {path, QStringLiteral("Select Distinct Table from Main")});
            QVERIFY(process.waitForFinished(60000));
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            const QByteArray err = process.readAllStandardError();
            if (process.exitCode() == 0)
                continue;
            QCOMPARE(process.exitCode(), 1);
            QCOMPARE(err, QByteArray("volmira-query: Error 7: Out of memory\n"));
            ++outOfMemory;
        }
        QVERIFY(outOfMemory > 0);
#endif
    }

    void connectionReadsTheFileAndKeepsTypes()
    {
        Connection connection;
        connection.setConnectionString(volmira::statements::connectionString(path_));
        connection.Open();
        Recordset rs;
        rs.Open(QStringLiteral("Select Distinct Table,Description,[Logical Name] from CDS_TBL_TABLE_DESC where "
                               "[Functional Area]= 'acct' and Table = 'CMC_ACCT_LEDGER' "),
                connection);
        QVERIFY(!rs.Eof());
        QVERIFY(rs.Fields(1).Value.isNull());
        QCOMPARE(rs.Fields(2).Value.toText(), QStringLiteral("Ledger"));
        rs.Close();
        rs.Open(QStringLiteral("Select [Logical Desc], [PD_Definition], [Primary Key], [Column_SeqNo] from Main where "
                               "Table= 'CMC_CLCL_CLAIM' "),
                connection);
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
