// The reader's own decoding of what it takes from the file: Jet 4 text (UCS-2 and the compressed form)
// into a buffer of exactly the promised capacity, which must always hold valid UTF-8 and agree with a
// plain decoding one unit at a time; and the header check on the first page.

#include "dictionary/reader/jetheader.h"
#include "dictionary/reader/jettext.h"

#include "strictutf8.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

[[noreturn]] void broken() { __builtin_trap(); }

void putUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6), out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12), out += char(0x80 | (c >> 6 & 0x3F)), out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18), out += char(0x80 | (c >> 12 & 0x3F)), out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The UTF-16 units of a Jet 4 text one at a time, joined into UTF-8 without any shortcut.
std::string plainDecoding(const std::uint8_t* data, std::size_t size)
{
    std::vector<char32_t> units;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        bool oneByte = true;
        for (std::size_t i = 2; i < size;) {
            if (data[i] == 0)
                oneByte = !oneByte, ++i;
            else if (oneByte)
                units.push_back(data[i++]);
            else if (i + 1 < size)
                units.push_back(data[i] | data[i + 1] << 8), i += 2;
            else
                break;
        }
    } else {
        for (std::size_t i = 0; i + 1 < size; i += 2)
            units.push_back(data[i] | data[i + 1] << 8);
    }
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            putUtf8(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00), out);
            ++i;
        } else {
            putUtf8(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u, out);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::size_t capacity = volmira::reader::jet4TextCapacity(size);
    std::unique_ptr<char[]> out(new char[capacity]);
    const std::size_t written = volmira::reader::decodeJet4Text(data, size, out.get());
    if (written > capacity || !strictlyValidUtf8(reinterpret_cast<const unsigned char*>(out.get()), written))
        broken();
    if (std::string(out.get(), written) != plainDecoding(data, size))
        broken();

    volmira::reader::inspectHeader(data, size);
    return 0;
}
