#include "dictionary/jetsql.h"

#include "dictionary/error.h"
#include "dictionary/jetdate.h"

#include <cmath>

namespace volmira::jetsql {

namespace {

struct Token {
    enum class Kind { Word, Name, Text, Number, Date, Symbol, End };
    Kind kind = Kind::End;
    QString text;      // Word: as written; Name: inside the brackets; Text: undoubled; Date: between the #s
    int position = 0;  // 0-based
};

[[noreturn]] void syntaxError(const QString& sql, const QString& what)
{
    throw Error(ErrorNumber::SyntaxError, QStringLiteral("Syntax error in query '%1': %2").arg(sql, what));
}

bool isWordStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// Splits the statement into words, bracketed names, text and date literals, numbers and symbols. Literals
// and bracketed names are taken whole, so nothing inside them is ever read as SQL.
std::vector<Token> tokenize(const QString& sql)
{
    std::vector<Token> tokens;
    const int n = int(sql.size());
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token token;
        token.position = i;
        const bool afterName =
            !tokens.empty() && (tokens.back().kind == Token::Kind::Word || tokens.back().kind == Token::Kind::Name);
        if (c == u'\'' || c == u'"') {
            token.kind = Token::Kind::Text;
            int j = i + 1;
            for (;;) {
                if (j >= n)
                    syntaxError(sql, QStringLiteral("the text starting at position %1 is not closed").arg(i + 1));
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        token.text += c;
                        j += 2;
                        continue;
                    }
                    break;
                }
                token.text += sql[j++];
            }
            i = j + 1;
        } else if (c == u'[') {
            token.kind = Token::Kind::Name;
            const int close = int(sql.indexOf(u']', i + 1));
            if (close < 0)
                syntaxError(sql, QStringLiteral("the name starting at position %1 lacks its ']'").arg(i + 1));
            token.text = sql.mid(i + 1, close - i - 1);
            if (token.text.trimmed().isEmpty() || token.text.contains(u'['))
                syntaxError(sql, QStringLiteral("invalid bracketed name at position %1").arg(i + 1));
            i = close + 1;
        } else if (c == u'#') {
            token.kind = Token::Kind::Date;
            const int close = int(sql.indexOf(u'#', i + 1));
            if (close < 0)
                syntaxError(sql, QStringLiteral("the date starting at position %1 lacks its '#'").arg(i + 1));
            token.text = sql.mid(i + 1, close - i - 1);
            i = close + 1;
        } else if (isWordStart(c)) {
            token.kind = Token::Kind::Word;
            int j = i + 1;
            while (j < n && isWordChar(sql[j]))
                ++j;
            token.text = sql.mid(i, j - i);
            i = j;
        } else if (c.isDigit() || (c == u'.' && !afterName && i + 1 < n && sql[i + 1].isDigit())) {
            token.kind = Token::Kind::Number;
            int j = i;
            while (j < n && (sql[j].isDigit() || sql[j] == u'.'))
                ++j;
            if (j < n && (sql[j] == u'e' || sql[j] == u'E')) {
                int k = j + 1;
                if (k < n && (sql[k] == u'+' || sql[k] == u'-'))
                    ++k;
                if (k < n && sql[k].isDigit()) {
                    while (k < n && sql[k].isDigit())
                        ++k;
                    j = k;
                }
            }
            token.text = sql.mid(i, j - i);
            i = j;
        } else {
            token.kind = Token::Kind::Symbol;
            static const QString pairs[] = {QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>")};
            token.text = c;
            for (const QString& pair : pairs) {
                if (QStringView(sql).mid(i, 2) == pair)
                    token.text = pair;
            }
            if (!QStringLiteral("(),=<>*;-+/\\&.").contains(token.text.front()))
                syntaxError(sql, QStringLiteral("unexpected character '%1' at position %2").arg(c).arg(i + 1));
            i += int(token.text.size());
        }
        tokens.push_back(std::move(token));
    }
    Token end;
    end.position = n;
    tokens.push_back(end);
    return tokens;
}

// Deep enough for any statement a person writes, shallow enough for the stack of every thread and for
// the depth of expression the in-memory database takes.
constexpr int maximumNesting = 200;
constexpr int maximumOperators = 250;

class Parser final {
public:
    explicit Parser(const QString& sql) : sql_(sql), tokens_(tokenize(sql)) {}

    SelectStatement statement()
    {
        SelectStatement result;
        expectKeyword("SELECT");
        if (acceptKeyword("DISTINCT"))
            result.distinct = true;
        else
            acceptKeyword("ALL");
        if (acceptKeyword("TOP")) {
            bool ok = false;
            const double top = current().kind == Token::Kind::Number ? current().text.toDouble(&ok) : 0;
            if (!ok || top < 1 || top > 2147483647 || top != std::floor(top))
                fail(QStringLiteral("expected a whole number of rows after TOP but found '%1'")
                         .arg(describe(current())));
            result.top = int(top);
            ++index_;
            if (isKeyword(current(), "PERCENT"))
                fail(QStringLiteral("TOP ... PERCENT is not supported"));
        }
        do
            result.items.push_back(selectItem());
        while (acceptSymbol(","));
        expectKeyword("FROM");
        source(result);
        if (acceptKeyword("WHERE"))
            result.where = std::make_unique<Expression>(expression());
        if (acceptKeyword("GROUP")) {
            expectKeyword("BY");
            do
                result.groupBy.push_back(expression());
            while (acceptSymbol(","));
        }
        if (acceptKeyword("HAVING"))
            result.having = std::make_unique<Expression>(expression());
        if (acceptKeyword("ORDER")) {
            expectKeyword("BY");
            do {
                OrderItem item;
                item.expression = expression();
                if (acceptKeyword("DESC"))
                    item.descending = true;
                else
                    acceptKeyword("ASC");
                result.orderBy.push_back(std::move(item));
            } while (acceptSymbol(","));
        }
        acceptSymbol(";");
        if (current().kind != Token::Kind::End)
            fail(QStringLiteral("'%1' is not understood").arg(describe(current())));
        return result;
    }

private:
    const Token& current() const { return tokens_[index_]; }
    const Token& next() const { return tokens_[std::min(index_ + 1, tokens_.size() - 1)]; }

    static bool isKeyword(const Token& token, const char* keyword)
    {
        return token.kind == Token::Kind::Word && token.text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }
    static bool isReserved(const Token& token)
    {
        static const char* reserved[] = {"SELECT", "DISTINCT", "FROM",  "WHERE",  "AND",     "OR",    "NOT",
                                         "ORDER",  "BY",       "GROUP", "HAVING", "UNION",   "JOIN",  "AS",
                                         "ON",     "IN",       "IS",    "LIKE",   "BETWEEN", "INNER", "LEFT",
                                         "RIGHT",  "FULL",     "OUTER", "CROSS",  "TOP",     "NULL",  "TRUE",
                                         "FALSE",  "MOD",      "ALL",   "INTO",   "ASC",     "DESC"};
        for (const char* word : reserved)
            if (isKeyword(token, word))
                return true;
        return false;
    }

    QString describe(const Token& token) const
    {
        if (token.kind == Token::Kind::End)
            return QStringLiteral("end of statement");
        const QString rest = sql_.mid(token.position, 20);
        const QString word = rest.section(u' ', 0, 0);
        return word.isEmpty() ? rest : word;
    }

    [[noreturn]] void fail(const QString& what) const
    {
        syntaxError(sql_, QStringLiteral("%1 at position %2").arg(what, QString::number(current().position + 1)));
    }

    bool acceptKeyword(const char* keyword)
    {
        if (!isKeyword(current(), keyword))
            return false;
        ++index_;
        return true;
    }
    void expectKeyword(const char* keyword)
    {
        if (!acceptKeyword(keyword))
            fail(QStringLiteral("expected %1 but found '%2'").arg(QLatin1String(keyword), describe(current())));
    }
    bool isSymbol(const char* symbol) const
    {
        return current().kind == Token::Kind::Symbol && current().text == QLatin1String(symbol);
    }
    bool acceptSymbol(const char* symbol)
    {
        if (!isSymbol(symbol))
            return false;
        ++index_;
        return true;
    }
    void expectSymbol(const char* symbol)
    {
        if (!acceptSymbol(symbol))
            fail(QStringLiteral("expected '%1' but found '%2'").arg(QLatin1String(symbol), describe(current())));
    }

    bool isName(const Token& token) const
    {
        return token.kind == Token::Kind::Name || (token.kind == Token::Kind::Word && !isReserved(token));
    }
    // A bare word that is not a keyword, or any bracketed name.
    QString name(const QString& expected)
    {
        const Token& token = current();
        if (isName(token)) {
            ++index_;
            return token.text;
        }
        fail(QStringLiteral("expected %1 but found '%2'").arg(expected, describe(token)));
    }

    SelectItem selectItem()
    {
        SelectItem item;
        if (acceptSymbol("*")) {
            item.star = true;
            return item;
        }
        if (isName(current()) && next().kind == Token::Kind::Symbol && next().text == u'.') {
            const Token& afterDot = tokens_[std::min(index_ + 2, tokens_.size() - 1)];
            if (afterDot.kind == Token::Kind::Symbol && afterDot.text == u'*') {
                item.star = true;
                item.starTable = current().text;
                index_ += 3;
                return item;
            }
        }
        item.expression = expression();
        if (acceptKeyword("AS"))
            item.alias = name(QStringLiteral("a name after AS"));
        return item;
    }

    TableReference tableReference()
    {
        TableReference table;
        table.position = current().position + 1;
        table.name = name(QStringLiteral("a table name"));
        if (acceptKeyword("AS"))
            table.alias = name(QStringLiteral("a name after AS"));
        else if (isName(current()))
            table.alias = name(QString());
        return table;
    }

    // FROM a table and its joins; Jet writes a chain of joins in parentheses: (a JOIN b ON ...) JOIN c ON ...
    void source(SelectStatement& statement)
    {
        int open = 0;
        while (acceptSymbol("("))
            ++open;
        statement.from = tableReference();
        for (;;) {
            Join join;
            if (acceptKeyword("INNER")) {
                join.type = Join::Type::Inner;
            } else if (acceptKeyword("LEFT")) {
                join.type = Join::Type::Left;
                acceptKeyword("OUTER");
            } else {
                if (open > 0 && acceptSymbol(")")) {
                    --open;
                    continue;
                }
                break;
            }
            expectKeyword("JOIN");
            join.table = tableReference();
            expectKeyword("ON");
            join.on = expression();
            statement.joins.push_back(std::move(join));
        }
        if (open > 0)
            fail(QStringLiteral("expected ')' but found '%1'").arg(describe(current())));
    }

    // Precedence, loosest first: OR, AND, NOT, comparisons (=, <>, <, <=, >, >=, LIKE, IN, BETWEEN, IS),
    // &, + and -, Mod, \, * and /, unary minus.
    Expression expression() { return orExpression(); }

    struct Depth {
        explicit Depth(Parser& parser) : parser_(parser)
        {
            if (++parser_.depth_ > maximumNesting)
                parser_.fail(QStringLiteral("the expression is nested too deeply"));
        }
        ~Depth() { --parser_.depth_; }
        Parser& parser_;
    };

    void countOperator()
    {
        if (++operators_ > maximumOperators)
            fail(QStringLiteral("the statement is too complex"));
    }

    Expression binary(Expression::Op op, Expression left, Expression right)
    {
        countOperator();
        Expression e;
        e.kind = Expression::Kind::Binary;
        e.op = op;
        e.position = left.position;
        e.length = right.position + right.length - left.position;
        e.operands.push_back(std::move(left));
        e.operands.push_back(std::move(right));
        return e;
    }

    Expression unary(Expression::Op op, int position, Expression operand)
    {
        countOperator();
        Expression e;
        e.kind = Expression::Kind::Unary;
        e.op = op;
        e.position = position;
        e.length = operand.position + operand.length - position;
        e.operands.push_back(std::move(operand));
        return e;
    }

    Expression orExpression()
    {
        Expression left = andExpression();
        while (acceptKeyword("OR"))
            left = binary(Expression::Op::Or, std::move(left), andExpression());
        return left;
    }

    Expression andExpression()
    {
        Expression left = notExpression();
        while (acceptKeyword("AND"))
            left = binary(Expression::Op::And, std::move(left), notExpression());
        return left;
    }

    Expression notExpression()
    {
        const Depth depth(*this);
        const int position = current().position + 1;
        if (acceptKeyword("NOT"))
            return unary(Expression::Op::Not, position, notExpression());
        return comparison();
    }

    void finish(Expression& e, int position)
    {
        e.position = position;
        e.length = tokens_[index_ - 1].position + int(tokenLength(tokens_[index_ - 1])) - (position - 1);
    }
    int tokenLength(const Token& token) const
    {
        // The text the token was read from ends where the next token's blanks begin.
        const size_t at = size_t(&token - tokens_.data());
        int end = tokens_[at + 1].position;
        while (end > token.position && sql_[end - 1].isSpace())
            --end;
        return end - token.position;
    }

    Expression comparison()
    {
        Expression left = concatenation();
        static const std::pair<const char*, Expression::Op> ops[] = {
            {"=", Expression::Op::Equal},   {"<>", Expression::Op::NotEqual},
            {"<", Expression::Op::Less},    {"<=", Expression::Op::LessOrEqual},
            {">", Expression::Op::Greater}, {">=", Expression::Op::GreaterOrEqual}};
        for (;;) {
            bool found = false;
            for (const auto& [symbol, op] : ops) {
                if (acceptSymbol(symbol)) {
                    left = binary(op, std::move(left), concatenation());
                    found = true;
                    break;
                }
            }
            if (found)
                continue;
            const int position = left.position;
            Expression e;
            if (acceptKeyword("IS")) {
                e.kind = Expression::Kind::IsNull;
                e.negated = acceptKeyword("NOT");
                expectKeyword("NULL");
                e.operands.push_back(std::move(left));
            } else {
                const bool negated =
                    isKeyword(current(), "NOT")
                    && (isKeyword(next(), "IN") || isKeyword(next(), "BETWEEN") || isKeyword(next(), "LIKE"));
                if (negated)
                    ++index_;
                e.negated = negated;
                if (acceptKeyword("IN")) {
                    e.kind = Expression::Kind::In;
                    e.operands.push_back(std::move(left));
                    expectSymbol("(");
                    if (isKeyword(current(), "SELECT"))
                        fail(QStringLiteral("a subquery is not supported"));
                    do
                        e.operands.push_back(concatenation());
                    while (acceptSymbol(","));
                    expectSymbol(")");
                } else if (acceptKeyword("BETWEEN")) {
                    e.kind = Expression::Kind::Between;
                    e.operands.push_back(std::move(left));
                    e.operands.push_back(concatenation());
                    expectKeyword("AND");
                    e.operands.push_back(concatenation());
                } else if (acceptKeyword("LIKE")) {
                    e.kind = Expression::Kind::Like;
                    e.operands.push_back(std::move(left));
                    e.operands.push_back(concatenation());
                } else {
                    return left;
                }
            }
            countOperator();
            finish(e, position);
            left = std::move(e);
        }
    }

    Expression concatenation()
    {
        Expression left = additive();
        while (acceptSymbol("&"))
            left = binary(Expression::Op::Concat, std::move(left), additive());
        return left;
    }

    Expression additive()
    {
        Expression left = modulo();
        for (;;) {
            if (acceptSymbol("+"))
                left = binary(Expression::Op::Add, std::move(left), modulo());
            else if (acceptSymbol("-"))
                left = binary(Expression::Op::Subtract, std::move(left), modulo());
            else
                return left;
        }
    }

    Expression modulo()
    {
        Expression left = integerDivision();
        while (acceptKeyword("MOD"))
            left = binary(Expression::Op::Modulo, std::move(left), integerDivision());
        return left;
    }

    Expression integerDivision()
    {
        Expression left = multiplicative();
        while (acceptSymbol("\\"))
            left = binary(Expression::Op::IntegerDivide, std::move(left), multiplicative());
        return left;
    }

    Expression multiplicative()
    {
        Expression left = signed_();
        for (;;) {
            if (acceptSymbol("*"))
                left = binary(Expression::Op::Multiply, std::move(left), signed_());
            else if (acceptSymbol("/"))
                left = binary(Expression::Op::Divide, std::move(left), signed_());
            else
                return left;
        }
    }

    Expression signed_()
    {
        const Depth depth(*this);
        const int position = current().position + 1;
        if (acceptSymbol("-")) {
            Expression operand = signed_();
            if (operand.kind == Expression::Kind::Number) {
                operand.number = -operand.number;
                operand.position = position;
                operand.length += 1;
                return operand;
            }
            return unary(Expression::Op::Negate, position, std::move(operand));
        }
        if (acceptSymbol("+"))
            return signed_();
        return primary();
    }

    Expression primary()
    {
        const Depth depth(*this);
        const Token& token = current();
        const int position = token.position + 1;
        Expression e;
        switch (token.kind) {
        case Token::Kind::Text:
            e.kind = Expression::Kind::Text;
            e.text = token.text;
            ++index_;
            break;
        case Token::Kind::Number: {
            bool ok = false;
            e.kind = Expression::Kind::Number;
            e.number = token.text.toDouble(&ok);
            if (!ok || !std::isfinite(e.number))
                fail(QStringLiteral("'%1' is not a number").arg(token.text));
            ++index_;
            break;
        }
        case Token::Kind::Date: {
            const std::optional<double> serial = jetdate::parse(token.text);
            if (!serial)
                fail(QStringLiteral("'#%1#' is not a date (write #yyyy-mm-dd# or #yyyy-mm-dd hh:mm:ss#)")
                         .arg(token.text));
            e.kind = Expression::Kind::Date;
            e.number = *serial;
            ++index_;
            break;
        }
        case Token::Kind::Symbol:
            if (acceptSymbol("(")) {
                e = expression();
                expectSymbol(")");
                // The parentheses belong to the expression's text.
                finish(e, position);
                return e;
            }
            fail(QStringLiteral("expected an expression but found '%1'").arg(describe(token)));
        case Token::Kind::End: fail(QStringLiteral("expected an expression but found the end of the statement"));
        case Token::Kind::Word:
        case Token::Kind::Name:
            if (token.kind == Token::Kind::Word && next().kind == Token::Kind::Symbol && next().text == u'(') {
                call(e);
                break;
            }
            if (acceptKeyword("NULL")) {
                e.kind = Expression::Kind::Null;
            } else if (acceptKeyword("TRUE")) {
                e.kind = Expression::Kind::YesNo;
                e.number = -1;
            } else if (acceptKeyword("FALSE")) {
                e.kind = Expression::Kind::YesNo;
                e.number = 0;
            } else {
                e.kind = Expression::Kind::Column;
                e.name = name(QStringLiteral("an expression"));
                if (acceptSymbol(".")) {
                    e.table = e.name;
                    e.name = name(QStringLiteral("a column name after '%1.'").arg(e.table));
                }
            }
            break;
        }
        finish(e, position);
        return e;
    }

    // A function or an aggregate: the name, its arguments in parentheses. Which functions exist and how
    // many arguments each takes is checked here, so an unknown one is refused with its place.
    void call(Expression& e)
    {
        struct Known {
            const char* name;
            int minimum, maximum;
        };
        static const Known aggregates[] = {{"COUNT", 1, 1}, {"MIN", 1, 1}, {"MAX", 1, 1}, {"SUM", 1, 1}, {"AVG", 1, 1}};
        static const Known functions[] = {{"UCase", 1, 1}, {"LCase", 1, 1}, {"Len", 1, 1},  {"Left", 2, 2},
                                          {"Right", 2, 2}, {"Mid", 2, 3},   {"Trim", 1, 1}, {"LTrim", 1, 1},
                                          {"RTrim", 1, 1}, {"InStr", 2, 3}, {"Nz", 1, 2},   {"IIf", 3, 3},
                                          {"Year", 1, 1},  {"Month", 1, 1}, {"Day", 1, 1},  {"Format", 2, 2}};
        const Token& token = current();
        const Known* known = nullptr;
        for (const Known& k : aggregates) {
            if (isKeyword(token, k.name)) {
                known = &k;
                e.kind = Expression::Kind::Aggregate;
            }
        }
        for (const Known& k : functions) {
            if (isKeyword(token, k.name)) {
                known = &k;
                e.kind = Expression::Kind::Function;
            }
        }
        if (!known)
            fail(QStringLiteral("the function '%1' is not supported").arg(token.text));
        e.name = QString::fromLatin1(known->name);
        index_ += 2;
        if (e.kind == Expression::Kind::Aggregate && e.name == u"COUNT" && acceptSymbol("*")) {
            expectSymbol(")");
            return;
        }
        if (e.kind == Expression::Kind::Aggregate && (isKeyword(current(), "DISTINCT") || isKeyword(current(), "ALL")))
            fail(QStringLiteral("DISTINCT inside %1 is not supported").arg(e.name));
        do
            e.operands.push_back(expression());
        while (acceptSymbol(","));
        if (int(e.operands.size()) < known->minimum || int(e.operands.size()) > known->maximum)
            fail(QStringLiteral("wrong number of arguments to %1").arg(e.name));
        expectSymbol(")");
    }

    const QString& sql_;
    std::vector<Token> tokens_;
    size_t index_ = 0;
    int depth_ = 0;
    int operators_ = 0;
};

}  // namespace

SelectStatement parse(const QString& sql) { return Parser(sql).statement(); }

QStringList referencedTables(const SelectStatement& statement)
{
    QStringList tables{statement.from.name};
    for (const Join& join : statement.joins)
        if (!tables.contains(join.table.name, Qt::CaseInsensitive))
            tables << join.table.name;
    return tables;
}

}  // namespace volmira::jetsql
