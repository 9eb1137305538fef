#include "dictionary/jetfunctions.h"

#include "dictionary/fieldvalue.h"
#include "dictionary/jetdate.h"
#include "dictionary/textfold.h"

#include <sqlite3.h>

#include <cmath>
#include <memory>
#include <vector>

namespace volmira::jetfunctions {

namespace {

void raise(sqlite3_context* context, int number, const QString& description)
{
    auto* slot = static_cast<std::optional<Error>*>(sqlite3_user_data(context));
    if (!slot->has_value())
        slot->emplace(number, description);
    sqlite3_result_error(context, "Jet error", -1);
}

bool isNull(sqlite3_value* value) { return sqlite3_value_type(value) == SQLITE_NULL; }

std::string_view utf8(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string_view(text, size_t(sqlite3_value_bytes(value))) : std::string_view();
}

QString text(sqlite3_value* value)
{
    const std::string_view bytes = utf8(value);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

void resultText(sqlite3_context* context, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    sqlite3_result_text(context, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

bool isNumber(sqlite3_value* value)
{
    const int type = sqlite3_value_type(value);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

// A whole-number argument (a count or a position), rounded as Jet rounds: half to even. Raises and gives
// nothing for Null or what is no number.
std::optional<double> wholeArgument(sqlite3_context* context, sqlite3_value* value)
{
    if (isNull(value)) {
        raise(context, ErrorNumber::InvalidUseOfNull, QStringLiteral("Invalid use of Null"));
        return std::nullopt;
    }
    if (!isNumber(value)) {
        raise(context, ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
        return std::nullopt;
    }
    return std::nearbyint(sqlite3_value_double(value));
}

void invalidArgument(sqlite3_context* context, const char* function)
{
    raise(context, ErrorNumber::InvalidProcedureCall,
          QStringLiteral("Invalid procedure call or argument (%1)").arg(QLatin1String(function)));
}

// A date argument: a serial day number, or a text that reads as a date. Raises for anything else.
std::optional<jetdate::Parts> dateArgument(sqlite3_context* context, sqlite3_value* value)
{
    std::optional<double> serial;
    if (isNumber(value))
        serial = sqlite3_value_double(value);
    else
        serial = jetdate::parse(text(value));
    if (!serial) {
        raise(context, ErrorNumber::TypeMismatch,
              QStringLiteral("Type mismatch: '%1' is not a date").arg(text(value).left(100)));
        return std::nullopt;
    }
    std::optional<jetdate::Parts> parts = jetdate::parts(*serial);
    if (!parts)
        raise(context, ErrorNumber::Overflow, QStringLiteral("Overflow: %1 is not a date Jet knows").arg(*serial));
    return parts;
}

void instr(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (isNull(arguments[0]) || isNull(arguments[1])) {
        sqlite3_result_null(context);
        return;
    }
    // The folded part is kept between rows while it is a constant of the statement.
    const std::string_view haystack = utf8(arguments[0]);
    if (const auto* kept = static_cast<const std::vector<char32_t>*>(sqlite3_get_auxdata(context, 1))) {
        sqlite3_result_int64(context, textfold::find(haystack, *kept));
        return;
    }
    auto folded = std::make_unique<std::vector<char32_t>>(textfold::foldedCodePoints(utf8(arguments[1])));
    sqlite3_result_int64(context, textfold::find(haystack, *folded));
    sqlite3_set_auxdata(context, 1, folded.release(), [](void* p) { delete static_cast<std::vector<char32_t>*>(p); });
}

void instr3(sqlite3_context* context, int, sqlite3_value** arguments)
{
    const std::optional<double> start = wholeArgument(context, arguments[0]);
    if (!start)
        return;
    if (*start < 1) {
        invalidArgument(context, "InStr");
        return;
    }
    if (isNull(arguments[1]) || isNull(arguments[2])) {
        sqlite3_result_null(context);
        return;
    }
    const QString haystack = text(arguments[1]);
    if (haystack.isEmpty() || *start > double(haystack.size())) {
        sqlite3_result_int64(context, 0);
        return;
    }
    const qsizetype from = qsizetype(*start) - 1;
    if (sqlite3_value_bytes(arguments[2]) == 0) {
        sqlite3_result_int64(context, from + 1);
        return;
    }
    const long long found =
        textfold::find(haystack.mid(from).toUtf8().toStdString(), textfold::foldedCodePoints(utf8(arguments[2])));
    sqlite3_result_int64(context, found ? found + from : 0);
}

// One element of a LIKE pattern: a character, ?, #, *, or a class in brackets.
struct PatternElement {
    enum class Kind { Character, AnyOne, Digit, AnyRun, Class };
    Kind kind = Kind::Character;
    char32_t character = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
};

char32_t fold(char32_t c) { return char32_t(QChar::toCaseFolded(c)); }

std::optional<std::vector<PatternElement>> parsePattern(const std::u32string& pattern)
{
    std::vector<PatternElement> elements;
    for (size_t i = 0; i < pattern.size(); ++i) {
        PatternElement e;
        const char32_t c = pattern[i];
        if (c == U'*') {
            e.kind = PatternElement::Kind::AnyRun;
        } else if (c == U'?') {
            e.kind = PatternElement::Kind::AnyOne;
        } else if (c == U'#') {
            e.kind = PatternElement::Kind::Digit;
        } else if (c == U'[') {
            const size_t close = pattern.find(U']', i + 1);
            if (close == std::u32string::npos)
                return std::nullopt;
            size_t j = i + 1;
            e.kind = PatternElement::Kind::Class;
            if (j < close && pattern[j] == U'!' && j + 1 < close) {
                e.negated = true;
                ++j;
            }
            for (; j < close; ++j) {
                if (j + 2 < close && pattern[j + 1] == U'-') {
                    e.ranges.emplace_back(pattern[j], pattern[j + 2]);
                    j += 2;
                } else {
                    e.ranges.emplace_back(pattern[j], pattern[j]);
                }
            }
            i = close;
            if (e.ranges.empty() && !e.negated)
                continue;  // "[]" matches nothing and consumes nothing
        } else {
            e.character = fold(c);
        }
        elements.push_back(std::move(e));
    }
    return elements;
}

bool matchesOne(const PatternElement& e, char32_t c)
{
    switch (e.kind) {
    case PatternElement::Kind::Character: return fold(c) == e.character;
    case PatternElement::Kind::AnyOne: return true;
    case PatternElement::Kind::Digit: return c >= U'0' && c <= U'9';
    case PatternElement::Kind::Class: {
        const char32_t folded = fold(c);
        bool inside = false;
        for (const auto& [low, high] : e.ranges)
            inside = inside || (c >= low && c <= high) || (folded >= fold(low) && folded <= fold(high));
        return inside != e.negated;
    }
    case PatternElement::Kind::AnyRun: break;
    }
    return false;
}

// Wildcard matching that goes back only to the last '*': linear in practice, never exponential.
bool matches(const std::vector<PatternElement>& pattern, const std::u32string& value)
{
    size_t p = 0, v = 0;
    size_t starP = std::u32string::npos, starV = 0;
    while (v < value.size()) {
        if (p < pattern.size() && pattern[p].kind == PatternElement::Kind::AnyRun) {
            starP = p++;
            starV = v;
        } else if (p < pattern.size() && matchesOne(pattern[p], value[v])) {
            ++p;
            ++v;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            v = ++starV;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p].kind == PatternElement::Kind::AnyRun)
        ++p;
    return p == pattern.size();
}

void like(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (isNull(arguments[0]) || isNull(arguments[1])) {
        sqlite3_result_null(context);
        return;
    }
    using Elements = std::vector<PatternElement>;
    const auto* kept = static_cast<const Elements*>(sqlite3_get_auxdata(context, 1));
    std::unique_ptr<Elements> parsed;
    if (!kept) {
        std::optional<Elements> elements = parsePattern(text(arguments[1]).toStdU32String());
        if (!elements) {
            raise(context, ErrorNumber::InvalidPattern,
                  QStringLiteral("Invalid pattern string '%1'").arg(text(arguments[1]).left(100)));
            return;
        }
        parsed = std::make_unique<Elements>(std::move(*elements));
        kept = parsed.get();
    }
    sqlite3_result_int(context, matches(*kept, text(arguments[0]).toStdU32String()) ? 1 : 0);
    if (parsed)
        sqlite3_set_auxdata(context, 1, parsed.release(), [](void* p) { delete static_cast<Elements*>(p); });
}

template <QString (*change)(const QString&)>
void textFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (isNull(arguments[0])) {
        sqlite3_result_null(context);
        return;
    }
    resultText(context, change(text(arguments[0])));
}

QString upper(const QString& s) { return s.toUpper(); }
QString lower(const QString& s) { return s.toLower(); }
QString trimLeft(const QString& s)
{
    qsizetype i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    return s.mid(i);
}
QString trimRight(const QString& s)
{
    qsizetype i = s.size();
    while (i > 0 && s[i - 1] == u' ')
        --i;
    return s.left(i);
}
QString trimBoth(const QString& s) { return trimLeft(trimRight(s)); }

void len(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (isNull(arguments[0]))
        sqlite3_result_null(context);
    else
        sqlite3_result_int64(context, text(arguments[0]).size());
}

// Left and Right: the count first, then the text, as Jet raises for a Null count even with a Null text.
template <bool fromLeft>
void side(sqlite3_context* context, int, sqlite3_value** arguments)
{
    const std::optional<double> count = wholeArgument(context, arguments[1]);
    if (!count)
        return;
    if (*count < 0) {
        invalidArgument(context, fromLeft ? "Left" : "Right");
        return;
    }
    if (isNull(arguments[0])) {
        sqlite3_result_null(context);
        return;
    }
    const QString s = text(arguments[0]);
    const qsizetype n = *count > double(s.size()) ? s.size() : qsizetype(*count);
    resultText(context, fromLeft ? s.left(n) : s.right(n));
}

void mid(sqlite3_context* context, int count, sqlite3_value** arguments)
{
    const std::optional<double> start = wholeArgument(context, arguments[1]);
    if (!start)
        return;
    std::optional<double> length;
    if (count == 3 && !(length = wholeArgument(context, arguments[2])))
        return;
    if (*start < 1 || (length && *length < 0)) {
        invalidArgument(context, "Mid");
        return;
    }
    if (isNull(arguments[0])) {
        sqlite3_result_null(context);
        return;
    }
    const QString s = text(arguments[0]);
    if (*start > double(s.size())) {
        resultText(context, QString());
        return;
    }
    const qsizetype from = qsizetype(*start) - 1;
    const qsizetype n = !length || *length > double(s.size()) ? -1 : qsizetype(*length);
    resultText(context, s.mid(from, n));
}

template <int jetdate::Parts::*field>
void datePart(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (isNull(arguments[0])) {
        sqlite3_result_null(context);
        return;
    }
    if (const std::optional<jetdate::Parts> parts = dateArgument(context, arguments[0]))
        sqlite3_result_int(context, (*parts).*field);
}

void format(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (isNull(arguments[0])) {
        sqlite3_result_null(context);
        return;
    }
    if (const std::optional<jetdate::Parts> parts = dateArgument(context, arguments[0]))
        resultText(context, jetdate::format(*parts, text(arguments[1])));
}

// The operands of an arithmetic operator; false when the result is already given (Null) or raised.
bool numericOperands(sqlite3_context* context, sqlite3_value** arguments, double* a, double* b)
{
    if (isNull(arguments[0]) || isNull(arguments[1])) {
        sqlite3_result_null(context);
        return false;
    }
    if (!isNumber(arguments[0]) || !isNumber(arguments[1])) {
        raise(context, ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
        return false;
    }
    *a = sqlite3_value_double(arguments[0]);
    *b = sqlite3_value_double(arguments[1]);
    return true;
}

void divide(sqlite3_context* context, int, sqlite3_value** arguments)
{
    double a, b;
    if (!numericOperands(context, arguments, &a, &b))
        return;
    if (b == 0) {
        raise(context, ErrorNumber::DivisionByZero, QStringLiteral("Division by zero"));
        return;
    }
    sqlite3_result_double(context, a / b);
}

// \ and Mod round both operands to whole numbers first, half to even, as Jet does.
template <bool remainder>
void integerDivision(sqlite3_context* context, int, sqlite3_value** arguments)
{
    double a, b;
    if (!numericOperands(context, arguments, &a, &b))
        return;
    a = std::nearbyint(a);
    b = std::nearbyint(b);
    if (b == 0) {
        raise(context, ErrorNumber::DivisionByZero, QStringLiteral("Division by zero"));
        return;
    }
    if (std::fabs(a) > 9.0e15 || std::fabs(b) > 9.0e15) {
        raise(context, ErrorNumber::Overflow, QStringLiteral("Overflow"));
        return;
    }
    const auto x = static_cast<long long>(a), y = static_cast<long long>(b);
    sqlite3_result_int64(context, remainder ? x % y : x / y);
}

void concat(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (isNull(arguments[0]) && isNull(arguments[1])) {
        sqlite3_result_null(context);
        return;
    }
    std::string joined(utf8(arguments[0]));
    joined += utf8(arguments[1]);
    sqlite3_result_text(context, joined.data(), int(joined.size()), SQLITE_TRANSIENT);
}

void toText(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (!isNumber(arguments[0])) {
        sqlite3_result_value(context, arguments[0]);
        return;
    }
    const double number = sqlite3_value_double(arguments[0]);
    switch (TextKind(sqlite3_value_int(arguments[1]))) {
    case TextKind::YesNo: resultText(context, FieldValue::yesNo(number != 0).toText()); return;
    case TextKind::Single: resultText(context, FieldValue::single(float(number)).toText()); return;
    case TextKind::Date:
        if (const QString date = jetdate::text(number); !date.isEmpty()) {
            resultText(context, date);
            return;
        }
        break;
    case TextKind::Plain: break;
    }
    resultText(context, FieldValue::number(number).toText());
}

}  // namespace

bool isLikePattern(const QString& pattern) { return parsePattern(pattern.toStdU32String()).has_value(); }

void install(sqlite3* db, std::optional<Error>* error)
{
    struct Function {
        const char* name;
        int arguments;
        void (*call)(sqlite3_context*, int, sqlite3_value**);
    };
    static const Function functions[] = {
        {"jet_instr", 2, instr},
        {"jet_instr3", 3, instr3},
        {"jet_like", 2, like},
        {"jet_ucase", 1, textFunction<upper>},
        {"jet_lcase", 1, textFunction<lower>},
        {"jet_trim", 1, textFunction<trimBoth>},
        {"jet_ltrim", 1, textFunction<trimLeft>},
        {"jet_rtrim", 1, textFunction<trimRight>},
        {"jet_len", 1, len},
        {"jet_left", 2, side<true>},
        {"jet_right", 2, side<false>},
        {"jet_mid", 2, mid},
        {"jet_mid", 3, mid},
        {"jet_year", 1, datePart<&jetdate::Parts::year>},
        {"jet_month", 1, datePart<&jetdate::Parts::month>},
        {"jet_day", 1, datePart<&jetdate::Parts::day>},
        {"jet_format", 2, format},
        {"jet_divide", 2, divide},
        {"jet_intdiv", 2, integerDivision<false>},
        {"jet_mod", 2, integerDivision<true>},
        {"jet_concat", 2, concat},
        {"jet_text", 2, toText},
    };
    for (const Function& f : functions)
        if (sqlite3_create_function_v2(db, f.name, f.arguments, SQLITE_UTF8 | SQLITE_DETERMINISTIC, error, f.call,
                                       nullptr, nullptr, nullptr)
            != SQLITE_OK)
            throw Error(ErrorNumber::EngineFailure,
                        QStringLiteral("In-memory database, installing %1: %2")
                            .arg(QLatin1String(f.name), QString::fromUtf8(sqlite3_errmsg(db))));
}

}  // namespace volmira::jetfunctions
