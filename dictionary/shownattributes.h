#pragma once

#include "dictionary/fieldvalue.h"

#include <QString>

#include <string>
#include <string_view>

namespace volmira {

class Recordset;

// A column's attributes as the field-attribute boxes show them: Null descriptions as empty text, Null
// screen texts as "N/A", the attributes in parentheses after the data type, a key flag set only by True.
// Every place that shows a column outside the boxes (copying, exporting) shows it by these rules.
struct ShownColumn final {
    QString column;
    QString dataType;
    QString logicalDescription;
    QString dataDefinition;
    bool primaryKey = false;
    bool foreignKey = false;
    QString guiLabel;
    QString guiControl;
};

// Reads the current row of the column statement (statements::columns).
ShownColumn shownColumn(const Recordset& columns);
// Reads row `row` (0-based) of the column statement without moving the recordset. `firstField` is the
// position of the column's name, for statements that select other fields before the column's.
ShownColumn shownColumnAt(const Recordset& columns, long long row, int firstField = 0);

// Null as empty text, anything else as its text.
QString shownText(const FieldValue& value);
// Null as "N/A": how the screen label and the screen control of a column show.
QString shownGuiText(const FieldValue& value);
// The data type box: the type alone when the attributes are Null, else type(attributes).
QString shownDataType(const FieldValue& dataType, const FieldValue& attributes);

// The same rules for texts in UTF-8 (a listing's cells, Engine::Listing), a Null text being null.
struct ShownUtf8 final {
    std::string_view text;
    bool null = true;
};
std::string_view shownText(const ShownUtf8& value);
std::string_view shownGuiText(const ShownUtf8& value);
std::string shownDataType(const ShownUtf8& dataType, const ShownUtf8& attributes);

}  // namespace volmira
