#include "mainwindow/frmmain.h"

#include "dictionary/recordset.h"
#include "dictionary/shownattributes.h"
#include "dictionary/statements.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QListWidget>
#include <QMimeData>

#include <vector>

namespace {

const QStringList& copiedHeadings()
{
    static const QStringList headings{
        QStringLiteral("Column"),      QStringLiteral("Data Type"),           QStringLiteral("Primary Key"),
        QStringLiteral("Foreign Key"), QStringLiteral("Logical Description"), QStringLiteral("Data Definition"),
        QStringLiteral("GUI Label"),   QStringLiteral("GUI Control")};
    return headings;
}

QString yesNo(bool flag) { return flag ? QStringLiteral("Yes") : QStringLiteral("No"); }

QStringList copiedCells(const volmira::ShownColumn& column)
{
    return {column.column,
            column.dataType,
            yesNo(column.primaryKey),
            yesNo(column.foreignKey),
            column.logicalDescription,
            column.dataDefinition,
            column.guiLabel,
            column.guiControl};
}

// A cell of tab-separated text is one line without tabs: a line break (CR LF, CR or LF) and a tab each
// become one blank, so a pasted row stays one row of the spreadsheet.
QString oneLine(const QString& text)
{
    QString cell = text;
    cell.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar& c : cell) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    return cell;
}

// In HTML a line break stays a line break and a tab stays visible space; the text is never markup.
QString htmlCell(const QString& text)
{
    QString cell = text.toHtmlEscaped();
    cell.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    cell.replace(QLatin1Char('\r'), QStringLiteral("<br>"));
    cell.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    cell.replace(QLatin1Char('\t'), QStringLiteral("&emsp;"));
    return cell;
}

QMimeData* tableMimeData(const std::vector<QStringList>& rows)
{
    QString text;
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><table border=\"1\">");
    for (size_t r = 0; r < rows.size(); ++r) {
        const QString cellTag = r == 0 ? QStringLiteral("th") : QStringLiteral("td");
        QStringList textCells;
        html += QStringLiteral("<tr>");
        for (const QString& cell : rows[r]) {
            textCells << oneLine(cell);
            html += QLatin1Char('<') + cellTag + QLatin1Char('>') + htmlCell(cell) + QStringLiteral("</") + cellTag
                    + QLatin1Char('>');
        }
        html += QStringLiteral("</tr>");
        text += textCells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    html += QStringLiteral("</table></body></html>");
    auto* data = new QMimeData;
    data->setText(text);
    data->setHtml(html);
    return data;
}

}  // namespace

// Copies the listed columns as the field-attribute boxes show each of them: a name listed twice shows
// the attributes of its first row, as a click on either list row does. The rows come from rsColumns,
// read without moving it; nothing is queried and no window state changes.
void frmMain::mnuCopyColumns_Click()
{
    if (lstColumns->count() == 0 || !rsColumns || !rsColumns->isOpen())
        return;
    QHash<QString, long long> firstRowOf;
    for (long long row = rsColumns->rowCount() - 1; row >= 0; --row) {
        const volmira::FieldValue& name = rsColumns->fieldAt(row, volmira::statements::ColumnsField::Column).Value;
        if (!name.isNull())
            firstRowOf.insert(name.toText(), row);
    }
    std::vector<QStringList> rows{copiedHeadings()};
    for (int item = 0; item < lstColumns->count(); ++item) {
        const auto found = firstRowOf.constFind(lstColumns->item(item)->text());
        if (found != firstRowOf.constEnd())
            rows.push_back(copiedCells(volmira::shownColumnAt(*rsColumns, found.value())));
    }
    QGuiApplication::clipboard()->setMimeData(tableMimeData(rows));
}

void frmMain::mnuCopyTableNames_Click()
{
    if (lstTables->count() == 0)
        return;
    QString names;
    for (int item = 0; item < lstTables->count(); ++item)
        names += oneLine(lstTables->item(item)->text()) + QLatin1Char('\n');
    QGuiApplication::clipboard()->setText(names);
}
