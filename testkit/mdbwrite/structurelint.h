#pragma once

// Checks the structure of a Jet 4.0 file beyond what readers check: free-space fields, row offsets,
// table definition lengths, page ownership, usage maps against the pages present, row layouts and
// long-value chains. It only reads the bytes it is given and is safe on damaged files.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace volmira::jet4 {

struct LintReport {
    QStringList problems;  // empty when the file is sound
    std::uint32_t pages = 0;
    std::uint32_t tables = 0;  // user tables found in the catalog
    std::uint64_t rows = 0;    // rows of the user tables
    bool sound() const { return problems.isEmpty(); }
};

LintReport lintStructure(const QByteArray& file);

}  // namespace volmira::jet4
