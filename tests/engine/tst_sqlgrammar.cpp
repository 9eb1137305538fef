// The Jet SQL people type, run on an engine fed by test code: each construct against the rows Jet gives,
// with Jet's meaning where SQLite's differs (letter case, Null, True as -1, division, TOP, BETWEEN).

#include "common/fakedictionary.h"

#include "dictionary/error.h"

#include <QTest>

using namespace testing;
using volmira::ColumnType;
using volmira::FieldValue;
namespace ErrorNumber = volmira::ErrorNumber;

namespace {

// Dates are serial days: 1990-05-17 is 33010, 1999-12-31 10:30 is 36525.4375, 1850-01-01 is -18260.
std::shared_ptr<volmira::SqliteEngine> people()
{
    return FakeDictionary()
        .main({})
        .add({QStringLiteral("People"),
              {{"Name", ColumnType::Text},
               {"Age", ColumnType::Long},
               {"Score", ColumnType::Double},
               {"Born", ColumnType::DateTime},
               {"Active", ColumnType::Bool},
               {"Notes", ColumnType::Memo},
               {"Dept", ColumnType::Text}},
              {{text("Ann"), number(30), number(1.5), number(33010), yesNo(true), text("likes SQL"), text("dev")},
               {text("bob"), number(25), null(), number(36525.4375), yesNo(false), null(), text("DEV")},
               {text("Cid"), null(), number(2.5), null(), yesNo(true), text(""), text("ops")},
               {text("dora"), number(30), number(4), number(-18260), yesNo(false), text("room 12"), null()},
               {text("Éva"), number(41), number(0.5), number(44532), yesNo(true), text("ÉVA notes"), text("ops")}}})
        .add({QStringLiteral("Depts"),
              {{"Code", ColumnType::Text}, {"Title", ColumnType::Text}},
              {{text("dev"), text("Development")},
               {text("OPS"), text("Operations")},
               {text("hr"), text("Human resources")}}})
        .engine();
}

}  // namespace

class SqlGrammarTest final : public QObject {
    Q_OBJECT

private slots:
    void whereSelectsAsJetDoes()
    {
        auto engine = people();
        const std::pair<const char*, QStringList> cases[] = {
            {"Age = 30 OR Dept = 'ops'", {"Ann", "Cid", "dora", "Éva"}},
            {"NOT (Age > 26)", {"bob"}},  // NOT Null is Null
            {"(Age = 30 OR Age = 25) AND NOT Active", {"bob", "dora"}},
            {"Age IN (25, 41)", {"bob", "Éva"}},
            {"Dept IN ('DEV')", {"Ann", "bob"}},
            {"Dept NOT IN ('dev', 'ops')", {}},
            {"Age BETWEEN 26 AND 35", {"Ann", "dora"}},
            {"Age BETWEEN 35 AND 26", {"Ann", "dora"}},
            {"Age NOT BETWEEN 26 AND 35", {"bob", "Éva"}},
            {"Name BETWEEN 'B' AND 'd'", {"bob", "Cid"}},
            {"Score IS NULL", {"bob"}},
            {"Notes IS NOT NULL", {"Ann", "Cid", "dora", "Éva"}},
            {"Name LIKE 'a*'", {"Ann"}},
            {"Name LIKE '?o*'", {"bob", "dora"}},
            {"Name LIKE '[a-c]*'", {"Ann", "bob", "Cid"}},
            {"Name LIKE '[!a-c]*'", {"dora", "Éva"}},
            {"Notes LIKE '* ##'", {"dora"}},
            {"Name LIKE 'éVA'", {"Éva"}},
            {"Name NOT LIKE '*a*'", {"bob", "Cid"}},
            {"Name LIKE '[*]*' OR Name LIKE 'A[?]*'", {}},
            {"Active", {"Ann", "Cid", "Éva"}},
            {"Active = True AND Active = -1", {"Ann", "Cid", "Éva"}},
            {"NOT Active", {"bob", "dora"}},
            {"(Age > 26) = True", {"Ann", "dora", "Éva"}},
            {"Born > #1995-01-01#", {"bob", "Éva"}},
            {"Born < #1/1/1900#", {"dora"}},
            {"Born = #1999-12-31 10:30:00#", {"bob"}},
            {"Name = \"ANN\"", {"Ann"}},
            {"Age \\ 7 = 4 AND Age Mod 7 = 2", {"Ann", "dora"}},
            {"Age / 4 = 7.5", {"Ann", "dora"}},
            {"9.5 \\ 2 = 5 AND 8.5 \\ 2 = 4 AND -7 Mod 3 = -1", {"Ann", "bob", "Cid", "dora", "Éva"}},
            {"Name & Dept = 'BOBdev'", {"bob"}},
            {"Name & Null & Dept = 'dora'", {"dora"}},
            {"Name + Dept IS NULL", {"dora"}},
            {"Left(Name, 1) = 'c' AND Mid(Name, 2) = 'ID'", {"Cid"}},
            {"Right(Name, 2) = 'RA' OR Mid(Name, 2, 1) = 'v'", {"dora", "Éva"}},
            {"InStr(2, Name, 'a') = 4", {"dora"}},
            {"InStr(Name, 'b') = 1", {"bob"}},
            {"Trim('  ' & Name & ' ') = 'ann' AND LTrim(' x') = 'x' AND RTrim('x ') = 'x'", {"Ann"}},
            {"Len(Notes) = 0", {"Cid"}},
            {"UCase(Name) = 'ÉVA' AND LCase(Name) = 'éva'", {"Éva"}},
            {"Nz(Score, 0) = 0", {"bob"}},
            {"IIf(Age > 26, 'old', 'young') = 'young'", {"bob", "Cid"}},
            {"Year(Born) = 1999 OR Month(Born) = 5 OR Day(Born) = 2", {"Ann", "bob", "Éva"}},
            {"Format(Born, \"yyyy-mm-dd\") = '1850-01-01'", {"dora"}},
            {"Format(Born, 'dd/mm/yy hh:mm') = '31/12/99 10:30'", {"bob"}},
            // A time that rounds up to midnight moves on to the next day, before 1899-12-30 too.
            {"Format(-2.9999999999, 'yyyy-mm-dd hh:nn:ss') = '1899-12-29 00:00:00' AND Day(-2.9999999999) = 29",
             {"Ann", "bob", "Cid", "dora", "Éva"}},
        };
        for (const auto& [where, expected] : cases)
            QVERIFY2(rows(*engine, QStringLiteral("SELECT Name FROM People WHERE ") + QString::fromUtf8(where))
                         == expected,
                     where);
    }

    void selectListNamesTypesAndValues()
    {
        auto engine = people();
        const auto result = engine->run(QStringLiteral(
            "SELECT p.Name AS Who, [p].[Age], Age > 26, Born, #2021-12-02#, Len(Name), Age & '', Score / 2, "
            "Format(Born, 'yyyy-mm-dd'), True FROM People p"));
        QStringList names;
        for (const auto& column : result.columns)
            names << column.name;
        QCOMPARE(names, (QStringList{"Who", "Age", "Expr1000", "Born", "Expr1001", "Expr1002", "Expr1003", "Expr1004",
                                     "Expr1005", "Expr1006"}));
        QCOMPARE(result.columns[2].type, ColumnType::Bool);
        QCOMPARE(result.columns[3].type, ColumnType::DateTime);
        QCOMPARE(result.columns[4].type, ColumnType::DateTime);
        QCOMPARE(result.columns[8].type, ColumnType::Text);
        QCOMPARE(
            rows(*engine,
                 QStringLiteral("SELECT Name, Age > 26, Len(Name), Age & '', Score / 2, Format(Born, 'yyyy-mm-dd'), "
                                "Nz(Age), True, UCase(Active) FROM People WHERE Age <= 30 OR Age IS NULL")),
            (QStringList{"Ann|True|3|30|0.75|1990-05-17|30|True|TRUE", "bob|False|3|25|<null>|1999-12-31|25|True|FALSE",
                         "Cid|<null>|3||1.25|<null>||True|TRUE", "dora|True|4|30|2|1850-01-01|30|True|FALSE"}));
        QCOMPARE(engine->run(QStringLiteral("SELECT Age > 26 FROM People")).cells[0].Value.kind(),
                 FieldValue::Kind::YesNo);
    }

    void aggregatesGroupAndHaving()
    {
        auto engine = people();
        // Groups ignore letter case and come in ascending order, Null first.
        const QStringList grouped =
            rows(*engine,
                 QStringLiteral(
                     "SELECT Dept, Count(*), Count(Score), Sum(Age), Max(Age), Avg(Age) FROM People GROUP BY Dept"));
        QCOMPARE(grouped.size(), 3);
        QCOMPARE(grouped[0], QStringLiteral("<null>|1|1|30|30|30"));
        QCOMPARE(grouped[1].toLower(), QStringLiteral("dev|2|1|55|30|27.5"));
        QCOMPARE(grouped[2], QStringLiteral("ops|2|2|41|41|41"));
        QCOMPARE(rows(*engine,
                      QStringLiteral("SELECT Dept FROM People GROUP BY Dept HAVING Count(*) > 1 ORDER BY Dept DESC"))
                     .size(),
                 2);
        QCOMPARE(rows(*engine, QStringLiteral("SELECT Min(Name), Max(Name) FROM People WHERE Name <> 'ann'")),
                 QStringList{"bob|Éva"});
        QCOMPARE(rows(*engine, QStringLiteral("SELECT Count(*), Sum(Age), Min(Born) FROM People WHERE Age > 100")),
                 QStringList{"0|<null>|<null>"});
        QCOMPARE(rows(*engine, QStringLiteral("SELECT Year(Born), Count(*) AS N FROM People GROUP BY Year(Born) HAVING "
                                              "Count(*) = 1 ORDER BY N, 1 DESC")),
                 (QStringList{"2021|1", "1999|1", "1990|1", "1850|1", "<null>|1"}));
        const auto types = engine->run(QStringLiteral("SELECT Min(Born), Count(*), Max(Active) FROM People"));
        QCOMPARE(types.columns[0].type, ColumnType::DateTime);
        QCOMPARE(types.columns[1].type, ColumnType::Long);
        QCOMPARE(types.cells[2].Value, FieldValue::yesNo(false));  // Yes is -1: the maximum is No
    }

    void orderTopAndDistinct()
    {
        auto engine = people();
        QCOMPARE(rows(*engine, QStringLiteral("SELECT Name FROM People ORDER BY Age DESC, Name")),
                 (QStringList{"Éva", "Ann", "dora", "bob", "Cid"}));
        QCOMPARE(rows(*engine, QStringLiteral("SELECT Name, Dept FROM People ORDER BY 2, 1")).join(u','),
                 QStringLiteral("dora|<null>,Ann|dev,bob|DEV,Cid|ops,Éva|ops"));
        QCOMPARE(rows(*engine, QStringLiteral("SELECT Name, Len(Name) AS L FROM People ORDER BY L DESC, Name")).first(),
                 QStringLiteral("dora|4"));
        // TOP keeps the rows tied with the last one on the ORDER BY.
        QCOMPARE(rows(*engine, QStringLiteral("SELECT TOP 2 Name FROM People ORDER BY Age DESC")),
                 (QStringList{"Éva", "Ann", "dora"}));
        QCOMPARE(rows(*engine, QStringLiteral("SELECT TOP 2 Name FROM People")), (QStringList{"Ann", "bob"}));
        QCOMPARE(rows(*engine, QStringLiteral("SELECT TOP 1 Name, Age FROM People ORDER BY Name DESC")),
                 QStringList{"Éva|41"});
        QCOMPARE(rows(*engine, QStringLiteral("SELECT DISTINCT Dept FROM People")).size(), 3);
        QCOMPARE(rows(*engine, QStringLiteral("SELECT DISTINCT TOP 2 Age FROM People ORDER BY Age DESC")),
                 (QStringList{"41", "30"}));
        QCOMPARE(
            rows(*engine, QStringLiteral("SELECT DISTINCT UCase(Dept), Age \\ 10 FROM People WHERE Dept IS NOT NULL")),
            (QStringList{"DEV|2", "DEV|3", "OPS|<null>", "OPS|4"}));
    }

    void joins()
    {
        auto engine = people();
        QCOMPARE(rows(*engine, QStringLiteral(
                                   "SELECT p.Name, d.Title FROM People AS p INNER JOIN Depts AS d ON p.Dept = d.Code")),
                 (QStringList{"Ann|Development", "bob|Development", "Cid|Operations", "Éva|Operations"}));
        QCOMPARE(
            rows(*engine,
                 QStringLiteral(
                     "SELECT Name, Title FROM People LEFT JOIN Depts ON People.Dept = Depts.Code WHERE Age >= 30")),
            (QStringList{"Ann|Development", "dora|<null>", "Éva|Operations"}));
        QCOMPARE(
            rows(*engine,
                 QStringLiteral("SELECT Code, Count(Name) FROM Depts LEFT JOIN People ON Code = Dept GROUP BY Code")),
            (QStringList{"dev|2", "hr|0", "OPS|2"}));

        auto dictionary = FakeDictionary()
                              .main({MainRow{text("T"), text("C"), text("acct")}})
                              .tableDescriptions({{text("t"), text("The T"), text("Tee"), text("acct")}})
                              .engine();
        const auto star = dictionary->run(QStringLiteral(
            "SELECT * FROM Main INNER JOIN CDS_TBL_TABLE_DESC ON Main.Table = CDS_TBL_TABLE_DESC.Table"));
        QCOMPARE(star.columnCount, 16);
        QCOMPARE(star.columns[0].name, QStringLiteral("Main.Table"));
        QCOMPARE(star.columns[1].name, QStringLiteral("Column"));
        QCOMPARE(star.columns[12].name, QStringLiteral("CDS_TBL_TABLE_DESC.Table"));
        QCOMPARE(star.cells[13].Value.toText(), QStringLiteral("The T"));
        QCOMPARE(
            errorOf(
                *dictionary,
                QStringLiteral(
                    "SELECT Table FROM Main INNER JOIN CDS_TBL_TABLE_DESC ON Main.Table = CDS_TBL_TABLE_DESC.Table")),
            ErrorNumber::AmbiguousColumn);
    }

    void errorsCarryJetsNumbers()
    {
        auto engine = people();
        const std::pair<const char*, int> cases[] = {
            {"SELECT Name FROM Nope", ErrorNumber::TableNotFound},
            {"SELECT Name FROM People INNER JOIN Nope ON Name = Nope.x", ErrorNumber::TableNotFound},
            {"SELECT Nope FROM People", ErrorNumber::ColumnNotFound},
            {"SELECT x.Name FROM People", ErrorNumber::ColumnNotFound},
            {"SELECT Max(Notes) FROM People", ErrorNumber::AggregateOverMemo},
            {"SELECT Name FROM People WHERE Count(*) > 1", ErrorNumber::AggregateInWhere},
            {"SELECT Name, Count(*) FROM People", ErrorNumber::NotPartOfAggregate},
            {"SELECT Dept, Age FROM People GROUP BY Dept", ErrorNumber::NotPartOfAggregate},
            {"SELECT DISTINCT Name FROM People ORDER BY Age", ErrorNumber::OrderByConflictsWithDistinct},
            {"SELECT * FROM People GROUP BY Dept", ErrorNumber::GroupOnStar},
            {"SELECT Name FROM People WHERE Name = 1", ErrorNumber::DataTypeMismatch},
            {"SELECT Age + 'x' FROM People", ErrorNumber::DataTypeMismatch},
            {"SELECT Sum(Name) FROM People", ErrorNumber::DataTypeMismatch},
            {"SELECT Name FROM People WHERE Born = 'x'", ErrorNumber::DataTypeMismatch},
            {"SELECT Age / 0 FROM People", ErrorNumber::DivisionByZero},
            {"SELECT Age \\ 0.4 FROM People", ErrorNumber::DivisionByZero},
            {"SELECT Left(Name, -1) FROM People", ErrorNumber::InvalidProcedureCall},
            {"SELECT Mid(Name, 0) FROM People", ErrorNumber::InvalidProcedureCall},
            {"SELECT Left(Name, Score) FROM People", ErrorNumber::InvalidUseOfNull},
            {"SELECT Year(Name) FROM People", ErrorNumber::TypeMismatch},
            {"SELECT Name FROM People WHERE Name LIKE '[a'", ErrorNumber::InvalidPattern},
            {"SELECT Format(Born, 'General Date') FROM People", ErrorNumber::SyntaxError},
            {"SELECT Name FROM People ORDER BY 3", ErrorNumber::SyntaxError},
            {"SELECT Name AS a, a AS b FROM People WHERE b = 'x'", 0},
            {"SELECT b AS a, a AS b FROM People", ErrorNumber::CircularAlias},
        };
        for (const auto& [sql, number] : cases)
            QVERIFY2(errorOf(*engine, QString::fromUtf8(sql)) == number, sql);
        QCOMPARE(rows(*engine, QStringLiteral("SELECT Count(Notes) FROM People")), QStringList{"4"});
        // The statement stands in the message as typed, whatever it holds.
        QString description;
        errorOf(*engine, QStringLiteral("SELECT '%1' FROM People ORDER BY 5"), &description);
        QVERIFY2(description.contains(QStringLiteral("'SELECT '%1' FROM People ORDER BY 5'")), qPrintable(description));
    }
};

QTEST_APPLESS_MAIN(SqlGrammarTest)
#include "tst_sqlgrammar.moc"
