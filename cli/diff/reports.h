#pragma once

#include "cli/diff/comparison.h"

#include <QByteArray>
#include <QString>

namespace volmira::diff {

enum class ReportFormat { Text, Markdown, Html, Json, Csv };

// The files compared, as the report names them.
struct ComparedFiles final {
    QString oldFile;
    QString newFile;
};

// The comparison as UTF-8 in the given format: the two versions, a summary (counts by kind and by
// area), then each change. The same comparison always gives the same bytes.
QByteArray report(const Comparison& comparison, ReportFormat format, const ComparedFiles& files);

// "version 451", or "no version" for a dictionary whose release table has no rows.
QString versionText(const QString& version);
// "Accounting (ACCT)"
QString areaHeading(const AreaName& area);

// The parts of the text, Markdown and HTML reports, for the export's change page too.
struct Markup final {
    QString (*escape)(const QString&);
    QString removedStart, removedEnd, addedStart, addedEnd;
    QString nameStart, nameEnd;  // around a table's, column's or value's name
    QString arrow;               // between an old and a new short text
};
const Markup& textMarkup();
const Markup& htmlMarkup();
const Markup& markdownMarkup();

// What a change says after its table, for example "column AB_ID: data type: char(10) -> char(12)".
QString describeChange(const Change& change, const Comparison& comparison, const Markup& markup);

}  // namespace volmira::diff
