#pragma once

#include "cli/export/dictionaryexport.h"

#include <memory>

namespace volmira::exporting {

class OutputFile;

// tables.csv, columns.csv and values.csv: RFC 4180 (CR LF line ends, a field in double quotes when it
// holds a comma, a quote or a line break, quotes doubled), UTF-8, with a header line.
class CsvWriter final : public ExportWriter {
public:
    explicit CsvWriter(QString folder);
    ~CsvWriter() override;

    void begin(const QString& version, const std::vector<const FunctionalArea*>& areas) override;
    void writeArea(const ExportArea& area) override;
    void finish() override;

private:
    QString folder_;
    std::unique_ptr<OutputFile> tables_;
    std::unique_ptr<OutputFile> columns_;
    std::unique_ptr<OutputFile> values_;
};

}  // namespace volmira::exporting
