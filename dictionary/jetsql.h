#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace volmira::jetsql {

// A Jet SELECT as a tree. The parser takes the Jet SQL people type: SELECT [DISTINCT] [TOP n] with *,
// table.*, expressions and AS; FROM a table, INNER and LEFT JOINs; WHERE, GROUP BY, HAVING, ORDER BY.
// Anything else is refused when parsed.

struct Expression {
    enum class Kind {
        Column,  // [table.]name
        Text,    // text
        Number,  // number
        YesNo,   // True (-1) or False (0) in number
        Date,    // serial day number in number
        Null,
        Function,   // name (as written) with operands
        Aggregate,  // name in upper case: COUNT, MIN, MAX, SUM, AVG; COUNT(*) has no operand
        Unary,      // op Not or Negate, one operand
        Binary,     // op, two operands
        In,         // operand 0 IN (operands 1...), negated for NOT IN
        Between,    // operand 0 BETWEEN operand 1 AND operand 2, negated for NOT BETWEEN
        Like,       // operand 0 LIKE operand 1, negated for NOT LIKE
        IsNull,     // operand 0 IS NULL, negated for IS NOT NULL
    };
    enum class Op {
        Or,
        And,
        Not,
        Negate,
        Equal,
        NotEqual,
        Less,
        LessOrEqual,
        Greater,
        GreaterOrEqual,
        Concat,
        Add,
        Subtract,
        Multiply,
        Divide,
        IntegerDivide,
        Modulo
    };

    Kind kind = Kind::Null;
    Op op = Op::Equal;
    bool negated = false;
    QString table;  // Column: the table or alias before the dot, or empty
    QString name;   // Column, Function, Aggregate
    QString text;   // Text, apostrophes or quotes undoubled
    double number = 0;
    std::vector<Expression> operands;
    int position = 0;  // 1-based place in the statement text
    int length = 0;    // characters of the statement text it was parsed from
};

struct SelectItem {
    bool star = false;      // * or table.*
    QString starTable;      // table.*: the table or alias
    Expression expression;  // when not star
    QString alias;          // AS alias
};

struct TableReference {
    QString name;
    QString alias;  // empty when none
    int position = 0;
};

struct Join {
    enum class Type { Inner, Left };
    Type type = Type::Inner;
    TableReference table;
    Expression on;
};

struct OrderItem {
    Expression expression;  // a Number literal is a 1-based position in the select list
    bool descending = false;
};

struct SelectStatement {
    bool distinct = false;
    int top = 0;  // 0: all rows
    std::vector<SelectItem> items;
    TableReference from;
    std::vector<Join> joins;  // in the order they apply
    std::unique_ptr<Expression> where;
    std::vector<Expression> groupBy;
    std::unique_ptr<Expression> having;
    std::vector<OrderItem> orderBy;
};

// Parses one statement; raises Error 3075 (syntax error) naming the statement, what was not understood
// and its position.
SelectStatement parse(const QString& sql);

// The tables a parsed statement reads, each once, as the statement first spells them (FROM and JOINs).
QStringList referencedTables(const SelectStatement& statement);

}  // namespace volmira::jetsql
