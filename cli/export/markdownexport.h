#pragma once

#include "cli/export/dictionaryexport.h"

#include <QString>

#include <vector>

namespace volmira::exporting {

// One Markdown file per area (<code>.md: its tables, each with its descriptions and a GitHub table of
// its columns) and index.md linking them. Texts are escaped so that they show as written: no text from
// the dictionary becomes markup, a link or a column break.
class MarkdownWriter final : public ExportWriter {
public:
    explicit MarkdownWriter(QString folder);

    void begin(const QString& version, const std::vector<const FunctionalArea*>& areas) override;
    void writeArea(const ExportArea& area) override;
    void finish() override;
    // The index then leads to changes.md under this title ("Changes since version 451").
    void setChangesTitle(const QString& title) { changesTitle_ = title; }

private:
    QString folder_;
    QString changesTitle_;
    QString version_;
    std::vector<const FunctionalArea*> areas_;
    std::vector<int> tableCounts_;
};

}  // namespace volmira::exporting
