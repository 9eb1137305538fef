// The same files read back identically through the mdbtools command-line tools and through the
// independent mdb-reader package. Where a reader has a known limitation, the value is left out of the
// comparison and the reason is given.

#include "writerfixtures.h"

#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/description.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace volmira::jet4;

namespace {

enum class Reader { Mdbtools, MdbReader };

const QString kNull = QStringLiteral("<null>");
const QString kSkip = QStringLiteral("<skip>");

// mdbtools prints text through a 200,000-byte buffer (mdb-export, mdb-json).
constexpr int kMdbtoolsBindSize = 200000;

QString dateText(double days)
{
    // Only dates on or after 1899-12-30, or without a time before it, are compared, so this is exact.
    const QDate epoch(1899, 12, 30);
    const double whole = std::floor(days);
    const qint64 msecs = std::llround((days - whole) * 86400000.0);
    const QDateTime moment(epoch.addDays(qint64(whole)), QTime(0, 0).addMSecs(int(msecs)), Qt::UTC);
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The canonical text of a written value as `reader` should give it, or kSkip where the reader is known
// to differ.
QString expected(Reader reader, ColumnType type, const Value& value)
{
    if (type == ColumnType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (value.isNull())
        return kNull;
    const double number = value.isInteger() ? double(value.toInteger()) : value.isReal() ? value.toReal() : 0;
    switch (type) {
    case ColumnType::Text:
    case ColumnType::Memo:
        // mdbtools cannot tell "" from Null, and cuts text at its buffer size.
        if (reader == Reader::Mdbtools && value.toText().isEmpty())
            return kNull;
        if (reader == Reader::Mdbtools && value.toText().toUtf8().size() >= kMdbtoolsBindSize)
            return kSkip;
        return value.toText();
    case ColumnType::Long:
    case ColumnType::Integer:
    case ColumnType::Byte: return QString::number(value.toInteger());
    case ColumnType::Double: return QString::number(number, 'g', reader == Reader::Mdbtools ? 16 : 17);
    case ColumnType::Single: return QString::number(double(float(number)), 'g', reader == Reader::Mdbtools ? 8 : 9);
    case ColumnType::Currency:
        return QString::number(value.isInteger() ? value.toInteger() * 10000 : std::llround(number * 10000));
    case ColumnType::DateTime: {
        const double days = value.toDate().days;
        // mdbtools ignores dates before 1899-12-30; mdb-reader converts those with a time linearly.
        if (days < 0 && (reader == Reader::Mdbtools || days != std::floor(days)))
            return kSkip;
        return dateText(days);
    }
    default: return kSkip;
    }
}

qint64 currencyUnits(const QString& text)
{
    // Exact decimal parsing: "-12.3456" -> -123456.
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QString digits = negative ? text.mid(1) : text;
    const QStringList parts = digits.split(QLatin1Char('.'));
    const QString fraction = (parts.value(1) + QStringLiteral("0000")).left(4);
    const qint64 units = parts.value(0).toLongLong() * 10000 + fraction.toLongLong();
    return negative ? -units : units;
}

// The canonical text of what a reader printed or returned.
QString actualFromText(Reader reader, ColumnType type, const QString& text)
{
    switch (type) {
    case ColumnType::Double: return QString::number(text.toDouble(), 'g', reader == Reader::Mdbtools ? 16 : 17);
    case ColumnType::Single: return QString::number(text.toDouble(), 'g', reader == Reader::Mdbtools ? 8 : 9);
    case ColumnType::Currency: return QString::number(currencyUnits(text));
    default: return text;
    }
}

QString actualFromJson(Reader reader, ColumnType type, const QJsonValue& json)
{
    if (json.isUndefined() || json.isNull())
        return kNull;
    if (json.isBool())
        return json.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (json.isDouble()) {
        switch (type) {
        case ColumnType::Double:
        case ColumnType::Single: return actualFromText(reader, type, QString::number(json.toDouble(), 'g', 17));
        case ColumnType::Currency: return QString::number(std::llround(json.toDouble() * 10000));
        default: return QString::number(qint64(json.toDouble()));
        }
    }
    QString text = json.toString();
    if (type == ColumnType::DateTime && reader == Reader::MdbReader)
        text = QDateTime::fromString(text, Qt::ISODateWithMs).toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return actualFromText(reader, type, text);
}

template <typename Fn>
void forEachRow(const TableModel& table, Fn fn)
{
    Row generated;
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        if (table.rowGenerator) {
            generated.clear();
            table.rowGenerator(r, generated);
            fn(r, generated);
        } else {
            fn(r, table.rows[r]);
        }
    }
}

QByteArray run(const QString& program, const QStringList& arguments, const QString& directory = QString())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"MDBOPTS", "MDBPATH", "MDBICONV", "MDB_JET3_CHARSET"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    if (!directory.isEmpty())
        process.setWorkingDirectory(directory);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().left(2000).constData());
    return process.readAllStandardOutput();
}

QJsonDocument parseJson(const QByteArray& json)
{
    QJsonParseError error;
    return parseJsonKeepingByteOrderMarks(json, &error);
}

QString readersDirectory() { return qEnvironmentVariable("VOLMIRA_SOURCE_DIR") + QStringLiteral("/tests/readers"); }

}  // namespace

class WriterReadersTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        fixture_.tables.push_back(writerfixtures::everyTypeTable());
        TableModel& names = fixture_.addTable(QStringLiteral("Names with blanks é 日本"));
        names.addColumn(QStringLiteral("Text é"), ColumnType::Text, 60)
            .addColumn(QStringLiteral("Memo 日本"), ColumnType::Memo);
        for (const QString& text : writerfixtures::awkwardTexts())
            names.rows.push_back({text, text + text + text});
        TableModel& memos = fixture_.addTable(QStringLiteral("Memos"));
        memos.addColumn(QStringLiteral("Id"), ColumnType::Long).addColumn(QStringLiteral("Body"), ColumnType::Memo);
        const QStringList bodies = writerfixtures::boundaryMemos();
        for (int i = 0; i < bodies.size(); ++i)
            memos.rows.push_back({i, bodies[i]});
        fixture_.tables.push_back(writerfixtures::wideTable());
        fixture_.addTable(QStringLiteral("Empty")).addColumn(QStringLiteral("Nothing"), ColumnType::Text, 5);
        fixturePath_ = writerfixtures::writeFile(dir_.path(), QStringLiteral("fixture"), fixture_);
        mdbtoolsPresent_ = !QStandardPaths::findExecutable(QStringLiteral("mdb-export")).isEmpty()
                           && !QStandardPaths::findExecutable(QStringLiteral("mdb-json")).isEmpty();
        node_ = QStandardPaths::findExecutable(QStringLiteral("node"));
    }

    void mdbExportAgrees()
    {
        if (!mdbtoolsPresent_)
            QSKIP("the mdbtools command-line tools are not installed");
        for (const TableModel& table : fixture_.tables) {
            const QByteArray out =
                run(QStringLiteral("mdb-export"),
                    {QStringLiteral("-H"), QStringLiteral("-Q"), QStringLiteral("-d"), QStringLiteral("\x1f"),
                     QStringLiteral("-R"), QStringLiteral("\x1e"), QStringLiteral("-T"),
                     QStringLiteral("%Y-%m-%d %H:%M:%S"), fixturePath_, table.name});
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
            QStringList lines = QString(decoder(out)).split(QChar(0x1e));
            if (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast();
            QCOMPARE(std::size_t(lines.size()), table.rowCount());
            forEachRow(table, [&](std::size_t r, const Row& row) {
                const QStringList fields = lines[int(r)].split(QChar(0x1f));
                QCOMPARE(std::size_t(fields.size()), table.columns.size());
                for (std::size_t c = 0; c < table.columns.size(); ++c) {
                    const QString want = expected(Reader::Mdbtools, table.columns[c].type, row[c]);
                    if (want == kSkip)
                        continue;
                    const QString got = fields[int(c)].isEmpty()
                                            ? kNull
                                            : actualFromText(Reader::Mdbtools, table.columns[c].type, fields[int(c)]);
                    QVERIFY2(got == want,
                             qPrintable(QStringLiteral("%1 row %2 column \"%3\": want %4, mdb-export gave %5")
                                            .arg(table.name)
                                            .arg(r)
                                            .arg(table.columns[c].name, want.left(80), got.left(80))));
                }
            });
        }
    }

    void mdbJsonAgrees()
    {
        if (!mdbtoolsPresent_)
            QSKIP("the mdbtools command-line tools are not installed");
        for (const TableModel& table : fixture_.tables)
            compareMdbJson(fixturePath_, table);
    }

    void mdbReaderAgrees()
    {
        if (!nodeReady())
            QSKIP("node or tests/readers/node_modules is missing (run npm ci in tests/readers)");
        compareMdbReader(fixturePath_, fixture_);
    }

    void passwordIsStoredMasked()
    {
        if (!nodeReady())
            QSKIP("node or tests/readers/node_modules is missing (run npm ci in tests/readers)");
        DatabaseModel model;
        model.addTable(QStringLiteral("Main")).addColumn(QStringLiteral("A"), ColumnType::Long).rows.push_back({1});
        const QString open = writerfixtures::writeFile(dir_.path(), QStringLiteral("open"), model);
        model.options.password = QStringLiteral("Geheim é 1");
        const QString locked = writerfixtures::writeFile(dir_.path(), QStringLiteral("locked"), model);
        auto password = [this](const QString& path) {
            const QJsonObject dump =
                parseJson(run(node_, {QStringLiteral("dump.mjs"), path}, readersDirectory())).object();
            return dump.value(QLatin1String("password"));
        };
        QVERIFY(password(open).isNull());
        QCOMPARE(password(locked).toString(), model.options.password);
        QFile file(locked);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(!file.readAll().contains(QStringLiteral("Geheim").toUtf8()),
                 "the password must not be stored in the clear");
    }

    void syntheticDictionaryAgreesInEveryReader()
    {
        // The four-table dictionary the benchmarks use, with tables of thousands of pages. 20,000 column
        // rows keep the suite fast; VOLMIRA_SYNTHETIC_ROWS=100000 checks the full-size file.
        const std::size_t rows = qEnvironmentVariableIsSet("VOLMIRA_SYNTHETIC_ROWS")
                                     ? std::size_t(qEnvironmentVariableIntValue("VOLMIRA_SYNTHETIC_ROWS"))
                                     : 20000;
        const DatabaseModel model = syntheticDictionary(rows);
        const QString path = writerfixtures::writeFile(dir_.path(), QStringLiteral("synthetic"), model);
        if (mdbtoolsPresent_) {
            for (const TableModel& table : model.tables)
                compareMdbJson(path, table);
        }
        if (nodeReady())
            compareMdbReader(path, model);
        if (!mdbtoolsPresent_ || !nodeReady())
            QSKIP("a reader is missing; only the readers present were compared");
    }

private:
    bool nodeReady() const
    {
        return !node_.isEmpty()
               && QFileInfo::exists(readersDirectory() + QStringLiteral("/node_modules/mdb-reader/package.json"));
    }

    void compareMdbJson(const QString& path, const TableModel& table)
    {
        const QByteArray out = run(QStringLiteral("mdb-json"),
                                   {QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), path, table.name});
        const QList<QByteArray> lines = out.split('\n');
        QCOMPARE(std::size_t(lines.size() - (lines.last().isEmpty() ? 1 : 0)), table.rowCount());
        forEachRow(table, [&](std::size_t r, const Row& row) {
            const QJsonObject object = parseJson(lines[int(r)]).object();
            for (std::size_t c = 0; c < table.columns.size(); ++c) {
                const QString want = expected(Reader::Mdbtools, table.columns[c].type, row[c]);
                if (want == kSkip)
                    continue;
                const QString got =
                    actualFromJson(Reader::Mdbtools, table.columns[c].type, object.value(table.columns[c].name));
                QVERIFY2(got == want, qPrintable(QStringLiteral("%1 row %2 column \"%3\": want %4, mdb-json gave %5")
                                                     .arg(table.name)
                                                     .arg(r)
                                                     .arg(table.columns[c].name, want.left(80), got.left(80))));
            }
        });
    }

    void compareMdbReader(const QString& path, const DatabaseModel& model)
    {
        const QJsonObject dump = parseJson(run(node_, {QStringLiteral("dump.mjs"), path}, readersDirectory())).object();
        const QJsonArray tables = dump.value(QLatin1String("tables")).toArray();
        QCOMPARE(std::size_t(tables.size()), model.tables.size());
        for (const TableModel& table : model.tables) {
            QJsonObject read;
            for (const QJsonValue& candidate : tables) {
                if (candidate.toObject().value(QLatin1String("name")).toString() == table.name)
                    read = candidate.toObject();
            }
            QVERIFY2(!read.isEmpty(), qPrintable(QStringLiteral("mdb-reader does not list %1").arg(table.name)));
            QCOMPARE(std::size_t(read.value(QLatin1String("rowCount")).toInteger()), table.rowCount());
            const QJsonArray columns = read.value(QLatin1String("columns")).toArray();
            QCOMPARE(std::size_t(columns.size()), table.columns.size());
            for (std::size_t c = 0; c < table.columns.size(); ++c)
                QCOMPARE(columns[int(c)].toObject().value(QLatin1String("name")).toString(), table.columns[c].name);
            const QJsonArray rows = read.value(QLatin1String("rows")).toArray();
            QCOMPARE(std::size_t(rows.size()), table.rowCount());
            forEachRow(table, [&](std::size_t r, const Row& row) {
                const QJsonArray values = rows[int(r)].toArray();
                for (std::size_t c = 0; c < table.columns.size(); ++c) {
                    const QString want = expected(Reader::MdbReader, table.columns[c].type, row[c]);
                    if (want == kSkip)
                        continue;
                    const QString got = actualFromJson(Reader::MdbReader, table.columns[c].type, values[int(c)]);
                    QVERIFY2(got == want,
                             qPrintable(QStringLiteral("%1 row %2 column \"%3\": want %4, mdb-reader gave %5")
                                            .arg(table.name)
                                            .arg(r)
                                            .arg(table.columns[c].name, want.left(80), got.left(80))));
                }
            });
        }
    }

    QTemporaryDir dir_;
    DatabaseModel fixture_;
    QString fixturePath_;
    QString node_;
    bool mdbtoolsPresent_ = false;
};

QTEST_GUILESS_MAIN(WriterReadersTest)
#include "tst_writer_readers.moc"
