#include "dictionary/reader/output.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace volmira::reader {

namespace {

// Big writes keep the pipe full with few system calls; the program reads a megabyte at a time.
constexpr std::size_t kFlushBytes = std::size_t(512) << 10;
constexpr std::uint32_t kPagesPerProgress = 256;

// The program has gone away when a write fails: nobody is left to tell.
void writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            std::_Exit(3);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

}  // namespace

Output::Output(int fd) : fd_(fd) {}

void Output::hello()
{
    writer_.begin(frames::FrameType::Hello);
    writer_.putU32(frames::kMagic);
    writer_.putU32(frames::kVersion);
    writer_.end();
    flush();
}

void Output::catalog(const std::vector<std::string>& tables)
{
    writer_.begin(frames::FrameType::Catalog);
    writer_.putU32(static_cast<std::uint32_t>(tables.size()));
    for (const std::string& name : tables)
        writer_.putString(name);
    writer_.end();
    flush();
}

void Output::beginTable(std::string_view name, const std::vector<std::pair<ColumnType, std::string>>& columns)
{
    writer_.begin(frames::FrameType::Table);
    writer_.putString(name);
    writer_.putU32(static_cast<std::uint32_t>(columns.size()));
    for (const auto& [type, columnName] : columns) {
        writer_.putU8(static_cast<std::uint8_t>(type));
        writer_.putString(columnName);
    }
    writer_.end();
    tableRows_ = 0;
}

frames::FrameWriter& Output::beginRow()
{
    if (!rowsOpen_) {
        writer_.begin(frames::FrameType::Rows);
        rowCountOffset_ = writer_.placeholderU32();
        batchRows_ = 0;
        rowsOpen_ = true;
    }
    return writer_;
}

void Output::endRow()
{
    ++batchRows_;
    ++tableRows_;
    flushIfFull();
}

void Output::flushIfFull()
{
    if (writer_.size() >= kFlushBytes)
        flush();
}

void Output::endTable()
{
    closeRows();
    writer_.begin(frames::FrameType::EndTable);
    writer_.putU32(tableRows_);
    writer_.end();
    flushIfFull();
}

void Output::failure(int number, std::string_view message)
{
    // A half-built row may sit at the end of the buffer: it is dropped with its frame.
    if (rowsOpen_) {
        rowsOpen_ = false;
        writer_.clear();
    }
    writer_.begin(frames::FrameType::Failure);
    writer_.putU32(static_cast<std::uint32_t>(number));
    writer_.putString(message.substr(0, 1024));
    writer_.end();
    flush();
}

void Output::pageRead()
{
    if (++pagesRead_ % kPagesPerProgress != 0)
        return;
    // What went out so far ends with a whole frame (flush writes only those), so this frame can go
    // straight out while a row is still being built.
    const char progress[frames::kHeaderSize] = {static_cast<char>(frames::FrameType::Progress), 0, 0, 0, 0};
    writeAll(fd_, progress, sizeof progress);
}

void Output::done()
{
    writer_.begin(frames::FrameType::Done);
    writer_.end();
    flush();
}

void Output::closeRows()
{
    if (rowsOpen_) {
        writer_.patchU32(rowCountOffset_, batchRows_);
        writer_.end();
        rowsOpen_ = false;
    }
}

void Output::flush()
{
    closeRows();
    writeAll(fd_, writer_.data(), writer_.size());
    writer_.clear();
}

}  // namespace volmira::reader
