#pragma once

#include <string>
#include <vector>

namespace volmira::reader {

class RowSink;

// Reads a Jet file with libmdb and hands its catalog and the wanted tables (names matched ignoring
// letter case, in the order asked, each once) to the sink. Raises Failure.
void readDictionary(const std::string& path, const std::vector<std::string>& wantedTables, RowSink& sink);

}  // namespace volmira::reader
