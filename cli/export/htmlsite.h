#pragma once

#include "cli/export/dictionaryexport.h"
#include "cli/export/filenames.h"

#include <QString>

#include <memory>
#include <vector>

namespace volmira::exporting {

class ConnectionPages;
class DictionaryMap;
class HealthReport;
class ChangeMarks;
class OutputFile;

// A static web site that works from file:// without a server or network: index.html with the areas,
// one page per area and one per table of each area, a search on every page that index.html answers
// (index.html?q=TEXT&mode=tablename|tabledesc|colname|coldesc&area=all|CODE), and its assets.
// Every text from the dictionary is escaped where it lands; the script shows texts as text only. The
// pages show how the tables connect as well (ConnectionPages).
class HtmlSiteWriter final : public ExportWriter {
public:
    HtmlSiteWriter(QString folder, const DictionaryMap& map, const HealthReport& report);
    ~HtmlSiteWriter() override;

    // Marks what changed since an older release (before begin); the writer does not own it.
    void setChanges(ChangeMarks* changes) { changes_ = changes; }

    void begin(const QString& version, const std::vector<const FunctionalArea*>& areas) override;
    void writeArea(const ExportArea& area) override;
    void finish() override;

private:
    int areaNumber(const FunctionalArea* area) const;
    QString pageStart(const QString& title, const QString& root, const QString& selectedArea) const;
    void writeTablePage(const ExportArea& area, const ExportTable& table, const QString& fileName, int tableNumber);

    QString folder_;
    QString version_;
    std::vector<const FunctionalArea*> areas_;
    std::vector<int> tableCounts_;
    QString searchForm_;  // with a placeholder for the root and none of the areas selected
    QString tableIndex_;  // the rows of assets/index-tables.js
    int tablesIndexed_ = 0;
    std::unique_ptr<OutputFile> columnIndex_;  // assets/index-columns.js, written as the areas come
    std::unique_ptr<ConnectionPages> connections_;
    ChangeMarks* changes_ = nullptr;
};

}  // namespace volmira::exporting
