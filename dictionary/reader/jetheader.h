#pragma once

#include "dictionary/reader/jetformat.h"

#include <cstddef>
#include <cstdint>

namespace volmira::reader {

class ByteSource;

// What the first page of a file says.
enum class HeaderVerdict { Jet, NotJet, PasswordProtected };

// page0 holds the first bytes of the file (size of them: up to one page).
HeaderVerdict inspectHeader(const unsigned char* page0, std::size_t size);

struct FileFormat {
    const jet::Layout* layout = &jet::kJet4;
    bool jet3 = false;
    int codePage = 1252;     // of Jet 3 text
    std::uint32_t databaseKey = 0;
    std::uint32_t pageCount = 0;
};

// Reads and checks the header of a file: a foreign format, a password or a file cut short end as Failure.
FileFormat readFileFormat(ByteSource& bytes);

}  // namespace volmira::reader
