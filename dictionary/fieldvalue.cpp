#include "dictionary/fieldvalue.h"

#include "dictionary/error.h"

#include <charconv>
#include <cmath>

namespace volmira {

namespace {

// Shortest text that reads back as the same value, in the C locale whatever the user's locale is.
template <typename Number>
QString shortestDecimal(Number value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
    if (value == 0)
        return QStringLiteral("0");  // also for -0
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

}  // namespace

FieldValue FieldValue::text(QString value)
{
    FieldValue v;
    v.kind_ = Kind::Text;
    v.text_ = std::move(value);
    return v;
}

FieldValue FieldValue::number(double value)
{
    FieldValue v;
    v.kind_ = Kind::Number;
    v.number_ = value;
    return v;
}

FieldValue FieldValue::single(float value)
{
    FieldValue v = number(double(value));
    v.singlePrecision_ = true;
    return v;
}

FieldValue FieldValue::yesNo(bool value)
{
    FieldValue v;
    v.kind_ = Kind::YesNo;
    v.number_ = value ? -1 : 0;
    return v;
}

QString FieldValue::toText() const
{
    switch (kind_) {
    case Kind::Null:
        throw Error(ErrorNumber::InvalidUseOfNull, QStringLiteral("Invalid use of Null"));
    case Kind::Text:
        return text_;
    case Kind::Number:
        return singlePrecision_ ? shortestDecimal(float(number_)) : shortestDecimal(number_);
    case Kind::YesNo:
        return number_ != 0 ? QStringLiteral("True") : QStringLiteral("False");
    }
    return {};
}

bool FieldValue::isTrue() const noexcept
{
    return (kind_ == Kind::YesNo || kind_ == Kind::Number) && number_ == -1;
}

double FieldValue::toNumber() const noexcept
{
    return (kind_ == Kind::YesNo || kind_ == Kind::Number) ? number_ : 0;
}

bool FieldValue::operator==(const FieldValue& other) const noexcept
{
    if (kind_ != other.kind_)
        return false;
    switch (kind_) {
    case Kind::Null:
        return true;
    case Kind::Text:
        return text_ == other.text_;
    case Kind::Number:
    case Kind::YesNo:
        return number_ == other.number_;
    }
    return false;
}

}  // namespace volmira
