#pragma once

#include <string>
#include <vector>

namespace volmira::reader {

class Output;

// Reads a Jet file with libmdb and writes its catalog and the wanted tables (names matched ignoring
// letter case, in the order asked, each once) to out. Raises Failure.
void readDictionary(const std::string& path, const std::vector<std::string>& wantedTables, Output& out);

}  // namespace volmira::reader
