#pragma once

#include <QString>

namespace volmira {

// The value of one field of a recordset row: Null, text, number or Yes/No.
class FieldValue final {
public:
    enum class Kind { Null, Text, Number, YesNo };

    FieldValue() = default;
    static FieldValue text(QString value);
    static FieldValue number(double value);
    // A number that was stored as a 4-byte float, written with a float's 7 significant digits.
    static FieldValue single(float value);
    // A Currency amount (a whole number of ten-thousandths), written exactly, never with an exponent.
    static FieldValue currency(double value);
    static FieldValue yesNo(bool value);

    Kind kind() const noexcept { return kind_; }
    bool isNull() const noexcept { return kind_ == Kind::Null; }

    // Text unchanged, a number as Access writes it (451, 2.5, 17.91, 1E+15; see fieldvalue.cpp),
    // Yes/No as "True"/"False". Raises error 94 "Invalid use of Null" for Null.
    QString toText() const;

    // True when the value equals Jet's True (-1): a Yes/No that is Yes, or the number -1.
    bool isTrue() const noexcept;

    // The number held by a Number or Yes/No value (Yes is -1); 0 for Null and text.
    double toNumber() const noexcept;

    bool operator==(const FieldValue& other) const noexcept;
    bool operator!=(const FieldValue& other) const noexcept { return !(*this == other); }

private:
    enum class NumberType : unsigned char { Double, Single, Currency };

    Kind kind_ = Kind::Null;
    NumberType numberType_ = NumberType::Double;
    double number_ = 0;
    QString text_;
};

// One field of the current row, as callers write it: rs.Fields(i).Value
struct Field final {
    FieldValue Value;
};

}  // namespace volmira
