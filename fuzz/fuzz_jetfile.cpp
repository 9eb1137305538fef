// Whole files from bytes: the reader opens them from memory and reads every table its catalog lists.
// It must end with its rows or a Failure, never crash or hang, and every cell must be what its column's
// type promises, with text in valid UTF-8. The second reading decodes into small blocks the sink lends,
// and every row's texts must still be what they were when the row was handed over.

#include "dictionary/reader/bytesource.h"
#include "dictionary/reader/dictionaryreader.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/rowsink.h"

#include "strictutf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
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

class CheckingSink final : public volmira::reader::RowSink, public volmira::reader::TextBlocks {
public:
    explicit CheckingSink(bool lends) : lends_(lends) {}

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
            if (lends_ && !cells[i].text.empty())
                kept_.emplace_back(cells[i].text, std::hash<std::string_view>()(cells[i].text));
        }
    }
    void endTable() override {}

    TextBlocks* textBlocks() override { return lends_ ? this : nullptr; }
    char* nextBlock(const char* carried, std::size_t carriedSize, std::size_t size, std::size_t* capacity) override
    {
        *capacity = std::max<std::size_t>(size, 64);  // small, so that rows often move to a new block
        blocks_.push_back(std::make_unique<char[]>(*capacity));
        if (carriedSize > 0)
            std::memcpy(blocks_.back().get(), carried, carriedSize);
        return blocks_.back().get();
    }

    void checkKeptTexts() const
    {
        for (const auto& [text, hash] : kept_)
            if (std::hash<std::string_view>()(text) != hash)
                broken();
    }

    std::vector<std::string> tables;

private:
    bool lends_;
    std::vector<volmira::reader::ReadColumn> columns_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<std::pair<std::string_view, std::size_t>> kept_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    volmira::reader::MemoryBytes bytes(data, size);
    CheckingSink catalog(false), lending(true);
    try {
        volmira::reader::readDictionary(bytes, {}, catalog);
        volmira::reader::readDictionary(bytes, catalog.tables, lending);
    } catch (const volmira::reader::Failure& failure) {
        if (failure.number == 0 || failure.message.empty())
            broken();
    }
    lending.checkKeptTexts();
    return 0;
}
