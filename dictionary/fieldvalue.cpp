#include "dictionary/fieldvalue.h"

#include "dictionary/error.h"
#include "dictionary/jetdate.h"

#include <charconv>
#include <cmath>
#include <optional>

namespace volmira {

namespace {

// Numbers are written the way Access writes a field's value as text (CStr, Str, the Immediate
// window, a text box without a format), which is the OLE Automation conversion for the field's type:
// - Double: rounded to 15 significant digits, trailing zeros dropped, as C's "%.15G": the exponent
//   form only when the decimal exponent is below -4 or at least 15 ("1E+15", "1.5E-05",
//   "1.23456789012346E+17"), so 17.909999999999997 is "17.91", 0.1 + 0.2 is "0.3" and 2000000 is
//   "2000000". Byte, Integer and Long values (at most 10 digits) come out as plain integers.
// - Single: the same with 7 significant digits ("%.7G": 0.1, 1.5E-05), except that a whole Single
//   below 1E+15 is written as the plain integer it holds (16777216), as every other numeric type is:
//   a whole number is never shown rounded or in exponent form.
// - Currency: its value with up to four decimals, trailing zeros dropped, never an exponent
//   ("12.75", "123456789012.3456"). The amount arrives as the nearest double, which keeps all four
//   decimals exact up to 2^39 (about 5.5E+11); above that the last decimal may be off by one.
// - Negative zero is written "0".
// Decimal values are read as doubles and so follow the Double rule.
// Sources: VBA's data-type references (a Double keeps 15 and a Single 7 significant digits; Microsoft's
// Currency page: a 64-bit integer scaled by 10,000) and the Wine project's open implementation of the
// OLE Automation conversions (VarBstrFromR8 formats with "%.15G", VarBstrFromR4 with "%.7G", and
// VarBstrFromCy's tests expect "1.5", "0.0009" and "922337203685477.5807").
// Everything is written in the C locale whatever the user's locale is.

QString nonFinite(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
}

bool isWholeBelowExponentRange(double value) { return std::fabs(value) < 1e15 && std::trunc(value) == value; }

QString significantDigits(double value, int digits)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    if (value == 0)
        return QStringLiteral("0");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    QString text = QString::fromLatin1(buffer, int(result.ptr - buffer));
    return text.replace(QLatin1Char('e'), QLatin1Char('E'));
}

// Currency's range ends below 1E+15; a value beyond it cannot have come from a Currency field.
QString currencyText(double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= 1e15)
        return significantDigits(value, 15);
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    QString text = QString::fromLatin1(buffer, int(result.ptr - buffer));
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

// Empty outside Jet's years.
QString dateText(double serial)
{
    const std::optional<jetdate::Parts> p = jetdate::parts(serial);
    if (!p)
        return {};
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", p->year, p->month, p->day, p->hour, p->minute, p->second);
}

}  // namespace

FieldValue FieldValue::text(QString value)
{
    FieldValue v(Kind::Text);
    v.text_ = std::move(value);
    return v;
}

FieldValue FieldValue::number(double value) { return FieldValue(Kind::Number, value); }

FieldValue FieldValue::single(float value) { return FieldValue(Kind::Number, double(value), NumberType::Single); }

FieldValue FieldValue::currency(double value) { return FieldValue(Kind::Number, value, NumberType::Currency); }

FieldValue FieldValue::yesNo(bool value) { return FieldValue(Kind::YesNo, value ? -1 : 0); }

FieldValue FieldValue::date(double serialDays) { return FieldValue(Kind::Date, serialDays); }

FieldValue FieldValue::binary(QByteArray bytes)
{
    FieldValue v(Kind::Binary);
    v.bytes_ = std::move(bytes);
    return v;
}

FieldValue FieldValue::ofType(double number, ColumnType type)
{
    if (type == ColumnType::Bool)
        return yesNo(number != 0);
    if (type == ColumnType::Single)
        return single(float(number));
    if (type == ColumnType::Currency)
        return currency(number);
    if (type == ColumnType::DateTime)
        return date(number);
    return FieldValue::number(number);
}

FieldValue FieldValue::fromCell(const CellView& cell, ColumnType type)
{
    switch (cell.kind) {
    case CellView::Kind::Null: return FieldValue();
    case CellView::Kind::Text: return text(QString::fromUtf8(cell.text.data(), qsizetype(cell.text.size())));
    case CellView::Kind::Binary: return binary(QByteArray(cell.text.data(), qsizetype(cell.text.size())));
    case CellView::Kind::YesNo: return ofType(cell.number != 0 ? -1 : 0, type);
    case CellView::Kind::Number:
    case CellView::Kind::Single:
    case CellView::Kind::Date: return ofType(cell.number, type);
    }
    return FieldValue();
}

QString FieldValue::toText() const
{
    switch (kind_) {
    case Kind::Null: throw Error(ErrorNumber::InvalidUseOfNull, QStringLiteral("Invalid use of Null"));
    case Kind::Text: return text_;
    case Kind::Number:
        switch (numberType_) {
        case NumberType::Double: return significantDigits(number_, 15);
        case NumberType::Single:
            return isWholeBelowExponentRange(number_) ? significantDigits(number_, 15) : significantDigits(number_, 7);
        case NumberType::Currency: return currencyText(number_);
        }
        break;
    case Kind::YesNo: return number_ != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Date: {
        const QString text = dateText(number_);
        return text.isEmpty() ? number(number_).toText() : text;
    }
    case Kind::Binary: return QStringLiteral("0x") + QString::fromLatin1(bytes_.toHex());
    }
    return {};
}

bool FieldValue::isTrue() const noexcept { return (kind_ == Kind::YesNo || kind_ == Kind::Number) && number_ == -1; }

double FieldValue::toNumber() const noexcept
{
    return (kind_ == Kind::YesNo || kind_ == Kind::Number || kind_ == Kind::Date) ? number_ : 0;
}

bool FieldValue::operator==(const FieldValue& other) const noexcept
{
    if (kind_ != other.kind_)
        return false;
    switch (kind_) {
    case Kind::Null: return true;
    case Kind::Text: return text_ == other.text_;
    case Kind::Number:
    case Kind::YesNo:
    case Kind::Date: return number_ == other.number_;
    case Kind::Binary: return bytes_ == other.bytes_;
    }
    return false;
}

}  // namespace volmira
