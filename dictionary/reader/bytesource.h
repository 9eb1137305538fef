#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace volmira::reader {

// The bytes of a Jet file, read piecewise: from the file itself, or from memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads size bytes at offset, which the caller keeps inside size(); raises Failure when the file fails.
    virtual void read(std::uint64_t offset, unsigned char* out, std::size_t size) = 0;
};

class MemoryBytes final : public ByteSource {
public:
    MemoryBytes(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t size() const override { return size_; }
    void read(std::uint64_t offset, unsigned char* out, std::size_t size) override;

private:
    const unsigned char* data_;
    std::size_t size_;
};

}  // namespace volmira::reader
