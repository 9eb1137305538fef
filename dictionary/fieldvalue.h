#pragma once

#include "dictionary/cellview.h"

#include <QByteArray>
#include <QString>

namespace volmira {

// The value of one field of a recordset row: Null, text, number, Yes/No, date or bytes.
class FieldValue final {
public:
    enum class Kind { Null, Text, Number, YesNo, Date, Binary };

    FieldValue() = default;
    static FieldValue text(QString value);
    static FieldValue number(double value);
    // A number that was stored as a 4-byte float, written with a float's 7 significant digits.
    static FieldValue single(float value);
    // A Currency amount (a whole number of ten-thousandths), written exactly, never with an exponent.
    static FieldValue currency(double value);
    static FieldValue yesNo(bool value);
    // A Jet date: days since 1899-12-30; the fraction's absolute value is the time of day, also before 1899.
    static FieldValue date(double serialDays);
    static FieldValue binary(QByteArray bytes);
    // A stored number as a value of the type a result column has: Yes/No, single, currency, date or number.
    static FieldValue ofType(double number, ColumnType type);
    // A cell as the reader handed it over, as a value of the result column's type: what SQLite gives back
    // for the cell once its row is in the database.
    static FieldValue fromCell(const CellView& cell, ColumnType type);

    Kind kind() const noexcept { return kind_; }
    bool isNull() const noexcept { return kind_ == Kind::Null; }

    // Text unchanged, a number as Access writes it (451, 2.5, 17.91, 1E+15; see fieldvalue.cpp), Yes/No
    // as "True"/"False", a date as "yyyy-mm-dd hh:mm:ss" (years 100 to 9999; a serial number outside them
    // as the number), bytes as "0x" and lowercase hex. Raises error 94 "Invalid use of Null" for Null.
    QString toText() const;

    // True when the value equals Jet's True (-1): a Yes/No that is Yes, or the number -1.
    bool isTrue() const noexcept;

    // The number held by a Number, Yes/No (Yes is -1) or Date value (its serial days); 0 otherwise.
    double toNumber() const noexcept;

    // The bytes of a Binary value; empty otherwise.
    const QByteArray& bytes() const noexcept { return bytes_; }

    bool operator==(const FieldValue& other) const noexcept;
    bool operator!=(const FieldValue& other) const noexcept { return !(*this == other); }

private:
    enum class NumberType : unsigned char { Double, Single, Currency };

    explicit FieldValue(Kind kind, double number = 0, NumberType numberType = NumberType::Double)
        : kind_(kind), numberType_(numberType), number_(number)
    {}

    Kind kind_ = Kind::Null;
    NumberType numberType_ = NumberType::Double;
    double number_ = 0;
    QString text_;
    QByteArray bytes_;
};

// One field of the current row, as callers write it: rs.Fields(i).Value
struct Field final {
    FieldValue Value;
};

}  // namespace volmira
