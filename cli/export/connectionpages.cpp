#include "cli/export/connectionpages.h"

#include "areas/areacatalogue.h"
#include "cli/export/dictionarymap.h"
#include "cli/export/healthreport.h"
#include "cli/export/htmltext.h"
#include "cli/export/outputfiles.h"
#include "dictionary/error.h"

#include <QDir>

#include <map>

namespace volmira::exporting {

namespace {

const QString siteTitle = QStringLiteral("TAVRIN data dictionary");

QString areaCode(int area) { return QString::fromLatin1(functionalAreas()[size_t(area)].code); }
QString areaTitle(int area) { return QString::fromLatin1(functionalAreas()[size_t(area)].title); }

QString tableCount(size_t count)
{
    return count == 1 ? QStringLiteral("1 table") : QStringLiteral("%1 tables").arg(count);
}

// The table's name, linked to its page when the site has one.
void appendTableLink(QString& page, const DictionaryMap& map, int table, int area, const QString& root)
{
    const QString target = map.tablePage(table, area);
    if (target.isEmpty()) {
        appendHtml(page, map.tables()[size_t(table)].name);
        return;
    }
    page += QStringLiteral("<a href=\"%1%2\">").arg(root, target);
    appendHtml(page, map.tables()[size_t(table)].name);
    page += QStringLiteral("</a>");
}

QString pagePath(const QString& page) { return page.left(page.indexOf(QLatin1Char('#'))); }

}  // namespace

ConnectionPages::ConnectionPages(const DictionaryMap& map, const HealthReport& report, QString folder,
                                 PageStart pageStart, QString pageEnd)
    : map_(map), report_(report), folder_(std::move(folder)), pageStart_(std::move(pageStart)),
      pageEnd_(std::move(pageEnd))
{}

void ConnectionPages::appendColumnNote(QString& page, const QString& column) const
{
    const int found = map_.findColumnUse(column);
    if (found < 0 || map_.columnUses()[size_t(found)].uses.size() < 2)
        return;
    const DictionaryMap::ColumnUse* use = &map_.columnUses()[size_t(found)];
    const size_t others = use->uses.size() - 1;
    page += QStringLiteral(" <a class=\"also\" href=\"../%1\">also in %2</a>").arg(use->page, tableCount(others));
}

void ConnectionPages::appendTableSection(QString& page, int area, const QString& name)
{
    const int table = map_.findTable(name);
    if (table < 0)
        return;
    const DictionaryMap::Table& entry = map_.tables()[size_t(table)];
    const QString root = QStringLiteral("../");
    const auto columnOf = [this](const DictionaryMap::Reference& reference) -> const QString& {
        return map_.firstListing(reference.table).columns[size_t(reference.column)].name;
    };

    page += QStringLiteral("<section class=\"connections\">\n<h2>References</h2>\n");
    if (entry.references.empty()) {
        page += QStringLiteral("<p>No column of this table is flagged as a foreign key.</p>\n");
    } else {
        page += QStringLiteral("<table class=\"references\">\n<thead><tr><th>Foreign Key</th><th>Refers To</th>"
                               "<th>Why</th></tr></thead>\n<tbody>\n");
        for (const int position : entry.references) {
            const DictionaryMap::Reference& reference = map_.references()[size_t(position)];
            const bool inferred = reference.outcome == DictionaryMap::Outcome::Inferred;
            page += inferred ? QStringLiteral("<tr class=\"inferred\"><td>")
                             : QStringLiteral("<tr class=\"unresolved\"><td>");
            appendHtml(page, columnOf(reference));
            page += QStringLiteral("</td><td>");
            if (inferred) {
                appendTableLink(page, map_, reference.candidates.front(), area, root);
                page += QStringLiteral(" <span class=\"inferred-mark\">inferred</span>");
            } else {
                page += QStringLiteral("<span class=\"none\">no target</span>");
            }
            page += QStringLiteral("</td><td>");
            appendHtml(page, reference.reason);
            page += QStringLiteral("</td></tr>\n");
        }
        page += QStringLiteral("</tbody>\n</table>\n");
    }

    page += QStringLiteral("<h2>Referred To By</h2>\n");
    if (entry.referrers.empty()) {
        page += QStringLiteral("<p>No reference to this table is inferred.</p>\n");
    } else {
        page += QStringLiteral("<table class=\"references\">\n<thead><tr><th>Table</th><th>Foreign Key</th>"
                               "<th>Why</th></tr></thead>\n<tbody>\n");
        for (const int position : entry.referrers) {
            const DictionaryMap::Reference& reference = map_.references()[size_t(position)];
            page += QStringLiteral("<tr class=\"inferred\"><td>");
            appendTableLink(page, map_, reference.table, area, root);
            page += QStringLiteral(" <span class=\"inferred-mark\">inferred</span></td><td>");
            appendHtml(page, columnOf(reference));
            page += QStringLiteral("</td><td>");
            appendHtml(page, reference.reason);
            page += QStringLiteral("</td></tr>\n");
        }
        page += QStringLiteral("</tbody>\n</table>\n");
    }

    if (!SvgRenderer::draws()) {
        page += QStringLiteral("</section>\n");
        return;
    }
    page += QStringLiteral("<h2>Diagram</h2>\n<figure class=\"diagram\">\n");
    page += QString::fromUtf8(renderer_.inlineSvg(toDot(tableDiagram(map_, table, area, root), true)));
    page += QStringLiteral("<figcaption>The table, the tables it refers to and those that refer to it. Every "
                           "reference is inferred from the names (dashed); a dashed box is filed under "
                           "another area.</figcaption>\n</figure>\n</section>\n");
}

void ConnectionPages::appendAreaLinks(QString& page, int area)
{
    if (!SvgRenderer::draws())
        return;
    const QString code = areaCode(area);
    page += QStringLiteral("<p class=\"connections\"><a href=\"%1-diagram.html\">Diagram of the area&rsquo;s "
                           "tables and references</a></p>\n")
                .arg(code);
    QString body = QStringLiteral("<nav class=\"crumbs\"><a href=\"index.html\">All areas</a> &rsaquo; "
                                  "<a href=\"%1.html\">%2</a></nav>\n<h1>%2: diagram</h1>\n")
                       .arg(code, html(areaTitle(area)));
    body += QStringLiteral("<figure class=\"diagram\">\n");
    body += QString::fromUtf8(renderer_.inlineSvg(toDot(areaDiagram(map_, area, QString()), true)));
    body += QStringLiteral(
        "<figcaption>The area&rsquo;s tables with the references inferred from the names "
        "(dashed), and the tables of other areas they refer to (dashed boxes). A name leads "
        "to its table&rsquo;s page, which also shows the references from other areas.</figcaption>\n</figure>\n");
    writePage(code + QStringLiteral("-diagram.html"), areaTitle(area) + QStringLiteral(" diagram \u00b7 ") + siteTitle,
              QString(), body);
}

void ConnectionPages::appendIndexLinks(QString& page)
{
    page += QStringLiteral("<p class=\"connections\"><a href=\"columns.html\">Column names and the tables that "
                           "hold them</a> &middot; <a href=\"health.html\">Health report</a></p>\n");
}

void ConnectionPages::writePages()
{
    if (!QDir(folder_).mkpath(QStringLiteral("columns")))
        throw Error(ErrorNumber::FileSystem, QStringLiteral("Cannot create %1/columns").arg(folder_));

    // The names by the page of their first character, in the map's order of names.
    std::map<QString, std::vector<const DictionaryMap::ColumnUse*>> byPage;
    for (const DictionaryMap::ColumnUse& use : map_.columnUses())
        byPage[pagePath(use.page)].push_back(&use);

    QString index = QStringLiteral("<nav class=\"crumbs\"><a href=\"index.html\">All areas</a></nav>\n"
                                   "<h1>Column names</h1>\n<ul class=\"column-pages\">\n");
    for (const auto& [path, uses] : byPage) {
        const QString first = path.mid(8, path.size() - 13);  // columns/X.html
        index += QStringLiteral("<li><a href=\"%1\">%2</a> <span class=\"count\">%3 names</span></li>\n")
                     .arg(path, first == QLatin1String("_") ? QStringLiteral("other") : first.toUpper())
                     .arg(uses.size());

        QString body = QStringLiteral("<nav class=\"crumbs\"><a href=\"../index.html\">All areas</a> &rsaquo; "
                                      "<a href=\"../columns.html\">Column names</a></nav>\n<h1>Column names: %1</h1>\n")
                           .arg(first == QLatin1String("_") ? QStringLiteral("other") : first.toUpper());
        for (const DictionaryMap::ColumnUse* use : uses) {
            // The name's usual type is its most frequent one; a table whose type differs says so.
            std::map<QString, int> typeCounts;
            for (const auto& [table, column] : use->uses)
                ++typeCounts[map_.firstListing(table).columns[size_t(column)].dataType.toCaseFolded()];
            QString usual;
            int most = 0;
            for (const auto& [type, count] : typeCounts) {
                if (count > most) {
                    usual = type;
                    most = count;
                }
            }
            body += QStringLiteral("<section class=\"column-use\" id=\"%1\">\n<h2>")
                        .arg(use->page.mid(use->page.indexOf(QLatin1Char('#')) + 1));
            appendHtml(body, use->name);
            body += QStringLiteral("</h2>\n<p>In %1").arg(tableCount(use->uses.size()));
            if (typeCounts.size() == 1) {
                body += QStringLiteral(", of type ");
                appendHtml(
                    body,
                    map_.firstListing(use->uses.front().first).columns[size_t(use->uses.front().second)].dataType);
            }
            body += QStringLiteral(".</p>\n<dl class=\"where-used\">\n");
            // Grouped by the areas the tables are filed under, in each area's order.
            std::map<int, std::map<int, std::pair<int, int>>> byArea;
            for (const auto& entry : use->uses) {
                for (const int listing : map_.tables()[size_t(entry.first)].listings)
                    byArea[map_.listings()[size_t(listing)].area].emplace(listing, entry);
            }
            for (const auto& [area, entries] : byArea) {
                body += QStringLiteral("<dt>%1</dt><dd>").arg(html(areaTitle(area)));
                bool first = true;
                for (const auto& [listing, place] : entries) {
                    const auto& [table, column] = place;
                    if (!first)
                        body += QStringLiteral(", ");
                    first = false;
                    appendTableLink(body, map_, table, area, QStringLiteral("../"));
                    const QString& type = map_.firstListing(table).columns[size_t(column)].dataType;
                    if (typeCounts.size() > 1 && type.toCaseFolded() != usual) {
                        body += QStringLiteral(" <span class=\"type-differs\">(");
                        appendHtml(body, type);
                        body += QStringLiteral(")</span>");
                    }
                }
                body += QStringLiteral("</dd>\n");
            }
            body += QStringLiteral("</dl>\n</section>\n");
        }
        writePage(path, QStringLiteral("Column names \u00b7 ") + siteTitle, QStringLiteral("../"), body);
    }
    index += QStringLiteral("</ul>\n");
    writePage(QStringLiteral("columns.html"), QStringLiteral("Column names \u00b7 ") + siteTitle, QString(), index);

    writePage(QStringLiteral("health.html"), QStringLiteral("Health report \u00b7 ") + siteTitle, QString(),
              QStringLiteral("<nav class=\"crumbs\"><a href=\"index.html\">All areas</a></nav>\n") + report_.html());
}

void ConnectionPages::writePage(const QString& path, const QString& title, const QString& root,
                                const QString& body) const
{
    writeTextFile(QDir(folder_).filePath(path), pageStart_(title, root, QString()) + body + pageEnd_);
}

}  // namespace volmira::exporting
