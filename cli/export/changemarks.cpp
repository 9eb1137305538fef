#include "cli/export/changemarks.h"

#include "areas/areacatalogue.h"
#include "cli/diff/escaping.h"
#include "cli/diff/reports.h"
#include "cli/export/outputfiles.h"

#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/statements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace volmira::exporting {

namespace {

bool namesColumn(diff::ChangeKind kind)
{
    // A removed column is no longer on the site; its table carries the mark.
    return kind != diff::ChangeKind::TableAdded && kind != diff::ChangeKind::TableRemoved
           && kind != diff::ChangeKind::TableMoved && kind != diff::ChangeKind::TableChanged
           && kind != diff::ChangeKind::ColumnRemoved && kind != diff::ChangeKind::PossibleRename;
}

}  // namespace

ChangeMarks::ChangeMarks(diff::Comparison comparison, diff::ComparedFiles files)
    : comparison_(std::move(comparison)), files_(std::move(files))
{
    int entry = -1;
    const QString* table = nullptr;
    int area = -1;
    for (const diff::Change& c : comparison_.changes) {
        if (c.area != area || !table || *table != c.table) {
            ++entry;
            area = c.area;
            table = &c.table;
        }
        const QString& code = comparison_.areas[std::size_t(c.area)].code;
        if (c.kind == diff::ChangeKind::TableRemoved)
            continue;  // not on the site
        tableEntries_.emplace(tableKey(code, c.table), entry);
        if (namesColumn(c.kind))
            changedColumns_.insert(tableKey(code, c.table) + '\n' + diff::foldedKey(c.column.toStdString()));
    }
}

QString ChangeMarks::title() const
{
    return QStringLiteral("Changes since ") + diff::versionText(comparison_.oldVersion);
}

std::string ChangeMarks::tableKey(const QString& area, const QString& table) const
{
    return area.toStdString() + '\n' + diff::foldedKey(table.toStdString());
}

QString ChangeMarks::mark(int entry, const QString& root, const QString& what) const
{
    return QStringLiteral(" <a class=\"changed\" href=\"%1changes.html#t%2\" title=\"%3\">changed</a>")
        .arg(root, QString::number(entry), diff::escaping::html(what + QStringLiteral(": ") + title()));
}

QString ChangeMarks::tableMark(const QString& area, const QString& table, int tableNumber, const QString& root)
{
    const auto found = tableEntries_.find(tableKey(area, table));
    if (found == tableEntries_.end())
        return {};
    markedTables_.insert(tableNumber);
    return mark(found->second, root, QStringLiteral("The table changed"));
}

QString ChangeMarks::columnMark(const QString& area, const QString& table, const QString& column, int tableNumber,
                                int position, const QString& root)
{
    const std::string key = tableKey(area, table);
    if (!changedColumns_.count(key + '\n' + diff::foldedKey(column.toStdString())))
        return {};
    markedColumns_.emplace(tableNumber, position);
    return mark(tableEntries_.at(key), root, QStringLiteral("The column changed"));
}

QString ChangeMarks::searchChoice() const
{
    return QStringLiteral("<label class=\"changed-only\"><input type=\"checkbox\" name=\"changed\" value=\"1\"> "
                          "Changed only</label>\n");
}

QString ChangeMarks::indexLink() const
{
    return QStringLiteral("<p class=\"changes\"><a href=\"changes.html\">") + diff::escaping::html(title())
           + QStringLiteral("</a></p>\n");
}

QString ChangeMarks::stylesheetLink(const QString& root) const
{
    return QStringLiteral("<link rel=\"stylesheet\" href=\"%1assets/changes.css\">\n").arg(root);
}

void ChangeMarks::writeSite(const QString& folder) const
{
    const QDir root(folder);
    QFile style(QStringLiteral(":/export-site/changes.css"));
    if (!style.open(QIODevice::ReadOnly))
        throw Error(ErrorNumber::FileSystem, QStringLiteral("The program lacks its resource %1").arg(style.fileName()));
    writeBinaryFile(root.filePath(QStringLiteral("assets/changes.css")), style.readAll());
    QString index = QStringLiteral("window.volmiraChanged = {\ntables: [");
    for (const int table : markedTables_)
        index += QString::number(table) + QLatin1Char(',');
    index += QStringLiteral("],\ncolumns: [");
    for (const auto& [table, position] : markedColumns_)
        index += QStringLiteral("\"%1/%2\",").arg(table).arg(position);
    index += QStringLiteral("]\n};\n");
    writeTextFile(root.filePath(QStringLiteral("assets/index-changes.js")), index);

    const diff::Markup& markup = diff::htmlMarkup();
    const QString heading = diff::escaping::html(title());
    QString page = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                                  "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>")
                   + heading + QStringLiteral("</title>\n<link rel=\"stylesheet\" href=\"assets/style.css\">\n")
                   + stylesheetLink(QString())
                   + QStringLiteral("</head>\n<body>\n<main class=\"changes\">\n"
                                    "<nav class=\"crumbs\"><a href=\"index.html\">All areas</a></nav>\n<h1>")
                   + heading + QStringLiteral("</h1>\n<p>")
                   + diff::escaping::html(diff::versionText(comparison_.oldVersion)) + markup.arrow
                   + diff::escaping::html(diff::versionText(comparison_.newVersion))
                   + QStringLiteral(": %1 changes.</p>\n").arg(comparison_.changeCount());
    int entry = -1;
    int area = -1;
    const QString* table = nullptr;
    for (const diff::Change& c : comparison_.changes) {
        if (c.area != area) {
            if (table)
                page += QStringLiteral("</ul>\n");
            area = c.area;
            table = nullptr;
            page += QStringLiteral("<h2>")
                    + diff::escaping::html(diff::areaHeading(comparison_.areas[std::size_t(area)]))
                    + QStringLiteral("</h2>\n");
        }
        if (!table || *table != c.table) {
            if (table)
                page += QStringLiteral("</ul>\n");
            table = &c.table;
            page += QStringLiteral("<h3 id=\"t%1\">Table <code>").arg(++entry) + diff::escaping::html(c.table)
                    + QStringLiteral("</code></h3>\n<ul>\n");
        }
        page += QStringLiteral("<li>") + diff::describeChange(c, comparison_, markup) + QStringLiteral("</li>\n");
    }
    if (table)
        page += QStringLiteral("</ul>\n");
    page += QStringLiteral("</main>\n</body>\n</html>\n");
    writeTextFile(root.filePath(QStringLiteral("changes.html")), page);
}

std::unique_ptr<ChangeMarks> compareWith(const QString& oldPath, const Connection& connection,
                                         const std::vector<const FunctionalArea*>& areas)
{
    std::vector<diff::AreaName> names;
    for (const FunctionalArea* area : areas)
        names.push_back({QString::fromLatin1(area->code), QString::fromLatin1(area->title)});
    diff::Snapshot before;
    {
        Connection old;  // the snapshot holds the old release's engine, which it reads its texts from
        old.setConnectionString(statements::connectionString(oldPath));
        old.Open();
        before = diff::readSnapshot(old, names);
    }
    const diff::Snapshot after = diff::readSnapshot(connection, names);
    return std::make_unique<ChangeMarks>(
        diff::compare(before, after, std::move(names)),
        diff::ComparedFiles{QFileInfo(oldPath).fileName(),
                            QFileInfo(Connection::dataSource(connection.connectionString())).fileName()});
}

void writeChangesFile(const ChangeMarks& changes, bool csv, const QString& folder)
{
    const QByteArray text = diff::report(changes.comparison(),
                                         csv ? diff::ReportFormat::Csv : diff::ReportFormat::Markdown, changes.files());
    writeBinaryFile(QDir(folder).filePath(csv ? QStringLiteral("changes.csv") : QStringLiteral("changes.md")), text);
}

}  // namespace volmira::exporting
