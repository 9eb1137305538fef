#pragma once

// The JSON description mdb-write reads:
//   {"tables":[{"name":"Main","columns":[{"name":"Table","type":"text","size":64}, ...],
//               "rows":[["ACCT_TABLE", ...], ...]}, ...]}
// Types: text (size = maximum characters), memo, long, integer, byte, double, single, currency, bool,
// datetime (ISO 8601 text). JSON null is Null for every type but bool.

#include "testkit/mdbwrite/jet4model.h"

#include <QByteArray>
#include <QJsonDocument>

namespace volmira::jet4 {

// Parses a description. The rows stay in the parsed JSON and are converted one at a time while the
// database is written, so a large description is not held twice. Throws volmira::Error
// (InvalidDescription) naming table, row and column for a description that is malformed.
DatabaseModel readDescription(const QByteArray& json);

// QJsonDocument::fromJson, except that a text value starting with U+FEFF keeps it: Qt's parser decodes
// each string like QString::fromUtf8, which drops a leading byte order mark. Escaping every raw U+FEFF
// as \ufeff first keeps it (a byte order mark at the very start of the document is removed).
QJsonDocument parseJsonKeepingByteOrderMarks(QByteArray json, QJsonParseError* error);

}  // namespace volmira::jet4
