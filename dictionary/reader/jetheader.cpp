#include "dictionary/reader/jetheader.h"

#include "dictionary/rc4.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace volmira::reader {

namespace {

constexpr std::size_t kEncryptedStart = 0x18;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kCreationDateOffset = 0x72;
constexpr unsigned char kVersionJet3 = 0x00;
constexpr unsigned char kVersionJet4 = 0x01;
constexpr unsigned char kVersionNewest = 0x06;

bool allZero(const unsigned char* p, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

}  // namespace

HeaderVerdict inspectHeader(const unsigned char* page0, std::size_t size)
{
    static const char kSignature[] = "Standard Jet DB";
    static const char kSignatureAce[] = "Standard ACE DB";
    if (size < 0x100 || page0[0] != 0x00 || page0[1] != 0x01)
        return HeaderVerdict::NotJet;
    if (std::memcmp(page0 + 4, kSignature, sizeof kSignature) != 0
        && std::memcmp(page0 + 4, kSignatureAce, sizeof kSignatureAce) != 0)
        return HeaderVerdict::NotJet;
    const unsigned char version = page0[0x14];
    if (version > kVersionNewest)
        return HeaderVerdict::NotJet;

    unsigned char header[0x100];
    std::memcpy(header, page0, sizeof header);
    static const unsigned char kKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(kKey, sizeof kKey, header + kEncryptedStart, version == kVersionJet3 ? 126 : 128);

    if (version == kVersionJet3)
        return allZero(header + kPasswordOffset, 20) ? HeaderVerdict::Jet : HeaderVerdict::PasswordProtected;
    if (version != kVersionJet4)
        return HeaderVerdict::Jet;  // newer files keep their password elsewhere; libmdb cannot read those anyway

    // Jet 4 masks the 20 UCS-2 password characters with the creation date's day number, four bytes repeated:
    // an empty password is stored as the mask itself.
    double created;
    std::memcpy(&created, header + kCreationDateOffset, sizeof created);
    std::uint32_t day = 0;
    if (std::isfinite(created) && created > -2147483648.0 && created < 2147483648.0)
        day = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(created)));
    const unsigned char mask[4] = {static_cast<unsigned char>(day), static_cast<unsigned char>(day >> 8),
                                   static_cast<unsigned char>(day >> 16), static_cast<unsigned char>(day >> 24)};
    unsigned char password[40];
    for (std::size_t i = 0; i < sizeof password; ++i)
        password[i] = header[kPasswordOffset + i] ^ mask[i % 4];
    return allZero(password, sizeof password) ? HeaderVerdict::Jet : HeaderVerdict::PasswordProtected;
}

}  // namespace volmira::reader
