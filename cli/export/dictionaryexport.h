#pragma once

#include "dictionary/shownattributes.h"

#include <QString>

#include <functional>
#include <vector>

namespace volmira {
class Connection;
struct FunctionalArea;
}  // namespace volmira

namespace volmira::exporting {

// One valid value of a column, Null shown as empty text.
struct ValidValue final {
    QString value;
    QString description;
};

struct ExportColumn final {
    ShownColumn shown;
    std::vector<ValidValue> values;
};

// A table as the window shows it under one area: its first description row (empty texts without one) and its
// column rows in [Column_SeqNo] order.
struct ExportTable final {
    QString name;
    QString logicalName;
    QString description;
    std::vector<ExportColumn> columns;
};

struct ExportArea final {
    const FunctionalArea* area = nullptr;
    std::vector<ExportTable> tables;
};

// Receives the dictionary one area at a time, in catalogue order, so that no more than one area is held.
class ExportWriter {
public:
    virtual ~ExportWriter() = default;
    // version: the highest release number as text, empty when the release table has no rows.
    // areas: every area that follows, in order.
    virtual void begin(const QString& version, const std::vector<const FunctionalArea*>& areas) = 0;
    virtual void writeArea(const ExportArea& area) = 0;
    virtual void finish() = 0;
};

struct Progress final {
    int areaNumber = 0;  // 1-based
    int areaCount = 0;
    const FunctionalArea* area = nullptr;
    int tablesDone = 0;
    int tableCount = 0;
};
using ProgressReport = std::function<void(const Progress&)>;

// Reads the given areas through the window's own statements and hands each to the writer. Raises the
// engine's Error when a statement fails.
void exportDictionary(const Connection& connection, const std::vector<const FunctionalArea*>& areas,
                      ExportWriter& writer, const ProgressReport& progress);

}  // namespace volmira::exporting
