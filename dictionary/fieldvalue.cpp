#include "dictionary/fieldvalue.h"

#include "dictionary/error.h"

#include <QDate>

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

// Jet's dates run from 100-01-01 to 9999-12-31 (serial days).
constexpr qint64 firstDay = -657434;
constexpr qint64 lastDay = 2958465;

// The serial's whole days count from 1899-12-30, backwards when negative; its fraction's absolute value
// is the time of day, rounded to the second. Empty outside Jet's years.
QString dateText(double serial)
{
    if (!(serial > double(firstDay - 1) && serial < double(lastDay + 1)))
        return {};
    double whole;
    const double fraction = std::fabs(std::modf(serial, &whole));
    qint64 days = qint64(whole);
    long long seconds = std::llround(fraction * 86400.0);
    if (seconds == 86400) {  // rounds up to the next midnight
        ++days;
        seconds = 0;
    }
    if (days < firstDay || days > lastDay)
        return {};
    const QDate date = QDate(1899, 12, 30).addDays(days);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", date.year(), date.month(), date.day(),
                             int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
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

FieldValue FieldValue::date(double serialDays)
{
    FieldValue v;
    v.kind_ = Kind::Date;
    v.number_ = serialDays;
    return v;
}

FieldValue FieldValue::binary(QByteArray bytes)
{
    FieldValue v;
    v.kind_ = Kind::Binary;
    v.bytes_ = std::move(bytes);
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
    case Kind::Date: {
        const QString text = dateText(number_);
        return text.isEmpty() ? number(number_).toText() : text;
    }
    case Kind::Binary:
        return QStringLiteral("0x") + QString::fromLatin1(bytes_.toHex());
    }
    return {};
}

bool FieldValue::isTrue() const noexcept
{
    return (kind_ == Kind::YesNo || kind_ == Kind::Number) && number_ == -1;
}

double FieldValue::toNumber() const noexcept
{
    return (kind_ == Kind::YesNo || kind_ == Kind::Number || kind_ == Kind::Date) ? number_ : 0;
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
    case Kind::Date:
        return number_ == other.number_;
    case Kind::Binary:
        return bytes_ == other.bytes_;
    }
    return false;
}

}  // namespace volmira
