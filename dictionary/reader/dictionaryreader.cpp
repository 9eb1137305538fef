#include "dictionary/reader/dictionaryreader.h"

#include "dictionary/errornumbers.h"
#include "dictionary/reader/catalog.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/jetheader.h"
#include "dictionary/reader/pages.h"
#include "dictionary/reader/platformfile.h"
#include "dictionary/reader/rowsink.h"
#include "dictionary/reader/tabledefinition.h"
#include "dictionary/reader/tablereader.h"
#include "dictionary/reader/text.h"

#include <cstdint>
#include <new>

namespace volmira::reader {

namespace {

// A dictionary is a few hundred megabytes at most; a larger file is refused before any page is read.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t(1) << 30;

void readTable(Pages& pages, const TextDecoder& text, const CatalogTable& entry, LongValueBudget& budget,
               RowSink& sink)
{
    const TableDefinition table = readTableDefinition(pages, text, entry.page, entry.name, false);
    std::vector<ReadColumn> columns;
    columns.reserve(table.columns.size());
    for (const ColumnDefinition& column : table.columns)
        columns.push_back({column.name, columnTypeOf(column.type)});
    sink.beginTable(entry.name, columns);
    TableReader(pages, text, table, budget, sink).readRows();
    sink.endTable();
}

void read(ByteSource& bytes, const std::vector<std::string>& wantedTables, RowSink& sink)
{
    const FileFormat format = readFileFormat(bytes);
    Pages pages(bytes, format);
    const TextDecoder text(format.jet3, format.codePage);
    const std::vector<CatalogTable> tables = readCatalog(pages, text);

    std::vector<std::string> names;
    std::vector<std::string> keys;
    for (const CatalogTable& table : tables) {
        names.push_back(table.name);
        keys.push_back(foldedName(table.name));
    }
    sink.catalog(names);

    LongValueBudget budget{bytes.size()};
    std::vector<bool> read(tables.size(), false);
    for (const std::string& wanted : wantedTables) {
        const std::string key = foldedName(validUtf8(wanted));
        for (std::size_t i = 0; i < tables.size(); ++i) {
            if (keys[i] != key)
                continue;
            if (!read[i]) {
                read[i] = true;
                readTable(pages, text, tables[i], budget, sink);
            }
            break;
        }
    }
}

}  // namespace

void readDictionary(ByteSource& bytes, const std::vector<std::string>& wantedTables, RowSink& sink)
{
    try {
        read(bytes, wantedTables, sink);
    } catch (const std::bad_alloc&) {
        throw Failure{ErrorNumber::OutOfMemory, "the reader ran out of memory"};
    }
}

void readDictionary(const std::string& path, const std::vector<std::string>& wantedTables, RowSink& sink)
{
    try {
        PlatformFile file(path);
        if (file.size() > kMaxFileBytes)
            throw Failure{ErrorNumber::FileTooLarge, "it holds " + std::to_string(file.size()) + " bytes, more than the "
                                                         + std::to_string(kMaxFileBytes) + " a dictionary may have"};
        read(file, wantedTables, sink);
    } catch (const std::bad_alloc&) {
        throw Failure{ErrorNumber::OutOfMemory, "the reader ran out of memory"};
    }
}

}  // namespace volmira::reader
