#include "dictionary/sqltranslator.h"

#include "dictionary/error.h"
#include "dictionary/jetdate.h"
#include "dictionary/jetfunctions.h"

#include <algorithm>
#include <cmath>

namespace volmira {

namespace {

using jetsql::Expression;
using Kind = Expression::Kind;
using Op = Expression::Op;

// What an expression's values are, as far as the statement tells.
enum class Type { Text, Number, YesNo, Date, Binary, Null, Unknown };

Type typeOf(ColumnType type)
{
    switch (type) {
    case ColumnType::Text:
    case ColumnType::Memo: return Type::Text;
    case ColumnType::Bool: return Type::YesNo;
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Currency:
    case ColumnType::Single:
    case ColumnType::Double: return Type::Number;
    case ColumnType::DateTime: return Type::Date;
    case ColumnType::Binary: return Type::Binary;
    case ColumnType::Other: break;
    }
    return Type::Unknown;
}

ColumnType columnTypeOf(Type type)
{
    switch (type) {
    case Type::Text: return ColumnType::Text;
    case Type::Number: return ColumnType::Double;
    case Type::YesNo: return ColumnType::Bool;
    case Type::Date: return ColumnType::DateTime;
    case Type::Binary: return ColumnType::Binary;
    case Type::Null:
    case Type::Unknown: break;
    }
    return ColumnType::Other;
}

bool isNumeric(Type type) { return type == Type::Number || type == Type::YesNo || type == Type::Date; }
bool isOpen(Type type) { return type == Type::Null || type == Type::Unknown; }

// An expression in SQL. A condition is SQLite's 1/0; as a value it becomes Jet's -1/0.
struct Sql {
    QString text;
    Type type = Type::Unknown;
    ColumnType columnType = ColumnType::Other;
    bool condition = false;
    bool bareColumn = false;
};

Sql make(QString text, Type type, ColumnType columnType = ColumnType::Other)
{
    Sql s;
    s.text = std::move(text);
    s.type = type;
    s.columnType = columnType == ColumnType::Other ? columnTypeOf(type) : columnType;
    return s;
}

Sql condition(QString text)
{
    Sql s = make(std::move(text), Type::YesNo);
    s.condition = true;
    return s;
}

// Where an expression stands: what it may hold and how a failure is named.
enum class Clause { Select, Where, On, GroupBy, Having, OrderBy };

struct Source {
    const StoredTable* table = nullptr;
    QString spelledAs;  // the alias, or the table's name as written
    QString sqlAlias;
};

class Translator final {
public:
    Translator(const QString& sql, const jetsql::SelectStatement& statement, const TableLookup& lookup,
               const std::vector<std::uint32_t>* narrowing)
        : sql_(sql), statement_(statement), narrowing_(narrowing)
    {
        addSource(statement.from, lookup);
        for (const jetsql::Join& join : statement.joins)
            addSource(join.table, lookup);
    }

    Translation translate();

private:
    struct Item {
        Sql sql;
        QString name;
        const Expression* expression = nullptr;  // null for a column of *
    };

    [[noreturn]] void syntaxError(const QString& what, int position) const
    {
        throw Error(
            ErrorNumber::SyntaxError,
            QStringLiteral("Syntax error in query '%1': %2 at position %3").arg(sql_, what, QString::number(position)));
    }
    QString textOf(const Expression& e) const { return sql_.mid(e.position - 1, e.length); }

    [[noreturn]] void mismatch(const Expression& e) const
    {
        throw Error(ErrorNumber::DataTypeMismatch,
                    QStringLiteral("Data type mismatch in criteria expression '%1'.").arg(textOf(e)));
    }

    void addSource(const jetsql::TableReference& reference, const TableLookup& lookup)
    {
        Source source;
        source.table = &lookup(reference.name);
        source.spelledAs = reference.alias.isEmpty() ? reference.name : reference.alias;
        source.sqlAlias = QStringLiteral("a%1").arg(sources_.size());
        for (const Source& other : sources_)
            if (other.spelledAs.compare(source.spelledAs, Qt::CaseInsensitive) == 0)
                syntaxError(QStringLiteral("the table '%1' is named twice; give one an alias").arg(source.spelledAs),
                            reference.position);
        sources_.push_back(source);
    }

    QString parameter(const SqlParameter& value)
    {
        for (size_t i = 0; i < parameters_.size(); ++i) {
            const SqlParameter& p = parameters_[i];
            if (p.isText == value.isText && p.text == value.text && (p.isText || p.number == value.number))
                return QStringLiteral("?%1").arg(i + 1);
        }
        if (parameters_.size() >= 30000)
            syntaxError(QStringLiteral("the statement has too many literals"), 1);
        parameters_.push_back(value);
        return QStringLiteral("?%1").arg(parameters_.size());
    }

    Sql column(const Expression& e, Clause clause);
    Sql expression(const Expression& e, Clause clause);
    Sql function(const Expression& e, Clause clause);
    Sql aggregate(const Expression& e, Clause clause);
    Sql binary(const Expression& e, Clause clause);

    // The value form: a condition becomes -1/0.
    QString value(const Sql& s) const { return s.condition ? QStringLiteral("-(%1)").arg(s.text) : s.text; }
    QString valueOf(const Expression& e, Clause clause) { return value(expression(e, clause)); }
    // As Jet turns a value into text for a text function or &.
    QString text(const Sql& s) const
    {
        if (s.type == Type::Text || s.type == Type::Null)
            return s.text;
        jetfunctions::TextKind kind = jetfunctions::TextKind::Plain;
        if (s.type == Type::YesNo)
            kind = jetfunctions::TextKind::YesNo;
        else if (s.type == Type::Date)
            kind = jetfunctions::TextKind::Date;
        else if (s.columnType == ColumnType::Single)
            kind = jetfunctions::TextKind::Single;
        return QStringLiteral("jet_text(%1, %2)").arg(value(s)).arg(int(kind));
    }
    QString textOperand(const Expression& e, Clause clause)
    {
        const Sql s = expression(e, clause);
        if (s.type == Type::Binary)
            mismatch(e);
        return text(s);
    }
    QString numberOperand(const Expression& e, Clause clause)
    {
        const Sql s = expression(e, clause);
        if (!isNumeric(s.type) && !isOpen(s.type))
            mismatch(e);
        return value(s);
    }
    QString truth(const Expression& e, Clause clause)
    {
        const Sql s = expression(e, clause);
        if (s.type == Type::Text || s.type == Type::Binary)
            mismatch(e);
        return s.text;
    }
    // A stored column that holds long texts, selected or sorted as the references to them where a row holds
    // one (see StoredTable); empty for any other expression.
    QString longTextReference(const QString& sqlText) const
    {
        for (const Source& source : sources_) {
            const QString prefix = source.sqlAlias + QStringLiteral(".c");
            if (!sqlText.startsWith(prefix))
                continue;
            bool isNumber = false;
            const int index = sqlText.mid(prefix.size()).toInt(&isNumber);
            if (!isNumber || index < 0 || size_t(index) >= source.table->columns.size()
                || !source.table->columns[size_t(index)].holdsLongTexts)
                return {};
            return QStringLiteral("(CASE WHEN %1.long_texts & %2 THEN %3(%4, %1.rowid, %5) ELSE %6 END) COLLATE JET")
                .arg(source.sqlAlias)
                .arg(1LL << index)
                .arg(QLatin1String(longTextFunction))
                .arg(source.table->number)
                .arg(index)
                .arg(sqlText);
        }
        return {};
    }

    // Text sorts and groups ignoring letter case.
    static QString collated(const Sql& s, const QString& text)
    {
        return s.type == Type::Text && !s.bareColumn ? text + QStringLiteral(" COLLATE JET") : text;
    }

    void checkComparable(const Expression& e, const Sql& a, const Sql& b) const
    {
        if (isOpen(a.type) || isOpen(b.type))
            return;
        if ((a.type == Type::Text) != (b.type == Type::Text) || (a.type == Type::Binary) != (b.type == Type::Binary))
            mismatch(e);
    }

    void expandStar(const jetsql::SelectItem& item);
    void checkGrouped(const Expression& e, const QStringList& groups, Clause clause);
    bool isGrouped() const;
    static bool containsAggregate(const Expression& e);
    bool isStoredColumn(const Expression& e) const;
    // A column's name as its table spells it.
    QString storedName(const Expression& e) const;

    const QString& sql_;
    const jetsql::SelectStatement& statement_;
    const std::vector<std::uint32_t>* narrowing_;
    std::vector<Source> sources_;
    std::vector<SqlParameter> parameters_;
    std::vector<Item> items_;
    std::vector<const Expression*> resolvingAliases_;
    bool inAggregate_ = false;
};

Sql Translator::column(const Expression& e, Clause clause)
{
    int found = -1, index = -1;
    for (size_t s = 0; s < sources_.size(); ++s) {
        if (!e.table.isEmpty() && sources_[s].spelledAs.compare(e.table, Qt::CaseInsensitive) != 0)
            continue;
        const int i = sources_[s].table->findColumn(e.name);
        if (i < 0)
            continue;
        if (found >= 0)
            throw Error(ErrorNumber::AmbiguousColumn,
                        QStringLiteral("The specified field '%1' could refer to more than one table listed in the FROM "
                                       "clause of your SQL statement.")
                            .arg(e.name));
        found = int(s);
        index = i;
    }
    if (found < 0) {
        // An item's alias stands for its expression.
        if (e.table.isEmpty()) {
            for (const jetsql::SelectItem& item : statement_.items) {
                if (item.star || item.alias.compare(e.name, Qt::CaseInsensitive) != 0)
                    continue;
                if (std::find(resolvingAliases_.begin(), resolvingAliases_.end(), &item.expression)
                    != resolvingAliases_.end())
                    throw Error(
                        ErrorNumber::CircularAlias,
                        QStringLiteral("Circular reference caused by alias '%1' in query definition's SELECT list.")
                            .arg(item.alias));
                resolvingAliases_.push_back(&item.expression);
                Sql s = expression(item.expression, clause);
                resolvingAliases_.pop_back();
                return s;
            }
        }
        const QString name = e.table.isEmpty() ? e.name : e.table + u'.' + e.name;
        if (sources_.size() == 1)
            throw Error(ErrorNumber::ColumnNotFound,
                        QStringLiteral("Too few parameters: the table '%1' has no column '%2'.")
                            .arg(sources_[0].table->name, name));
        throw Error(ErrorNumber::ColumnNotFound,
                    QStringLiteral("Too few parameters: no table of the statement has a column '%1'.").arg(name));
    }
    const StoredColumn& stored = sources_[size_t(found)].table->columns[size_t(index)];
    Sql s = make(QStringLiteral("%1.c%2").arg(sources_[size_t(found)].sqlAlias).arg(index), typeOf(stored.resultType()),
                 stored.resultType());
    s.bareColumn = true;
    return s;
}

Sql Translator::expression(const Expression& e, Clause clause)
{
    switch (e.kind) {
    case Kind::Column: return column(e, clause);
    case Kind::Text: return make(parameter({true, e.text, 0}), Type::Text);
    case Kind::Number: {
        const bool whole = e.number == std::floor(e.number) && std::fabs(e.number) < 2147483648.0;
        return make(parameter({false, QString(), e.number}), Type::Number,
                    whole ? ColumnType::Long : ColumnType::Double);
    }
    case Kind::YesNo: return make(e.number != 0 ? QStringLiteral("-1") : QStringLiteral("0"), Type::YesNo);
    case Kind::Date: return make(parameter({false, QString(), e.number}), Type::Date);
    case Kind::Null: return make(QStringLiteral("NULL"), Type::Null);
    case Kind::Function: return function(e, clause);
    case Kind::Aggregate: return aggregate(e, clause);
    case Kind::Unary: {
        const Sql operand = expression(e.operands[0], clause);
        if (e.op == Op::Negate) {
            if (!isNumeric(operand.type) && !isOpen(operand.type))
                mismatch(e);
            return make(QStringLiteral("(-%1)").arg(value(operand)),
                        operand.type == Type::Date ? Type::Date : Type::Number);
        }
        if (operand.type == Type::Text || operand.type == Type::Binary)
            mismatch(e);
        if (operand.type == Type::YesNo || operand.type == Type::Null)
            return condition(QStringLiteral("(NOT %1)").arg(operand.text));
        // NOT of a number is bitwise, as in Jet: NOT 5 is -6.
        return make(QStringLiteral("(~CAST(%1 AS INTEGER))").arg(value(operand)), Type::Number, ColumnType::Long);
    }
    case Kind::Binary: return binary(e, clause);
    case Kind::In: {
        const Sql left = expression(e.operands[0], clause);
        bool text = left.type == Type::Text;
        QStringList list;
        for (size_t i = 1; i < e.operands.size(); ++i) {
            const Sql item = expression(e.operands[i], clause);
            checkComparable(e, left, item);
            text = text || item.type == Type::Text;
            list << value(item);
        }
        return condition(QStringLiteral("(%1%2 %3IN (%4))")
                             .arg(value(left), text ? QStringLiteral(" COLLATE JET") : QString(),
                                  e.negated ? QStringLiteral("NOT ") : QString(), list.join(QStringLiteral(", "))));
    }
    case Kind::Between: {
        const Sql subject = expression(e.operands[0], clause);
        const Sql low = expression(e.operands[1], clause);
        const Sql high = expression(e.operands[2], clause);
        checkComparable(e, subject, low);
        checkComparable(e, subject, high);
        checkComparable(e, low, high);
        const QString collation = subject.type == Type::Text || low.type == Type::Text || high.type == Type::Text
                                      ? QStringLiteral(" COLLATE JET")
                                      : QString();
        // Jet takes the bounds in either order.
        return condition(QStringLiteral("(%1%2 %3BETWEEN min(%4%2, %5) AND max(%4%2, %5))")
                             .arg(value(subject), collation, e.negated ? QStringLiteral("NOT ") : QString(), value(low),
                                  value(high)));
    }
    case Kind::Like: {
        const Expression& pattern = e.operands[1];
        if (pattern.kind == Kind::Text && !jetfunctions::isLikePattern(pattern.text))
            throw Error(ErrorNumber::InvalidPattern, QStringLiteral("Invalid pattern string '%1'").arg(pattern.text));
        const QString like =
            QStringLiteral("jet_like(%1, %2)").arg(textOperand(e.operands[0], clause), textOperand(pattern, clause));
        return condition(e.negated ? QStringLiteral("(NOT %1)").arg(like) : like);
    }
    case Kind::IsNull:
        return condition(QStringLiteral("(%1 IS %2NULL)")
                             .arg(valueOf(e.operands[0], clause), e.negated ? QStringLiteral("NOT ") : QString()));
    }
    return make(QStringLiteral("NULL"), Type::Null);
}

Sql Translator::binary(const Expression& e, Clause clause)
{
    const Sql a = expression(e.operands[0], clause);
    const Sql b = expression(e.operands[1], clause);
    switch (e.op) {
    case Op::Or:
    case Op::And: {
        if (a.type == Type::Text || a.type == Type::Binary || b.type == Type::Text || b.type == Type::Binary)
            mismatch(e);
        const bool logical =
            (a.type == Type::YesNo || a.type == Type::Null) && (b.type == Type::YesNo || b.type == Type::Null);
        if (logical)
            return condition(QStringLiteral("(%1 %2 %3)")
                                 .arg(a.text, e.op == Op::And ? QStringLiteral("AND") : QStringLiteral("OR"), b.text));
        // Over numbers AND and OR are bitwise, as in Jet.
        return make(QStringLiteral("(CAST(%1 AS INTEGER) %2 CAST(%3 AS INTEGER))")
                        .arg(value(a), e.op == Op::And ? QStringLiteral("&") : QStringLiteral("|"), value(b)),
                    Type::Number, ColumnType::Long);
    }
    case Op::Equal:
    case Op::NotEqual:
    case Op::Less:
    case Op::LessOrEqual:
    case Op::Greater:
    case Op::GreaterOrEqual: {
        checkComparable(e, a, b);
        static const char* const ops[] = {"=", "<>", "<", "<=", ">", ">="};
        const QString collation =
            a.type == Type::Text || b.type == Type::Text ? QStringLiteral(" COLLATE JET") : QString();
        return condition(QStringLiteral("%1%2 %3 %4")
                             .arg(value(a), collation, QLatin1String(ops[int(e.op) - int(Op::Equal)]), value(b)));
    }
    case Op::Concat:
        if (a.type == Type::Binary || b.type == Type::Binary)
            mismatch(e);
        return make(QStringLiteral("jet_concat(%1, %2)").arg(text(a), text(b)), Type::Text);
    case Op::Add:
        if ((a.type == Type::Text || a.type == Type::Null) && (b.type == Type::Text || b.type == Type::Null)
            && a.type != b.type)
            return make(QStringLiteral("NULL"), Type::Null);
        if (a.type == Type::Text && b.type == Type::Text)
            return make(QStringLiteral("(%1 || %2)").arg(a.text, b.text), Type::Text);
        [[fallthrough]];
    case Op::Subtract:
    case Op::Multiply: {
        if ((!isNumeric(a.type) && !isOpen(a.type)) || (!isNumeric(b.type) && !isOpen(b.type)))
            mismatch(e);
        // A date moved by a number of days is a date; the days between two dates are a number.
        Type type = Type::Number;
        if (e.op != Op::Multiply && (a.type == Type::Date) != (b.type == Type::Date))
            type = Type::Date;
        const QChar op = e.op == Op::Add ? u'+' : e.op == Op::Subtract ? u'-' : u'*';
        return make(QStringLiteral("(%1 %2 %3)").arg(value(a)).arg(op).arg(value(b)), type);
    }
    case Op::Divide:
    case Op::IntegerDivide:
    case Op::Modulo: {
        if ((!isNumeric(a.type) && !isOpen(a.type)) || (!isNumeric(b.type) && !isOpen(b.type)))
            mismatch(e);
        const char* name = e.op == Op::Divide ? "jet_divide" : e.op == Op::IntegerDivide ? "jet_intdiv" : "jet_mod";
        return make(QStringLiteral("%1(%2, %3)").arg(QLatin1String(name), value(a), value(b)), Type::Number,
                    e.op == Op::Divide ? ColumnType::Double : ColumnType::Long);
    }
    case Op::Not:
    case Op::Negate: break;
    }
    return make(QStringLiteral("NULL"), Type::Null);
}

Sql Translator::function(const Expression& e, Clause clause)
{
    const QString& name = e.name;
    const auto& args = e.operands;
    auto textCall = [&](const char* sqlName) {
        return make(QStringLiteral("%1(%2)").arg(QLatin1String(sqlName), textOperand(args[0], clause)), Type::Text);
    };
    if (name == u"UCase")
        return textCall("jet_ucase");
    if (name == u"LCase")
        return textCall("jet_lcase");
    if (name == u"Trim")
        return textCall("jet_trim");
    if (name == u"LTrim")
        return textCall("jet_ltrim");
    if (name == u"RTrim")
        return textCall("jet_rtrim");
    if (name == u"Len")
        return make(QStringLiteral("jet_len(%1)").arg(textOperand(args[0], clause)), Type::Number, ColumnType::Long);
    if (name == u"Left" || name == u"Right")
        return make(QStringLiteral("jet_%1(%2, %3)")
                        .arg(name.toLower(), textOperand(args[0], clause), numberOperand(args[1], clause)),
                    Type::Text);
    if (name == u"Mid") {
        QString call =
            QStringLiteral("jet_mid(%1, %2").arg(textOperand(args[0], clause), numberOperand(args[1], clause));
        if (args.size() == 3)
            call += QStringLiteral(", ") + numberOperand(args[2], clause);
        return make(call + u')', Type::Text);
    }
    if (name == u"InStr") {
        if (args.size() == 2)
            return make(
                QStringLiteral("jet_instr(%1, %2)").arg(textOperand(args[0], clause), textOperand(args[1], clause)),
                Type::Number, ColumnType::Long);
        return make(
            QStringLiteral("jet_instr3(%1, %2, %3)")
                .arg(numberOperand(args[0], clause), textOperand(args[1], clause), textOperand(args[2], clause)),
            Type::Number, ColumnType::Long);
    }
    if (name == u"Nz" || name == u"IIf") {
        // Both give one of two values: their type when they agree.
        const bool iif = name == u"IIf";
        const Sql a = expression(args[iif ? 1 : 0], clause);
        Sql b;
        if (args.size() > (iif ? 2u : 1u))
            b = expression(args[iif ? 2 : 1], clause);
        else
            b = make(parameter({true, QString(), 0}), Type::Text);  // in a query Nz gives "" for Null
        Type type = a.type == b.type       ? a.type
                    : a.type == Type::Null ? b.type
                    : b.type == Type::Null ? a.type
                                           : Type::Unknown;
        if (type == Type::Unknown && isNumeric(a.type) && isNumeric(b.type) && a.type != Type::Date
            && b.type != Type::Date)
            type = Type::Number;
        const ColumnType columnType = a.columnType == b.columnType || b.type == Type::Null ? a.columnType
                                      : a.type == Type::Null                               ? b.columnType
                                                                                           : columnTypeOf(type);
        if (iif)
            return make(
                QStringLiteral("(CASE WHEN %1 THEN %2 ELSE %3 END)").arg(truth(args[0], clause), value(a), value(b)),
                type, columnType);
        return make(QStringLiteral("coalesce(%1, %2)").arg(value(a), value(b)), type, columnType);
    }
    if (name == u"Year" || name == u"Month" || name == u"Day") {
        const Sql date = expression(args[0], clause);
        if (date.type == Type::Binary || date.type == Type::YesNo)
            mismatch(e);
        return make(QStringLiteral("jet_%1(%2)").arg(name.toLower(), value(date)), Type::Number, ColumnType::Integer);
    }
    // Format: only a date, with a literal date pattern.
    const Sql date = expression(args[0], clause);
    if (date.type == Type::Binary || date.type == Type::YesNo)
        mismatch(e);
    const Expression& pattern = args[1];
    if (pattern.kind != Kind::Text || !jetdate::isFormat(pattern.text))
        syntaxError(
            QStringLiteral("'%1' is not understood: Format takes a date and a date pattern such as \"yyyy-mm-dd\"")
                .arg(textOf(pattern)),
            pattern.position);
    return make(QStringLiteral("jet_format(%1, %2)").arg(value(date), parameter({true, pattern.text, 0})), Type::Text);
}

Sql Translator::aggregate(const Expression& e, Clause clause)
{
    if (clause == Clause::Where || clause == Clause::On)
        throw Error(ErrorNumber::AggregateInWhere,
                    QStringLiteral("Cannot have aggregate function in %1 clause (%2).")
                        .arg(clause == Clause::Where ? QStringLiteral("WHERE") : QStringLiteral("JOIN"), textOf(e)));
    if (clause == Clause::GroupBy)
        throw Error(ErrorNumber::AggregateInWhere,
                    QStringLiteral("Cannot have aggregate function in GROUP BY clause (%1).").arg(textOf(e)));
    if (inAggregate_)
        syntaxError(QStringLiteral("'%1' is not understood: an aggregate inside an aggregate").arg(textOf(e)),
                    e.position);
    if (e.operands.empty())
        return make(QStringLiteral("count(*)"), Type::Number, ColumnType::Long);
    inAggregate_ = true;
    const Sql argument = expression(e.operands[0], clause);
    inAggregate_ = false;
    if (e.name != u"COUNT" && argument.columnType == ColumnType::Memo)
        throw Error(ErrorNumber::AggregateOverMemo,
                    QStringLiteral("Cannot have Memo, OLE, or Hyperlink Object fields in aggregate argument (%1).")
                        .arg(textOf(e.operands[0])));
    if (e.name == u"COUNT")
        return make(QStringLiteral("count(%1)").arg(value(argument)), Type::Number, ColumnType::Long);
    if (e.name == u"SUM" || e.name == u"AVG") {
        if (!isNumeric(argument.type) && !isOpen(argument.type))
            mismatch(e);
        return make(QStringLiteral("%1(%2)").arg(e.name.toLower(), value(argument)), Type::Number,
                    argument.columnType == ColumnType::Currency ? ColumnType::Currency : ColumnType::Double);
    }
    return make(QStringLiteral("%1(%2)").arg(e.name.toLower(), collated(argument, value(argument))), argument.type,
                argument.columnType);
}

bool Translator::containsAggregate(const Expression& e)
{
    if (e.kind == Kind::Aggregate)
        return true;
    return std::any_of(e.operands.begin(), e.operands.end(), [](const Expression& o) { return containsAggregate(o); });
}

bool Translator::isGrouped() const
{
    if (!statement_.groupBy.empty() || statement_.having)
        return true;
    for (const jetsql::SelectItem& item : statement_.items)
        if (!item.star && containsAggregate(item.expression))
            return true;
    for (const jetsql::OrderItem& item : statement_.orderBy)
        if (containsAggregate(item.expression))
            return true;
    return false;
}

// In a grouped statement every column outside an aggregate must be one the rows are grouped by.
void Translator::checkGrouped(const Expression& e, const QStringList& groups, Clause clause)
{
    if (e.kind == Kind::Aggregate)
        return;
    if (e.kind != Kind::Column && e.operands.empty())
        return;
    if (groups.contains(expression(e, clause).text))
        return;
    if (e.kind == Kind::Column) {
        if (!isStoredColumn(e)) {
            // An alias stands for its item's expression.
            for (const jetsql::SelectItem& item : statement_.items) {
                if (!item.star && e.table.isEmpty() && item.alias.compare(e.name, Qt::CaseInsensitive) == 0) {
                    checkGrouped(item.expression, groups, clause);
                    return;
                }
            }
        }
        throw Error(ErrorNumber::NotPartOfAggregate,
                    QStringLiteral("You tried to execute a query that does not include the specified expression '%1' "
                                   "as part of an aggregate function.")
                        .arg(textOf(e)));
    }
    for (const Expression& operand : e.operands)
        checkGrouped(operand, groups, clause);
}

QString Translator::storedName(const Expression& e) const
{
    for (const Source& source : sources_) {
        if (!e.table.isEmpty() && source.spelledAs.compare(e.table, Qt::CaseInsensitive) != 0)
            continue;
        if (const int index = source.table->findColumn(e.name); index >= 0)
            return source.table->columns[size_t(index)].name;
    }
    return e.name;  // an alias used as an item
}

bool Translator::isStoredColumn(const Expression& e) const
{
    for (const Source& source : sources_)
        if ((e.table.isEmpty() || source.spelledAs.compare(e.table, Qt::CaseInsensitive) == 0)
            && source.table->findColumn(e.name) >= 0)
            return true;
    return false;
}

void Translator::expandStar(const jetsql::SelectItem& item)
{
    bool matched = false;
    std::vector<std::pair<const Source*, int>> columns;
    for (const Source& source : sources_) {
        if (!item.starTable.isEmpty() && source.spelledAs.compare(item.starTable, Qt::CaseInsensitive) != 0)
            continue;
        matched = true;
        for (size_t i = 0; i < source.table->columns.size(); ++i)
            columns.emplace_back(&source, int(i));
    }
    if (!matched)
        throw Error(ErrorNumber::ColumnNotFound,
                    QStringLiteral("Too few parameters: the statement has no table '%1'.").arg(item.starTable));
    for (const auto& [source, index] : columns) {
        const StoredColumn& stored = source->table->columns[size_t(index)];
        // Over a join, a name two tables share is told apart by its table.
        int sharing = 0;
        for (const Source& other : sources_)
            sharing += other.table->findColumn(stored.name) >= 0;
        Item out;
        out.sql = make(QStringLiteral("%1.c%2").arg(source->sqlAlias).arg(index), typeOf(stored.resultType()),
                       stored.resultType());
        out.sql.bareColumn = true;
        out.name = sharing > 1 ? source->spelledAs + u'.' + stored.name : stored.name;
        items_.push_back(out);
    }
}

Translation Translator::translate()
{
    const bool grouped = isGrouped();
    int unnamed = 0;
    for (const jetsql::SelectItem& item : statement_.items) {
        if (item.star) {
            if (grouped)
                throw Error(ErrorNumber::GroupOnStar, QStringLiteral("Cannot group on fields selected with '*'."));
            expandStar(item);
            continue;
        }
        Item out;
        out.expression = &item.expression;
        out.sql = expression(item.expression, Clause::Select);
        if (!item.alias.isEmpty())
            out.name = item.alias;
        else if (item.expression.kind == Kind::Column)
            out.name = storedName(item.expression);
        else
            out.name = QStringLiteral("Expr%1").arg(1000 + unnamed++);
        items_.push_back(out);
    }

    if (items_.empty())
        syntaxError(QStringLiteral("the statement selects no column"), 1);

    QString from = sources_[0].table->sqlName + QStringLiteral(" AS ") + sources_[0].sqlAlias;
    for (size_t j = 0; j < statement_.joins.size(); ++j) {
        const jetsql::Join& join = statement_.joins[j];
        const Source& source = sources_[j + 1];
        from += (join.type == jetsql::Join::Type::Left ? QStringLiteral(" LEFT JOIN ") : QStringLiteral(" JOIN "))
                + source.table->sqlName + QStringLiteral(" AS ") + source.sqlAlias + QStringLiteral(" ON ")
                + truth(join.on, Clause::On);
    }

    QStringList conditions;
    if (narrowing_) {
        QStringList rowids;
        for (const std::uint32_t row : *narrowing_)
            rowids << QString::number(row + 1);  // rows are stored in order from rowid 1
        conditions << QStringLiteral("%1.rowid IN (%2)").arg(sources_[0].sqlAlias, rowids.join(u','));
    }
    if (statement_.where)
        conditions << truth(*statement_.where, Clause::Where);

    QStringList groups;
    for (const Expression& group : statement_.groupBy) {
        const Sql s = expression(group, Clause::GroupBy);
        groups << s.text;
    }
    QString having;
    if (statement_.having)
        having = truth(*statement_.having, Clause::Having);

    QStringList selected;
    for (const Item& item : items_)
        selected << item.sql.text;

    // ORDER BY: positions, expressions, or the aliases of items.
    struct Key {
        QString text;
        bool descending = false;
    };
    std::vector<Key> keys;
    std::vector<Key> explicitKeys;
    for (const jetsql::OrderItem& order : statement_.orderBy) {
        Sql s;
        if (order.expression.kind == Kind::Number) {
            const double position = order.expression.number;
            if (position < 1 || position > double(items_.size()) || position != std::floor(position))
                syntaxError(
                    QStringLiteral("ORDER BY %1 names no column of the select list").arg(textOf(order.expression)),
                    order.expression.position);
            s = items_[size_t(position) - 1].sql;
        } else {
            s = expression(order.expression, Clause::OrderBy);
        }
        if (statement_.distinct && !selected.contains(s.text))
            throw Error(ErrorNumber::OrderByConflictsWithDistinct,
                        QStringLiteral("ORDER BY clause (%1) conflicts with DISTINCT.").arg(textOf(order.expression)));
        if (grouped && order.expression.kind != Kind::Number)
            checkGrouped(order.expression, groups, Clause::OrderBy);
        keys.push_back(
            {collated(s, value(s)) + (order.descending ? QStringLiteral(" DESC") : QString()), order.descending});
    }
    explicitKeys = keys;
    if (grouped) {
        for (const Item& item : items_)
            if (item.expression)
                checkGrouped(*item.expression, groups, Clause::Select);
        if (statement_.having)
            checkGrouped(*statement_.having, groups, Clause::Having);
    }
    auto alreadyOrdered = [&](const QString& text) {
        return std::any_of(keys.begin(), keys.end(),
                           [&](const Key& k) { return k.text == text || k.text == text + QStringLiteral(" DESC"); });
    };
    // Jet gives distinct and grouped rows in ascending order of what makes them distinct; others as stored.
    if (statement_.distinct) {
        for (const Item& item : items_) {
            const QString key = collated(item.sql, value(item.sql));
            if (!alreadyOrdered(key))
                keys.push_back({key, false});
        }
    }
    if (!statement_.groupBy.empty()) {
        for (const Expression& group : statement_.groupBy) {
            const Sql s = expression(group, Clause::GroupBy);
            const QString key = collated(s, s.text);
            if (!alreadyOrdered(key))
                keys.push_back({key, false});
        }
    }
    if (!grouped && !statement_.distinct) {
        for (const Source& source : sources_)
            keys.push_back({source.sqlAlias + QStringLiteral(".rowid"), false});
    }

    if (!grouped) {
        for (Key& key : keys) {
            const QString column = key.descending ? key.text.chopped(5) : key.text;
            if (const QString reference = longTextReference(column); !reference.isEmpty())
                key.text = key.descending ? reference + QStringLiteral(" DESC") : reference;
        }
    }

    Translation result;
    QStringList values;
    for (const Item& item : items_) {
        const QString reference = grouped ? QString() : longTextReference(item.sql.text);
        values << (reference.isEmpty() ? collated(item.sql, value(item.sql)) : reference);
        result.columns.push_back({item.name, item.sql.columnType});
    }
    QString body = QStringLiteral(" FROM ") + from;
    if (!conditions.isEmpty())
        body += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    if (!groups.isEmpty()) {
        QStringList collatedGroups;
        for (const Expression& group : statement_.groupBy) {
            const Sql s = expression(group, Clause::GroupBy);
            collatedGroups << collated(s, s.text);
        }
        body += QStringLiteral(" GROUP BY ") + collatedGroups.join(QStringLiteral(", "));
    }
    if (!having.isEmpty())
        body += QStringLiteral(" HAVING ") + having;
    const QString select = statement_.distinct ? QStringLiteral("SELECT DISTINCT ") : QStringLiteral("SELECT ");
    QStringList order;
    for (const Key& key : keys)
        order << key.text;

    if (statement_.top > 0 && !explicitKeys.empty()) {
        // TOP n with an ORDER BY keeps every row tied with the n-th on the ORDER BY: its rank is at most n.
        QStringList inner = values, outer, ranked, sorted;
        for (int i = 0; i < values.size(); ++i)
            outer << QStringLiteral("v%1").arg(i);
        for (size_t k = 0; k < keys.size(); ++k) {
            QString key = keys[k].text;
            if (keys[k].descending)
                key.chop(5);
            inner << key;
            const QString name = QStringLiteral("k%1").arg(k);
            const QString ordered =
                name + QStringLiteral(" COLLATE JET") + (keys[k].descending ? QStringLiteral(" DESC") : QString());
            if (k < explicitKeys.size())
                ranked << ordered;
            sorted << ordered;
        }
        for (int i = 0; i < values.size(); ++i)
            inner[i] += QStringLiteral(" AS v%1").arg(i);
        for (size_t k = 0; k < keys.size(); ++k)
            inner[values.size() + qsizetype(k)] += QStringLiteral(" AS k%1").arg(k);
        result.sql = QStringLiteral("SELECT %1 FROM (SELECT *, rank() OVER (ORDER BY %2) AS jet_rank FROM (%3%4%5)) "
                                    "WHERE jet_rank <= %6 ORDER BY %7")
                         .arg(outer.join(QStringLiteral(", ")), ranked.join(QStringLiteral(", ")), select,
                              inner.join(QStringLiteral(", ")), body)
                         .arg(statement_.top)
                         .arg(sorted.join(QStringLiteral(", ")));
    } else {
        result.sql = select + values.join(QStringLiteral(", ")) + body;
        if (!order.isEmpty())
            result.sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
        if (statement_.top > 0)
            result.sql += QStringLiteral(" LIMIT %1").arg(statement_.top);
    }
    result.parameters = std::move(parameters_);
    return result;
}

}  // namespace

Translation translate(const QString& sql, const jetsql::SelectStatement& statement, const TableLookup& lookup,
                      const std::vector<std::uint32_t>* narrowing)
{
    return Translator(sql, statement, lookup, narrowing).translate();
}

}  // namespace volmira
