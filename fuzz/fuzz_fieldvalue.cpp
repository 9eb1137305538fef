// Field values and the text the program builds from them: a number's text reads back as the number to
// its type's significant digits, and a whole number below 1E+15 is written as a plain integer; a date's
// text names the day of its serial; a text placed between apostrophes with its apostrophes doubled reads
// back, through the statement parser, as exactly that text.

#include "dictionary/error.h"
#include "dictionary/fieldvalue.h"
#include "dictionary/jetsql.h"
#include "dictionary/statements.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void broken() { __builtin_trap(); }

// The text reads back within half a unit of its last significant digit (or one step of the
// smallest subnormals).
// Read back in long double: the largest doubles written with 15 digits ("1.79769313486232E+308") lie
// just beyond the double range.
bool readsBackClose(const QByteArray& text, double value, double relative)
{
    const long double difference = std::fabs(std::strtold(text.constData(), nullptr) - (long double)value);
    return difference <= std::fabs((long double)value) * relative || difference <= 5e-324L;
}

bool isPlainInteger(const QByteArray& text)
{
    const QByteArray digits = text.startsWith('-') ? text.mid(1) : text;
    return !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void checkNumber(double value)
{
    const volmira::FieldValue field = volmira::FieldValue::number(value);
    const QByteArray text = field.toText().toLatin1();
    if (std::isfinite(value) && !readsBackClose(text, value, 6e-15))
        broken();
    if (std::trunc(value) == value && std::fabs(value) < 1e15 && !isPlainInteger(text))
        broken();
    if (field.isTrue() != (value == -1))
        broken();
    if (!(field == field) && !std::isnan(value))
        broken();
}

void checkSingle(float value)
{
    const volmira::FieldValue field = volmira::FieldValue::single(value);
    const QByteArray text = field.toText().toLatin1();
    if (std::isfinite(value) && !readsBackClose(text, value, 6e-7))
        broken();
}

// A date's text is a date of Jet's years that lies within a day of its serial, or the serial's number.
void checkDate(double serial)
{
    const QString text = volmira::FieldValue::date(serial).toText();
    const QDateTime parsed = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!parsed.isValid()) {
        if (text != volmira::FieldValue::number(serial).toText())
            broken();
        return;
    }
    const double days = double(QDate(1899, 12, 30).daysTo(parsed.date()));
    if (text.size() != 19 || std::fabs(days - std::trunc(serial)) > 1)
        broken();
}

void checkQuotedText(const QString& value)
{
    const QString sql = volmira::statements::validValues(value, QStringLiteral("T"), QStringLiteral("C"));
    volmira::jetsql::SelectStatement statement;
    try {
        statement = volmira::jetsql::parse(sql);
    } catch (const volmira::Error&) {
        broken();  // a doubled text must always parse
    }
    // The first of the ANDed comparisons holds the value.
    using Expression = volmira::jetsql::Expression;
    const Expression* first = statement.where.get();
    while (first && first->kind == Expression::Kind::Binary && first->op == Expression::Op::And)
        first = &first->operands[0];
    if (!first || first->op != Expression::Op::Equal || first->operands[1].kind != Expression::Kind::Text
        || first->operands[1].text != value)
        broken();

    const volmira::FieldValue field = volmira::FieldValue::text(value);
    if (field.toText() != value || field.isTrue() || field.toNumber() != 0)
        broken();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        try {
            volmira::FieldValue().toText();
            broken();
        } catch (const volmira::Error& error) {
            if (error.number() != volmira::ErrorNumber::InvalidUseOfNull)
                broken();
        }
        return 0;
    }
    const std::uint8_t kind = data[0] % 5;
    ++data, --size;
    if (kind == 0 && size >= 8) {
        double value;
        std::memcpy(&value, data, 8);
        checkNumber(value);
    } else if (kind == 1 && size >= 4) {
        float value;
        std::memcpy(&value, data, 4);
        checkSingle(value);
    } else if (kind == 2) {
        const volmira::FieldValue yes = volmira::FieldValue::yesNo(size % 2);
        if (yes.toText() != (size % 2 ? QLatin1String("True") : QLatin1String("False"))
            || yes.isTrue() != bool(size % 2))
            broken();
    } else if (kind == 3 && size >= 8) {
        double serial;
        std::memcpy(&serial, data, 8);
        checkDate(serial);
    } else {
        checkQuotedText(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    }
    return 0;
}
