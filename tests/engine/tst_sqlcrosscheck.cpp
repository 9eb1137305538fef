// Where Jet and SQLite mean the same, the engine must answer as plain SQLite does: random statements over
// random rows (numbers, Nulls and lower-case texts, so letter case plays no part), run both ways; once with
// the texts held as they are and once with every text held as a long one, selected and sorted by reference.

#include "common/fakedictionary.h"

#include "dictionary/error.h"
#include "dictionary/fieldvalue.h"

#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

using namespace testing;
using volmira::ColumnType;

namespace {

QString show(const volmira::FieldValue& v) { return v.isNull() ? QStringLiteral("<null>") : v.toText(); }

QStringList engineRows(volmira::Engine& engine, const QString& sql)
{
    const auto result = engine.run(sql);
    QStringList lines;
    for (size_t r = 0; r < result.cells.size(); r += size_t(result.columnCount)) {
        QStringList fields;
        for (int i = 0; i < result.columnCount; ++i)
            fields << show(result.cells[r + size_t(i)].Value);
        lines << fields.join(u'|');
    }
    return lines;
}

QStringList sqliteRows(sqlite3* db, const QString& sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        qFatal("%s: %s", qPrintable(sql), sqlite3_errmsg(db));
    QStringList lines;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QStringList fields;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            switch (sqlite3_column_type(statement, i)) {
            case SQLITE_NULL: fields << QStringLiteral("<null>"); break;
            case SQLITE_TEXT:
                fields << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
                break;
            default: fields << volmira::FieldValue::number(sqlite3_column_double(statement, i)).toText();
            }
        }
        lines << fields.join(u'|');
    }
    sqlite3_finalize(statement);
    return lines;
}

class Generator {
public:
    explicit Generator(quint32 seed) : random_(seed) {}

    int number(int low, int high) { return low + int(random_.bounded(high - low + 1)); }
    QString word() { return words()[int(random_.bounded(quint32(words().size())))]; }
    static const QStringList& words()
    {
        static const QStringList list{"alpha", "beta", "gamma", "delta", "a", ""};
        return list;
    }

    QString numeric(int depth)
    {
        static const char* const columns[] = {"a", "b", "d"};
        if (depth > 1 || random_.bounded(3))
            return random_.bounded(4) ? QString::fromLatin1(columns[random_.bounded(3)])
                                      : QString::number(number(-4, 4));
        static const char* const ops[] = {"+", "-", "*"};
        return QStringLiteral("(%1 %2 %3)")
            .arg(numeric(depth + 1), QLatin1String(ops[random_.bounded(3)]), numeric(depth + 1));
    }

    QString condition(int depth)
    {
        static const char* const comparisons[] = {"=", "<>", "<", "<=", ">", ">="};
        switch (depth > 2 ? random_.bounded(5) : random_.bounded(8)) {
        case 0:
            return QStringLiteral("%1 %2 %3")
                .arg(numeric(0), QLatin1String(comparisons[random_.bounded(6)]), numeric(0));
        case 1: return QStringLiteral("c %1 '%2'").arg(QLatin1String(comparisons[random_.bounded(6)]), word());
        case 2: {
            const int low = number(-4, 3);
            return QStringLiteral("%1 %2BETWEEN %3 AND %4")
                .arg(numeric(0), random_.bounded(2) ? "NOT " : "")
                .arg(low)
                .arg(low + number(0, 4));
        }
        case 3:
            return random_.bounded(2) ? QStringLiteral("a %1IN (%2, %3, %4)")
                                            .arg(random_.bounded(2) ? "NOT " : "")
                                            .arg(number(-4, 4))
                                            .arg(number(-4, 4))
                                            .arg(number(-4, 4))
                                      : QStringLiteral("c IN ('%1', '%2')").arg(word(), word());
        case 4:
            return QStringLiteral("%1 IS %2NULL")
                .arg(random_.bounded(2) ? "c" : numeric(1), random_.bounded(2) ? "NOT " : "");
        case 5: return QStringLiteral("NOT (%1)").arg(condition(depth + 1));
        default:
            return QStringLiteral("(%1 %2 %3)")
                .arg(condition(depth + 1), random_.bounded(2) ? "AND" : "OR", condition(depth + 1));
        }
    }

    QRandomGenerator random_;
};

}  // namespace

class SqlCrossCheckTest final : public QObject {
    Q_OBJECT

private slots:
    void sharedMeaningMatchesPlainSqlite_data()
    {
        QTest::addColumn<qsizetype>("longTextBytes");
        QTest::newRow("texts in rows") << qsizetype(volmira::SqliteEngine::defaultLongTextBytes);
        QTest::newRow("every text by reference") << qsizetype(0);
    }

    void sharedMeaningMatchesPlainSqlite()
    {
        QFETCH(qsizetype, longTextBytes);
        Generator g(20261208);
        FakeTable table{
            QStringLiteral("R"),
            {{"A", ColumnType::Long}, {"B", ColumnType::Double}, {"C", ColumnType::Text}, {"D", ColumnType::Long}},
            {}};
        sqlite3* db = nullptr;
        sqlite3_open(":memory:", &db);
        sqlite3_exec(db, "CREATE TABLE r (a, b, c, d)", nullptr, nullptr, nullptr);
        for (int i = 0; i < 80; ++i) {
            auto maybe = [&](Cell cell, QString literal, std::vector<QString>* values) {
                const bool isNull = g.random_.bounded(6) == 0;
                values->push_back(isNull ? QStringLiteral("NULL") : literal);
                return isNull ? null() : cell;
            };
            std::vector<QString> values;
            const int a = g.number(-4, 4);
            const double b = g.number(-8, 8) / 2.0;
            const QString c = g.word();
            const int d = g.number(0, 5);
            table.rows.push_back({maybe(number(a), QString::number(a), &values),
                                  maybe(number(b), QString::number(b), &values),
                                  maybe(text(c), u'\'' + c + u'\'', &values), number(d)});
            values.push_back(QString::number(d));
            sqlite3_exec(db,
                         QStringLiteral("INSERT INTO r VALUES (%1)")
                             .arg(QStringList(values.begin(), values.end()).join(u','))
                             .toUtf8()
                             .constData(),
                         nullptr, nullptr, nullptr);
        }
        FakeDictionary dictionary;
        dictionary.main({}).add(table);
        volmira::SqliteEngine engine(dictionary.reader(), true, volmira::Engine::Preload::DictionaryTables,
                                     size_t(longTextBytes));

        int nonEmpty = 0;
        for (int i = 0; i < 400; ++i) {
            const QString where = g.condition(0);
            const std::pair<QString, QString> forms[] = {
                {"SELECT a, b, c FROM r WHERE %1", "SELECT a, b, c FROM r WHERE %1 ORDER BY rowid"},
                {"SELECT c, COUNT(*), SUM(a), MIN(b), MAX(d), COUNT(b) FROM r WHERE %1 GROUP BY c",
                 "SELECT c, COUNT(*), SUM(a), MIN(b), MAX(d), COUNT(b) FROM r WHERE %1 GROUP BY c ORDER BY c"},
                {"SELECT DISTINCT a, c FROM r WHERE %1", "SELECT DISTINCT a, c FROM r WHERE %1 ORDER BY a, c"},
                {"SELECT d, a * 2 - b FROM r WHERE %1 ORDER BY d DESC, 2",
                 "SELECT d, a * 2 - b FROM r WHERE %1 ORDER BY d DESC, 2, rowid"},
                {"SELECT COUNT(*), MIN(c), MAX(a + d) FROM r WHERE %1",
                 "SELECT COUNT(*), MIN(c), MAX(a + d) FROM r WHERE %1"},
                {"SELECT TOP 5 c, d FROM r WHERE %1 ORDER BY c DESC, d",
                 "SELECT c, d FROM r AS o WHERE %1 AND EXISTS (SELECT 1 FROM (SELECT c, d FROM r WHERE %1 ORDER BY c "
                 "DESC, d LIMIT 5) AS t WHERE t.c IS o.c AND t.d = o.d) ORDER BY c DESC, d, rowid"},
            };
            const auto& [jet, plain] = forms[i % 6];
            const QStringList expected = sqliteRows(db, plain.arg(where));
            QCOMPARE(engineRows(engine, jet.arg(where)), expected);
            nonEmpty += !expected.isEmpty();
        }
        sqlite3_close(db);
        QVERIFY(nonEmpty > 200);
    }
};

QTEST_APPLESS_MAIN(SqlCrossCheckTest)
#include "tst_sqlcrosscheck.moc"
