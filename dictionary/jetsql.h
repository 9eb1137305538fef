#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace volmira::jetsql {

// The statements the program runs, as a tree: one SELECT over one table, a WHERE of comparisons
// joined by AND, and an ORDER BY. Anything else is rejected when parsed.

struct Operand {
    enum class Kind { Column, Text, Number, InStr };
    Kind kind = Kind::Text;
    QString name;    // Column
    QString text;    // Text, apostrophes undoubled
    double number = 0;  // Number
    std::vector<Operand> arguments;  // InStr: the text searched, the text sought
};

struct Comparison {
    enum class Op { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual };
    Operand left;
    Op op = Op::Equal;
    Operand right;
};

struct SelectItem {
    enum class Aggregate { None, Max, Min };
    Aggregate aggregate = Aggregate::None;
    QString column;
};

struct OrderItem {
    QString column;
    bool descending = false;
};

struct SelectStatement {
    bool distinct = false;
    std::vector<SelectItem> items;
    QString table;
    std::vector<Comparison> where;  // all must hold
    std::vector<OrderItem> orderBy;
};

// Parses one statement; raises Error 3075 (syntax error) naming the statement and what is wrong.
SelectStatement parse(const QString& sql);

// The tables a parsed statement reads, each once, as the statement spells them (FROM and JOIN).
QStringList referencedTables(const SelectStatement& statement);

}  // namespace volmira::jetsql
