#pragma once

#include <string_view>

namespace volmira {

// The column types of a Jet table as the program distinguishes them.
enum class ColumnType : unsigned char {
    Bool,
    Byte,
    Integer,
    Long,
    Currency,
    Single,
    Double,
    DateTime,
    Text,
    Memo,
    Binary,
    Other
};

// One cell of a row as it arrives from the reader; text is UTF-8 (raw bytes for Binary) and points into
// the reader's buffer, valid only during the call that hands it over. Which kinds a column carries:
// Bool: YesNo, never Null. Single: Single or Null. Byte, Integer, Long, Currency, Double (also Jet's
// decimal): Number or Null. DateTime: Date (an OLE date: days since 1899-12-30) or Null. Text, Memo: Text
// or Null, and the empty text is not Null. Binary (also OLE): Binary or Null. Other (a replication id as
// "{...}" text, or an unknown type): any but YesNo.
struct CellView {
    enum class Kind : unsigned char { Null, Text, Number, Single, YesNo, Date, Binary };
    Kind kind = Kind::Null;
    double number = 0;      // Number, Single (the float widened), YesNo (-1 or 0), Date
    std::string_view text;  // Text, Binary
};

}  // namespace volmira
