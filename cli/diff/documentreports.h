#pragma once

#include "cli/diff/reports.h"

namespace volmira::diff {

// The text, Markdown or HTML report.
QString documentReport(const Comparison& comparison, ReportFormat format, const ComparedFiles& files);

// The style sheet of the HTML report's change marks.
QString changeStyle();

}  // namespace volmira::diff
