#pragma once

// The stream in which the reader process hands a dictionary file's contents to the program. It is plain
// C++ (no Qt, no libmdb) so that both sides share it and it can be fed arbitrary bytes in tests.
//
// A stream is a sequence of frames: u8 type, u32 payload length (little-endian), payload.
//   'H' hello     u32 magic "VMRD", u32 version
//   'C' catalog   u32 count, count x string                       (the user tables of the file)
//   'T' table     string name, u32 columns, columns x (u8 ColumnType, string name)
//   'R' rows      u32 rows, rows x (columns x cell)
//   'E' end       u32 rows of the table in total
//   'X' failure   u32 error number, string description            (last frame)
//   'D' done                                                      (last frame)
//   'P' progress  (empty)   the reader is busy with useful work; allowed anywhere between H and the last frame
// A string is u32 length + UTF-8 bytes. A cell is a tag byte: 0 Null, 1 text (u32 length + bytes),
// 2 number (f64), 3 single (f32), 4 Yes, 5 No, 6 date (f64 serial days), 7 binary (u32 length + bytes).
// Order: H, then X, or C followed by (T R* E)* and D or X.

#include "dictionary/cellview.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace volmira::frames {

enum class FrameType : std::uint8_t {
    Hello = 'H',
    Catalog = 'C',
    Table = 'T',
    Rows = 'R',
    EndTable = 'E',
    Failure = 'X',
    Done = 'D',
    Progress = 'P'
};
enum class CellTag : std::uint8_t { Null = 0, Text = 1, Number = 2, Single = 3, Yes = 4, No = 5, Date = 6, Binary = 7 };

constexpr std::uint32_t kMagic = 0x44524d56;  // "VMRD" read as little-endian
constexpr std::uint32_t kVersion = 2;
constexpr std::size_t kHeaderSize = 5;
constexpr int kColumnTypeCount = static_cast<int>(ColumnType::Other) + 1;

// Bounds both sides keep. A Jet text or memo value holds at most 16 MiB of UCS-2, which is at most
// 24 MiB of UTF-8; Jet tables have at most 255 columns and names of 64 characters.
constexpr std::size_t kMaxFrameBytes = std::size_t(256) << 20;
constexpr std::size_t kMaxTextBytes = std::size_t(24) << 20;
constexpr std::size_t kMaxColumns = 255;

// What the program accepts from a reader.
struct Limits {
    std::size_t maxFrameBytes = kMaxFrameBytes;
    std::size_t maxTextBytes = kMaxTextBytes;
    std::size_t maxNameBytes = 1024;
    std::size_t maxMessageBytes = 4096;
    std::size_t maxTables = 65536;
    std::size_t maxColumns = kMaxColumns;
    std::uint64_t maxTotalBytes = std::uint64_t(4) << 30;
};

// Builds frames into one growing buffer; the reader writes the buffer out when it is big enough.
class FrameWriter final {
public:
    void begin(FrameType type);
    void end();

    void putU8(std::uint8_t value) { *reserve(1) = static_cast<char>(value), size_ += 1; }
    void putU32(std::uint32_t value);
    void putF32(float value);
    void putF64(double value);
    void putString(std::string_view bytes);

    // A place for a value written in place: the offset of a u32 to patch later, or n writable bytes
    // at the end (commit how many were used).
    std::size_t placeholderU32();
    void patchU32(std::size_t offset, std::uint32_t value);
    char* reserve(std::size_t n);
    void commit(std::size_t n) { size_ += n; }

    const char* data() const { return buffer_.get(); }
    std::size_t size() const { return size_; }
    void clear() { size_ = 0; }

private:
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    std::size_t frameStart_ = 0;
};

class FrameError final : public std::runtime_error {
public:
    enum class Kind { Protocol, Limit };
    FrameError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

struct ColumnSpec {
    ColumnType type = ColumnType::Other;
    std::string_view name;
};

// Receives the decoded stream. Views point into the decoder's buffer and are valid during the call.
class FrameListener {
public:
    virtual ~FrameListener() = default;
    virtual void catalog(const std::vector<std::string_view>& tables) = 0;
    virtual void beginTable(std::string_view name, const std::vector<ColumnSpec>& columns) = 0;
    virtual void row(const CellView* cells, int count) = 0;
    virtual void endTable() = 0;
};

// Checks and decodes a frame stream as it arrives. Raises FrameError at the first byte that breaks the
// format or a limit; a failure frame from the reader ends the stream and is kept for the caller.
class FrameDecoder final {
public:
    FrameDecoder(FrameListener& listener, const Limits& limits);

    // Room for at least one read: a pointer and how many bytes fit.
    char* space(std::size_t* available);
    // Takes n bytes written into space() and decodes every complete frame.
    void commit(std::size_t n);
    // At the end of the stream: raises FrameError unless it ended after a done or failure frame.
    void finish() const;

    bool done() const { return state_ == State::Done; }
    bool failed() const { return state_ == State::Failed; }
    std::uint32_t failureNumber() const { return failureNumber_; }
    const std::string& failureMessage() const { return failureMessage_; }

private:
    enum class State { ExpectHello, ExpectCatalog, BetweenTables, InTable, Done, Failed };
    class Cursor;

    void decodeFrame(FrameType type, Cursor& payload);
    void decodeRows(Cursor& payload);
    std::string_view readName(Cursor& payload) const;

    FrameListener& listener_;
    Limits limits_;
    State state_ = State::ExpectHello;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::uint64_t total_ = 0;
    std::vector<ColumnType> columnTypes_;
    std::vector<CellView> cells_;
    std::uint64_t tableRows_ = 0;
    std::uint32_t failureNumber_ = 0;
    std::string failureMessage_;
};

}  // namespace volmira::frames
