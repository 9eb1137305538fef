#include "common/testsupport.h"
#include "dictionary/error.h"
#include "dictionary/filereader.h"
#include "recordingsink.h"
#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <cmath>

using namespace volmira;
using jet4::DatabaseModel;
using jet4::OleDate;
using jet4::Value;
using Kind = CellView::Kind;

namespace {

std::string utf8(const QString& text) { return text.toUtf8().toStdString(); }

// The value a reader should hand over for what the writer was given.
RecordedCell expectedCell(const Value& value, jet4::ColumnType type)
{
    if (value.isNull())
        return {};
    switch (type) {
    case jet4::ColumnType::Bool: return {Kind::YesNo, value.toBool() ? -1.0 : 0.0, {}};
    case jet4::ColumnType::Single:
        return {Kind::Single, double(float(value.isInteger() ? double(value.toInteger()) : value.toReal())), {}};
    case jet4::ColumnType::DateTime: return {Kind::Date, value.toDate().days, {}};
    case jet4::ColumnType::Binary:
    case jet4::ColumnType::Ole: return {Kind::Binary, 0, value.toBytes().toStdString()};
    case jet4::ColumnType::Text:
    case jet4::ColumnType::Memo: return {Kind::Text, 0, utf8(value.toText())};
    default: return {Kind::Number, value.isInteger() ? double(value.toInteger()) : value.toReal(), {}};
    }
}

QString describeCell(const RecordedCell& cell)
{
    return QStringLiteral("kind %1 number %2 text '%3'")
        .arg(int(cell.kind))
        .arg(cell.number, 0, 'g', 17)
        .arg(QString::fromStdString(cell.text.substr(0, 60)));
}

// Compares what was read with every row the writer wrote; returns the first difference.
QString differenceFrom(const jet4::TableModel& model, const RecordedTable& read)
{
    if (read.columns.size() != model.columns.size())
        return QStringLiteral("%1 columns instead of %2").arg(read.columns.size()).arg(model.columns.size());
    if (read.rows.size() != model.rowCount())
        return QStringLiteral("%1 rows instead of %2").arg(read.rows.size()).arg(model.rowCount());
    jet4::Row row;
    for (std::size_t r = 0; r < model.rowCount(); ++r) {
        if (model.rowGenerator) {
            row.clear();
            model.rowGenerator(r, row);
        } else {
            row = model.rows[r];
        }
        for (std::size_t c = 0; c < model.columns.size(); ++c) {
            const RecordedCell want = expectedCell(row[c], model.columns[c].type);
            const RecordedCell& got = read.rows[r][c];
            if (got.kind != want.kind || got.number != want.number || got.text != want.text)
                return QStringLiteral("row %1, column %2: %3 instead of %4")
                    .arg(r)
                    .arg(model.columns[c].name, describeCell(got), describeCell(want));
        }
    }
    return {};
}

struct Failure {
    int number = 0;
    QString description;
};

Failure failureOf(const QString& path, const QStringList& tables = {QStringLiteral("Main")})
{
    RecordingSink sink;
    try {
        FileReader::read(path, tables, sink);
    } catch (const Error& error) {
        return {error.number(), error.description()};
    }
    return {};
}

// Reads into the sink; the description of the error raised, or an empty text.
QString readInto(const QString& path, const QStringList& tables, TableSink& sink)
{
    try {
        FileReader::read(path, tables, sink);
    } catch (const Error& error) {
        return QStringLiteral("%1: %2").arg(error.number()).arg(error.description());
    }
    return {};
}

// A dictionary small enough to write in a moment.
DatabaseModel smallDictionary()
{
    DatabaseModel model;
    auto& main = model.addTable(QStringLiteral("Main"));
    main.addColumn(QStringLiteral("Table"), jet4::ColumnType::Text, 50)
        .addColumn(QStringLiteral("Column_SeqNo"), jet4::ColumnType::Long);
    main.rows = {{QStringLiteral("CLCL_CLAIM"), 1}, {QStringLiteral("CLCL_CLAIM"), 2}};
    auto& values = model.addTable(QStringLiteral("Values"));
    values.addColumn(QStringLiteral("Value"), jet4::ColumnType::Text, 50);
    values.rows = {{QStringLiteral("A")}};
    auto& extra = model.addTable(QStringLiteral("Extra"));
    extra.addColumn(QStringLiteral("X"), jet4::ColumnType::Long);
    extra.rows = {{7}};
    return model;
}

}  // namespace

class FileReaderTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

    QString write(const QString& name, const DatabaseModel& model)
    {
        const QString path = dir_.filePath(name);
        jet4::writeDatabaseFile(model, path);
        return path;
    }

    QString writeBytes(const QString& name, const QByteArray& bytes) { return writeFile(dir_.filePath(name), bytes); }

private slots:
    void everyTypeRoundTrips()
    {
        DatabaseModel model;
        auto& types = model.addTable(QStringLiteral("Types"));
        using T = jet4::ColumnType;
        types.addColumn(QStringLiteral("Flag"), T::Bool)
            .addColumn(QStringLiteral("Tiny"), T::Byte)
            .addColumn(QStringLiteral("Small"), T::Integer)
            .addColumn(QStringLiteral("Whole"), T::Long)
            .addColumn(QStringLiteral("Money"), T::Currency)
            .addColumn(QStringLiteral("Float"), T::Single)
            .addColumn(QStringLiteral("Real"), T::Double)
            .addColumn(QStringLiteral("When"), T::DateTime)
            .addColumn(QStringLiteral("Name"), T::Text, 255)
            .addColumn(QStringLiteral("Note"), T::Memo)
            .addColumn(QStringLiteral("Key"), T::Binary, 16)
            .addColumn(QStringLiteral("Picture"), T::Ole);
        const QString mixed = QStringLiteral("Grüße, 中文 \U0001F600 Ā");
        types.rows = {
            {true, 255, -32768, INT_MIN, 1234.5678, 0.15, -1.5e300, OleDate{-1.25}, QString(""), QString(""),
             QByteArray("\0\xff", 2), QByteArray(3, '\0')},
            {false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
            {true, 0, 32767, INT_MAX, -922337203685.4775, 3.4e38, 1e-300, OleDate{45000.5}, mixed,
             repeated(mixed + QStringLiteral(" memo text "), 70000), QByteArray(16, '\x80'),
             repeated(mixed, 9000).toUtf8()},
            {false, 1, 0, 0, 0.0001, -0.0, 0.1, OleDate{0}, QStringLiteral("a'b\"c"),
             repeated(QStringLiteral("over sixteen kilobytes "), 20000), QByteArray("x"), QByteArray(5000, '\x01')},
            {true, 2, 1, 1, 0, 1, 1, OleDate{1}, QStringLiteral("\uFEFFstarts with a byte order mark"),
             QStringLiteral("\uFEFF") + repeated(QStringLiteral("ascii "), 3000), nullptr, QByteArray("\x7f")},
        };
        auto& second = model.addTable(QStringLiteral("Zweite Tabelle"));  // moves the first table
        second.addColumn(QStringLiteral("Wert"), T::Text, 10);
        second.rows = {{QStringLiteral("x")}};
        const jet4::TableModel& written = model.tables[0];
        const QString path = write(QStringLiteral("types.mdb"), model);

        RecordingSink sink;
        const QString failed = readInto(path, {QStringLiteral("Types")}, sink);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(sink.catalogCalls, 1);
        QCOMPARE(sink.tables, QStringList({QStringLiteral("Types"), QStringLiteral("Zweite Tabelle")}));
        QCOMPARE(sink.read.size(), std::size_t(1));
        const RecordedTable& read = sink.read[0];
        QCOMPARE(read.name, QStringLiteral("Types"));
        QVERIFY(read.ended);
        const std::vector<ColumnType> wantedTypes{ColumnType::Bool,   ColumnType::Byte,     ColumnType::Integer,
                                                  ColumnType::Long,   ColumnType::Currency, ColumnType::Single,
                                                  ColumnType::Double, ColumnType::DateTime, ColumnType::Text,
                                                  ColumnType::Memo,   ColumnType::Binary,   ColumnType::Binary};
        for (std::size_t c = 0; c < wantedTypes.size(); ++c) {
            QCOMPARE(read.columns[c].name, written.columns[c].name);
            QCOMPARE(int(read.columns[c].type), int(wantedTypes[c]));
        }
        const QString difference = differenceFrom(written, read);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        // The empty text and Null stay apart, for text and memo alike.
        QCOMPARE(read.rows[0][8].kind, Kind::Text);
        QCOMPARE(read.rows[1][8].kind, Kind::Null);
        QCOMPARE(read.rows[0][9].kind, Kind::Text);
        QCOMPARE(read.rows[1][9].kind, Kind::Null);
        QCOMPARE(QString::fromStdString(read.rows[2][9].text).size(), 70000);
    }

    void onlyTheWantedTablesAreReadOnceInTheOrderAsked()
    {
        DatabaseModel model = smallDictionary();
        auto& accented = model.addTable(QStringLiteral("Ärzte Straße"));
        accented.addColumn(QStringLiteral("Name"), jet4::ColumnType::Text, 20);
        accented.rows = {{QStringLiteral("a")}, {nullptr}};
        const QString path = write(QStringLiteral("filter.mdb"), model);
        RecordingSink sink;
        const QString failed = readInto(path,
                                        {QStringLiteral("values"), QStringLiteral("MAIN"), QStringLiteral("Main"),
                                         QStringLiteral("Missing"), QStringLiteral("äRZTE STRASSE")},
                                        sink);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(sink.tables, QStringList({QStringLiteral("Main"), QStringLiteral("Values"), QStringLiteral("Extra"),
                                           QStringLiteral("Ärzte Straße")}));
        QCOMPARE(sink.read.size(), std::size_t(3));
        QCOMPARE(sink.read[0].name, QStringLiteral("Values"));
        QCOMPARE(sink.read[0].rows.size(), std::size_t(1));
        QCOMPARE(sink.read[1].name, QStringLiteral("Main"));
        QCOMPARE(sink.read[1].rows.size(), std::size_t(2));
        QCOMPARE(sink.read[2].name, QStringLiteral("Ärzte Straße"));
        QCOMPARE(sink.read[2].rows.size(), std::size_t(2));
    }

    void syntheticDictionaryReadsAsWritten()
    {
        const DatabaseModel model = jet4::syntheticDictionary(3000, 7);
        const QString path = write(QStringLiteral("synthetic.mdb"), model);
        QStringList names;
        for (const auto& table : model.tables)
            names << table.name;
        RecordingSink sink;
        const QString failed = readInto(path, names, sink);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(sink.read.size(), model.tables.size());
        for (std::size_t t = 0; t < model.tables.size(); ++t) {
            QCOMPARE(sink.read[t].name, model.tables[t].name);
            const QString difference = differenceFrom(model.tables[t], sink.read[t]);
            QVERIFY2(difference.isEmpty(), qPrintable(model.tables[t].name + QStringLiteral(": ") + difference));
        }
    }

    // libmdb crashes on a table whose usage map is empty; the reader scans the table's pages instead.
    void tableWithAnEmptyUsageMapStillReads()
    {
        DatabaseModel model = smallDictionary();
        model.options.faults.emptyUsageMapTable = QStringLiteral("Main");
        const QString path = write(QStringLiteral("emptymap.mdb"), model);
        RecordingSink sink;
        const QString failed = readInto(path, {QStringLiteral("Main")}, sink);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(sink.read.size(), std::size_t(1));
        const QString difference = differenceFrom(model.tables[0], sink.read[0]);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // Access marks a deleted row in its offset, and leaves a pointer where a row that grew used to be,
    // flagging the row at its new place deleted so that a scan reads it once.
    void deletedAndMovedRowsReadAsAccessMeansThem()
    {
        DatabaseModel model;
        auto& main = model.addTable(QStringLiteral("Main"));
        main.addColumn(QStringLiteral("Table"), jet4::ColumnType::Text, 20)
            .addColumn(QStringLiteral("Column_SeqNo"), jet4::ColumnType::Long);
        main.rows = {{QStringLiteral("A"), 1}, {QStringLiteral("B"), 2}, {QStringLiteral("C"), 3}};
        const QByteArray sound = jet4::writeDatabase(model);
        auto u8 = [&sound](int at) { return quint32(quint8(sound[at])); };
        auto le16 = [&u8](int at) { return u8(at) | u8(at + 1) << 8; };
        int definition = 0;
        for (int page = 3; page * 4096 < sound.size() && !definition; ++page)
            if (u8(page * 4096) == 0x02)
                definition = page;
        int data = 0;
        for (int page = 3; page * 4096 < sound.size() && !data; ++page)
            if (u8(page * 4096) == 0x01 && (le16(page * 4096 + 4) | le16(page * 4096 + 6) << 16) == quint32(definition))
                data = page;
        QVERIFY(definition > 0 && data > 0);
        const int base = data * 4096;
        QCOMPARE(le16(base + 12), 3u);
        auto flag = [base](QByteArray& bytes, int row, quint32 bit) {
            bytes[base + 15 + 2 * row] = char(bytes[base + 15 + 2 * row] | (bit >> 8));
        };
        auto tableColumn = [](const RecordedTable& table) {
            QStringList values;
            for (const auto& row : table.rows)
                values << QString::fromStdString(row[0].text);
            return values.join(QLatin1Char(','));
        };

        QByteArray deleted = sound;
        flag(deleted, 1, 0x8000);
        RecordingSink withDeleted;
        QString failed =
            readInto(writeBytes(QStringLiteral("deleted.mdb"), deleted), {QStringLiteral("Main")}, withDeleted);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(tableColumn(withDeleted.read[0]), QStringLiteral("A,C"));

        QByteArray moved = sound;
        flag(moved, 0, 0x8000);  // A's new place
        flag(moved, 2, 0x4000);  // C's slot now points to A
        const int pointer = base + int(le16(base + 18) & 0x1FFF);
        const quint32 pgRow = quint32(data) << 8;
        for (int i = 0; i < 4; ++i)
            moved[pointer + i] = char(pgRow >> (8 * i));
        RecordingSink withMoved;
        failed = readInto(writeBytes(QStringLiteral("moved.mdb"), moved), {QStringLiteral("Main")}, withMoved);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(tableColumn(withMoved.read[0]), QStringLiteral("B,A"));
        QCOMPARE(withMoved.read[0].rows[1][1].number, 1.0);
    }

    void theFileIsOnlyRead()
    {
        const QString path = write(QStringLiteral("untouched.mdb"), smallDictionary());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        const QDateTime modified = QFileInfo(path).lastModified();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        const QStringList entries = QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

        RecordingSink sink;
        const QString failed = readInto(path, {QStringLiteral("Main"), QStringLiteral("Values")}, sink);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(sink.read.size(), std::size_t(2));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        QCOMPARE(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), entries);
    }

    void unreadableFilesAreRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("number");

        const QByteArray good = jet4::writeDatabase(smallDictionary());
        QTest::newRow("missing") << dir_.filePath(QStringLiteral("nowhere.mdb")) << ErrorNumber::FileNotFound;
        QTest::newRow("missing folder") << dir_.filePath(QStringLiteral("no/such/dir.mdb"))
                                        << ErrorNumber::FileNotFound;
        QDir(dir_.path()).mkdir(QStringLiteral("folder.mdb"));
        QTest::newRow("folder") << dir_.filePath(QStringLiteral("folder.mdb")) << ErrorNumber::UnrecognizedFormat;
        QTest::newRow("empty") << writeBytes(QStringLiteral("empty.mdb"), {}) << ErrorNumber::UnrecognizedFormat;
        QTest::newRow("text") << writeBytes(QStringLiteral("text.mdb"), QByteArray("Table;Column\nA;B\n").repeated(500))
                              << ErrorNumber::UnrecognizedFormat;
        QTest::newRow("cut inside a page")
            << writeBytes(QStringLiteral("cut.mdb"), good.left(good.size() - 100)) << ErrorNumber::DamagedData;
        QTest::newRow("cut at a page") << writeBytes(QStringLiteral("cutpage.mdb"), good.left(good.size() - 4096))
                                       << ErrorNumber::DamagedData;
        QTest::newRow("header only") << writeBytes(QStringLiteral("header.mdb"), good.left(4096))
                                     << ErrorNumber::DamagedData;
        QFile huge(dir_.filePath(QStringLiteral("huge.mdb")));  // sparse: it takes no room on the disk
        if (!huge.open(QIODevice::WriteOnly) || !huge.write(good.left(4096)) || !huge.resize((qint64(1) << 30) + 4096))
            qFatal("cannot make a sparse file");
        huge.close();
        QTest::newRow("too large") << huge.fileName() << ErrorNumber::FileTooLarge;
        DatabaseModel locked = smallDictionary();
        locked.options.password = QStringLiteral("secret");
        QTest::newRow("password") << write(QStringLiteral("password.mdb"), locked) << ErrorNumber::NotValidPassword;
    }

    void unreadableFilesAreRefused()
    {
        QFETCH(QString, path);
        QFETCH(int, number);
        const Failure failure = failureOf(path);
        QVERIFY2(failure.number == number, qPrintable(failure.description));
        QVERIFY2(failure.description.contains(path), qPrintable(failure.description));
    }

    // A catalog whose usage map is empty (which crashes libmdb) is damage, found at once.
    void aCatalogWithoutAUsageMapIsDamage()
    {
        DatabaseModel crashing = smallDictionary();
        crashing.options.faults.emptyUsageMapTable = QStringLiteral("MSysObjects");
        const QString path = write(QStringLiteral("crash.mdb"), crashing);
        QElapsedTimer timer;
        timer.start();
        const Failure failure = failureOf(path);
        QVERIFY2(failure.number == ErrorNumber::DamagedData, qPrintable(failure.description));
        QVERIFY2(failure.description.contains(path), qPrintable(failure.description));
        QVERIFY(timer.elapsed() < 3000);
    }

    // Bytes changed at random in a sound file: every reading ends in rows or in one of the errors a
    // damaged file may give.
    void damagedFilesGiveRowsOrAnError()
    {
        const QByteArray sound = jet4::writeDatabase(jet4::syntheticDictionary(400, 5));
        const QSet<int> allowed{0,
                                ErrorNumber::UnrecognizedFormat,
                                ErrorNumber::NotValidPassword,
                                ErrorNumber::FileTooLarge,
                                ErrorNumber::DamagedData,
                                ErrorNumber::FileSystem};
        QMap<int, int> outcomes;
        quint32 state = 20261208;
        auto random = [&state](quint32 below) {
            state = state * 1664525u + 1013904223u;
            return (state >> 8) % below;
        };
        const QString path = dir_.filePath(QStringLiteral("damaged.mdb"));
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes = sound;
            const int changes = 1 + int(random(8));
            // Every other round hits the first pages: header, catalog and table definitions.
            const quint32 span =
                round % 2 ? quint32(std::min<qsizetype>(bytes.size(), 12 * 4096)) : quint32(bytes.size());
            for (int i = 0; i < changes; ++i)
                bytes[int(random(span))] = char(random(256));
            QFile::remove(path);
            writeBytes(QStringLiteral("damaged.mdb"), bytes);
            const Failure failure =
                failureOf(path, {QStringLiteral("Main"), QStringLiteral("CDS_TBL_TABLE_DESC"), QStringLiteral("Values"),
                                 QStringLiteral("CDS_TBL_RELS_RELEASES")});
            QVERIFY2(
                allowed.contains(failure.number),
                qPrintable(QStringLiteral("round %1: %2 %3").arg(round).arg(failure.number).arg(failure.description)));
            ++outcomes[failure.number];
        }
        qInfo() << "outcomes by error number (0: read):" << outcomes;
    }

    // An error raised by the sink ends the reading at once and reaches the caller unchanged.
    void aSinkErrorStopsTheReading()
    {
        const DatabaseModel model = jet4::syntheticDictionary(2000, 3);
        const QString path = write(QStringLiteral("sinkerror.mdb"), model);
        class Refusing final : public TableSink {
        public:
            void catalog(const QStringList&) override {}
            void beginTable(const QString&, const std::vector<ColumnInfo>&) override {}
            void row(const CellView*, int) override
            {
                if (++rows == 10)
                    throw Error(ErrorNumber::EngineFailure, QStringLiteral("full"));
            }
            void endTable() override {}
            int rows = 0;
        } sink;
        try {
            FileReader::read(path, {QStringLiteral("Main")}, sink);
            QFAIL("the error was lost");
        } catch (const Error& error) {
            QCOMPARE(error.number(), ErrorNumber::EngineFailure);
        }
        QCOMPARE(sink.rows, 10);
    }
};

QTEST_GUILESS_MAIN(FileReaderTest)
#include "tst_filereader.moc"
