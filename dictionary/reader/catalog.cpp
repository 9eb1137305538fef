#include "dictionary/reader/catalog.h"

#include "dictionary/errornumbers.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/jetformat.h"
#include "dictionary/reader/pages.h"
#include "dictionary/reader/rowsink.h"
#include "dictionary/reader/tabledefinition.h"
#include "dictionary/reader/tablereader.h"
#include "dictionary/reader/text.h"

#include <cstring>

namespace volmira::reader {

namespace {

constexpr std::uint32_t kTableObject = 1;
constexpr std::uint32_t kSystemFlags = 0x80000002;
constexpr std::uint32_t kPageOfId = 0x00FFFFFF;

bool sameAscii(const std::string& a, const char* b)
{
    if (a.size() != std::strlen(b))
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

class CatalogRows final : public RowSink {
public:
    CatalogRows(int id, int name, int type, int flags) : id_(id), name_(name), type_(type), flags_(flags) {}

    void catalog(const std::vector<std::string>&) override {}
    void beginTable(std::string_view, const std::vector<ReadColumn>&) override {}
    void endTable() override {}
    void row(const CellView* cells, int) override
    {
        if (number(cells[type_]) != kTableObject || (number(cells[flags_]) & kSystemFlags))
            return;
        std::string name = validUtf8(std::string(cells[name_].text));
        if (!name.empty())
            tables.push_back({std::move(name), number(cells[id_]) & kPageOfId});
    }

    std::vector<CatalogTable> tables;

private:
    // A null number counts as 0, as an empty text would; so does one that is no 32-bit number.
    static std::uint32_t number(const CellView& cell)
    {
        if (cell.kind != CellView::Kind::Number || !(cell.number >= -2147483648.0 && cell.number < 4294967296.0))
            return 0;
        return static_cast<std::uint32_t>(static_cast<std::int64_t>(cell.number));
    }

    int id_, name_, type_, flags_;
};

}  // namespace

std::vector<CatalogTable> readCatalog(Pages& pages, const TextDecoder& text)
{
    const TableDefinition table = readTableDefinition(pages, text, jet::kCatalogPage, "MSysObjects", true);
    int id = -1, name = -1, type = -1, flags = -1, properties = -1;
    std::vector<bool> wanted(table.columns.size(), false);
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const std::string& column = table.columns[i].name;
        for (auto [label, index] : {std::pair{"Id", &id}, std::pair{"Name", &name}, std::pair{"Type", &type},
                                    std::pair{"Flags", &flags}, std::pair{"LvProp", &properties}})
            if (*index < 0 && sameAscii(column, label))
                *index = static_cast<int>(i);
    }
    if (id < 0 || name < 0 || type < 0 || flags < 0 || properties < 0)
        throw Failure{ErrorNumber::DamagedData, "its catalog cannot be read"};
    for (int column : {id, name, type, flags})
        wanted[static_cast<std::size_t>(column)] = true;
    CatalogRows rows(id, name, type, flags);
    LongValueBudget noLongValues{0};
    TableReader(pages, text, table, noLongValues, rows, std::move(wanted)).readRows();
    return std::move(rows.tables);
}

}  // namespace volmira::reader
