#include "dictionary/frames.h"

#include <algorithm>
#include <cstring>

namespace volmira::frames {

namespace {

// Reads take up to a pipe's worth at a time, once the stream has shown it is long; a short one (a small
// table, a file that ends early) never costs a large buffer.
constexpr std::size_t kMinimumRead = std::size_t(1) << 20;
constexpr std::size_t kFirstReads = std::size_t(64) << 10;

std::uint32_t loadU32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

void storeU32(char* p, std::uint32_t value)
{
    p[0] = static_cast<char>(value);
    p[1] = static_cast<char>(value >> 8);
    p[2] = static_cast<char>(value >> 16);
    p[3] = static_cast<char>(value >> 24);
}

[[noreturn]] void protocolError(const std::string& what) { throw FrameError(FrameError::Kind::Protocol, what); }

[[noreturn]] void limitError(const std::string& what) { throw FrameError(FrameError::Kind::Limit, what); }

// Which cells a column of each type may carry.
bool cellFits(ColumnType type, CellTag tag)
{
    switch (type) {
    case ColumnType::Bool: return tag == CellTag::Yes || tag == CellTag::No;
    case ColumnType::Single: return tag == CellTag::Single || tag == CellTag::Null;
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Currency:
    case ColumnType::Double: return tag == CellTag::Number || tag == CellTag::Null;
    case ColumnType::DateTime: return tag == CellTag::Date || tag == CellTag::Null;
    case ColumnType::Text:
    case ColumnType::Memo: return tag == CellTag::Text || tag == CellTag::Null;
    case ColumnType::Binary: return tag == CellTag::Binary || tag == CellTag::Null;
    case ColumnType::Other: return tag != CellTag::Yes && tag != CellTag::No;
    }
    return false;
}

}  // namespace

// ---- FrameWriter ----

char* FrameWriter::reserve(std::size_t n)
{
    if (capacity_ - size_ < n) {
        std::size_t capacity = std::max<std::size_t>(capacity_ * 2, 1 << 16);
        while (capacity - size_ < n)
            capacity *= 2;
        auto grown = std::make_unique<char[]>(capacity);
        if (size_ > 0)
            std::memcpy(grown.get(), buffer_.get(), size_);
        buffer_ = std::move(grown);
        capacity_ = capacity;
    }
    return buffer_.get() + size_;
}

void FrameWriter::begin(FrameType type)
{
    frameStart_ = size_;
    putU8(static_cast<std::uint8_t>(type));
    putU32(0);
}

void FrameWriter::end() { patchU32(frameStart_ + 1, static_cast<std::uint32_t>(size_ - frameStart_ - kHeaderSize)); }

void FrameWriter::putU32(std::uint32_t value)
{
    storeU32(reserve(4), value);
    size_ += 4;
}

void FrameWriter::putF32(float value)
{
    std::memcpy(reserve(4), &value, 4);
    size_ += 4;
}

void FrameWriter::putF64(double value)
{
    std::memcpy(reserve(8), &value, 8);
    size_ += 8;
}

void FrameWriter::putString(std::string_view bytes)
{
    putU32(static_cast<std::uint32_t>(bytes.size()));
    if (!bytes.empty())
        std::memcpy(reserve(bytes.size()), bytes.data(), bytes.size());
    size_ += bytes.size();
}

std::size_t FrameWriter::placeholderU32()
{
    const std::size_t offset = size_;
    putU32(0);
    return offset;
}

void FrameWriter::patchU32(std::size_t offset, std::uint32_t value) { storeU32(buffer_.get() + offset, value); }

// ---- FrameDecoder ----

// Reads a frame's payload; every read is checked against what is left.
class FrameDecoder::Cursor final {
public:
    Cursor(const char* data, std::size_t size) : p_(data), end_(data + size) {}

    std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }

    std::uint8_t u8()
    {
        need(1);
        return static_cast<std::uint8_t>(*p_++);
    }
    std::uint32_t u32()
    {
        need(4);
        const std::uint32_t value = loadU32(p_);
        p_ += 4;
        return value;
    }
    float f32()
    {
        need(4);
        float value;
        std::memcpy(&value, p_, 4);
        p_ += 4;
        return value;
    }
    double f64()
    {
        need(8);
        double value;
        std::memcpy(&value, p_, 8);
        p_ += 8;
        return value;
    }
    std::string_view bytes(std::size_t limit, const char* what)
    {
        const std::uint32_t size = u32();
        if (size > limit)
            limitError(std::string(what) + " of " + std::to_string(size) + " bytes exceeds the limit of "
                       + std::to_string(limit));
        need(size);
        std::string_view view(p_, size);
        p_ += size;
        return view;
    }

private:
    void need(std::size_t n) const
    {
        if (left() < n)
            protocolError("a frame ends in the middle of a value");
    }

    const char* p_;
    const char* end_;
};

FrameDecoder::FrameDecoder(FrameListener& listener, const Limits& limits) : listener_(listener), limits_(limits) {}

char* FrameDecoder::space(std::size_t* available)
{
    if (begin_ == end_)
        begin_ = end_ = 0;
    // Room for one more read, not for the whole pending frame: a frame's length is only believed as
    // far as its bytes arrive, and the buffer grows (geometrically) with them.
    const std::size_t wanted = total_ < kMinimumRead ? kFirstReads : kMinimumRead;
    const std::size_t pending = end_ - begin_;
    if (buffer_.size() - end_ < wanted && begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, pending);
        begin_ = 0;
        end_ = pending;
    }
    if (buffer_.size() - end_ < wanted)
        buffer_.resize(end_ + wanted);
    *available = buffer_.size() - end_;
    return buffer_.data() + end_;
}

void FrameDecoder::commit(std::size_t n)
{
    if (n == 0)
        return;
    if (state_ == State::Done || state_ == State::Failed)
        protocolError("the reader sent data after its last frame");
    total_ += n;
    if (total_ > limits_.maxTotalBytes)
        limitError("the reader sent more than " + std::to_string(limits_.maxTotalBytes) + " bytes");
    end_ += n;
    while (end_ - begin_ >= kHeaderSize) {
        const char* header = buffer_.data() + begin_;
        const std::uint32_t length = loadU32(header + 1);
        // No reader builds frames this big: the length is garbage rather than a large file.
        if (length > limits_.maxFrameBytes)
            protocolError("a frame of " + std::to_string(length) + " bytes exceeds the limit of "
                          + std::to_string(limits_.maxFrameBytes));
        if (end_ - begin_ < kHeaderSize + length)
            return;
        Cursor payload(header + kHeaderSize, length);
        decodeFrame(static_cast<FrameType>(static_cast<unsigned char>(header[0])), payload);
        if (payload.left() != 0)
            protocolError("a frame holds more bytes than its contents");
        begin_ += kHeaderSize + length;
        if ((state_ == State::Done || state_ == State::Failed) && begin_ != end_)
            protocolError("the reader sent data after its last frame");
    }
}

void FrameDecoder::finish() const
{
    if (state_ == State::Done || state_ == State::Failed)
        return;
    if (end_ != begin_)
        protocolError("the stream ends in the middle of a frame");
    protocolError("the stream ends before the reader finished");
}

std::string_view FrameDecoder::readName(Cursor& payload) const
{
    const std::string_view name = payload.bytes(limits_.maxNameBytes, "a name");
    if (name.empty())
        protocolError("an empty name");
    return name;
}

void FrameDecoder::decodeFrame(FrameType type, Cursor& payload)
{
    if (type == FrameType::Failure && state_ != State::ExpectHello) {
        failureNumber_ = payload.u32();
        failureMessage_ = std::string(payload.bytes(limits_.maxMessageBytes, "a failure message"));
        state_ = State::Failed;
        return;
    }
    if (type == FrameType::Progress
        && (state_ == State::ExpectCatalog || state_ == State::BetweenTables || state_ == State::InTable))
        return;
    switch (state_) {
    case State::ExpectHello:
        if (type != FrameType::Hello)
            protocolError("the stream does not start with a hello frame");
        if (payload.u32() != kMagic)
            protocolError("the hello frame carries a wrong magic number");
        if (payload.u32() != kVersion)
            protocolError("the reader speaks another version of the stream");
        state_ = State::ExpectCatalog;
        return;
    case State::ExpectCatalog: {
        if (type != FrameType::Catalog)
            protocolError("a frame other than the catalog follows the hello frame");
        const std::uint32_t count = payload.u32();
        if (count > limits_.maxTables)
            limitError("a catalog of " + std::to_string(count) + " tables exceeds the limit of "
                       + std::to_string(limits_.maxTables));
        std::vector<std::string_view> tables;
        tables.reserve(std::min<std::size_t>(count, payload.left() / 5));
        for (std::uint32_t i = 0; i < count; ++i)
            tables.push_back(readName(payload));
        state_ = State::BetweenTables;
        listener_.catalog(tables);
        return;
    }
    case State::BetweenTables:
        if (type == FrameType::Done) {
            state_ = State::Done;
            return;
        }
        if (type != FrameType::Table)
            protocolError("a frame other than a table or done follows a table");
        {
            const std::string_view name = readName(payload);
            const std::uint32_t count = payload.u32();
            if (count == 0)
                protocolError("a table without columns");
            if (count > limits_.maxColumns)
                limitError("a table of " + std::to_string(count) + " columns exceeds the limit of "
                           + std::to_string(limits_.maxColumns));
            std::vector<ColumnSpec> columns(count);
            columnTypes_.resize(count);
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint8_t typeByte = payload.u8();
                if (typeByte >= kColumnTypeCount)
                    protocolError("a column of unknown type " + std::to_string(typeByte));
                columns[i].type = columnTypes_[i] = static_cast<ColumnType>(typeByte);
                columns[i].name = readName(payload);
            }
            cells_.assign(count, CellView{});
            tableRows_ = 0;
            state_ = State::InTable;
            listener_.beginTable(name, columns);
        }
        return;
    case State::InTable:
        if (type == FrameType::Rows) {
            decodeRows(payload);
            return;
        }
        if (type != FrameType::EndTable)
            protocolError("a frame other than rows or the table's end inside a table");
        if (payload.u32() != tableRows_)
            protocolError("the table's end counts other rows than were sent");
        state_ = State::BetweenTables;
        listener_.endTable();
        return;
    case State::Done:
    case State::Failed: break;
    }
    protocolError("a frame after the last frame");
}

void FrameDecoder::decodeRows(Cursor& payload)
{
    const std::uint32_t rows = payload.u32();
    const std::size_t columns = columnTypes_.size();
    // Every cell takes at least its tag byte: a count that cannot fit is a lie, caught before looping.
    if (rows == 0 || rows > payload.left() / columns)
        protocolError("a rows frame with a wrong row count");
    for (std::uint32_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < columns; ++c) {
            const std::uint8_t tagByte = payload.u8();
            const auto tag = static_cast<CellTag>(tagByte);
            if (tagByte > static_cast<std::uint8_t>(CellTag::Binary) || !cellFits(columnTypes_[c], tag))
                protocolError("a cell of kind " + std::to_string(tagByte) + " in a column that cannot hold it");
            CellView& cell = cells_[c];
            switch (tag) {
            case CellTag::Null:
                cell.kind = CellView::Kind::Null;
                cell.number = 0;
                cell.text = {};
                break;
            case CellTag::Text:
            case CellTag::Binary:
                cell.kind = tag == CellTag::Text ? CellView::Kind::Text : CellView::Kind::Binary;
                cell.number = 0;
                cell.text = payload.bytes(limits_.maxTextBytes, "a value");
                break;
            case CellTag::Number:
            case CellTag::Date:
                cell.kind = tag == CellTag::Number ? CellView::Kind::Number : CellView::Kind::Date;
                cell.number = payload.f64();
                cell.text = {};
                break;
            case CellTag::Single:
                cell.kind = CellView::Kind::Single;
                cell.number = payload.f32();
                cell.text = {};
                break;
            case CellTag::Yes:
            case CellTag::No:
                cell.kind = CellView::Kind::YesNo;
                cell.number = tag == CellTag::Yes ? -1 : 0;
                cell.text = {};
                break;
            }
        }
        ++tableRows_;
        listener_.row(cells_.data(), static_cast<int>(columns));
    }
}

}  // namespace volmira::frames
