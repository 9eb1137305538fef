#include "dictionary/reader/pages.h"

#include "dictionary/rc4.h"
#include "dictionary/reader/bytesource.h"

#include <cstring>

namespace volmira::reader {

void MemoryBytes::read(std::uint64_t offset, unsigned char* out, std::size_t size)
{
    std::memcpy(out, data_ + offset, size);
}

Pages::Pages(ByteSource& bytes, const FileFormat& format) : bytes_(bytes), format_(format) {}

void Pages::load(std::uint32_t number, Page& page)
{
    if (page.number == number && number != 0)
        return;
    const auto pageSize = static_cast<std::size_t>(size());
    page.bytes.resize(pageSize);
    page.number = 0;
    bytes_.read(std::uint64_t(number) * pageSize, page.bytes.data(), pageSize);
    if (format_.databaseKey != 0) {
        const std::uint32_t key = format_.databaseKey ^ number;
        const unsigned char pageKey[4] = {static_cast<unsigned char>(key), static_cast<unsigned char>(key >> 8),
                                          static_cast<unsigned char>(key >> 16),
                                          static_cast<unsigned char>(key >> 24)};
        rc4(pageKey, sizeof pageKey, page.bytes.data(), pageSize);
    }
    page.number = number;
}

bool Pages::tryLoad(std::uint32_t number, Page& page)
{
    if (number == 0 || number >= count())
        return false;
    load(number, page);
    return true;
}

}  // namespace volmira::reader
