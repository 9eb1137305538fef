#pragma once

// Databases the writer tests share: every column type with its extremes, awkward texts and memos
// around each storage boundary.

#include "testkit/mdbwrite/jet4model.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace writerfixtures {

// Columns: "Text Value" text(50), "Memo Value" memo, "Long", "Integer", "Byte", "Double", "Single",
// "Currency", "Yes No" bool, "When" datetime. Rows: typical values, the lower and upper extremes,
// all Null (the bool false), and empty texts with non-ASCII.
volmira::jet4::TableModel everyTypeTable();

// The stored OLE date of "When" in each row of everyTypeTable(); NaN where it is Null.
std::vector<double> everyTypeDates();

// Texts that need the plain form, the compressed form, or switch between one- and two-byte runs.
QStringList awkwardTexts();

// Memos of 0 to 70,000 characters around the inline, single-LVAL and chain limits, in ASCII, Latin-1
// and CJK characters (CJK is stored plain, the others compressed up to 1,024 characters).
QStringList boundaryMemos();

// 160 columns cycling through all types, 60 rows with Nulls scattered over them.
volmira::jet4::TableModel wideTable();

// Writes `model` into `directory` as `name`.mdb and returns the path.
QString writeFile(const QString& directory, const QString& name, const volmira::jet4::DatabaseModel& model);

}  // namespace writerfixtures
