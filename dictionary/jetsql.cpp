#include "dictionary/jetsql.h"

#include "dictionary/error.h"

namespace volmira::jetsql {

namespace {

struct Token {
    enum class Kind { Word, Name, Text, Number, Symbol, End };
    Kind kind = Kind::End;
    QString text;  // Word: as written; Name: inside the brackets; Text: undoubled; Symbol: the symbol
    int position = 0;
};

[[noreturn]] void syntaxError(const QString& sql, const QString& what)
{
    throw Error(ErrorNumber::SyntaxError, QStringLiteral("Syntax error in query '%1': %2").arg(sql, what));
}

bool isWordStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// Splits the statement into words, bracketed names, text literals, numbers and symbols. Literals and
// bracketed names are taken whole, so nothing inside them is ever read as SQL.
std::vector<Token> tokenize(const QString& sql)
{
    std::vector<Token> tokens;
    const int n = sql.size();
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token token;
        token.position = i;
        if (c == u'\'') {
            token.kind = Token::Kind::Text;
            int j = i + 1;
            for (;;) {
                if (j >= n)
                    syntaxError(sql, QStringLiteral("the text starting at position %1 is not closed").arg(i + 1));
                if (sql[j] == u'\'') {
                    if (j + 1 < n && sql[j + 1] == u'\'') {
                        token.text += u'\'';
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
            const int close = sql.indexOf(u']', i + 1);
            if (close < 0)
                syntaxError(sql, QStringLiteral("the name starting at position %1 lacks its ']'").arg(i + 1));
            token.text = sql.mid(i + 1, close - i - 1);
            if (token.text.trimmed().isEmpty() || token.text.contains(u'['))
                syntaxError(sql, QStringLiteral("invalid bracketed name at position %1").arg(i + 1));
            i = close + 1;
        } else if (isWordStart(c)) {
            token.kind = Token::Kind::Word;
            int j = i + 1;
            while (j < n && isWordChar(sql[j]))
                ++j;
            token.text = sql.mid(i, j - i);
            i = j;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && sql[i + 1].isDigit())) {
            token.kind = Token::Kind::Number;
            int j = i;
            while (j < n && (sql[j].isDigit() || sql[j] == u'.'))
                ++j;
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
            if (!QStringLiteral("(),=<>*;-").contains(token.text.front()))
                syntaxError(sql, QStringLiteral("unexpected character '%1' at position %2").arg(c).arg(i + 1));
            i += token.text.size();
        }
        tokens.push_back(std::move(token));
    }
    Token end;
    end.position = n;
    tokens.push_back(end);
    return tokens;
}

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
        do
            result.items.push_back(selectItem());
        while (acceptSymbol(","));
        expectKeyword("FROM");
        result.table = name("a table name after FROM");
        if (acceptKeyword("WHERE")) {
            do
                result.where.push_back(comparison());
            while (acceptKeyword("AND"));
        }
        if (acceptKeyword("ORDER")) {
            expectKeyword("BY");
            do {
                OrderItem item;
                item.column = name("a column name in ORDER BY");
                if (acceptKeyword("DESC"))
                    item.descending = true;
                else
                    acceptKeyword("ASC");
                result.orderBy.push_back(item);
            } while (acceptSymbol(","));
        }
        acceptSymbol(";");
        if (current().kind != Token::Kind::End)
            fail(QStringLiteral("unexpected '%1'").arg(describe(current())));
        return result;
    }

private:
    const Token& current() const { return tokens_[index_]; }

    static bool isKeyword(const Token& token, const char* keyword)
    {
        return token.kind == Token::Kind::Word && token.text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }
    static bool isReserved(const Token& token)
    {
        static const char* reserved[] = {"SELECT", "DISTINCT", "FROM", "WHERE", "AND", "OR", "NOT", "ORDER", "BY", "GROUP", "HAVING", "UNION", "JOIN", "AS", "ON"};
        for (const char* word : reserved)
            if (isKeyword(token, word))
                return true;
        return false;
    }

    QString describe(const Token& token) const
    {
        return token.kind == Token::Kind::End ? QStringLiteral("end of statement")
                                              : sql_.mid(token.position, 20).section(u' ', 0, 0);
    }

    [[noreturn]] void fail(const QString& what) const
    {
        syntaxError(sql_, QStringLiteral("%1 at position %2").arg(what).arg(current().position + 1));
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
    bool acceptSymbol(const char* symbol)
    {
        if (current().kind != Token::Kind::Symbol || current().text != QLatin1String(symbol))
            return false;
        ++index_;
        return true;
    }
    void expectSymbol(const char* symbol)
    {
        if (!acceptSymbol(symbol))
            fail(QStringLiteral("expected '%1' but found '%2'").arg(QLatin1String(symbol), describe(current())));
    }

    // A bare word that is not a keyword of the statement, or any bracketed name.
    QString name(const QString& expected)
    {
        const Token& token = current();
        if (token.kind == Token::Kind::Name || (token.kind == Token::Kind::Word && !isReserved(token))) {
            ++index_;
            return token.text;
        }
        fail(QStringLiteral("expected %1 but found '%2'").arg(expected, describe(token)));
    }

    bool nextIsCall() const
    {
        return tokens_[index_ + 1].kind == Token::Kind::Symbol && tokens_[index_ + 1].text == u'(';
    }

    SelectItem selectItem()
    {
        SelectItem item;
        if (current().kind == Token::Kind::Word && nextIsCall()) {
            if (acceptKeyword("MAX"))
                item.aggregate = SelectItem::Aggregate::Max;
            else if (acceptKeyword("MIN"))
                item.aggregate = SelectItem::Aggregate::Min;
            else
                fail(QStringLiteral("the function '%1' is not supported in the select list").arg(current().text));
            expectSymbol("(");
            item.column = name(QStringLiteral("a column name"));
            expectSymbol(")");
        } else {
            if (current().kind == Token::Kind::Symbol && current().text == u'*')
                fail(QStringLiteral("'*' is not supported; name the columns"));
            item.column = name(QStringLiteral("a column name"));
        }
        return item;
    }

    Operand operand()
    {
        Operand result;
        const Token& token = current();
        if (token.kind == Token::Kind::Text) {
            result.kind = Operand::Kind::Text;
            result.text = token.text;
            ++index_;
        } else if (token.kind == Token::Kind::Number || (token.kind == Token::Kind::Symbol && token.text == u'-')) {
            const bool negative = acceptSymbol("-");
            if (current().kind != Token::Kind::Number)
                fail(QStringLiteral("expected a number"));
            bool ok = false;
            result.kind = Operand::Kind::Number;
            result.number = current().text.toDouble(&ok);
            if (!ok)
                fail(QStringLiteral("'%1' is not a number").arg(current().text));
            if (negative)
                result.number = -result.number;
            ++index_;
        } else if (token.kind == Token::Kind::Word && nextIsCall()) {
            if (!acceptKeyword("INSTR"))
                fail(QStringLiteral("the function '%1' is not supported").arg(token.text));
            result.kind = Operand::Kind::InStr;
            expectSymbol("(");
            result.arguments.push_back(operand());
            expectSymbol(",");
            result.arguments.push_back(operand());
            expectSymbol(")");
        } else {
            result.kind = Operand::Kind::Column;
            result.name = name(QStringLiteral("a column, a text or a number"));
        }
        return result;
    }

    Comparison comparison()
    {
        Comparison result;
        result.left = operand();
        static const std::pair<const char*, Comparison::Op> ops[] = {
            {"=", Comparison::Op::Equal},        {"<>", Comparison::Op::NotEqual},
            {"<", Comparison::Op::Less},         {"<=", Comparison::Op::LessOrEqual},
            {">", Comparison::Op::Greater},      {">=", Comparison::Op::GreaterOrEqual}};
        bool found = false;
        for (const auto& [symbol, op] : ops) {
            if (acceptSymbol(symbol)) {
                result.op = op;
                found = true;
                break;
            }
        }
        if (!found)
            fail(QStringLiteral("expected a comparison (=, <>, <, <=, >, >=) but found '%1'").arg(describe(current())));
        result.right = operand();
        return result;
    }

    const QString& sql_;
    std::vector<Token> tokens_;
    size_t index_ = 0;
};

}  // namespace

SelectStatement parse(const QString& sql)
{
    return Parser(sql).statement();
}

QStringList referencedTables(const SelectStatement& statement)
{
    return {statement.table};
}

}  // namespace volmira::jetsql
