#include "tools/export/dictionaryexport.h"

#include "areas/areacatalogue.h"
#include "dictionary/recordset.h"
#include "tools/export/exportstatements.h"

namespace volmira::exporting {

namespace {

QString readVersion(const Connection& connection)
{
    Recordset version;
    version.Open(versionStatement(), connection);
    return version.Eof() ? QString() : shownText(version.Fields(0).Value);
}

QStringList areaTables(const Connection& connection, const QString& code)
{
    Recordset tables;
    tables.Open(areaTablesStatement(code), connection);
    QStringList names;
    for (; !tables.Eof(); tables.MoveNext()) {
        const FieldValue& name = tables.Fields(0).Value;
        if (!name.isNull())  // a Null name is no list item in the window either
            names << name.toText();
    }
    return names;
}

std::vector<ValidValue> validValues(const Connection& connection, const QString& code, const QString& table,
                                    const QString& column)
{
    Recordset values;
    values.Open(validValuesStatement(code, table, column), connection);
    std::vector<ValidValue> found;
    for (; !values.Eof(); values.MoveNext())
        found.push_back({shownText(values.Fields(0).Value), shownText(values.Fields(1).Value)});
    return found;
}

ExportTable readTable(const Connection& connection, const QString& code, const QString& name)
{
    ExportTable table;
    table.name = name;
    Recordset description;
    description.Open(tableDescriptionStatement(code, name), connection);
    if (!description.Eof()) {
        table.described = true;
        table.description = shownText(description.Fields(1).Value);
        table.logicalName = shownText(description.Fields(2).Value);
    }
    Recordset columns;
    columns.Open(tableColumnsStatement(code, name), connection);
    for (; !columns.Eof(); columns.MoveNext()) {
        if (columns.Fields(0).Value.isNull())  // the window lists no column without a name
            continue;
        ExportColumn column;
        column.shown = shownColumn(columns);
        column.values = validValues(connection, code, name, column.shown.column);
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
