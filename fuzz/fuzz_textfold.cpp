// Comparison ignoring letter case on arbitrary bytes (the texts come from the file): never past the end,
// an order (antisymmetric, a text equals itself), and, for valid UTF-8, equal exactly when the folded
// forms are equal; a text contains its own folded form at position 1.

#include "dictionary/textfold.h"

#include <QString>

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

[[noreturn]] void broken() { __builtin_trap(); }

int sign(int v) { return (v > 0) - (v < 0); }

bool validUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toUtf8()
           == QByteArray(text.data(), qsizetype(text.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Two texts, split at the first 0x00 byte (or in the middle), each copied to a buffer of its own size.
    const auto* bytes = reinterpret_cast<const char*>(data);
    const void* zero = std::memchr(bytes, 0, size);
    const std::size_t split = zero ? std::size_t(static_cast<const char*>(zero) - bytes) : size / 2;
    const std::size_t rest = zero ? size - split - 1 : size - split;
    std::unique_ptr<char[]> a(new char[split ? split : 1]);
    std::unique_ptr<char[]> b(new char[rest ? rest : 1]);
    std::memcpy(a.get(), bytes, split);
    std::memcpy(b.get(), bytes + (size - rest), rest);
    const std::string_view first(a.get(), split), second(b.get(), rest);

    using namespace volmira::textfold;
    const int ab = compare(first, second);
    if (sign(ab) != -sign(compare(second, first)) || compare(first, first) != 0)
        broken();
    const std::string foldedFirst = foldedUtf8(first);
    if (validUtf8(first) && validUtf8(second) && (ab == 0) != (foldedFirst == foldedUtf8(second)))
        broken();

    const long long at = find(first, foldedCodePoints(second));
    if (at < 0 || (at > 0 && first.empty()))
        broken();
    if (!first.empty() && validUtf8(first) && find(first, foldedCodePoints(first)) != 1)
        broken();
    return 0;
}
