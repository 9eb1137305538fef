#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace volmira::jet4 {

namespace {

constexpr std::size_t kColumnsPerTable = 25;
constexpr std::size_t kValuesPerCodedColumn = 5;

const std::array<const char*, 23> kAreas = {"acct", "bill", "case", "clcl", "coco", "crcr", "ctct", "cust",
                                            "etav", "fawf", "thdv", "thpr", "itsc", "itsp", "mcar", "mesb",
                                            "obxp", "plan", "prov", "syst", "temp", "txtx", "util"};

const std::array<const char*, 64> kWords = {
    "claim",     "member",     "provider", "subscriber", "group",       "plan",      "benefit",       "premium",
    "payment",   "invoice",    "account",  "ledger",     "capitation",  "risk",      "criteria",      "workflow",
    "privacy",   "pricing",    "network",  "tax",        "utilization", "review",    "authorization", "referral",
    "diagnosis", "procedure",  "service",  "line",       "date",        "effective", "termination",   "status",
    "code",      "amount",     "allowed",  "paid",       "deductible",  "copay",     "coinsurance",   "adjustment",
    "reason",    "identifier", "sequence", "number",     "type",        "indicator", "flag",          "description",
    "the",       "of",         "for",      "is",         "and",         "when",      "member's",      "record",
    "used",      "to",         "identify", "naïve",      "Müller",      "a",         "stored",        "batch"};

const std::array<const char*, 8> kDataTypes = {"char",  "varchar",  "int",     "smallint",
                                               "money", "datetime", "decimal", "tinyint"};
const std::array<const char*, 6> kControls = {"TextBox", "ComboBox", "CheckBox", "Grid", "DatePicker", "ListBox"};

std::uint64_t splitMix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A small generator seeded from (seed, table, index), so that any row can be made on its own.
const std::vector<QString>& wordList()
{
    static const std::vector<QString> words = [] {
        std::vector<QString> list;
        for (const char* word : kWords)
            list.push_back(QString::fromUtf8(word));
        return list;
    }();
    return words;
}

class Draw final {
public:
    Draw(std::uint64_t seed, std::uint64_t stream, std::uint64_t index)
        : state_(splitMix(seed ^ splitMix(stream * 0x100000001B3ull ^ splitMix(index))))
    {}
    std::uint64_t next() { return state_ = splitMix(state_); }
    std::size_t below(std::size_t n) { return std::size_t(next() % n); }
    std::size_t between(std::size_t low, std::size_t high) { return low + below(high - low + 1); }

    // Sentences of vocabulary words, `minChars` to `maxChars` long. Built in one buffer: this is most of
    // the time spent making a row.
    QString words(std::size_t minChars, std::size_t maxChars)
    {
        const std::size_t target = between(minChars, maxChars);
        constexpr std::size_t kLongestStep = 16;  // blank, the longest word, full stop
        QString text(qsizetype(target + kLongestStep), Qt::Uninitialized);
        QChar* out = text.data();
        std::size_t length = 0;
        bool sentenceStart = true;
        while (length < target) {
            if (length)
                out[length++] = QLatin1Char(' ');
            const QString& word = wordList()[below(kWords.size())];
            std::memcpy(out + length, word.constData(), std::size_t(word.size()) * sizeof(QChar));
            if (sentenceStart)
                out[length] = out[length].toUpper();
            length += std::size_t(word.size());
            sentenceStart = below(9) == 0;
            if (sentenceStart)
                out[length++] = QLatin1Char('.');
        }
        text.truncate(qsizetype(std::min(length, maxChars)));
        return text;
    }

private:
    std::uint64_t state_;
};

QString tableName(std::uint64_t seed, std::size_t table)
{
    Draw draw(seed, 1, table);
    const QString area = QString::fromLatin1(kAreas[draw.below(kAreas.size())]).toUpper();
    const QString word = QString::fromUtf8(kWords[draw.below(48)]).toUpper();
    return QStringLiteral("CMC_%1_%2_%3").arg(area, word).arg(table, 5, 10, QLatin1Char('0'));
}

QString tableArea(std::uint64_t seed, std::size_t table)
{
    Draw draw(seed, 1, table);
    return QString::fromLatin1(kAreas[draw.below(kAreas.size())]);
}

QString columnName(std::uint64_t seed, std::size_t table, std::size_t sequence)
{
    Draw draw(seed, 2, table * kColumnsPerTable + sequence);
    const QString word = QString::fromUtf8(kWords[draw.below(48)]).toUpper();
    return QStringLiteral("%1_%2_%3")
        .arg(tableArea(seed, table).toUpper(), word)
        .arg(sequence, 2, 10, QLatin1Char('0'));
}

// Main row i belongs to table i / 25; within a table the sequence numbers are a permutation of 1..25.
std::size_t sequenceOf(std::size_t mainRow) { return (mainRow % kColumnsPerTable) * 7 % kColumnsPerTable + 1; }

}  // namespace

TableModel& addDictionaryMainTable(DatabaseModel& model)
{
    return model.addTable(QStringLiteral("Main"))
        .addColumn(QStringLiteral("Table"), ColumnType::Text, 100)
        .addColumn(QStringLiteral("Column"), ColumnType::Text, 100)
        .addColumn(QStringLiteral("Functional Area"), ColumnType::Text, 10)
        .addColumn(QStringLiteral("Data Type"), ColumnType::Text, 50)
        .addColumn(QStringLiteral("Data Attributes"), ColumnType::Text, 50)
        .addColumn(QStringLiteral("Logical Desc"), ColumnType::Text, 255)
        .addColumn(QStringLiteral("PD_Definition"), ColumnType::Memo)
        .addColumn(QStringLiteral("Primary Key"), ColumnType::Bool)
        .addColumn(QStringLiteral("Foreign Key"), ColumnType::Bool)
        .addColumn(QStringLiteral("Column_SeqNo"), ColumnType::Long)
        .addColumn(QStringLiteral("GUI Name"), ColumnType::Text, 100)
        .addColumn(QStringLiteral("GUI Control"), ColumnType::Text, 100);
}

TableModel& addDictionaryDescriptionTable(DatabaseModel& model)
{
    return model.addTable(QStringLiteral("CDS_TBL_TABLE_DESC"))
        .addColumn(QStringLiteral("Table"), ColumnType::Text, 50)
        .addColumn(QStringLiteral("Description"), ColumnType::Memo)
        .addColumn(QStringLiteral("Logical Name"), ColumnType::Text, 255)
        .addColumn(QStringLiteral("Functional Area"), ColumnType::Text, 10);
}

TableModel& addDictionaryValuesTable(DatabaseModel& model)
{
    return model.addTable(QStringLiteral("Values"))
        .addColumn(QStringLiteral("Value"), ColumnType::Text, 50)
        .addColumn(QStringLiteral("Description"), ColumnType::Text, 255)
        .addColumn(QStringLiteral("Functional Area"), ColumnType::Text, 10)
        .addColumn(QStringLiteral("Table"), ColumnType::Text, 50)
        .addColumn(QStringLiteral("Column"), ColumnType::Text, 50);
}

DatabaseModel syntheticDictionary(std::size_t mainRows, std::uint64_t seed)
{
    const std::size_t tables = (mainRows + kColumnsPerTable - 1) / kColumnsPerTable;
    DatabaseModel model;

    TableModel& main = addDictionaryMainTable(model);
    main.generatedRowCount = mainRows;
    main.rowGenerator = [seed](std::size_t i, Row& row) {
        const std::size_t table = i / kColumnsPerTable;
        const std::size_t sequence = sequenceOf(i);
        Draw draw(seed, 3, i);
        const std::size_t type = draw.below(kDataTypes.size());
        const bool hasGui = draw.below(4) != 0;
        row.reserve(12);
        row.emplace_back(tableName(seed, table));
        row.emplace_back(columnName(seed, table, sequence));
        row.emplace_back(tableArea(seed, table));
        row.emplace_back(QString::fromLatin1(kDataTypes[type]));
        row.emplace_back(type < 2    ? QString::number(draw.between(1, 255))
                         : type == 6 ? QStringLiteral("%1,%2").arg(draw.between(5, 18)).arg(draw.between(0, 4))
                                     : QString());
        row.emplace_back(draw.words(10, 90));
        row.emplace_back(draw.below(8) == 0 ? draw.words(40, 64) : draw.words(60, 700));
        row.emplace_back(sequence <= 2);
        row.emplace_back(sequence > 2 && draw.below(5) == 0);
        row.emplace_back(qint64(sequence));
        row.emplace_back(hasGui ? Value(draw.words(5, 40)) : Value());
        row.emplace_back(hasGui ? Value(QString::fromLatin1(kControls[draw.below(kControls.size())])) : Value());
    };

    TableModel& descriptions = addDictionaryDescriptionTable(model);
    descriptions.generatedRowCount = tables;
    descriptions.rowGenerator = [seed](std::size_t t, Row& row) {
        Draw draw(seed, 4, t);
        row.emplace_back(tableName(seed, t));
        row.emplace_back(draw.words(100, 1500));
        row.emplace_back(draw.words(10, 80));
        row.emplace_back(tableArea(seed, t));
    };

    TableModel& values = addDictionaryValuesTable(model);
    values.generatedRowCount = mainRows;
    values.rowGenerator = [seed](std::size_t j, Row& row) {
        // Every fifth Main row is a coded column with five values.
        const std::size_t mainRow = j / kValuesPerCodedColumn * kValuesPerCodedColumn;
        const std::size_t table = mainRow / kColumnsPerTable;
        Draw draw(seed, 5, j);
        row.emplace_back(QStringLiteral("%1").arg(j % kValuesPerCodedColumn + 1, 2, 10, QLatin1Char('0')));
        row.emplace_back(draw.words(8, 120));
        row.emplace_back(tableArea(seed, table));
        row.emplace_back(tableName(seed, table));
        row.emplace_back(columnName(seed, table, sequenceOf(mainRow)));
    };

    TableModel& releases = model.addTable(QStringLiteral("CDS_TBL_RELS_RELEASES"));
    releases.addColumn(QStringLiteral("Rels_No"), ColumnType::Long);
    releases.generatedRowCount = 52;
    releases.rowGenerator = [](std::size_t r, Row& row) { row.emplace_back(qint64(400 + (r * 31) % 52)); };
    return model;
}

}  // namespace volmira::jet4
