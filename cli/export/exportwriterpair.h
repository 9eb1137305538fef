#pragma once

#include "cli/export/dictionaryexport.h"

namespace volmira::exporting {

// Hands the dictionary to two writers in one reading: each step to the first, then to the second.
class ExportWriterPair final : public ExportWriter {
public:
    ExportWriterPair(ExportWriter& first, ExportWriter& second) : first_(first), second_(second) {}

    void begin(const QString& version, const std::vector<const FunctionalArea*>& areas) override
    {
        first_.begin(version, areas);
        second_.begin(version, areas);
    }
    void writeArea(const ExportArea& area) override
    {
        first_.writeArea(area);
        second_.writeArea(area);
    }
    void finish() override
    {
        first_.finish();
        second_.finish();
    }

private:
    ExportWriter& first_;
    ExportWriter& second_;
};

}  // namespace volmira::exporting
