#include "cli/export/dictionaryexport.h"

#include "areas/areacatalogue.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"
#include "dictionary/textfold.h"

#include <string>
#include <unordered_map>

namespace volmira::exporting {

namespace {

QString readVersion(const Connection& connection)
{
    Recordset version;
    version.Open(statements::version(), connection);
    return version.Eof() ? QString() : shownText(version.Fields(0).Value);
}

QStringList areaTables(const Connection& connection, const QString& code)
{
    Recordset tables;
    tables.Open(statements::areaTables(code), connection);
    QStringList names;
    for (; !tables.Eof(); tables.MoveNext()) {
        const FieldValue& name = tables.Fields(0).Value;
        if (!name.isNull())  // a Null name is no list item in the window either
            names << name.toText();
    }
    return names;
}

// A table's valid values by column, one statement for the table instead of one per column. The
// column names are compared as the engine compares them, ignoring letter case.
using ValuesByColumn = std::unordered_map<std::string, std::vector<ValidValue>>;

std::string columnKey(const QString& column) { return textfold::foldedUtf8(column.toStdString()); }

ValuesByColumn tableValidValues(const Connection& connection, const QString& code, const QString& table)
{
    Recordset values;
    values.Open(statements::tableValidValues(code, table), connection);
    namespace Field = statements::TableValuesField;
    ValuesByColumn found;
    for (; !values.Eof(); values.MoveNext()) {
        const FieldValue& column = values.Fields(Field::Column).Value;
        if (!column.isNull())  // equals no column
            found[columnKey(column.toText())].push_back(
                {shownText(values.Fields(Field::Value).Value), shownText(values.Fields(Field::Description).Value)});
    }
    return found;
}

ExportTable readTable(const Connection& connection, const QString& code, const QString& name)
{
    ExportTable table;
    table.name = name;
    Recordset description;
    description.Open(statements::tableDescription(code, name), connection);
    if (!description.Eof()) {
        namespace Field = statements::TableDescriptionField;
        table.description = shownText(description.Fields(Field::Description).Value);
        table.logicalName = shownText(description.Fields(Field::LogicalName).Value);
    }
    Recordset columns;
    columns.Open(statements::columns(code, name), connection);
    if (columns.Eof())
        return table;
    const ValuesByColumn values = tableValidValues(connection, code, name);
    for (; !columns.Eof(); columns.MoveNext()) {
        if (columns.Fields(statements::ColumnsField::Column)
                .Value.isNull())  // the window lists no column without a name
            continue;
        ExportColumn column;
        column.shown = shownColumn(columns);
        const auto found = values.find(columnKey(column.shown.column));
        if (found != values.end())
            column.values = found->second;
        table.columns.push_back(std::move(column));
    }
    return table;
}

}  // namespace

void exportDictionary(const Connection& connection, const std::vector<const FunctionalArea*>& areas,
                      ExportWriter& writer, const ProgressReport& progress)
{
    writer.begin(readVersion(connection), areas);
    Progress state;
    state.areaCount = int(areas.size());
    for (const FunctionalArea* area : areas) {
        ++state.areaNumber;
        state.area = area;
        const QString code = QString::fromLatin1(area->code);
        const QStringList names = areaTables(connection, code);
        state.tableCount = int(names.size());
        state.tablesDone = 0;
        ExportArea exported;
        exported.area = area;
        for (const QString& name : names) {
            if (progress)
                progress(state);
            exported.tables.push_back(readTable(connection, code, name));
            ++state.tablesDone;
        }
        if (progress)
            progress(state);
        writer.writeArea(exported);
    }
    writer.finish();
}

}  // namespace volmira::exporting
