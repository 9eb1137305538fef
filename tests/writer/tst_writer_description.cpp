// mdb-write reads a JSON description: bad descriptions are refused with a message that names the table,
// row and column, exit status 1 and no file left behind; good ones give a file whose values read back.

#include "libmdbtable.h"

#include "common/testsupport.h"
#include "testkit/mdbwrite/structurelint.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

// JSON written with apostrophes for quotes, to keep the cases readable.
QByteArray j(const char* text) { return QByteArray(text).replace('\'', '"'); }

QString m(const char* text) { return QString::fromUtf8(j(text)); }

struct Outcome {
    int exitCode = -1;
    QString errors;
};

}  // namespace

class WriterDescriptionTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        tool_ = qEnvironmentVariable("VOLMIRA_BIN_DIR") + QStringLiteral("/mdb-write");
        QVERIFY2(QFile::exists(tool_), qPrintable(tool_));
    }

    void refusesBadDescriptions_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        const QByteArray area = j("{'name':'Functional Area','type':'text','size':4}");
        QTest::newRow("unknown type") << QByteArray(
            j("{'tables':[{'name':'Main','columns':[{'name':'A','type':'varchar','size':5}],'rows':[]}]}"))
                                      << m("Table 'Main', column 'A': unknown type 'varchar'");
        QTest::newRow("text longer than its size")
            << QByteArray(j("{'tables':[{'name':'Main','columns':[") + area + j("],'rows':[['acct'],['accts']]}]}"))
            << m("Table 'Main', row 2, column 'Functional Area': a text of 5 characters is longer than the size 4");
        QTest::newRow("integer out of range")
            << QByteArray(j("{'tables':[{'name':'T','columns':[{'name':'N','type':'integer'}],'rows':[[1],[40000]]}]}"))
            << m("Table 'T', row 2, column 'N': 40000 is out of range (-32768 to 32767)");
        QTest::newRow("byte below zero") << QByteArray(
            j("{'tables':[{'name':'T','columns':[{'name':'B','type':'byte'}],'rows':[[-1]]}]}"))
                                         << m("Table 'T', row 1, column 'B': -1 is out of range (0 to 255)");
        QTest::newRow("long not whole") << QByteArray(
            j("{'tables':[{'name':'T','columns':[{'name':'L','type':'long'}],'rows':[[2.5]]}]}"))
                                        << m("Table 'T', row 1, column 'L': 2.5 is not a whole number");
        QTest::newRow("text for a number")
            << QByteArray(j("{'tables':[{'name':'T','columns':[{'name':'L','type':'long'}],'rows':[['7']]}]}"))
            << m("Table 'T', row 1, column 'L': expects a whole number, not a text");
        QTest::newRow("duplicate column") << QByteArray(j("{'tables':[{'name':'T','columns':[{'name':'Table','type':'"
                                                          "long'},{'name':'TABLE','type':'long'}],'rows':[]}]}"))
                                          << m("Table 'T', column 'TABLE': the column is defined twice");
        QTest::newRow("bool Null")
            << QByteArray(j(
                   "{'tables':[{'name':'T','columns':[{'name':'Primary Key','type':'bool'}],'rows':[[true],[null]]}]}"))
            << m("Table 'T', row 2, column 'Primary Key': a Yes/No value must be true or false, not null");
        QTest::newRow("bad date") << QByteArray(
            j("{'tables':[{'name':'T','columns':[{'name':'D','type':'datetime'}],'rows':[['2024-13-01']]}]}"))
                                  << m("Table 'T', row 1, column 'D': '2024-13-01' is not an ISO 8601 date");
        QTest::newRow("row too short") << QByteArray(j("{'tables':[{'name':'T','columns':[{'name':'A','type':'long'},{'"
                                                       "name':'B','type':'long'}],'rows':[[1,2],[1]]}]}"))
                                       << m("Table 'T', row 2: 1 values for 2 columns");
        QTest::newRow("text without size")
            << QByteArray(j("{'tables':[{'name':'T','columns':[{'name':'A','type':'text'}],'rows':[]}]}"))
            << m("Table 'T', column 'A': a text column needs a whole 'size'");
        QTest::newRow("not JSON") << QByteArray(j("{'tables':["))
                                  << QStringLiteral("The description is not valid JSON");

        QByteArray wide = j("{'tables':[{'name':'Wide','columns':[");
        QByteArray row = "[";
        const QByteArray cjk = QString(255, QChar(0x65E5)).toUtf8();
        for (int c = 0; c < 20; ++c) {
            wide +=
                (c ? "," : "") + QByteArray(j("{'name':'C")) + QByteArray::number(c) + j("','type':'text','size':255}");
            row += (c ? ",\"" : "\"") + cjk + "\"";
        }
        wide += "],\"rows\":[" + row + "]]}]}";
        QTest::newRow("row that cannot fit a page")
            << wide << m("Table 'Wide', row 1: the row needs 10249 bytes, more than the 4080 a page holds");
    }

    void refusesBadDescriptions()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        const QString out = dir_.filePath(QStringLiteral("refused.mdb"));
        const Outcome outcome = write(json, out);
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.errors.contains(message), qPrintable(outcome.errors));
        QVERIFY2(!QFile::exists(out), "a refused description must leave no file");
    }

    void refusalKeepsAnExistingFile()
    {
        const QString out = writeFile(dir_.filePath(QStringLiteral("existing.mdb")), "previous content");
        const Outcome outcome =
            write(j("{'tables':[{'name':'T','columns':[{'name':'A','type':'byte'}],'rows':[[256]]}]}"), out);
        QCOMPARE(outcome.exitCode, 1);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("previous content"));
        QCOMPARE(dir_.path().isEmpty(), false);
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("existing.mdb")});
    }

    void writesWhatTheDescriptionSays()
    {
        // Dates in the three ISO forms, every numeric type, texts with blanks, non-ASCII and a raw
        // leading U+FEFF, Null and the empty text, and a table without rows.
        const QByteArray json =
            j("{'tables':["
              "{'name':'Main','columns':["
              "{'name':'Functional Area','type':'text','size':10},{'name':'PD_Definition','type':'memo'},"
              "{'name':'Primary Key','type':'bool'},{'name':'Column_SeqNo','type':'long'},"
              "{'name':'Small','type':'integer'},{'name':'Tiny','type':'byte'},"
              "{'name':'Ratio','type':'double'},{'name':'Part','type':'single'},"
              "{'name':'Price','type':'currency'},{'name':'When','type':'datetime'}],"
              "'rows':["
              "['acct','Definition é 日本',true,3,-7,200,0.25,1.5,19.99,'2024-05-01T12:30:00'],"
              "['\xEF\xBB\xBF"
              "bom',null,false,-2147483648,null,null,null,null,null,'2024-05-01 06:00'],"
              "[null,'',true,2147483647,32767,0,-1e300,-2.5,-0.0001,'1899-12-30']]},"
              "{'name':'Empty Table é','columns':[{'name':'Rels_No','type':'long'}]}]}");
        const QString out = dir_.filePath(QStringLiteral("written.mdb"));
        const Outcome outcome = write(json, out, {QStringLiteral("--password"), QStringLiteral("secret")});
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.errors));

        LibmdbTable main;
        QString error;
        QVERIFY2(readLibmdbTable(out, QStringLiteral("Main"), &main, &error), qPrintable(error));
        QCOMPARE(main.rows.size(), std::size_t(3));
        QCOMPARE(main.rows[0][0].text, QStringLiteral("acct"));
        QCOMPARE(main.rows[0][1].text, QStringLiteral("Definition é 日本"));
        QCOMPARE(main.rows[0][2].text, QStringLiteral("1"));
        QCOMPARE(main.rows[1][0].text, QStringLiteral("\uFEFFbom"));
        QVERIFY(main.rows[1][1].isNull);
        QVERIFY(main.rows[2][0].isNull);
        QVERIFY(!main.rows[2][1].isNull && main.rows[2][1].text.isEmpty());
        auto raw = [&main](int row, int column, auto zero) {
            decltype(zero) value{};
            std::memcpy(&value, main.rows[std::size_t(row)][std::size_t(column)].raw.constData(), sizeof value);
            return value;
        };
        QCOMPARE(raw(1, 3, qint32()), qint32(INT32_MIN));
        QCOMPARE(raw(2, 3, qint32()), qint32(INT32_MAX));
        QCOMPARE(raw(0, 4, qint16()), qint16(-7));
        QCOMPARE(raw(0, 5, quint8()), quint8(200));
        QCOMPARE(raw(0, 6, double()), 0.25);
        QCOMPARE(raw(0, 7, float()), 1.5f);
        QCOMPARE(raw(0, 8, qint64()), qint64(199900));
        QCOMPARE(raw(2, 8, qint64()), qint64(-1));
        QCOMPARE(raw(0, 9, double()), 45413.0 + 12.5 / 24);
        QCOMPARE(raw(1, 9, double()), 45413.25);
        QCOMPARE(raw(2, 9, double()), 0.0);

        LibmdbTable empty;
        QVERIFY2(readLibmdbTable(out, QStringLiteral("Empty Table é"), &empty, &error), qPrintable(error));
        QCOMPARE(empty.rows.size(), std::size_t(0));

        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const volmira::jet4::LintReport report = volmira::jet4::lintStructure(file.readAll());
        QVERIFY2(report.sound(), qPrintable(report.problems.join(QLatin1Char('\n'))));
        QCOMPARE(report.tables, 2u);
    }

private:
    Outcome write(const QByteArray& json, const QString& out, QStringList options = {})
    {
        const QString description = writeFile(dir_.filePath(QStringLiteral("description.json")), json);
        const Run written = run(tool_, options << description << out, {}, 60000);
        QFile::remove(description);
        return {written.exitCode, QString::fromUtf8(written.err)};
    }

    QTemporaryDir dir_;
    QString tool_;
};

QTEST_GUILESS_MAIN(WriterDescriptionTest)
#include "tst_writer_description.moc"
