#pragma once

// A deterministic, realistic-looking dictionary of any size, for benchmarks and large-file tests.

#include "testkit/mdbwrite/jet4model.h"

#include <cstdint>

namespace volmira::jet4 {

// Adds the dictionary's Main table with its twelve columns (Table, Column, Functional Area, Data Type,
// Data Attributes, Logical Desc, PD_Definition, Primary Key, Foreign Key, Column_SeqNo, GUI Name,
// GUI Control), without rows.
TableModel& addDictionaryMainTable(DatabaseModel& model);
// Adds CDS_TBL_TABLE_DESC (Table, Description, Logical Name, Functional Area), without rows.
TableModel& addDictionaryDescriptionTable(DatabaseModel& model);
// Adds [Values] (Value, Description, Functional Area, Table, Column), without rows.
TableModel& addDictionaryValuesTable(DatabaseModel& model);

// The four dictionary tables with `mainRows` column rows in Main:
// - Main: tables of 25 columns each (mainRows / 25 tables, rounded up), their rows in a scrambled
//   Column_SeqNo order, over the 23 functional areas; PD_Definition memos of 40 to 700 characters
//   (some stored inline, most on LVAL pages); GUI Name and GUI Control Null in about a quarter of the rows.
// - CDS_TBL_TABLE_DESC: one row per table.
// - [Values]: mainRows rows, five valid values for every fifth column.
// - CDS_TBL_RELS_RELEASES: the releases 400 to 451, not in order.
// The rows are produced while the file is written, so millions of rows take no memory. The same
// `mainRows` and `seed` give the same tables, rows and file.
DatabaseModel syntheticDictionary(std::size_t mainRows, std::uint64_t seed = 1);

}  // namespace volmira::jet4
