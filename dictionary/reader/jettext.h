#pragma once

#include <cstddef>

namespace volmira::reader {

// The most UTF-8 bytes decodeJet4Text writes for size bytes of input.
constexpr std::size_t jet4TextCapacity(std::size_t size) { return 2 * size + 4; }

// Decodes a Jet 4 text value — UCS-2 little-endian, or the compressed form (FF FE, then runs of one-byte
// characters and, after a 00 toggle, two-byte ones) — to UTF-8. Surrogate pairs are joined; an unpaired
// surrogate becomes U+FFFD. Returns the number of bytes written to out (jet4TextCapacity(size) of room).
std::size_t decodeJet4Text(const unsigned char* data, std::size_t size, char* out);

}  // namespace volmira::reader
