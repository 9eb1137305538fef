// Parsing the statement text: what is a name, a literal or a keyword, how operators bind, and what is refused.

#include "dictionary/error.h"
#include "dictionary/jetsql.h"

#include <QTest>

using namespace volmira::jetsql;
using Kind = Expression::Kind;
using Op = Expression::Op;

class JetSqlTest final : public QObject {
    Q_OBJECT

private slots:
    void columnStatementParsesWhole()
    {
        const SelectStatement s = parse(QStringLiteral(
            "Select Distinct Column,[PD_Definition],[Column_SeqNo] from Main where [Functional Area]= 'acct' and "
            "Table = 'CMC_X' and InStr([PD_Definition], 'it''s' ) > 0 order by [Column_SeqNo] "));
        QVERIFY(s.distinct);
        QCOMPARE(s.items.size(), size_t(3));
        QCOMPARE(s.items[0].expression.name, QStringLiteral("Column"));
        QCOMPARE(s.items[2].expression.name, QStringLiteral("Column_SeqNo"));
        QCOMPARE(s.from.name, QStringLiteral("Main"));
        // ((area = 'acct' AND Table = 'CMC_X') AND InStr(...) > 0)
        const Expression& where = *s.where;
        QCOMPARE(where.op, Op::And);
        const Expression& instr = where.operands[1];
        QCOMPARE(instr.op, Op::Greater);
        QCOMPARE(instr.operands[0].kind, Kind::Function);
        QCOMPARE(instr.operands[0].name, QStringLiteral("InStr"));
        QCOMPARE(instr.operands[0].operands[1].text, QStringLiteral("it's"));
        QCOMPARE(where.operands[0].operands[0].operands[0].name, QStringLiteral("Functional Area"));
        QCOMPARE(s.orderBy.size(), size_t(1));
        QCOMPARE(s.orderBy[0].expression.name, QStringLiteral("Column_SeqNo"));
    }

    void literalsAndBracketsAreTakenWhole()
    {
        // SQL inside a literal or a bracket is text, never statement.
        const SelectStatement s = parse(QStringLiteral(
            "SELECT MAX([Rels No]) FROM [Values] WHERE [Value] = ' and x = ''y'' order by [z] ' AND [a]<>-1.5 "
            "AND b = \"say \"\"hi\"\"\" AND d = #2021-12-02 10:30:00#;"));
        QCOMPARE(s.items[0].expression.kind, Kind::Aggregate);
        QCOMPARE(s.items[0].expression.operands[0].name, QStringLiteral("Rels No"));
        QCOMPARE(s.from.name, QStringLiteral("Values"));
        // (((Value = '...' AND a <> -1.5) AND b = "...") AND d = #...#)
        const Expression& where = *s.where;
        QCOMPARE(where.operands[0].operands[0].operands[0].operands[1].text,
                 QStringLiteral(" and x = 'y' order by [z] "));
        QCOMPARE(where.operands[0].operands[0].operands[1].operands[1].number, -1.5);
        QCOMPARE(where.operands[0].operands[1].operands[1].text, QStringLiteral("say \"hi\""));
        QCOMPARE(where.operands[1].operands[1].kind, Kind::Date);
        QVERIFY(s.orderBy.empty());
        // The date literal is Jet's serial day: 44532 is 2021-12-02, 10:30 is 0.4375 of a day.
        const SelectStatement d =
            parse(QStringLiteral("select x from t where d = #2021-12-02 10:30:00# or d = #12/2/2021#"));
        QCOMPARE(d.where->operands[0].operands[1].number, 44532.4375);
        QCOMPARE(d.where->operands[1].operands[1].number, 44532.0);
    }

    void operatorsBindAsInJet()
    {
        // OR binds loosest, then AND, NOT, comparisons, &, + and -, Mod, \, * and /.
        const SelectStatement s = parse(QStringLiteral(
            "select a from t where not a = 1 or b in (1, 2) and c between 1 + 2 * 3 and 9 \\ 2 mod 4 & 'x'"));
        const Expression& w = *s.where;
        QCOMPARE(w.op, Op::Or);
        QCOMPARE(w.operands[0].op, Op::Not);
        QCOMPARE(w.operands[0].operands[0].op, Op::Equal);
        QCOMPARE(w.operands[1].op, Op::And);
        QCOMPARE(w.operands[1].operands[0].kind, Kind::In);
        const Expression& between = w.operands[1].operands[1];
        QCOMPARE(between.kind, Kind::Between);
        QCOMPARE(between.operands[1].op, Op::Add);
        QCOMPARE(between.operands[1].operands[1].op, Op::Multiply);
        QCOMPARE(between.operands[2].op, Op::Concat);
        QCOMPARE(between.operands[2].operands[0].op, Op::Modulo);
        QCOMPARE(between.operands[2].operands[0].operands[0].op, Op::IntegerDivide);

        const SelectStatement n =
            parse(QStringLiteral("select a from t where a is not null and b not like 'x*' and c not in (1)"));
        QVERIFY(n.where->operands[0].operands[0].negated);
        QCOMPARE(n.where->operands[0].operands[1].kind, Kind::Like);
        QVERIFY(n.where->operands[0].operands[1].negated);
        QVERIFY(n.where->operands[1].negated);
    }

    void selectListFromAndClauses()
    {
        const SelectStatement s = parse(QStringLiteral(
            "SELECT TOP 5 m.*, [d].[Description] AS Descr, Count(*) FROM (Main AS m INNER JOIN CDS_TBL_TABLE_DESC d "
            "ON m.Table = d.Table) LEFT OUTER JOIN [Values] ON [Values].[Table] = m.Table "
            "GROUP BY m.Table HAVING Count(*) > 1 ORDER BY 2 DESC, m.Table"));
        QCOMPARE(s.top, 5);
        QVERIFY(s.items[0].star);
        QCOMPARE(s.items[0].starTable, QStringLiteral("m"));
        QCOMPARE(s.items[1].expression.table, QStringLiteral("d"));
        QCOMPARE(s.items[1].alias, QStringLiteral("Descr"));
        QVERIFY(s.items[2].expression.operands.empty());
        QCOMPARE(s.from.alias, QStringLiteral("m"));
        QCOMPARE(s.joins.size(), size_t(2));
        QCOMPARE(s.joins[0].table.alias, QStringLiteral("d"));
        QCOMPARE(s.joins[1].type, Join::Type::Left);
        QCOMPARE(referencedTables(s), (QStringList{"Main", "CDS_TBL_TABLE_DESC", "Values"}));
        QCOMPARE(s.groupBy.size(), size_t(1));
        QVERIFY(s.having);
        QCOMPARE(s.orderBy[0].expression.number, 2.0);
        QVERIFY(s.orderBy[0].descending);
    }

    void malformedTextIsRefusedWithItsPlace()
    {
        struct Case {
            const char* sql;
            const char* named;  // what the message must name
        };
        const Case bad[] = {
            {"Select Table from Main where Table = 'open", "position 38"},
            {"Select [Table from Main", "position 8"},
            {"Select [] from Main", "position 8"},
            {"Select Table from", "end of statement"},
            {"Select from Main", "'from'"},
            {"Select Table from Main where", "end of the statement"},
            {"Select Table from Main where InStr(Table 'x') > 0", "position 42"},
            {"Select Table from Main order Table", "position 30"},
            {"Select Soundex(Table) from Main", "'Soundex' is not supported at position 8"},
            {"Select Table from Main where d = #2021-13-01#", "#2021-13-01#"},
            {"Select Table from Main where d = #2021-12-01", "position 34"},
            {"Select Table from Main where x in (select y from t)", "subquery"},
            {"Select top 0 Table from Main", "TOP"},
            {"Select top 10 percent Table from Main", "PERCENT"},
            {"Select Table from Main union Select Table from Main", "'union' is not understood at position 24"},
            {"Select Left(Table) from Main", "Left"},
            {"Select Count(Distinct Table) from Main", "DISTINCT"},
            {"Select Table from Main right join X on a = b", "'right' is not understood"},
            {"Select Table from Main where a ^ 2 = 4", "'^'"},
            {"", "end of statement"},
        };
        for (const Case& c : bad) {
            try {
                parse(QString::fromUtf8(c.sql));
                QFAIL(c.sql);
            } catch (const volmira::Error& e) {
                QCOMPARE(e.number(), volmira::ErrorNumber::SyntaxError);
                QVERIFY2(e.description().contains(QString::fromUtf8(c.sql)), c.sql);
                QVERIFY2(e.description().contains(QString::fromUtf8(c.named), Qt::CaseInsensitive),
                         qPrintable(e.description()));
            }
        }
    }

    void deepNestingIsRefusedNotOverflowed()
    {
        const QString deep =
            QStringLiteral("select a from t where ") + QString(100000, u'(') + u'1' + QString(100000, u')');
        QVERIFY_THROWS_EXCEPTION(volmira::Error, parse(deep));
        QString chain = QStringLiteral("select a from t where a = 1");
        for (int i = 0; i < 5000; ++i)
            chain += QStringLiteral(" and a = 1");
        QVERIFY_THROWS_EXCEPTION(volmira::Error, parse(chain));
        QVERIFY_THROWS_EXCEPTION(
            volmira::Error, parse(QStringLiteral("select ") + QString(10000, u'-') + u'1' + QStringLiteral(" from t")));
    }

    void mangledStatementsEndInAnErrorOrAParse()
    {
        // Every cut and every swapped character of a real statement either parses or raises a syntax
        // error; nothing reads past the text.
        const QString statement =
            QStringLiteral("Select Distinct Column,[PD_Definition] from Main where [Functional Area]= 'a''b' and "
                           "InStr([PD_Definition], 'x' ) > 0 order by [Column_SeqNo] ");
        const QString alphabet = QStringLiteral("[]'(),=<>*;- _aZ0.\"#&\\");
        int parsed = 0;
        for (int cut = 0; cut <= statement.size(); ++cut) {
            for (int k = -1; k < alphabet.size(); ++k) {
                QString sql = statement.left(cut);
                if (k >= 0)
                    sql += alphabet[k] + statement.mid(cut + 1);
                try {
                    parse(sql);
                    ++parsed;
                } catch (const volmira::Error& e) {
                    QCOMPARE(e.number(), volmira::ErrorNumber::SyntaxError);
                }
            }
        }
        QVERIFY(parsed > 0);
    }
};

QTEST_APPLESS_MAIN(JetSqlTest)
#include "tst_jetsql.moc"
