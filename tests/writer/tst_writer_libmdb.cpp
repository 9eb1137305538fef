// Files written by the writer read back identically through libmdb, the reader the program uses.

#include "libmdbtable.h"
#include "writerfixtures.h"

#include "dictionary/error.h"
#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/structurelint.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstring>

using namespace volmira::jet4;

namespace {

template <typename T>
T rawAs(const QByteArray& raw)
{
    T value{};
    if (raw.size() == int(sizeof(T)))
        std::memcpy(&value, raw.constData(), sizeof(T));
    return value;
}

LibmdbTable readBack(const QString& path, const QString& table, int bindSize = 300000)
{
    LibmdbTable read;
    QString error;
    if (!readLibmdbTable(path, table, &read, &error, bindSize))
        qFatal("%s", qPrintable(error));
    return read;
}

// Compares one written value with what libmdb read; returns a description of the difference or "".
QString compare(ColumnType type, const Value& expected, const LibmdbField& actual)
{
    if (type == ColumnType::Bool) {
        const QString want = expected.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        return actual.text == want ? QString() : QStringLiteral("bool %1, read %2").arg(want, actual.text);
    }
    if (expected.isNull())
        return actual.isNull ? QString() : QStringLiteral("Null, read \"%1\"").arg(actual.text);
    if (actual.isNull)
        return QStringLiteral("a value, read Null");
    auto number = [&expected] { return expected.isInteger() ? double(expected.toInteger()) : expected.toReal(); };
    switch (type) {
    case ColumnType::Text:
    case ColumnType::Memo:
        return actual.text == expected.toText() ? QString()
                                                : QStringLiteral("text of %1 chars, read %2 chars (%3)")
                                                      .arg(expected.toText().size())
                                                      .arg(actual.text.size())
                                                      .arg(actual.text.left(20));
    case ColumnType::Long:
        return rawAs<qint32>(actual.raw) == expected.toInteger()
                   ? QString()
                   : QStringLiteral("long %1, read %2").arg(expected.toInteger()).arg(rawAs<qint32>(actual.raw));
    case ColumnType::Integer:
        return rawAs<qint16>(actual.raw) == expected.toInteger()
                   ? QString()
                   : QStringLiteral("integer %1, read %2").arg(expected.toInteger()).arg(rawAs<qint16>(actual.raw));
    case ColumnType::Byte:
        return rawAs<quint8>(actual.raw) == expected.toInteger()
                   ? QString()
                   : QStringLiteral("byte %1, read %2").arg(expected.toInteger()).arg(rawAs<quint8>(actual.raw));
    case ColumnType::Double:
        return rawAs<double>(actual.raw) == number()
                   ? QString()
                   : QStringLiteral("double %1, read %2").arg(number()).arg(rawAs<double>(actual.raw));
    case ColumnType::Single:
        return rawAs<float>(actual.raw) == float(number())
                   ? QString()
                   : QStringLiteral("single %1, read %2").arg(number()).arg(rawAs<float>(actual.raw));
    case ColumnType::Currency: {
        const qint64 units =
            expected.isInteger() ? expected.toInteger() * 10000 : std::llround(expected.toReal() * 10000);
        return rawAs<qint64>(actual.raw) == units
                   ? QString()
                   : QStringLiteral("currency units %1, read %2").arg(units).arg(rawAs<qint64>(actual.raw));
    }
    case ColumnType::DateTime:
        return rawAs<double>(actual.raw) == expected.toDate().days
                   ? QString()
                   : QStringLiteral("date %1, read %2").arg(expected.toDate().days).arg(rawAs<double>(actual.raw));
    default: return QStringLiteral("type not compared");
    }
}

// libmdb fills a buffer of the bind size for every memo it reads: tables without big memos are read
// with a smaller one.
void verifyTable(const QString& path, const TableModel& model, int bindSize = 300000)
{
    const LibmdbTable read = readBack(path, model.name, bindSize);
    QCOMPARE(read.columnNames.size(), int(model.columns.size()));
    for (std::size_t c = 0; c < model.columns.size(); ++c)
        QCOMPARE(read.columnNames[int(c)], model.columns[c].name);
    QCOMPARE(read.rows.size(), model.rowCount());
    QCOMPARE(read.declaredRows, qint64(model.rowCount()));
    Row generated;
    for (std::size_t r = 0; r < model.rowCount(); ++r) {
        const Row* row = &generated;
        if (model.rowGenerator) {
            generated.clear();
            model.rowGenerator(r, generated);
        } else {
            row = &model.rows[r];
        }
        for (std::size_t c = 0; c < model.columns.size(); ++c) {
            const QString difference = compare(model.columns[c].type, (*row)[c], read.rows[r][c]);
            if (!difference.isEmpty())
                QFAIL(qPrintable(QStringLiteral("%1, row %2, column \"%3\": expected %4")
                                     .arg(model.name)
                                     .arg(r)
                                     .arg(model.columns[c].name, difference)));
        }
    }
}

void verifySound(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const LintReport report = lintStructure(file.readAll());
    QVERIFY2(report.sound(), qPrintable(report.problems.join(QLatin1Char('\n'))));
}

}  // namespace

class WriterLibmdbTest final : public QObject {
    Q_OBJECT

private slots:
    void everyTypeWithExtremesNullAndEmpty()
    {
        DatabaseModel model;
        model.tables.push_back(writerfixtures::everyTypeTable());
        const QString path = writerfixtures::writeFile(dir_.path(), QStringLiteral("everytype"), model);
        verifyTable(path, model.tables[0]);

        // Dates against known OLE values, not the writer's own conversion.
        const LibmdbTable read = readBack(path, model.tables[0].name);
        const std::vector<double> dates = writerfixtures::everyTypeDates();
        for (std::size_t r = 0; r < dates.size(); ++r) {
            if (std::isnan(dates[r]))
                QVERIFY(read.rows[r][9].isNull);
            else
                QCOMPARE(rawAs<double>(read.rows[r][9].raw), dates[r]);
        }
        // The empty text is stored as a present value of length 0, Null as an absent one.
        QVERIFY(!read.rows[4][0].isNull && read.rows[4][0].text.isEmpty());
        QVERIFY(!read.rows[4][1].isNull && read.rows[4][1].text.isEmpty());
        QVERIFY(read.rows[3][0].isNull && read.rows[3][1].isNull);
        verifySound(path);
    }

    void memosAroundEveryStorageBoundary()
    {
        DatabaseModel model;
        TableModel& table = model.addTable(QStringLiteral("Memos"));
        table.addColumn(QStringLiteral("Id"), ColumnType::Long).addColumn(QStringLiteral("Body"), ColumnType::Memo);
        const QStringList memos = writerfixtures::boundaryMemos();
        for (int i = 0; i < memos.size(); ++i)
            table.rows.push_back({i, memos[i]});
        table.rows.push_back({-1, Value()});
        const QString path = writerfixtures::writeFile(dir_.path(), QStringLiteral("memos"), model);
        verifyTable(path, table);
        verifySound(path);
    }

    void memosThatDoNotFitTogetherMoveOutLargestFirst()
    {
        // With a high inline limit, three memos would fill more than a page; the writer moves the
        // largest to LVAL pages until the row fits, and every value still reads back.
        DatabaseModel model;
        model.options.memoInlineMax = 4000;
        TableModel& table = model.addTable(QStringLiteral("Crowded"));
        table.addColumn(QStringLiteral("A"), ColumnType::Memo)
            .addColumn(QStringLiteral("B"), ColumnType::Memo)
            .addColumn(QStringLiteral("C"), ColumnType::Memo)
            .addColumn(QStringLiteral("Note"), ColumnType::Text, 255);
        for (int i = 0; i < 40; ++i)
            table.rows.push_back({QString(1500 + i * 10, QChar(0x65E5)), QString(900, QLatin1Char('b')),
                                  QString(3000, QChar(0xE9)), QString(255, QChar(0x4E00))});
        const QString path = writerfixtures::writeFile(dir_.path(), QStringLiteral("crowded"), model);
        verifyTable(path, table);
        verifySound(path);
    }

    void nonAsciiTextsAndNames()
    {
        DatabaseModel model;
        TableModel& table = model.addTable(QStringLiteral("Tabelle mit Leerzeichen é 日本"));
        table.addColumn(QStringLiteral("Spalte Ü"), ColumnType::Text, 60)
            .addColumn(QStringLiteral("日本 memo"), ColumnType::Memo)
            .addColumn(QStringLiteral("[Functional Area]"), ColumnType::Text, 10);
        for (const QString& text : writerfixtures::awkwardTexts())
            table.rows.push_back({text, text + text, text.left(10)});
        const QString path = writerfixtures::writeFile(dir_.path(), QStringLiteral("names"), model);
        QStringList names;
        QString error;
        QVERIFY2(libmdbTableNames(path, &names, &error), qPrintable(error));
        QCOMPARE(names, QStringList{table.name});
        verifyTable(path, table);
    }

    void wideTableOnSeveralDefinitionPages()
    {
        // 160 columns: the definition needs more than one page, and the row layout mixes every type.
        DatabaseModel model;
        model.tables.push_back(writerfixtures::wideTable());
        const TableModel& table = model.tables[0];
        const QString path = writerfixtures::writeFile(dir_.path(), QStringLiteral("wide"), model);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY2(bytes.at(3 * 4096 + 4) != 0, "the definition should continue on a second page");
        verifyTable(path, table);
        verifySound(path);
    }

    void hundredThousandRowsOverManyPages()
    {
        // More than 512 data pages: the table's usage map points to bitmap pages.
        DatabaseModel model;
        TableModel& table = model.addTable(QStringLiteral("Values"));
        table.addColumn(QStringLiteral("Id"), ColumnType::Long)
            .addColumn(QStringLiteral("Value"), ColumnType::Text, 50)
            .addColumn(QStringLiteral("Flag"), ColumnType::Bool)
            .addColumn(QStringLiteral("Description"), ColumnType::Memo);
        table.generatedRowCount = 100000;
        table.rowGenerator = [](std::size_t i, Row& row) {
            row.emplace_back(qint64(i));
            row.emplace_back(QStringLiteral("value %1").arg(i));
            row.emplace_back(i % 3 == 0);
            row.emplace_back(i % 1000 == 0 ? Value(QString(int(i % 5000) + 100, QLatin1Char('d')))
                                           : Value(QStringLiteral("d")));
        };
        const QString path = writerfixtures::writeFile(dir_.path(), QStringLiteral("many"), model);
        QVERIFY(QFile(path).size() > 600 * 4096);
        verifyTable(path, table, 16384);
        verifySound(path);
    }

    void syntheticDictionaryReadsBack()
    {
        // The full-size dictionary of the benchmarks: 100,000 column rows, memos mostly on LVAL pages.
        const DatabaseModel model = syntheticDictionary(100000);
        const QString path = writerfixtures::writeFile(dir_.path(), QStringLiteral("synthetic"), model);
        for (const TableModel& table : model.tables)
            verifyTable(path, table, 16384);
        verifySound(path);
    }

    void deliberateFaultsDamageTheFile()
    {
        // Both faults are known to stop libmdb (a crash, an endless loop), so they are only opened
        // by the command-line tool in a separate process with a time limit.
        DatabaseModel model;
        TableModel& table = model.addTable(QStringLiteral("Main"));
        table.addColumn(QStringLiteral("Table"), ColumnType::Text, 20);
        table.rows.push_back({"T1"});

        DatabaseModel emptyMap = model;
        emptyMap.options.faults.emptyUsageMapTable = QStringLiteral("MSysObjects");
        DatabaseModel badProperties = model;
        badProperties.options.faults.zeroLengthPropertyTable = QStringLiteral("Main");
        const QString sound = writerfixtures::writeFile(dir_.path(), QStringLiteral("sound"), model);
        const QString map = writerfixtures::writeFile(dir_.path(), QStringLiteral("emptymap"), emptyMap);
        const QString properties = writerfixtures::writeFile(dir_.path(), QStringLiteral("props"), badProperties);

        QFile mapFile(map);
        QVERIFY(mapFile.open(QIODevice::ReadOnly));
        const LintReport report = lintStructure(mapFile.readAll());
        QVERIFY(report.problems.join(QLatin1Char('\n')).contains(QLatin1String("usage map is empty")));

        const QString tool = QStandardPaths::findExecutable(QStringLiteral("mdb-tables"));
        if (tool.isEmpty())
            QSKIP("mdb-tables is not installed; the faults were only checked by the lint");
        auto survives = [&tool](const QString& path) {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            process.setStandardErrorFile(QProcess::nullDevice());
            process.start(tool, {path});
            const bool finished = process.waitForFinished(1500);
            if (!finished) {
                process.kill();
                process.waitForFinished();
                return false;
            }
            return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        };
        QVERIFY(survives(sound));
        QVERIFY2(!survives(map), "an empty usage map of the catalog should stop mdb-tables");
        QVERIFY2(!survives(properties), "a property record of length 0 should stop mdb-tables");
    }

    void refusesValuesNamingTableRowAndColumn()
    {
        struct Case {
            ColumnType type;
            int size;
            Value value;
            const char* message;
        };
        const Case cases[] = {
            {ColumnType::Text, 3, Value("abcd"), "longer than the size 3"},
            {ColumnType::Integer, 0, Value(40000), "out of range"},
            {ColumnType::Byte, 0, Value(-1), "out of range"},
            {ColumnType::Long, 0, Value(qint64(1) << 31), "out of range"},
            {ColumnType::Long, 0, Value(2.5), "not a whole number"},
            {ColumnType::Long, 0, Value("7"), "expects a whole number"},
            {ColumnType::Bool, 0, Value(), "true or false"},
            {ColumnType::Single, 0, Value(1e39), "out of range"},
            {ColumnType::Text, 5, Value(QStringLiteral("\uFEFF\u0100")), "cannot be stored"},
            {ColumnType::DateTime, 0, Value("2024-01-01"), "expects a date"},
        };
        for (const Case& c : cases) {
            DatabaseModel model;
            TableModel& table = model.addTable(QStringLiteral("T"));
            table.addColumn(QStringLiteral("Ok"), ColumnType::Long)
                .addColumn(QStringLiteral("Bad Column"), c.type, c.size);
            table.rows.push_back({1, c.type == ColumnType::Bool ? Value(true) : Value()});
            table.rows.push_back({2, c.value});
            try {
                writeDatabase(model);
                QFAIL(qPrintable(QStringLiteral("no error for: %1").arg(QLatin1String(c.message))));
            } catch (const volmira::Error& error) {
                QCOMPARE(error.number(), InvalidDescription);
                QVERIFY2(error.description().contains(QLatin1String("Table \"T\", row 2, column \"Bad Column\"")),
                         qPrintable(error.description()));
                QVERIFY2(error.description().contains(QLatin1String(c.message)), qPrintable(error.description()));
            }
        }
    }

    void refusesRowsAndDefinitionsThatCannotBeWritten()
    {
        auto refusal = [](const DatabaseModel& model) {
            try {
                writeDatabase(model);
            } catch (const volmira::Error& error) {
                return error.description();
            }
            return QString();
        };
        DatabaseModel tooWide;
        TableModel& wide = tooWide.addTable(QStringLiteral("Wide"));
        Row row;
        for (int c = 0; c < 20; ++c) {
            wide.addColumn(QStringLiteral("C%1").arg(c), ColumnType::Text, 255);
            row.push_back(QString(255, QChar(0x4E00)));
        }
        wide.rows.push_back({});
        wide.rows.push_back(row);
        wide.rows[0].assign(20, Value());
        QVERIFY(refusal(tooWide).contains(QLatin1String("Table \"Wide\", row 2: the row needs")));

        DatabaseModel duplicate;
        duplicate.addTable(QStringLiteral("D"))
            .addColumn(QStringLiteral("Name"), ColumnType::Long)
            .addColumn(QStringLiteral("NAME"), ColumnType::Text, 5);
        QVERIFY(
            refusal(duplicate).contains(QLatin1String("Table \"D\", column \"NAME\": the column is defined twice")));

        DatabaseModel shortRow;
        shortRow.addTable(QStringLiteral("S"))
            .addColumn(QStringLiteral("A"), ColumnType::Long)
            .addColumn(QStringLiteral("B"), ColumnType::Long);
        shortRow.tables[0].rows.push_back({1});
        QVERIFY(refusal(shortRow).contains(QLatin1String("Table \"S\", row 1: 1 values for 2 columns")));

        DatabaseModel twice;
        twice.addTable(QStringLiteral("Main")).addColumn(QStringLiteral("A"), ColumnType::Long);
        twice.addTable(QStringLiteral("main")).addColumn(QStringLiteral("A"), ColumnType::Long);
        QVERIFY(refusal(twice).contains(QLatin1String("defined twice")));

        DatabaseModel textSize;
        textSize.addTable(QStringLiteral("Z")).addColumn(QStringLiteral("A"), ColumnType::Text, 256);
        QVERIFY(refusal(textSize).contains(QLatin1String("1 to 255")));
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(WriterLibmdbTest)
#include "tst_writer_libmdb.moc"
