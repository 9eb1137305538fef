#pragma once

#include "dictionary/reader/bytesource.h"

#include <cstdint>
#include <string>

namespace volmira::reader {

// A file opened for reading the way the program opens a dictionary: a missing file, a folder, anything
// but a regular file, an empty file and a file another program holds a write lock on are refused with
// their error numbers. The only platform-specific part of the reader: platformfile_posix.cpp and
// platformfile_windows.cpp.
class PlatformFile final : public ByteSource {
public:
    // path: UTF-8.
    explicit PlatformFile(const std::string& path);
    ~PlatformFile() override;
    PlatformFile(const PlatformFile&) = delete;
    PlatformFile& operator=(const PlatformFile&) = delete;

    std::uint64_t size() const override { return size_; }
    void read(std::uint64_t offset, unsigned char* out, std::size_t size) override;

private:
    std::intptr_t handle_ = -1;  // a descriptor, or a Windows handle
    std::uint64_t size_ = 0;
};

}  // namespace volmira::reader
