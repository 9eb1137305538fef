#pragma once

#include "tools/mdbwrite/jet4model.h"

#include <QString>

// A dictionary of the size and shape of a large real one: 25 columns per table, one valid-value row per
// column row, one description per table, spread over the 23 areas. The same seed gives the same file.
namespace synthetic {

struct Shape {
    std::size_t mainRows = 100000;
    int columnsPerTable = 25;
    std::size_t tableCount() const { return mainRows / std::size_t(columnsPerTable); }
};

volmira::jet4::DatabaseSpec dictionary(const Shape& shape);

// The area code of table t, and its name ("ACCT_T000001").
QString areaOf(std::size_t table);
QString tableName(std::size_t table);

}  // namespace synthetic
