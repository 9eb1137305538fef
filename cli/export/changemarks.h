#pragma once

#include "cli/diff/comparison.h"
#include "cli/diff/reports.h"

#include <QString>

#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace volmira {
class Connection;
struct FunctionalArea;
}  // namespace volmira

namespace volmira::exporting {

// What changed since an older release, as the exported site shows it: a mark beside each changed
// table and column that leads to its entry on the change page, the change page itself, and the list
// of changed tables and columns that the site's search limits itself to on request.
class ChangeMarks final {
public:
    ChangeMarks(diff::Comparison comparison, diff::ComparedFiles files);

    const diff::Comparison& comparison() const noexcept { return comparison_; }
    const diff::ComparedFiles& files() const noexcept { return files_; }
    // "Changes since version 451"
    QString title() const;

    // The mark for a table or a column of the site (empty when it did not change). `root` leads from the
    // page to the site's folder; tableNumber and position are the table's and column's numbers in the
    // site's search index, noted for the search.
    QString tableMark(const QString& area, const QString& table, int tableNumber, const QString& root);
    QString columnMark(const QString& area, const QString& table, const QString& column, int tableNumber, int position,
                       const QString& root);

    // The link to the style of the marks, for a page's head.
    QString stylesheetLink(const QString& root) const;
    // The choice in the search form that limits a search to changed tables and columns.
    QString searchChoice() const;
    // The link to the change page for the site's first page.
    QString indexLink() const;
    // changes.html, assets/changes.css and assets/index-changes.js in the site's folder.
    void writeSite(const QString& folder) const;

private:
    std::string tableKey(const QString& area, const QString& table) const;
    QString mark(int entry, const QString& root, const QString& what) const;

    diff::Comparison comparison_;
    diff::ComparedFiles files_;
    std::unordered_map<std::string, int> tableEntries_;  // the change page's entry of each changed table
    std::set<std::string> changedColumns_;
    std::set<int> markedTables_;                   // search index numbers
    std::set<std::pair<int, int>> markedColumns_;  // search index table number and column position
};

}  // namespace volmira::exporting

namespace volmira::exporting {

// Reads the older release at oldPath and the export's own dictionary over `connection`, and compares
// them in the given areas. Raises the engine's Error when a file or a statement fails.
std::unique_ptr<ChangeMarks> compareWith(const QString& oldPath, const Connection& connection,
                                         const std::vector<const FunctionalArea*>& areas);

// The changes as a file of the Markdown or CSV export: changes.md or changes.csv in folder.
void writeChangesFile(const ChangeMarks& changes, bool csv, const QString& folder);

}  // namespace volmira::exporting
