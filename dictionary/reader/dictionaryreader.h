#pragma once

#include <string>
#include <vector>

namespace volmira::reader {

class ByteSource;
class RowSink;

// Reads a Jet 3 or Jet 4 file and hands its catalog and the wanted tables (names matched ignoring letter
// case, in the order asked, each once) to sink. Raises Failure; running out of memory is error 7.
void readDictionary(const std::string& path, const std::vector<std::string>& wantedTables, RowSink& sink);
// The same for bytes from elsewhere (a file in memory).
void readDictionary(ByteSource& bytes, const std::vector<std::string>& wantedTables, RowSink& sink);
// readDictionary(path, ...) with the reading in a thread of its own: while it decodes the pages, the
// caller's thread hands what was read to sink, in the same order and with the same cells, so that the
// sink's work and the reader's overlap. Raises what readDictionary raises; what sink raises ends the
// reading and is raised again once the reading thread has ended. (rowpipe.cpp)
void readDictionaryAlongside(const std::string& path, const std::vector<std::string>& wantedTables, RowSink& sink);

}  // namespace volmira::reader
