#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace volmira::reader {

class Pages;
class TextDecoder;

struct ColumnDefinition {
    std::uint8_t type = 0;  // a jet::kType* code
    int number = 0;         // col_num: the null-mask bit, and the order of the columns
    int varNumber = 0;      // the place in the variable-length offsets
    int fixedOffset = 0;    // after the row's column count
    int size = 0;           // of a fixed-length value (0 for Yes/No)
    int scale = 0;          // digits after the point of a decimal
    bool fixed = false;
    std::string name;  // UTF-8
};

struct TableDefinition {
    std::string name;
    std::uint32_t page = 0;  // of the definition, which the table's data pages name as their owner
    int varColumnCount = 0;
    std::vector<ColumnDefinition> columns;  // by col_num
    std::vector<unsigned char> usageMap;    // the map's row; empty when it has none
};

// Reads a table's definition, a chain of definition pages, and its usage map. Damage ends as Failure
// naming the table. A catalog definition is read with the catalog's own messages.
TableDefinition readTableDefinition(Pages& pages, const TextDecoder& text, std::uint32_t page,
                                    const std::string& name, bool catalog);

}  // namespace volmira::reader
