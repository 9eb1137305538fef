#include "cli/export/markdownexport.h"

#include "areas/areacatalogue.h"
#include "cli/export/outputfiles.h"

#include <QDir>

namespace volmira::exporting {

namespace {

bool isAlphanumeric(QChar c) { return c.isLetterOrNumber(); }

// The characters that GitHub's Markdown reads as markup inside a line are escaped with a backslash
// (code, emphasis, links and images, table cells, strike-through, heading ends, math), except an
// underscore inside a word (CLCL_ID), which never is; '<', '>' and '&' are written as entities, so no
// text becomes HTML. A line break becomes <br>: a table cell is one line.
void appendMarkdown(QString& out, const QString& text)
{
    static const QString escaped = QStringLiteral("\\`*_[]|~#$");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case '<': out += QLatin1String("&lt;"); continue;
        case '>': out += QLatin1String("&gt;"); continue;
        case '&': out += QLatin1String("&amp;"); continue;
        case '\r':
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += QLatin1String("<br>");
            continue;
        case '\n': out += QLatin1String("<br>"); continue;
        case '\t': out += QLatin1Char(' '); continue;
        default: break;
        }
        const bool inWord = c == QLatin1Char('_') && i > 0 && i + 1 < text.size() && isAlphanumeric(text.at(i - 1))
                            && isAlphanumeric(text.at(i + 1));
        if (!inWord && escaped.contains(c))
            out += QLatin1Char('\\');
        out += c;
    }
}

QString markdown(const QString& text)
{
    QString out;
    appendMarkdown(out, text);
    return out;
}

QString areaCode(const FunctionalArea* area) { return QString::fromLatin1(area->code); }
QString areaTitle(const FunctionalArea* area) { return QString::fromLatin1(area->title); }

}  // namespace

MarkdownWriter::MarkdownWriter(QString folder) : folder_(std::move(folder)) {}

void MarkdownWriter::begin(const QString& version, const std::vector<const FunctionalArea*>& areas)
{
    version_ = version;
    areas_ = areas;
    QDir().mkpath(folder_);
}

void MarkdownWriter::writeArea(const ExportArea& exported)
{
    tableCounts_.push_back(int(exported.tables.size()));
    QString page = QStringLiteral("# %1 (%2)\n\n[All areas](index.md)\n\n")
                       .arg(markdown(areaTitle(exported.area)), areaCode(exported.area).toUpper());
    page += QStringLiteral("| Table Name | Logical Description |\n|---|---|\n");
    for (const ExportTable& table : exported.tables) {
        page += QStringLiteral("| ");
        appendMarkdown(page, table.name);
        page += QStringLiteral(" | ");
        appendMarkdown(page, table.logicalName);
        page += QStringLiteral(" |\n");
    }
    for (const ExportTable& table : exported.tables) {
        page += QStringLiteral("\n## ");
        appendMarkdown(page, table.name);
        page += QStringLiteral("\n\n**Logical Description:** ");
        appendMarkdown(page, table.logicalName);
        page += QStringLiteral("\n\n**Data Definition:** ");
        appendMarkdown(page, table.description);
        page += QStringLiteral("\n\n");
        if (table.columns.empty())
            continue;
        page += QStringLiteral("| Field Name | Data Type | Primary Key | Foreign Key | Logical Description | "
                               "Data Definition | GUI Label | GUI Control | Valid Values |\n"
                               "|---|---|---|---|---|---|---|---|---|\n");
        for (const ExportColumn& column : table.columns) {
            const ShownColumn& shown = column.shown;
            for (const QString* text : {&shown.column, &shown.dataType}) {
                page += QStringLiteral("| ");
                appendMarkdown(page, *text);
                page += QLatin1Char(' ');
            }
            page += shown.primaryKey ? QStringLiteral("| Yes ") : QStringLiteral("| No ");
            page += shown.foreignKey ? QStringLiteral("| Yes ") : QStringLiteral("| No ");
            for (const QString* text :
                 {&shown.logicalDescription, &shown.dataDefinition, &shown.guiLabel, &shown.guiControl}) {
                page += QStringLiteral("| ");
                appendMarkdown(page, *text);
                page += QLatin1Char(' ');
            }
            page += QStringLiteral("| ");
            for (size_t v = 0; v < column.values.size(); ++v) {
                if (v)
                    page += QStringLiteral("<br>");
                appendMarkdown(page, column.values[v].value);
                page += QLatin1Char('-');
                appendMarkdown(page, column.values[v].description);
            }
            page += QStringLiteral(" |\n");
        }
    }
    writeTextFile(QDir(folder_).filePath(areaCode(exported.area) + QStringLiteral(".md")), page);
}

void MarkdownWriter::finish()
{
    QString index = QStringLiteral("# TAVRIN data dictionary\n\n");
    if (!version_.isEmpty())
        index += QStringLiteral("Database Version : ") + markdown(version_) + QStringLiteral("\n\n");
    if (!changesTitle_.isEmpty())
        index += QStringLiteral("[") + markdown(changesTitle_) + QStringLiteral("](changes.md)\n\n");
    index += QStringLiteral("| Functional Area | Module | Tables |\n|---|---|---|\n");
    for (size_t i = 0; i < areas_.size(); ++i) {
        index += QStringLiteral("| [%1](%2.md) | %3 | %4 |\n")
                     .arg(markdown(areaTitle(areas_[i])), areaCode(areas_[i]), areaCode(areas_[i]).toUpper())
                     .arg(tableCounts_[i]);
    }
    writeTextFile(QDir(folder_).filePath(QStringLiteral("index.md")), index);
}

}  // namespace volmira::exporting
