#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace volmira::reader {

class Pages;
class TextDecoder;

struct CatalogTable {
    std::string name;  // UTF-8
    std::uint32_t page = 0;  // of its definition
};

// The user tables the catalog (MSysObjects, defined on page 2) lists, in its order: objects of type 1
// whose flags do not mark a system table.
std::vector<CatalogTable> readCatalog(Pages& pages, const TextDecoder& text);

}  // namespace volmira::reader
