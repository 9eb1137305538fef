#pragma once

#include "dictionary/frames.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace volmira::reader {

// The frames going to the program, batched into large writes on one descriptor.
class Output final {
public:
    explicit Output(int fd);

    void hello();
    void catalog(const std::vector<std::string>& tables);
    void beginTable(std::string_view name, const std::vector<std::pair<ColumnType, std::string>>& columns);
    // A row's cells are written straight into frames(); every row starts with beginRow and ends with endRow.
    frames::FrameWriter& beginRow();
    void endRow();
    void endTable();
    void failure(int number, std::string_view message);
    // Counts a page read; now and then tells the program that the reading goes on, so that a long value
    // or a long walk over pages is not taken for a reader that hangs.
    void pageRead();
    void done();
    void flush();

private:
    void flushIfFull();
    void closeRows();

    int fd_;
    frames::FrameWriter writer_;
    bool rowsOpen_ = false;
    std::size_t rowCountOffset_ = 0;
    std::uint32_t batchRows_ = 0;
    std::uint32_t tableRows_ = 0;
    std::uint32_t pagesRead_ = 0;
};

}  // namespace volmira::reader
