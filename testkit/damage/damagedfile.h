#pragma once

// Damaged copies of dictionary files, made deterministically from a seed, for tests and benchmarks of how
// the program copes with broken input. The damage aims at the structures readers trust: the header page,
// the catalog, table definitions, row-offset tables, 16- and 32-bit lengths and pointers, whole pages and
// the file's length.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace volmira::damage {

// A dictionary written by the writer, as the undamaged original.
struct BaseDictionary {
    QString name;
    QByteArray bytes;
};

// Small to medium dictionaries with memos on LVAL pages (single and chained), compressed and
// non-ASCII text, Null fields and the area "acct", so that a program's first screen has rows to show.
std::vector<BaseDictionary> baseDictionaries();

// Files that kill or hang libmdb 1.0 while it reads the catalog; the reader must survive them.
BaseDictionary emptyUsageMapDictionary();       // a table's used-pages map is a row of length 0
BaseDictionary zeroLengthPropertyDictionary();  // a catalog property block holds a record of length 0

// The writer's dictionaries, as it lays them out and with their catalog first (as Access does), cut
// short at every page boundary of their catalog and usage maps: each ends just before or just after
// such a page. None is whole, so none may open.
std::vector<BaseDictionary> truncatedDictionaries();

// 300 rows of Main whose definitions (those not kept inside the row) all point at one long value of
// 16 MB: a file of 17 MB from which a reader that follows every pointer decodes some 200 copies.
BaseDictionary sharedLongValueDictionary();

struct DamagedFile {
    QString description;  // what was done where, enough to rebuild the file from its seed by hand
    QByteArray bytes;
};

// One damaged copy of `original`; the same original and seed give the same file.
DamagedFile damage(const QByteArray& original, std::uint64_t seed);

// An endless, reproducible list of damaged files over some originals: file(i) is the same for every run.
class DamageCorpus final {
public:
    explicit DamageCorpus(std::vector<BaseDictionary> originals, std::uint64_t seed = 1);

    DamagedFile file(std::uint64_t index) const;
    const std::vector<BaseDictionary>& originals() const { return originals_; }

private:
    std::vector<BaseDictionary> originals_;
    std::uint64_t seed_;
};

}  // namespace volmira::damage
