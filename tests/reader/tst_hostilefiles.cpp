// Files users meet when a copy went wrong or another program has them: cut short, with pages that are
// not what the definitions say, with many rows pointing at one long value, locked for writing.

#include "common/testsupport.h"
#include "dictionary/error.h"
#include "dictionary/filereader.h"
#include "dictionary/reader/jetformat.h"
#include "recordingsink.h"
#include "testkit/mdbwrite/databasewriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace volmira;
using jet4::DatabaseModel;

namespace {

// Main with rows on several data pages and memos on long-value pages, its catalog written first.
DatabaseModel dictionaryWithMemos()
{
    DatabaseModel model;
    model.options.catalogFirst = true;
    auto& main = model.addTable(QStringLiteral("Main"));
    main.addColumn(QStringLiteral("Table"), jet4::ColumnType::Text, 50)
        .addColumn(QStringLiteral("PD_Definition"), jet4::ColumnType::Memo);
    for (int i = 0; i < 300; ++i)
        main.rows.push_back(
            {QStringLiteral("TABLE_%1_").arg(i).repeated(4), QStringLiteral("definition %1 ").arg(i).repeated(10)});
    model.addTable(QStringLiteral("Values")).addColumn(QStringLiteral("Value"), jet4::ColumnType::Text, 10).rows = {
        {"A"}};
    return model;
}

struct Outcome {
    int number = 0;
    QString description;
    std::size_t rows = 0;
};

Outcome read(const QString& path)
{
    RecordingSink sink;
    try {
        FileReader::read(path, {QStringLiteral("Main"), QStringLiteral("Values")}, sink);
    } catch (const Error& error) {
        return {error.number(), error.description(), 0};
    }
    return {0, {}, sink.read.empty() ? 0 : sink.read.front().rows.size()};
}

void put32(QByteArray& bytes, qsizetype at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (8 * i));
}

}  // namespace

class HostileFilesTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

    QString save(const QString& name, const QByteArray& bytes) { return writeFile(dir_.filePath(name), bytes); }

private slots:
    // Whatever page a table's definition, usage map or rows refer to that is missing or of another kind
    // ends as damage naming the table; the sound file reads in full.
    void missingOrMisdirectedPagesAreDamage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("cause");

        jet4::WrittenLayout layout;
        const QByteArray sound = jet4::writeDatabase(dictionaryWithMemos(), &layout);
        const jet4::WrittenTable& main = layout.tables.at(1);
        QVERIFY(main.dataPages.size() > 3);
        QVERIFY(layout.tables.front().dataPages.back() < main.definitionPages.front() + 10);
        QTest::newRow("sound") << sound << QString();
        const qsizetype page = jet4::kPageSize;
        QTest::newRow("cut before the rows") << sound.left(main.dataPages.front() * page) << "past the end";
        QTest::newRow("cut in the rows") << sound.left(main.dataPages.at(2) * page) << "past the end";
        QTest::newRow("cut in the long values")
            << sound.left(main.longValuePages.front().back() * page) << "PD_Definition";
        QByteArray mapAway = sound;
        put32(mapAway, main.definitionPages.front() * page + 55, (layout.pageCount + 3) << 8);
        QTest::newRow("usage map past the end") << mapAway << "usage map";
        QByteArray foreignPage = sound;
        put32(foreignPage, main.dataPages.at(1) * page + 4, main.definitionPages.front() + 1);
        QTest::newRow("a page of another table") << foreignPage << "not one of its data pages";
        QByteArray definitionAway = sound;
        put32(definitionAway, main.definitionPages.front() * page + 4, layout.pageCount + 1);
        QTest::newRow("definition goes on past the end") << definitionAway << "definition";
    }

    void missingOrMisdirectedPagesAreDamage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, cause);
        const Outcome outcome = read(save(QStringLiteral("pages.mdb"), bytes));
        if (cause.isEmpty()) {
            QVERIFY2(outcome.number == 0, qPrintable(outcome.description));
            QCOMPARE(outcome.rows, std::size_t(300));
            return;
        }
        QVERIFY2(outcome.number == ErrorNumber::DamagedData, qPrintable(outcome.description));
        QVERIFY2(outcome.description.contains(QLatin1String("damaged or incomplete"))
                     && outcome.description.contains(QLatin1String("'Main'")) && outcome.description.contains(cause),
                 qPrintable(outcome.description));
    }

    // A long value on thousands of pages reads whole.
    void aLongValueOnThousandsOfPagesReads()
    {
        DatabaseModel model = dictionaryWithMemos();
        model.tables[0].rows[0][1] = QString(8000000, QLatin1Char('z'));
        const QString path = save(QStringLiteral("longvalue.mdb"), jet4::writeDatabase(model));
        const Outcome outcome = read(path);
        QVERIFY2(outcome.number == 0, qPrintable(outcome.description));
        QCOMPARE(outcome.rows, std::size_t(300));
    }

    // Rows that all point at one long value would make a small file fill the memory with copies.
    void sharedLongValuesAreRefused()
    {
        DatabaseModel model;
        auto& main = model.addTable(QStringLiteral("Main"));
        main.addColumn(QStringLiteral("Table"), jet4::ColumnType::Text, 50)
            .addColumn(QStringLiteral("PD_Definition"), jet4::ColumnType::Memo);
        main.rows.push_back({"T0", QString(1 << 20, QLatin1Char('x'))});
        for (int i = 1; i < 300; ++i)
            main.rows.push_back({QStringLiteral("T%1").arg(i), QStringLiteral("short %1 ").arg(i).repeated(12)});
        DatabaseModel shared = model;
        shared.options.faults.sharedLongValueTable = QStringLiteral("Main");

        const Outcome sound = read(save(QStringLiteral("distinct.mdb"), jet4::writeDatabase(model)));
        QVERIFY2(sound.number == 0, qPrintable(sound.description));
        const Outcome outcome = read(save(QStringLiteral("shared.mdb"), jet4::writeDatabase(shared)));
        QVERIFY2(outcome.number == ErrorNumber::FileTooLarge && outcome.description.contains(QLatin1String("'Main'"))
                     && outcome.description.contains(QLatin1String("'PD_Definition'")),
                 qPrintable(outcome.description));
    }

    // A write lock of another program, of any of the three kinds, means the file is in use; a read
    // lock does not. Neither is waited for.
    void lockedFiles_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("forWriting");
        for (const bool writing : {true, false}) {
            const char* what = writing ? "write" : "read";
            QTest::addRow("flock %s", what) << 0 << writing;
            QTest::addRow("POSIX %s", what) << 1 << writing;
            QTest::addRow("open file description %s", what) << 2 << writing;
        }
    }

    void lockedFiles()
    {
        QFETCH(int, kind);
        QFETCH(bool, forWriting);
        const QString path = save(QStringLiteral("locked.mdb"), jet4::writeDatabase(dictionaryWithMemos()));
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
        QVERIFY(fd >= 0);
        struct flock lock {};
        lock.l_type = short(forWriting ? F_WRLCK : F_RDLCK);
        lock.l_whence = SEEK_SET;
        const int locked = kind == 0   ? ::flock(fd, forWriting ? LOCK_EX : LOCK_SH)
                           : kind == 1 ? ::fcntl(fd, F_SETLK, &lock)
                                       : ::fcntl(fd, F_OFD_SETLK, &lock);
        QCOMPARE(locked, 0);
        const Outcome outcome = read(path);
        ::close(fd);
        if (forWriting) {
            QCOMPARE(outcome.number, ErrorNumber::FileInUse);
            QCOMPARE(outcome.description, QStringLiteral("Could not use '%1'; file already in use.").arg(path));
        } else {
            QVERIFY2(outcome.number == 0, qPrintable(outcome.description));
        }
    }

    // A property record of length 0 made libmdb loop; the reader reads no properties.
    void aZeroLengthPropertyRecordIsNoHang()
    {
        DatabaseModel model = dictionaryWithMemos();
        model.options.faults.zeroLengthPropertyTable = QStringLiteral("Main");
        const QString path = save(QStringLiteral("stuck.mdb"), jet4::writeDatabase(model));
        const Outcome outcome = read(path);
        QVERIFY2(outcome.number == 0, qPrintable(outcome.description));
        QCOMPARE(outcome.rows, std::size_t(300));
    }
};

QTEST_GUILESS_MAIN(HostileFilesTest)
#include "tst_hostilefiles.moc"
