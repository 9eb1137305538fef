// The structure lint accepts what the writer writes, reports each kind of damage readers would not
// notice (or would trip over), and survives arbitrary damage itself.

#include "writerfixtures.h"

#include "testkit/mdbwrite/databasewriter.h"
#include "dictionary/reader/jetformat.h"
#include "testkit/mdbwrite/structurelint.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QRandomGenerator>
#include <QtTest>

#include <functional>

using namespace volmira::jet4;

namespace {

// A file with one user table "Main" (its definition on page 3): an id, a text and a memo column; row 0
// holds a chained memo, row 1 a memo on one LVAL row, the other rows inline memos.
QByteArray smallFile(WrittenLayout* layout = nullptr)
{
    DatabaseModel model;
    TableModel& main = model.addTable(QStringLiteral("Main"));
    main.addColumn(QStringLiteral("Id"), ColumnType::Long)
        .addColumn(QStringLiteral("Name"), ColumnType::Text, 40)
        .addColumn(QStringLiteral("Body"), ColumnType::Memo);
    main.rows.push_back({0, "chained", QString(9000, QLatin1Char('c'))});
    main.rows.push_back({1, "single", QString(500, QLatin1Char('s'))});
    for (int i = 2; i < 400; ++i)
        main.rows.push_back({i, QStringLiteral("row %1").arg(i), QStringLiteral("inline %1").arg(i)});
    return writeDatabase(model, layout);
}

std::uint8_t* page(QByteArray& file, std::uint32_t n)
{
    return reinterpret_cast<std::uint8_t*>(file.data()) + std::size_t(n) * kPageSize;
}

constexpr std::uint32_t kMainDefinition = 3;

std::vector<std::uint32_t> pagesOwnedBy(QByteArray& file, std::uint32_t owner)
{
    std::vector<std::uint32_t> pages;
    for (std::uint32_t n = 1; n < std::uint32_t(file.size() / kPageSize); ++n) {
        if (page(file, n)[0] == kPageData && get32(page(file, n) + 4) == owner)
            pages.push_back(n);
    }
    return pages;
}

std::uint8_t* rowStart(QByteArray& file, std::uint32_t n, std::uint32_t row)
{
    return page(file, n) + get16(page(file, n) + kDataHeaderSize + 2 * row);
}

// The 69-byte used-pages map of Main.
std::uint8_t* mainUsageMap(QByteArray& file)
{
    const std::uint32_t pgRow = get32(page(file, kMainDefinition) + 55);
    return rowStart(file, pgRow >> 8, pgRow & 0xFF);
}

void setMapBit(QByteArray& file, std::uint32_t pageNumber, bool on)
{
    std::uint8_t* map = mainUsageMap(file);
    const std::uint32_t bit = pageNumber - get32(map + 1);
    if (on)
        map[5 + bit / 8] |= std::uint8_t(1u << (bit % 8));
    else
        map[5 + bit / 8] &= std::uint8_t(~(1u << (bit % 8)));
}

// The memo header of Main's row `row` (rows are on the first data page): after num_cols, the 4-byte
// fixed area and the text.
std::uint8_t* memoHeader(QByteArray& file, std::uint32_t row)
{
    const std::uint32_t first = pagesOwnedBy(file, kMainDefinition).front();
    std::uint8_t* start = rowStart(file, first, row);
    const std::uint32_t length = (row ? get16(page(file, first) + kDataHeaderSize + 2 * (row - 1)) : kPageSize)
                                 - get16(page(file, first) + kDataHeaderSize + 2 * row);
    // Var table from the end: mask (1 byte), count, offsets[0..1], eod; the memo is variable column 1.
    const std::uint8_t* end = start + length;
    return start + get16(end - 1 - 2 - 4);
}

QString problems(const QByteArray& file) { return lintStructure(file).problems.join(QLatin1Char('\n')); }

}  // namespace

class StructureLintTest final : public QObject {
    Q_OBJECT

private slots:
    void acceptsWrittenFiles()
    {
        DatabaseModel model;
        model.tables.push_back(writerfixtures::everyTypeTable());
        model.tables.push_back(writerfixtures::wideTable());
        TableModel& memos = model.addTable(QStringLiteral("Memos"));
        memos.addColumn(QStringLiteral("Body"), ColumnType::Memo);
        for (const QString& memo : writerfixtures::boundaryMemos())
            memos.rows.push_back({memo});
        model.addTable(QStringLiteral("Empty")).addColumn(QStringLiteral("A"), ColumnType::Long);
        const LintReport report = lintStructure(writeDatabase(model));
        QVERIFY2(report.sound(), qPrintable(report.problems.join(QLatin1Char('\n'))));
        QCOMPARE(report.tables, 4u);
        QCOMPARE(report.rows,
                 std::uint64_t(model.tables[0].rows.size() + model.tables[1].rows.size() + memos.rows.size()));

        // Thousands of pages per table: usage maps on bitmap pages.
        const LintReport big = lintStructure(writeDatabase(syntheticDictionary(20000)));
        QVERIFY2(big.sound(), qPrintable(big.problems.join(QLatin1Char('\n'))));
        QCOMPARE(big.rows, std::uint64_t(20000 + 800 + 20000 + 52));
    }

    void reportsDamage_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("problem");
        const char* const cases[][2] = {
            {"data page free space off by 2", "the free space is"},
            {"row offsets out of order", "outside"},
            {"definition length off by one", "tdef_len is"},
            {"definition page free space wrong", "has the free space"},
            {"usage map lists a page of another table", "which does not belong to it"},
            {"data page missing from the usage map", "is missing from its usage map"},
            {"row count of the definition wrong", "the definition counts 401 rows, the pages hold 400"},
            {"LVAL chain holds more than the header says", "the LVAL chain holds 18000 bytes, the header says 17999"},
            {"single LVAL row longer than the header says", "the LVAL row has 502 bytes, the header says 503"},
            {"unknown long-value flags", "unknown long-value flags 16"},
            {"variable column count wrong", "variable columns, the table 2"},
            {"an extra page nobody uses", "is used by nothing"},
            {"file cut inside a page", "is not a multiple of 4096"},
            {"usage map row of length 0", "the usage map is empty"},
        };
        for (int i = 0; i < int(std::size(cases)); ++i)
            QTest::newRow(cases[i][0]) << i << QString::fromLatin1(cases[i][1]);
    }

    void reportsDamage()
    {
        QFETCH(int, damage);
        QFETCH(QString, problem);
        WrittenLayout layout;
        QByteArray file = smallFile(&layout);
        QVERIFY(lintStructure(file).sound());
        const std::vector<std::uint32_t> mainPages = pagesOwnedBy(file, kMainDefinition);
        QCOMPARE(layout.tables.at(1).definitionPages.front(), kMainDefinition);
        QCOMPARE(layout.tables.at(1).dataPages, mainPages);
        QCOMPARE(layout.tables.at(1).longValuePages.at(0), pagesOwnedBy(file, kLvalOwner));
        QCOMPARE(layout.tables.at(1).usedMapPgRow, get32(page(file, kMainDefinition) + 55));
        QVERIFY(mainPages.size() >= 2);
        std::uint8_t* first = page(file, mainPages.front());
        switch (damage) {
        case 0: put16(first + 2, get16(first + 2) + 2); break;
        case 1: {
            const std::uint32_t a = get16(first + kDataHeaderSize), b = get16(first + kDataHeaderSize + 2);
            put16(first + kDataHeaderSize, b);
            put16(first + kDataHeaderSize + 2, a);
            break;
        }
        case 2: put32(page(file, kMainDefinition) + 8, get32(page(file, kMainDefinition) + 8) + 1); break;
        case 3: put16(page(file, kMainDefinition) + 2, get16(page(file, kMainDefinition) + 2) - 1); break;
        case 4: setMapBit(file, pagesOwnedBy(file, kCatalogPage).front(), true); break;
        case 5: setMapBit(file, mainPages.back(), false); break;
        case 6: put32(page(file, kMainDefinition) + 16, 401); break;
        case 7: put24(memoHeader(file, 0), 17999); break;
        case 8: put24(memoHeader(file, 1), 503); break;
        case 9: memoHeader(file, 2)[3] = 0x10; break;
        case 10: {
            // Row 2's variable-column count sits before its 1-byte null mask.
            const std::uint32_t end = get16(first + kDataHeaderSize + 2 * 1);
            put16(first + end - 1 - 2, 3);
            break;
        }
        case 11:
            file.append(QByteArray(kPageSize, '\0'));
            page(file, std::uint32_t(file.size() / kPageSize) - 1)[0] = kPageData;
            break;
        case 12: file.chop(100); break;
        case 13: {
            DatabaseModel model;
            model.addTable(QStringLiteral("Main")).addColumn(QStringLiteral("A"), ColumnType::Long).rows.push_back({1});
            model.options.faults.emptyUsageMapTable = QStringLiteral("Main");
            file = writeDatabase(model);
            break;
        }
        }
        const QString found = problems(file);
        QVERIFY2(found.contains(problem), qPrintable(QStringLiteral("expected \"%1\", got:\n%2").arg(problem, found)));
    }

    void survivesArbitraryDamage()
    {
        // Random bytes changed, whole pages overwritten and cut files: the lint reports and returns.
        const QByteArray sound = smallFile();
        QRandomGenerator random(20240501);
        const int pages = int(sound.size() / kPageSize);
        for (int round = 0; round < 400; ++round) {
            QByteArray file = sound;
            const int kind = round % 4;
            if (kind == 0) {
                for (int i = 0, n = random.bounded(1, 40); i < n; ++i)
                    file[random.bounded(int(file.size()))] = char(random.bounded(256));
            } else if (kind == 1) {
                const int target = random.bounded(pages);
                for (int i = 0; i < kPageSize; ++i)
                    file[target * kPageSize + i] = char(random.bounded(256));
            } else if (kind == 2) {
                file.truncate(random.bounded(int(file.size())));
            } else {
                // Header fields of a random page: type, counts and pointers.
                const int target = random.bounded(1, pages);
                for (int i = 0; i < 16; ++i)
                    file[target * kPageSize + random.bounded(64)] = char(random.bounded(256));
            }
            lintStructure(file);
        }
        QVERIFY(!lintStructure(QByteArray()).sound());
        QVERIFY(!lintStructure(QByteArray(3 * kPageSize, '\0')).sound());
    }
};

QTEST_GUILESS_MAIN(StructureLintTest)
#include "tst_structurelint.moc"
