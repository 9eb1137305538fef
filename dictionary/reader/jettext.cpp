#include "dictionary/reader/jettext.h"

#include <cstdint>

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

}  // namespace

std::size_t decodeJet4Text(const unsigned char* data, std::size_t size, char* out)
{
    Utf16ToUtf8 decoder(out);
    std::size_t i = 0;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        bool oneByte = true;
        i = 2;
        while (i < size) {
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
        for (; i + 1 < size; i += 2)
            decoder.unit(data[i] | data[i + 1] << 8);
    }
    return static_cast<std::size_t>(decoder.finish() - out);
}

}  // namespace volmira::reader
