#include "cli/export/htmlsite.h"

#include "areas/areapictures.h"
#include "areas/pictureresources.h"
#include "dictionary/error.h"
#include "cli/export/connectionpages.h"
#include "cli/export/htmltext.h"
#include "cli/export/changemarks.h"
#include "cli/export/outputfiles.h"
#include "cli/export/siteresources.h"

#include <QChar>
#include <QDir>
#include <QFile>

#include <algorithm>

namespace volmira::exporting {

namespace {

const QString siteTitle = QStringLiteral("TAVRIN data dictionary");

// A JavaScript string literal. '<', '>' and '&' are written as escapes as well, so the data file reads
// the same whatever page or tool embeds it.
void appendJsString(QString& out, const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    out += QLatin1Char('"');
    const QChar* const begin = text.constData();
    const QChar* const end = begin + text.size();
    const QChar* run = begin;
    for (const QChar* p = begin; p != end; ++p) {
        const char16_t u = p->unicode();
        const bool plain =
            u >= 0x20 && u != '"' && u != '\\' && u != '<' && u != '>' && u != '&' && u != 0x2028 && u != 0x2029;
        if (plain)
            continue;
        out.append(run, p - run);
        run = p + 1;
        if (u == '"' || u == '\\') {
            out += QLatin1Char('\\');
            out += *p;
            continue;
        }
        out += QLatin1String("\\u");
        for (int shift = 12; shift >= 0; shift -= 4)
            out += QLatin1Char(hex[(u >> shift) & 15]);
    }
    out.append(run, end - run);
    out += QLatin1Char('"');
}

QString areaCode(const FunctionalArea* area) { return QString::fromLatin1(area->code); }
QString areaTitle(const FunctionalArea* area) { return QString::fromLatin1(area->title); }

QString tableCountText(int count)
{
    return count == 1 ? QStringLiteral("1 table") : QStringLiteral("%1 tables").arg(count);
}

// Simple case folding of every code point whose folding is not itself, as [code point, folded] pairs:
// the site's script folds a search text exactly as the program compares texts.
QString foldTable()
{
    QString pairs;
    for (char32_t cp = 0x80; cp <= 0x10FFFF; ++cp) {
        const char32_t folded = QChar::toCaseFolded(cp);
        if (folded != cp)
            pairs += QStringLiteral("[%1,%2],").arg(uint(cp)).arg(uint(folded));
    }
    pairs.chop(1);
    return pairs;
}

const char* const pageEnd = "</main>\n</body>\n</html>\n";

}  // namespace

HtmlSiteWriter::HtmlSiteWriter(QString folder, const DictionaryMap& map, const HealthReport& report)
    : folder_(std::move(folder))
{
    const auto start = [this](const QString& title, const QString& root, const QString& area) {
        return pageStart(title, root, area);
    };
    connections_ = std::make_unique<ConnectionPages>(map, report, folder_, start, QLatin1String(pageEnd));
}
HtmlSiteWriter::~HtmlSiteWriter() = default;

void HtmlSiteWriter::begin(const QString& version, const std::vector<const FunctionalArea*>& areas)
{
    version_ = version;
    areas_ = areas;
    QDir root(folder_);
    if (!root.mkpath(QStringLiteral("assets/pictures")))
        throw Error(ErrorNumber::FileSystem, QStringLiteral("Cannot create %1/assets/pictures").arg(folder_));

    registerPictureResources();
    registerSiteResources();
    const auto copyResource = [&root](const QString& resource, const QString& target) {
        QFile source(resource);
        if (!source.open(QIODevice::ReadOnly))
            throw Error(ErrorNumber::FileSystem, QStringLiteral("The program lacks its resource %1").arg(resource));
        writeBinaryFile(root.filePath(target), source.readAll());
    };
    copyResource(QStringLiteral(":/export-site/style.css"), QStringLiteral("assets/style.css"));
    copyResource(QStringLiteral(":/export-site/search.js"), QStringLiteral("assets/search.js"));
    copyResource(QStringLiteral(":/pictures/default.svg"), QStringLiteral("assets/pictures/default.svg"));
    copyResource(QStringLiteral(":/pictures/icon.svg"), QStringLiteral("assets/pictures/icon.svg"));
    for (const FunctionalArea* area : areas) {
        root.mkdir(areaCode(area));
        // The pages show every area's drawing at one size.
        const QByteArray picture = areaDrawingSvg(*area);
        if (picture.isEmpty())
            throw Error(ErrorNumber::FileSystem, QStringLiteral("The program lacks the picture of %1").arg(areaCode(area)));
        writeBinaryFile(root.filePath(QStringLiteral("assets/pictures/%1.svg").arg(areaCode(area))), picture);
    }

    searchForm_ =
        QStringLiteral("<form class=\"search\" action=\"@ROOT@index.html\" method=\"get\" role=\"search\">\n"
                       "<label><span>Text to Search</span><input type=\"search\" name=\"q\" required></label>\n"
                       "<label><span>Search in</span><select name=\"mode\">"
                       "<option value=\"tablename\">Table Name</option>"
                       "<option value=\"colname\">Column Name</option>"
                       "<option value=\"tabledesc\">Table Description</option>"
                       "<option value=\"coldesc\">Column Description</option></select></label>\n"
                       "<label><span>Module</span><select name=\"area\"><option value=\"all\">ALL</option>");
    for (const FunctionalArea* area : areas) {
        searchForm_ += QStringLiteral("<option value=\"%1\">%2 &ndash; %3</option>")
                           .arg(areaCode(area), areaCode(area).toUpper(), html(areaTitle(area)));
    }
    searchForm_ += QStringLiteral("</select></label>\n");
    if (changes_)
        searchForm_ += changes_->searchChoice();
    searchForm_ += QStringLiteral("<button type=\"submit\">Search</button>\n</form>\n");

    columnIndex_ = std::make_unique<OutputFile>(root.filePath(QStringLiteral("assets/index-columns.js")));
    columnIndex_->text() += QStringLiteral("window.volmiraColumns = [\n");
}

QString HtmlSiteWriter::pageStart(const QString& title, const QString& root, const QString& selectedArea) const
{
    QString form = searchForm_;
    form.replace(QStringLiteral("@ROOT@"), root);
    if (!selectedArea.isEmpty()) {
        const QString option = QStringLiteral("<option value=\"%1\">").arg(selectedArea);
        form.replace(option, QStringLiteral("<option value=\"%1\" selected>").arg(selectedArea));
    }
    QString page = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                                  "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                                  "<meta name=\"referrer\" content=\"no-referrer\">\n<title>");
    appendHtml(page, title);
    page += QStringLiteral("</title>\n<link rel=\"stylesheet\" href=\"%1assets/style.css\">\n"
                           "<link rel=\"icon\" href=\"%1assets/pictures/icon.svg\">\n%3</head>\n<body>\n"
                           "<header>\n<a class=\"home\" href=\"%1index.html\">%2</a>\n")
                .arg(root, siteTitle, changes_ ? changes_->stylesheetLink(root) : QString());
    page += form;
    page += QStringLiteral("</header>\n<main>\n");
    return page;
}

void HtmlSiteWriter::writeArea(const ExportArea& exported)
{
    const QString code = areaCode(exported.area);
    const QString title = areaTitle(exported.area);
    tableCounts_.push_back(int(exported.tables.size()));

    QString page = pageStart(title + QStringLiteral(" \u00b7 ") + siteTitle, QString(), code);
    page += QStringLiteral("<nav class=\"crumbs\"><a href=\"index.html\">All areas</a></nav>\n"
                           "<h1><img src=\"assets/pictures/%1.svg\" alt=\"\" width=\"40\" height=\"40\"> %2 "
                           "<span class=\"code\">%3</span></h1>\n<p>%4</p>\n")
                .arg(code, html(title), code.toUpper(), tableCountText(int(exported.tables.size())));
    if (!exported.tables.empty()) {
        page += QStringLiteral("<table class=\"tables\">\n<thead><tr><th>Table Name</th><th>Logical "
                               "Description</th></tr></thead>\n<tbody>\n");
    }
    UniqueFileNames fileNames;
    for (const ExportTable& table : exported.tables) {
        const QString fileName = fileNames.take(table.name) + QStringLiteral(".html");
        const int tableNumber = tablesIndexed_++;
        page += QStringLiteral("<tr><td><a href=\"%1/%2\">").arg(code, fileName);
        appendHtml(page, table.name);
        page += QStringLiteral("</a>");
        if (changes_)
            page += changes_->tableMark(code, table.name, tableNumber, QString());
        page += QStringLiteral("</td><td>");
        appendHtml(page, table.logicalName);
        page += QStringLiteral("</td></tr>\n");
        writeTablePage(exported, table, fileName, tableNumber);

        tableIndex_ += QStringLiteral("[%1,").arg(areaNumber(exported.area));
        appendJsString(tableIndex_, table.name);
        tableIndex_ += QLatin1Char(',');
        appendJsString(tableIndex_, table.description);
        tableIndex_ += QLatin1Char(',');
        appendJsString(tableIndex_, code + QLatin1Char('/') + fileName);
        tableIndex_ += QStringLiteral("],\n");
    }
    if (!exported.tables.empty())
        page += QStringLiteral("</tbody>\n</table>\n");
    connections_->appendAreaLinks(page, int(exported.area - functionalAreas().data()));
    page += QLatin1String(pageEnd);
    writeTextFile(QDir(folder_).filePath(code + QStringLiteral(".html")), page);
    columnIndex_->write();
}

int HtmlSiteWriter::areaNumber(const FunctionalArea* area) const
{
    return int(std::find(areas_.begin(), areas_.end(), area) - areas_.begin());
}

void HtmlSiteWriter::writeTablePage(const ExportArea& exported, const ExportTable& table, const QString& fileName,
                                    int tableNumber)
{
    const QString code = areaCode(exported.area);
    const QString title = areaTitle(exported.area);
    QString page = pageStart(table.name + QStringLiteral(" \u00b7 ") + title + QStringLiteral(" \u00b7 ") + siteTitle,
                             QStringLiteral("../"), code);
    page.reserve(page.size() + 4096 + int(table.columns.size()) * 1024);
    page += QStringLiteral("<nav class=\"crumbs\"><a href=\"../index.html\">All areas</a> &rsaquo; "
                           "<a href=\"../%1.html\">%2</a></nav>\n<h1>")
                .arg(code, html(title));
    appendHtml(page, table.name);
    if (changes_)
        page += changes_->tableMark(code, table.name, tableNumber, QStringLiteral("../"));
    page += QStringLiteral("</h1>\n<dl class=\"attributes\">\n<dt>Logical Description</dt><dd>");
    appendHtml(page, table.logicalName);
    page += QStringLiteral("</dd>\n<dt>Data Definition</dt><dd>");
    appendHtml(page, table.description);
    page += QStringLiteral("</dd>\n</dl>\n");
    if (!table.columns.empty()) {
        page += QStringLiteral(
            "<table class=\"columns\">\n<thead><tr><th>Field Name</th><th>Data Type</th><th>Primary Key</th>"
            "<th>Foreign Key</th><th>Logical Description</th><th>Data Definition</th><th>GUI Label</th>"
            "<th>GUI Control</th><th>Valid Values</th></tr></thead>\n<tbody>\n");
    }
    const auto cell = [&page](const char* label, const QString& text) {
        page += QStringLiteral("<td data-label=\"%1\">").arg(QLatin1String(label));
        appendHtml(page, text);
        page += QStringLiteral("</td>");
    };
    const auto flag = [](bool on) { return on ? QStringLiteral("Yes") : QStringLiteral("No"); };
    int position = 0;
    for (const ExportColumn& column : table.columns) {
        ++position;
        const ShownColumn& shown = column.shown;
        page += QStringLiteral("<tr id=\"c%1\"><th scope=\"row\"><a href=\"#c%1\">").arg(position);
        appendHtml(page, shown.column);
        page += QStringLiteral("</a>");
        connections_->appendColumnNote(page, shown.column);
        if (changes_)
            page += changes_->columnMark(code, table.name, shown.column, tableNumber, position, QStringLiteral("../"));
        page += QStringLiteral("</th>");
        cell("Data Type", shown.dataType);
        cell("Primary Key", flag(shown.primaryKey));
        cell("Foreign Key", flag(shown.foreignKey));
        cell("Logical Description", shown.logicalDescription);
        cell("Data Definition", shown.dataDefinition);
        cell("GUI Label", shown.guiLabel);
        cell("GUI Control", shown.guiControl);
        page += QStringLiteral("<td data-label=\"Valid Values\">");
        if (!column.values.empty()) {
            page += QStringLiteral("<ul class=\"values\">");
            for (const ValidValue& value : column.values) {
                page += QStringLiteral("<li><span class=\"value\">");
                appendHtml(page, value.value);
                page += QStringLiteral("</span>-");
                appendHtml(page, value.description);
                page += QStringLiteral("</li>");
            }
            page += QStringLiteral("</ul>");
        }
        page += QStringLiteral("</td></tr>\n");

        QString& index = columnIndex_->text();
        index += QStringLiteral("[%1,").arg(tableNumber);
        appendJsString(index, shown.column);
        index += QLatin1Char(',');
        appendJsString(index, shown.dataDefinition);
        index += QStringLiteral(",%1],\n").arg(position);
    }
    if (!table.columns.empty())
        page += QStringLiteral("</tbody>\n</table>\n");
    connections_->appendTableSection(page, int(exported.area - functionalAreas().data()), table.name);
    page += QLatin1String(pageEnd);
    writeTextFile(QDir(folder_).filePath(code + QLatin1Char('/') + fileName), page);
}

void HtmlSiteWriter::finish()
{
    QDir root(folder_);
    columnIndex_->text() += QStringLiteral("];\n");
    columnIndex_->close();
    columnIndex_.reset();

    QString tables = QStringLiteral("window.volmiraTables = {\nareas: [");
    for (const FunctionalArea* area : areas_) {
        tables += QLatin1Char('[');
        appendJsString(tables, areaCode(area));
        tables += QLatin1Char(',');
        appendJsString(tables, areaTitle(area));
        tables += QStringLiteral("],");
    }
    tables += QStringLiteral("],\nfold: [") + foldTable() + QStringLiteral("],\ntables: [\n") + tableIndex_
              + QStringLiteral("]\n};\n");
    writeTextFile(root.filePath(QStringLiteral("assets/index-tables.js")), tables);

    QString page = pageStart(siteTitle, QString(), QString());
    page += QStringLiteral("<h1>%1</h1>\n").arg(siteTitle);
    if (!version_.isEmpty()) {
        page += QStringLiteral("<p class=\"version\">Database Version : ");
        appendHtml(page, version_);
        page += QStringLiteral("</p>\n");
    }
    ConnectionPages::appendIndexLinks(page);
    if (changes_) {
        page += changes_->indexLink();
        changes_->writeSite(folder_);
    }
    page += QStringLiteral("<section id=\"results\" aria-live=\"polite\" hidden></section>\n"
                           "<noscript><p>The search needs JavaScript; the areas below work without it.</p>"
                           "</noscript>\n<ul class=\"areas\">\n");
    for (size_t i = 0; i < areas_.size(); ++i) {
        const QString code = areaCode(areas_[i]);
        page += QStringLiteral("<li><a href=\"%1.html\"><img src=\"assets/pictures/%1.svg\" alt=\"\" width=\"48\" "
                               "height=\"48\"><span class=\"title\">%2</span> <span class=\"code\">%3</span> "
                               "<span class=\"count\">%4</span></a></li>\n")
                    .arg(code, html(areaTitle(areas_[i])), code.toUpper(), tableCountText(tableCounts_[i]));
    }
    page += QStringLiteral("</ul>\n<script src=\"assets/search.js\"></script>\n");
    page += QLatin1String(pageEnd);
    writeTextFile(root.filePath(QStringLiteral("index.html")), page);
    connections_->writePages();
}

}  // namespace volmira::exporting
