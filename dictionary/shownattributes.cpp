#include "dictionary/shownattributes.h"

#include "dictionary/recordset.h"
#include "dictionary/statements.h"

namespace volmira {

namespace {

constexpr std::string_view notApplicable = "N/A";

template <typename FieldOf>
ShownColumn readColumn(const FieldOf& field)
{
    namespace Field = statements::ColumnsField;
    ShownColumn shown;
    shown.column = shownText(field(Field::Column));
    shown.dataType = shownDataType(field(Field::DataType), field(Field::DataAttributes));
    shown.logicalDescription = shownText(field(Field::LogicalDesc));
    shown.dataDefinition = shownText(field(Field::PDDefinition));
    shown.primaryKey = field(Field::PrimaryKey).isTrue();
    shown.foreignKey = field(Field::ForeignKey).isTrue();
    shown.guiLabel = shownGuiText(field(Field::GUIName));
    shown.guiControl = shownGuiText(field(Field::GUIControl));
    return shown;
}

}  // namespace

ShownColumn shownColumn(const Recordset& columns)
{
    return readColumn([&columns](int i) -> const FieldValue& { return columns.Fields(i).Value; });
}

ShownColumn shownColumnAt(const Recordset& columns, long long row, int firstField)
{
    return readColumn(
        [&columns, row, firstField](int i) -> const FieldValue& { return columns.fieldAt(row, firstField + i).Value; });
}

QString shownText(const FieldValue& value) { return value.isNull() ? QString() : value.toText(); }

QString shownGuiText(const FieldValue& value)
{
    return value.isNull() ? QString::fromLatin1(notApplicable.data(), qsizetype(notApplicable.size())) : value.toText();
}

QString shownDataType(const FieldValue& dataType, const FieldValue& attributes)
{
    if (attributes.isNull())
        return shownText(dataType);
    return shownText(dataType) + QLatin1Char('(') + attributes.toText() + QLatin1Char(')');
}

std::string_view shownText(const ShownUtf8& value) { return value.null ? std::string_view() : value.text; }

std::string_view shownGuiText(const ShownUtf8& value) { return value.null ? notApplicable : value.text; }

std::string shownDataType(const ShownUtf8& dataType, const ShownUtf8& attributes)
{
    std::string shown(shownText(dataType));
    if (!attributes.null)
        shown.append(1, '(').append(attributes.text).append(1, ')');
    return shown;
}

}  // namespace volmira
