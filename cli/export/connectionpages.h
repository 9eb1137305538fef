#pragma once

#include "cli/export/diagrams.h"

#include <QString>

#include <functional>

namespace volmira::exporting {

class DictionaryMap;
class HealthReport;

// What the site shows of how the tables connect: in each column row the other tables that hold the
// column, on each table page its references and their reasons, what refers to it and its diagram, a
// diagram per area, a page per first character of the column names with an anchor per name, and the
// health report.
class ConnectionPages final {
public:
    // The start of a page: its title, the way from it to the site's root, the area its search selects.
    using PageStart = std::function<QString(const QString& title, const QString& root, const QString& area)>;

    ConnectionPages(const DictionaryMap& map, const HealthReport& report, QString folder, PageStart pageStart,
                    QString pageEnd);

    // Inside a table page's column row (the page lies one folder below the root).
    void appendColumnNote(QString& page, const QString& column) const;
    // After a table page's columns.
    void appendTableSection(QString& page, int area, const QString& table);
    // On an area page: the links to its diagram; writes the diagram's page.
    void appendAreaLinks(QString& page, int area);
    // On the index page: the links to the column names and the health report.
    static void appendIndexLinks(QString& page);
    // The column names' pages and the health report's page.
    void writePages();

private:
    void writePage(const QString& path, const QString& title, const QString& root, const QString& body) const;

    const DictionaryMap& map_;
    const HealthReport& report_;
    QString folder_;
    PageStart pageStart_;
    QString pageEnd_;
    SvgRenderer renderer_;
};

}  // namespace volmira::exporting
