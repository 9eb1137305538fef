#include "dictionary/shownattributes.h"

#include "dictionary/recordset.h"

namespace volmira {

namespace {

template <typename FieldOf>
ShownColumn readColumn(const FieldOf& field)
{
    ShownColumn shown;
    shown.column = shownText(field(0));
    shown.dataType = shownDataType(field(1), field(2));
    shown.logicalDescription = shownText(field(3));
    shown.dataDefinition = shownText(field(4));
    shown.primaryKey = field(5).isTrue();
    shown.foreignKey = field(6).isTrue();
    shown.guiLabel = shownGuiText(field(8));
    shown.guiControl = shownGuiText(field(9));
    return shown;
}

}  // namespace

ShownColumn shownColumn(const Recordset& columns)
{
    return readColumn([&columns](int i) -> const FieldValue& { return columns.Fields(i).Value; });
}

ShownColumn shownColumnAt(const Recordset& columns, long long row)
{
    return readColumn([&columns, row](int i) -> const FieldValue& { return columns.fieldAt(row, i).Value; });
}

QString shownText(const FieldValue& value)
{
    return value.isNull() ? QString() : value.toText();
}

QString shownGuiText(const FieldValue& value)
{
    return value.isNull() ? QStringLiteral("N/A") : value.toText();
}

QString shownDataType(const FieldValue& dataType, const FieldValue& attributes)
{
    if (attributes.isNull())
        return shownText(dataType);
    return shownText(dataType) + QLatin1Char('(') + attributes.toText() + QLatin1Char(')');
}

}  // namespace volmira
