#pragma once

#include "cli/export/dictionaryexport.h"

#include <QString>

#include <vector>

namespace volmira {
class Connection;
}

namespace volmira::exporting {

class DictionaryMap;

// How a dictionary has decayed: what lacks a description, coded columns without their values, values
// of columns that do not exist, one name with two types or definitions, foreign keys that lead nowhere;
// and how much of each area is covered. Fed the areas as the export reads them, so the descriptions
// are read once for the site and the report.
class HealthReport final : public ExportWriter {
public:
    // In the order a report lists the findings of one place.
    enum class Rule {
        TableWithoutDescription,
        ColumnWithoutDescription,
        DescriptionRepeatsName,
        PlaceholderDescription,
        CodedColumnWithoutValues,
        ValuesForMissingColumn,
        ColumnWithSeveralTypes,
        ColumnWithSeveralDefinitions,
        ForeignKeyWithoutTarget,
    };
    static const std::vector<Rule>& rules();
    static QString ruleName(Rule rule);
    // false when the name is no rule's.
    static bool ruleNamed(const QString& name, Rule& rule);

    struct Finding final {
        Rule rule;
        QString area;    // the area's code; empty for a name used across areas
        QString table;   // empty for a finding about a column name
        QString column;  // empty for a finding about a table
        QString page;    // the site's page of the table or column name, relative to its root
        QString message;
    };

    struct Coverage final {
        QString area;
        int tables = 0;
        int describedTables = 0;
        int columns = 0;
        int describedColumns = 0;
        int codedColumns = 0;
        int codedColumnsWithValues = 0;
        int foreignKeys = 0;
        int foreignKeysWithTarget = 0;
    };

    HealthReport(const Connection& connection, const DictionaryMap& map);

    // begin reads the columns that have valid values; finish adds the column names used across tables.
    void begin(const QString& version, const std::vector<const FunctionalArea*>& areas) override;
    void writeArea(const ExportArea& area) override;
    void finish() override;

    // Places in catalogue order, tables in the order of their area's list, columns in their order,
    // rules in their order; the column names used across tables after them, by name.
    const std::vector<Finding>& findings() const { return findings_; }
    const std::vector<Coverage>& coverage() const { return coverage_; }

    // One line per finding, "area TABLE.COLUMN: rule: message", then one line per area's coverage.
    // Control characters in names are written as \xNN, so no name can steer a terminal.
    QString text() const;
    // The body of the site's report page, which lies in the site's root.
    QString html() const;

private:
    struct ValuedColumn final {
        QString table;
        QString column;
    };
    // What one column name holds across the tables.
    struct NameUse final {
        std::vector<std::pair<QString, std::vector<int>>> tablesByType;  // shown type, tables
        std::vector<size_t> definitions;                                 // hashes of the distinct ones
        int tables = 0;
    };

    void add(Rule rule, const QString& area, const QString& table, const QString& column, const QString& page,
             const QString& message);
    void checkText(const Finding& place, const QString& what, const QString& text, const QString& name);

    const Connection& connection_;
    const DictionaryMap& map_;
    std::vector<std::vector<ValuedColumn>> valuedByArea_;  // by catalogue position
    std::vector<bool> tableSeen_;
    std::vector<NameUse> names_;  // by the map's column use
    std::vector<Finding> findings_;
    std::vector<Coverage> coverage_;
};

}  // namespace volmira::exporting
