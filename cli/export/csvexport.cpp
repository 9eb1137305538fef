#include "cli/export/csvexport.h"

#include "areas/areacatalogue.h"
#include "cli/export/outputfiles.h"

#include <QDir>
#include <QSet>

#include <initializer_list>

namespace volmira::exporting {

namespace {

void appendField(QString& out, const QString& text)
{
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
                        || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!quoted) {
        out += text;
        return;
    }
    out += QLatin1Char('"');
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
}

void appendRecord(QString& out, std::initializer_list<QString> fields)
{
    bool first = true;
    for (const QString& field : fields) {
        if (!first)
            out += QLatin1Char(',');
        first = false;
        appendField(out, field);
    }
    out += QLatin1String("\r\n");
}

QString yesNo(bool flag) { return flag ? QStringLiteral("Yes") : QStringLiteral("No"); }

}  // namespace

CsvWriter::CsvWriter(QString folder) : folder_(std::move(folder)) {}
CsvWriter::~CsvWriter() = default;

void CsvWriter::begin(const QString&, const std::vector<const FunctionalArea*>&)
{
    QDir().mkpath(folder_);
    const QDir folder(folder_);
    tables_ = std::make_unique<OutputFile>(folder.filePath(QStringLiteral("tables.csv")));
    columns_ = std::make_unique<OutputFile>(folder.filePath(QStringLiteral("columns.csv")));
    values_ = std::make_unique<OutputFile>(folder.filePath(QStringLiteral("values.csv")));
    appendRecord(tables_->text(), {QStringLiteral("Functional Area"), QStringLiteral("Table"),
                                   QStringLiteral("Logical Description"), QStringLiteral("Data Definition")});
    appendRecord(columns_->text(),
                 {QStringLiteral("Functional Area"), QStringLiteral("Table"), QStringLiteral("Position"),
                  QStringLiteral("Column"), QStringLiteral("Data Type"), QStringLiteral("Primary Key"),
                  QStringLiteral("Foreign Key"), QStringLiteral("Logical Description"),
                  QStringLiteral("Data Definition"), QStringLiteral("GUI Label"), QStringLiteral("GUI Control")});
    appendRecord(values_->text(), {QStringLiteral("Functional Area"), QStringLiteral("Table"), QStringLiteral("Column"),
                                   QStringLiteral("Value"), QStringLiteral("Description")});
}

// A column listed twice (two attribute rows) has one list of valid values: it is written once.
void CsvWriter::writeArea(const ExportArea& exported)
{
    const QString code = QString::fromLatin1(exported.area->code);
    for (const ExportTable& table : exported.tables) {
        appendRecord(tables_->text(), {code, table.name, table.logicalName, table.description});
        QSet<QString> valuesWritten;
        int position = 0;
        for (const ExportColumn& column : table.columns) {
            const ShownColumn& shown = column.shown;
            appendRecord(columns_->text(), {code, table.name, QString::number(++position), shown.column, shown.dataType,
                                            yesNo(shown.primaryKey), yesNo(shown.foreignKey), shown.logicalDescription,
                                            shown.dataDefinition, shown.guiLabel, shown.guiControl});
            if (valuesWritten.contains(shown.column))
                continue;
            valuesWritten.insert(shown.column);
            for (const ValidValue& value : column.values)
                appendRecord(values_->text(), {code, table.name, shown.column, value.value, value.description});
        }
    }
    tables_->write();
    columns_->write();
    values_->write();
}

void CsvWriter::finish()
{
    tables_->close();
    columns_->close();
    values_->close();
}

}  // namespace volmira::exporting
