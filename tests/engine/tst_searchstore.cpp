// The search store must answer every statement it takes exactly as SQLite alone answers it.

#include "common/fakedictionary.h"

#include "dictionary/error.h"

#include <QRandomGenerator>
#include <QTest>

using namespace testing;

namespace {

// Which spelling of a value that differs only in letter case a result shows is not defined: rows are
// compared folded.
QStringList foldedRows(volmira::Engine& engine, const QString& sql)
{
    QStringList lines = rows(engine, sql);
    for (QString& line : lines)
        line = line.toCaseFolded();
    return lines;
}

// Letter case differs between rows of the same value, so both paths must fold it.
QString randomCase(QRandomGenerator& random, const QString& text)
{
    QString out;
    for (const QChar c : text)
        out += random.bounded(2) ? c.toUpper() : c.toLower();
    return out;
}

}  // namespace

class SearchStoreTest final : public QObject {
    Q_OBJECT

private slots:
    void answersAsSqliteDoes()
    {
        QRandomGenerator random(20261208);
        const QStringList areas{"acct", "bill", "clcl", "ÄÖÜx"};
        const QStringList words{"claim", "member's", "straße",  "STRASSE", "Kelvin", "\u212Aelvin", "ſum",
                                "sum",   "ωmega",    "ΣΊΣΥΦΟΣ", "id",      "_",      "😀",           "a"};
        std::vector<MainRow> mainRows;
        std::vector<std::vector<Cell>> descriptions;
        for (int t = 0; t < 60; ++t) {
            const QString table = QStringLiteral("T%1_%2").arg(t % 45).arg(words[t % words.size()]);
            const QString area = areas[random.bounded(areas.size())];
            const int columns = 1 + random.bounded(6);
            for (int c = 0; c < columns; ++c) {
                MainRow r;
                r.table = random.bounded(30) ? text(randomCase(random, table)) : null();
                r.column = text(
                    randomCase(random, QStringLiteral("COL_%1_%2").arg(c).arg(words[random.bounded(words.size())])));
                r.area = random.bounded(40) ? text(randomCase(random, area)) : null();
                r.seqNo = number(c);
                const int kind = random.bounded(10);
                if (kind == 0) {
                    r.definition = null();
                } else if (kind == 1) {
                    r.definition = text("");
                } else if (kind == 2 && random.bounded(3) == 0) {  // long texts fill the store's blocks
                    r.definition = text(QStringLiteral("x").repeated(400000 + random.bounded(400000))
                                        + randomCase(random, words[random.bounded(words.size())]));
                } else {
                    QStringList sentence;
                    for (int w = random.bounded(8); w >= 0; --w)
                        sentence << randomCase(random, words[random.bounded(words.size())]);
                    r.definition = text(sentence.join(u' '));
                }
                mainRows.push_back(r);
            }
            descriptions.push_back({text(randomCase(random, table)),
                                    random.bounded(5) ? text(words[random.bounded(words.size())]) : null(),
                                    text("logical"), text(randomCase(random, area))});
        }
        FakeDictionary dictionary;
        dictionary.main(mainRows).tableDescriptions(descriptions);
        auto withStore = std::make_shared<volmira::SqliteEngine>(dictionary.reader(), true);
        auto sqliteOnly = std::make_shared<volmira::SqliteEngine>(dictionary.reader(), false);

        const QStringList needles{"claim", "CLAIM", "member''s", "STRASSE", "straße", "kelvin", "sum", "SUM", "Σίσ",
                                  "ς",     "_",     "😀",         "",        "a",      "zzz",    "t1",  "T4_"};
        const QStringList statementForms{
            "SELECT DISTINCT Table from Main where InStr(Table, '%2' ) > 0 order by Table",
            "SELECT DISTINCT Table from Main where [Functional Area] = '%1'  and InStr(Table, '%2' ) > 0 ",
            "Select Distinct Table from CDS_TBL_TABLE_DESC where InStr(Description, '%2' ) > 0 order by Table",
            "Select Distinct Table from CDS_TBL_TABLE_DESC where [Functional Area]= '%1' and InStr(Description, '%2' ) "
            "> 0 ",
            "Select Distinct Table from Main where InStr([Column], '%2' ) > 0 order by Table",
            "Select Distinct Table from Main where [Functional Area]= '%1' and InStr([Column], '%2' ) > 0 ",
            "Select Distinct Table from Main where InStr([PD_Definition], '%2' ) > 0 order by Table",
            "Select Distinct Table from Main where [Functional Area]= '%1' and InStr([PD_Definition], '%2' ) > 0 ",
            "Select Distinct Table from Main where [Functional Area]='%1'",
            "Select Distinct [Functional Area], Table from Main where 0 < InStr([PD_Definition], '%2') order by Table "
            "desc",
            "Select Distinct Table, [Functional Area] from Main where Table = 't3_id' and InStr([Column], '%2') > 0",
        };
        int nonEmpty = 0;
        for (const QString& form : statementForms) {
            for (const QString& area : areas + QStringList{"ACCT", "none"}) {
                for (const QString& needle : needles) {
                    const QString sql = form.arg(area, needle);
                    const QStringList expected = foldedRows(*sqliteOnly, sql);
                    QCOMPARE(foldedRows(*withStore, sql), expected);
                    nonEmpty += !expected.isEmpty();
                }
            }
        }
        QVERIFY(nonEmpty > 200);  // the data exercises both paths

        // Plain listings are answered from the rows kept aside: the same rows, spellings and kinds, in the
        // file's order.
        const QStringList listings{
            "Select Table, Column, [Column_SeqNo], [PD_Definition] from Main where [Functional Area]= '%1' ",
            "Select [Functional Area], Table from Main where Table = 'T3_Id' and [Functional Area] = '%1'",
            "Select Table, Description, [Logical Name] from CDS_TBL_TABLE_DESC where [Functional Area]= '%1' ",
            "Select Description, Table from CDS_TBL_TABLE_DESC",
            "Select * from Main where [Functional Area] = '%1'",
        };
        for (const QString& form : listings) {
            for (const QString& area : areas + QStringList{"ACCT", "none"}) {
                const QString sql = form.arg(area);
                QCOMPARE(rows(*withStore, sql), rows(*sqliteOnly, sql));
            }
        }
    }
};

QTEST_APPLESS_MAIN(SearchStoreTest)
#include "tst_searchstore.moc"
