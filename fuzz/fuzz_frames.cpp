// The decoder of the reader's frames, fed arbitrary bytes in pieces of varying size, as a pipe delivers
// them. Beyond memory safety it checks what the decoder promises its listener: the catalog first and
// once, rows only inside a table and with the table's number of cells of kinds its columns can hold.

#include "dictionary/frames.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

using namespace volmira;
using namespace volmira::frames;

[[noreturn]] void broken() { __builtin_trap(); }

class CheckingListener final : public FrameListener {
public:
    void catalog(const std::vector<std::string_view>& tables) override
    {
        if (sawCatalog_)
            broken();
        sawCatalog_ = true;
        for (std::string_view name : tables)
            touch(name);
    }
    void beginTable(std::string_view name, const std::vector<ColumnSpec>& columns) override
    {
        if (!sawCatalog_ || inTable_ || columns.empty())
            broken();
        inTable_ = true;
        touch(name);
        types_.clear();
        for (const ColumnSpec& column : columns) {
            if (column.name.empty())
                broken();
            touch(column.name);
            types_.push_back(column.type);
        }
    }
    void row(const CellView* cells, int count) override
    {
        if (!inTable_ || count != int(types_.size()))
            broken();
        for (int i = 0; i < count; ++i) {
            const CellView& cell = cells[i];
            if (types_[i] == ColumnType::Bool && cell.kind != CellView::Kind::YesNo)
                broken();
            if (cell.kind == CellView::Kind::Text || cell.kind == CellView::Kind::Binary)
                touch(cell.text);
            else if (!cell.text.empty())
                broken();
        }
    }
    void endTable() override
    {
        if (!inTable_)
            broken();
        inTable_ = false;
    }

private:
    // Reads every byte, so that a view past its buffer is seen by the address sanitizer.
    void touch(std::string_view bytes)
    {
        for (char c : bytes)
            sum_ += static_cast<unsigned char>(c);
    }

    bool sawCatalog_ = false;
    bool inTable_ = false;
    std::vector<ColumnType> types_;
    unsigned sum_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckingListener listener;
    Limits limits;
    limits.maxTextBytes = 1 << 16;
    limits.maxFrameBytes = 1 << 20;
    FrameDecoder decoder(listener, limits);
    // Piece sizes follow from the data, so that a frame split anywhere is tried.
    std::size_t at = 0;
    std::size_t piece = size ? (data[0] % 13) + 1 : 1;
    try {
        while (at < size) {
            const std::size_t n = std::min(piece, size - at);
            std::size_t available = 0;
            char* space = decoder.space(&available);
            if (available < n)
                broken();
            std::memcpy(space, data + at, n);
            decoder.commit(n);
            at += n;
            piece = piece * 7 % 61 + 1;
        }
        decoder.finish();
        if (decoder.failed() && decoder.failureMessage().size() > limits.maxMessageBytes)
            broken();
    } catch (const FrameError&) {
    }
    return 0;
}
