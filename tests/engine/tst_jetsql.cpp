// Parsing the statement text: what is a name, a literal or a keyword, and what is refused.

#include "dictionary/error.h"
#include "dictionary/jetsql.h"

#include <QTest>

using namespace volmira::jetsql;

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
        QCOMPARE(s.items[0].column, QStringLiteral("Column"));
        QCOMPARE(s.items[2].column, QStringLiteral("Column_SeqNo"));
        QCOMPARE(s.table, QStringLiteral("Main"));
        QCOMPARE(s.where.size(), size_t(3));
        QCOMPARE(s.where[0].left.name, QStringLiteral("Functional Area"));
        QCOMPARE(s.where[0].right.text, QStringLiteral("acct"));
        QCOMPARE(s.where[1].left.name, QStringLiteral("Table"));
        const Comparison& instr = s.where[2];
        QCOMPARE(instr.left.kind, Operand::Kind::InStr);
        QCOMPARE(instr.left.arguments.at(0).name, QStringLiteral("PD_Definition"));
        QCOMPARE(instr.left.arguments.at(1).text, QStringLiteral("it's"));
        QCOMPARE(instr.op, Comparison::Op::Greater);
        QCOMPARE(instr.right.number, 0.0);
        QCOMPARE(s.orderBy.size(), size_t(1));
        QCOMPARE(s.orderBy[0].column, QStringLiteral("Column_SeqNo"));
    }

    void literalsAndBracketsAreTakenWhole()
    {
        // SQL inside a literal or a bracket is text, never statement.
        const SelectStatement s = parse(QStringLiteral(
            "SELECT MAX([Rels No]) FROM [Values] WHERE [Value] = ' and x = ''y'' order by [z] ' AND [a]<>-1.5;"));
        QCOMPARE(s.items[0].aggregate, SelectItem::Aggregate::Max);
        QCOMPARE(s.items[0].column, QStringLiteral("Rels No"));
        QCOMPARE(s.table, QStringLiteral("Values"));
        QCOMPARE(s.where.size(), size_t(2));
        QCOMPARE(s.where[0].right.text, QStringLiteral(" and x = 'y' order by [z] "));
        QCOMPARE(s.where[1].op, Comparison::Op::NotEqual);
        QCOMPARE(s.where[1].right.number, -1.5);
        QVERIFY(s.orderBy.empty());
        QCOMPARE(parse(QStringLiteral("select value from t where x=''")).where[0].right.text, QString());
    }

    void malformedTextIsRefusedWithItsPlace()
    {
        const char* bad[] = {
            "Select Table from Main where Table = 'open",
            "Select [Table from Main",
            "Select [] from Main",
            "Select Table from",
            "Select from Main",
            "Select Table from Main where",
            "Select Table from Main where Table",
            "Select Table from Main where InStr(Table 'x') > 0",
            "Select Table from Main order Table",
            "Select Table from Main where Table = \"x\"",
            "",
        };
        for (const char* sql : bad) {
            try {
                parse(QString::fromUtf8(sql));
                QFAIL(sql);
            } catch (const volmira::Error& e) {
                QCOMPARE(e.number(), volmira::ErrorNumber::SyntaxError);
                QVERIFY2(e.description().contains(QString::fromUtf8(sql)), sql);
            }
        }
    }

    void mangledStatementsEndInAnErrorOrAParse()
    {
        // Every cut and every swapped character of a real statement either parses or raises a syntax
        // error; nothing reads past the text.
        const QString statement = QStringLiteral(
            "Select Distinct Column,[PD_Definition] from Main where [Functional Area]= 'a''b' and InStr([PD_Definition], 'x' ) > 0 order by [Column_SeqNo] ");
        const QString alphabet = QStringLiteral("[]'(),=<>*;- _aZ0.\"");
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
