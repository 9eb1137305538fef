#include "dictionary/reader/jettext.h"

#include <cstdint>
#include <cstring>

namespace volmira::reader {

namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

inline char* putUtf8(std::uint32_t c, char* out)
{
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Turns a sequence of UTF-16 code units into UTF-8, pairing surrogates across calls.
class Utf16ToUtf8 final {
public:
    explicit Utf16ToUtf8(char* out) : out_(out) {}

    void unit(std::uint32_t u)
    {
        if (u < 0x80 && high_ == 0) {  // the common case, kept short
            *out_++ = static_cast<char>(u);
            return;
        }
        if (high_ != 0) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                out_ = putUtf8(0x10000 + ((high_ - 0xD800) << 10) + (u - 0xDC00), out_);
                high_ = 0;
                return;
            }
            out_ = putUtf8(kReplacement, out_);
            high_ = 0;
        }
        if (u >= 0xD800 && u <= 0xDBFF)
            high_ = u;
        else if (u >= 0xDC00 && u <= 0xDFFF)
            out_ = putUtf8(kReplacement, out_);
        else
            out_ = putUtf8(u, out_);
    }

    // Outside a surrogate pair, plain ASCII may be written straight to out().
    bool idle() const { return high_ == 0; }
    char*& out() { return out_; }

    char* finish()
    {
        if (high_ != 0)
            out_ = putUtf8(kReplacement, out_);
        high_ = 0;
        return out_;
    }

private:
    char* out_;
    std::uint32_t high_ = 0;
};

// The word-at-a-time loops below read the bytes of a word in little-endian order.
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr std::uint64_t kLowBits = 0x0101010101010101ull;

std::uint64_t load64(const unsigned char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Eight one-byte characters at once while they are ASCII and none is the 00 toggle.
std::size_t copyAsciiBytes(const unsigned char* data, std::size_t i, std::size_t size, char*& out)
{
    while (i + 8 <= size) {
        const std::uint64_t word = load64(data + i);
        if (((word | ((word - kLowBits) & ~word)) & kHighBits) != 0)
            break;
        std::memcpy(out, data + i, 8);
        out += 8;
        i += 8;
    }
    return i;
}

// The low bytes of four UCS-2 units whose high bytes are zero, as four bytes.
std::uint32_t lowBytes(std::uint64_t units)
{
    const std::uint64_t pairs = (units | units >> 8) & 0x0000FFFF0000FFFFull;
    return static_cast<std::uint32_t>(pairs | pairs >> 16);
}

// Eight UCS-2 units at once while they are ASCII.
std::size_t copyAsciiUnits(const unsigned char* data, std::size_t i, std::size_t size, char*& out)
{
    while (i + 16 <= size) {
        const std::uint64_t first = load64(data + i);
        const std::uint64_t second = load64(data + i + 8);
        if (((first | second) & 0xFF80FF80FF80FF80ull) != 0)
            break;
        const std::uint64_t chars = lowBytes(first) | std::uint64_t(lowBytes(second)) << 32;
        std::memcpy(out, &chars, 8);
        out += 8;
        i += 16;
    }
    return i;
}

}  // namespace

std::size_t decodeJet4Text(const unsigned char* data, std::size_t size, char* out)
{
    Utf16ToUtf8 decoder(out);
    std::size_t i = 0;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        bool oneByte = true;
        i = 2;
        while (i < size) {
            if (oneByte && decoder.idle())
                i = copyAsciiBytes(data, i, size, decoder.out());
            if (i >= size)
                break;
            if (data[i] == 0x00) {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                decoder.unit(data[i++]);
            } else if (i + 1 < size) {
                decoder.unit(data[i] | data[i + 1] << 8);
                i += 2;
            } else {
                break;
            }
        }
    } else {
        while (i + 1 < size) {
            if (decoder.idle())
                i = copyAsciiUnits(data, i, size, decoder.out());
            if (i + 1 >= size)
                break;
            decoder.unit(data[i] | data[i + 1] << 8);
            i += 2;
        }
    }
    return static_cast<std::size_t>(decoder.finish() - out);
}

}  // namespace volmira::reader
