#pragma once

#include <string_view>

namespace volmira {

// The column types of a Jet table as the program distinguishes them.
enum class ColumnType : unsigned char { Bool, Byte, Integer, Long, Currency, Single, Double, DateTime, Text, Memo, Binary, Other };

// One cell of a row as it arrives from the reader; text is UTF-8 (raw bytes for Binary columns) and points
// into the reader's buffer, valid only during the call that hands it over. Which kinds a column carries:
// Bool: YesNo, never Null. Single: Single or Null. Byte, Integer, Long, Currency, Double (also Jet's
// decimal), DateTime (an OLE date: days since 1899-12-30): Number or Null. Text, Memo, Binary: Text or
// Null, and the empty text is not Null. Other (a replication id as "{...}" text, or an unknown type): any.
struct CellView {
    enum class Kind : unsigned char { Null, Text, Number, Single, YesNo };
    Kind kind = Kind::Null;
    double number = 0;       // Number, Single (the float widened), YesNo (-1 or 0)
    std::string_view text;   // Text
};

}  // namespace volmira
