// The Jet reader on its own, through its RowSink: which tables it reads, how it decodes Jet 3 text in
// the code page a file declares, how it refuses what is no dictionary file, and that reading in a thread
// of its own hands over the same.

#include "dictionary/errornumbers.h"
#include "dictionary/rc4.h"
#include "dictionary/reader/bytesource.h"
#include "dictionary/reader/dictionaryreader.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/rowsink.h"
#include "jet3file.h"
#include "testkit/mdbwrite/databasewriter.h"

#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace volmira;

namespace {

struct Recorded final : reader::RowSink {
    void catalog(const std::vector<std::string>& userTables) override { tables = userTables; }
    void beginTable(std::string_view name, const std::vector<reader::ReadColumn>&) override
    {
        read.emplace_back(name);
    }
    void row(const CellView* cells, int count) override
    {
        for (int i = 0; i < count; ++i)
            if (cells[i].kind == CellView::Kind::Text)
                texts.emplace_back(cells[i].text);
    }
    void endTable() override {}

    std::vector<std::string> tables;
    std::vector<std::string> read;
    std::vector<std::string> texts;
};

Recorded readBytes(const QByteArray& bytes, const std::vector<std::string>& wanted)
{
    reader::MemoryBytes source(reinterpret_cast<const unsigned char*>(bytes.constData()), std::size_t(bytes.size()));
    Recorded sink;
    reader::readDictionary(source, wanted, sink);
    return sink;
}

// Everything a reader hands over, in order, as text.
struct Transcript final : reader::RowSink {
    void catalog(const std::vector<std::string>& userTables) override
    {
        for (const std::string& table : userTables)
            lines += "catalog " + table + "\n";
    }
    void beginTable(std::string_view name, const std::vector<reader::ReadColumn>& columns) override
    {
        lines += "begin " + std::string(name) + " " + std::to_string(columns.size()) + "\n";
    }
    void row(const CellView* cells, int count) override
    {
        if (++rows == failAtRow)
            throw std::runtime_error("the sink failed");
        for (int i = 0; i < count; ++i)
            lines += std::to_string(int(cells[i].kind)) + ":" + std::to_string(cells[i].number) + ":"
                     + std::string(cells[i].text) + "|";
        lines += "\n";
    }
    void endTable() override { lines += "end\n"; }

    std::string lines;
    int rows = 0;
    int failAtRow = 0;
};

// The code page sits in the part of page 0 that RC4 obscures; RC4 is a XOR, so a XOR changes it in place.
QByteArray withCodePage(QByteArray file, int codePage)
{
    const int change = 1252 ^ codePage;
    file[0x3C] = char(file[0x3C] ^ (change & 0xFF));
    file[0x3D] = char(file[0x3D] ^ (change >> 8));
    return file;
}

}  // namespace

class JetReaderTest final : public QObject {
    Q_OBJECT

private slots:
    void wantedTablesIgnoreCaseComeOnceInTheOrderAsked()
    {
        jet4::DatabaseModel model;
        model.addTable(QStringLiteral("Main")).addColumn(QStringLiteral("Table"), jet4::ColumnType::Text, 10).rows = {
            {"a"}};
        model.addTable(QString::fromUtf8("Ärzte Straße")).addColumn(QStringLiteral("Wert"), jet4::ColumnType::Text, 10).rows = {
            {"b"}};
        const Recorded sink = readBytes(jet4::writeDatabase(model), {"äRZTE STRASSE", "nowhere", "main", "Ärzte Straße", "MAIN"});
        QCOMPARE(sink.tables, (std::vector<std::string>{"Main", "Ärzte Straße"}));
        QCOMPARE(sink.read, (std::vector<std::string>{"Ärzte Straße", "Main"}));
    }

    // A file with a database key has every page but the header obscured with RC4 under key ^ page.
    void pagesUnderADatabaseKeyReadAsThePlainOnes()
    {
        jet4::DatabaseModel model;
        auto& main = model.addTable(QStringLiteral("Main"));
        main.addColumn(QStringLiteral("Table"), jet4::ColumnType::Text, 20)
            .addColumn(QStringLiteral("PD_Definition"), jet4::ColumnType::Memo);
        for (int i = 0; i < 50; ++i)
            main.rows.push_back({QStringLiteral("T%1").arg(i), QString(3000, QChar('a' + i % 26))});
        const QByteArray plain = jet4::writeDatabase(model);
        QByteArray keyed = plain;
        const std::uint32_t key = 0x1234ABCD;
        for (int i = 0; i < 4; ++i)
            keyed[0x3E + i] = char(keyed[0x3E + i] ^ (key >> (8 * i)));
        for (qsizetype page = 1; page < keyed.size() / 4096; ++page) {
            const std::uint32_t pageKey = key ^ std::uint32_t(page);
            const unsigned char bytes[4] = {static_cast<unsigned char>(pageKey), static_cast<unsigned char>(pageKey >> 8),
                                            static_cast<unsigned char>(pageKey >> 16),
                                            static_cast<unsigned char>(pageKey >> 24)};
            rc4(bytes, 4, reinterpret_cast<unsigned char*>(keyed.data()) + page * 4096, 4096);
        }
        const Recorded expected = readBytes(plain, {"Main"});
        const Recorded read = readBytes(keyed, {"Main"});
        QCOMPARE(read.texts.size(), std::size_t(100));
        QCOMPARE(read.texts, expected.texts);
    }

    void jet3TextIsInTheFilesCodePage_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("expected");
        // The bytes C0 E9 81: Cyrillic in 1251; in 1252 "Àé" and an undefined byte; 1252 for a code page
        // without a table.
        QTest::newRow("1251") << 1251 << QString::fromUtf8("АйЃ");
        QTest::newRow("1252") << 1252 << QString::fromUtf8("Àé?");
        QTest::newRow("unknown") << 4242 << QString::fromUtf8("Àé?");
        QTest::newRow("850") << 850 << QString::fromUtf8("└Úü");
    }
    void jet3TextIsInTheFilesCodePage()
    {
        QFETCH(int, codePage);
        QFETCH(QString, expected);
        testjet3::Jet3Table table{QStringLiteral("Main"), {{QStringLiteral("Table"), testjet3::Jet3Type::Text, 10}}, {}};
        // The maker writes 1252: "ÀéX" becomes C0 E9 58, and the X turns into a byte 1252 leaves undefined.
        table.rows.push_back({QString::fromUtf8("ÀéX")});
        QByteArray file = testjet3::buildJet3File({table});
        file[file.indexOf("\xC0\xE9X") + 2] = char(0x81);
        const Recorded sink = readBytes(withCodePage(file, codePage), {"Main"});
        QCOMPARE(sink.texts.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(sink.texts.front()), expected);
    }

    void whatIsNoDictionaryFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("number");
        QByteArray jet4 = jet4::writeDatabase(jet4::DatabaseModel{});
        QTest::newRow("empty") << QByteArray() << ErrorNumber::UnrecognizedFormat;
        QTest::newRow("text") << QByteArray(5000, 'x') << ErrorNumber::UnrecognizedFormat;
        QTest::newRow("cut in a page") << jet4.left(3 * 4096 + 100) << ErrorNumber::DamagedData;
        QByteArray newer = jet4;
        newer[0x14] = char(0x07);
        QTest::newRow("newer version") << newer << ErrorNumber::UnrecognizedFormat;
        QByteArray noCatalog = jet4;
        noCatalog[2 * 4096] = char(0x01);
        QTest::newRow("no catalog") << noCatalog << ErrorNumber::DamagedData;
    }
    void whatIsNoDictionaryFileIsRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, number);
        try {
            readBytes(bytes, {"Main"});
            QFAIL("read");
        } catch (const reader::Failure& failure) {
            QVERIFY2(failure.number == number, failure.message.c_str());
        }
    }

    // Reading in a thread beside the sink: the same things in the same order, rows larger than what
    // the threads pass at a time among them; the reader's failures and the sink's both end the reading.
    void readingAlongsideHandsOverWhatTheReaderReads()
    {
        jet4::DatabaseModel model;
        jet4::TableModel& table = model.addTable(QStringLiteral("Main"))
                                      .addColumn(QStringLiteral("Table"), jet4::ColumnType::Text, 200)
                                      .addColumn(QStringLiteral("Number"), jet4::ColumnType::Long)
                                      .addColumn(QStringLiteral("Definition"), jet4::ColumnType::Memo);
        table.generatedRowCount = 4000;
        table.rowGenerator = [](std::size_t index, jet4::Row& row) {
            const QString memo = index == 1234 ? QString(700000, QLatin1Char('m')) : QStringLiteral("d%1").arg(index);
            row = {QString(150, QChar(u'\u00e9')) + QString::number(index), int(index), memo};
        };
        model.addTable(QStringLiteral("Values")).addColumn(QStringLiteral("Value"), jet4::ColumnType::Text, 10).rows = {
            {"v"}, {nullptr}};
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("d.mdb"));
        jet4::writeDatabaseFile(model, path);
        const std::vector<std::string> wanted{"values", "main"};
        Transcript direct, alongside;
        reader::readDictionary(path.toStdString(), wanted, direct);
        reader::readDictionaryAlongside(path.toStdString(), wanted, alongside);
        QCOMPARE(alongside.rows, 4002);
        QVERIFY(alongside.lines == direct.lines);

        Transcript failing;
        failing.failAtRow = 3000;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 reader::readDictionaryAlongside(path.toStdString(), wanted, failing));

        QFile file(path);
        QVERIFY(file.resize(file.size() / 2));
        const auto failureOf = [](const auto& read) {
            try {
                read();
            } catch (const reader::Failure& failure) {
                return failure.number;
            }
            return 0;
        };
        QCOMPARE(failureOf([&] { reader::readDictionary(path.toStdString(), wanted, direct); }),
                 ErrorNumber::DamagedData);
        QCOMPARE(failureOf([&] { reader::readDictionaryAlongside(path.toStdString(), wanted, alongside); }),
                 ErrorNumber::DamagedData);
    }

    void missingFilesAndFoldersAreRefused()
    {
        QTemporaryDir dir;
        Recorded sink;
        for (const auto& [path, number] : {std::pair{dir.filePath(QStringLiteral("none.mdb")), ErrorNumber::FileNotFound},
                                           std::pair{dir.path(), ErrorNumber::UnrecognizedFormat}}) {
            try {
                reader::readDictionary(path.toStdString(), {}, sink);
                QFAIL("read");
            } catch (const reader::Failure& failure) {
                QCOMPARE(failure.number, number);
            }
        }
    }
};

QTEST_GUILESS_MAIN(JetReaderTest)
#include "tst_jetreader.moc"
