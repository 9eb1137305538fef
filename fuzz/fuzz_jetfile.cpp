// Whole files from bytes: the reader opens them from memory and reads every table its catalog lists.
// It must end with its rows or a Failure, never crash or hang, and every cell must be what its column's
// type promises, with text in valid UTF-8.

#include "dictionary/reader/bytesource.h"
#include "dictionary/reader/dictionaryreader.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/rowsink.h"

#include "strictutf8.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

using volmira::CellView;
using volmira::ColumnType;

[[noreturn]] void broken() { __builtin_trap(); }

bool validUtf8(std::string_view text)
{
    return strictlyValidUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

bool fits(ColumnType type, CellView::Kind kind)
{
    using Kind = CellView::Kind;
    switch (type) {
    case ColumnType::Bool: return kind == Kind::YesNo;
    case ColumnType::Single: return kind == Kind::Single || kind == Kind::Null;
    case ColumnType::DateTime: return kind == Kind::Date || kind == Kind::Null;
    case ColumnType::Text:
    case ColumnType::Memo: return kind == Kind::Text || kind == Kind::Null;
    case ColumnType::Binary: return kind == Kind::Binary || kind == Kind::Null;
    case ColumnType::Other: return kind != Kind::YesNo;
    default: return kind == Kind::Number || kind == Kind::Null;
    }
}

class CheckingSink final : public volmira::reader::RowSink {
public:
    void catalog(const std::vector<std::string>& userTables) override
    {
        for (const std::string& name : userTables)
            if (name.empty() || !validUtf8(name))
                broken();
        tables = userTables;
    }
    void beginTable(std::string_view name, const std::vector<volmira::reader::ReadColumn>& columns) override
    {
        if (!validUtf8(name) || columns.empty())
            broken();
        for (const auto& column : columns)
            if (column.name.empty() || !validUtf8(column.name))
                broken();
        columns_ = columns;
    }
    void row(const CellView* cells, int count) override
    {
        if (count != static_cast<int>(columns_.size()))
            broken();
        for (int i = 0; i < count; ++i) {
            if (!fits(columns_[std::size_t(i)].type, cells[i].kind))
                broken();
            if (cells[i].kind == CellView::Kind::Text && !validUtf8(cells[i].text))
                broken();
        }
    }
    void endTable() override {}

    std::vector<std::string> tables;

private:
    std::vector<volmira::reader::ReadColumn> columns_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    volmira::reader::MemoryBytes bytes(data, size);
    CheckingSink sink;
    try {
        volmira::reader::readDictionary(bytes, {}, sink);
        const std::vector<std::string> all = sink.tables;
        volmira::reader::readDictionary(bytes, all, sink);
    } catch (const volmira::reader::Failure& failure) {
        if (failure.number == 0 || failure.message.empty())
            broken();
    }
    return 0;
}
