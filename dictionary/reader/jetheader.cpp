#include "dictionary/reader/jetheader.h"

#include "dictionary/errornumbers.h"
#include "dictionary/rc4.h"
#include "dictionary/reader/bytesource.h"
#include "dictionary/reader/failure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace volmira::reader {

namespace {

constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kCreationDateOffset = 0x72;
using jet::kVersionJet3;
using jet::kVersionJet4;
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
    const unsigned char version = page0[jet::kVersionOffset];
    if (version > kVersionNewest)
        return HeaderVerdict::NotJet;

    unsigned char header[0x100];
    std::memcpy(header, page0, sizeof header);
    rc4(jet::kHeaderKey, sizeof jet::kHeaderKey, header + jet::kHeaderKeyedStart,
        version == kVersionJet3 ? jet::kHeaderKeyedSizeJet3 : jet::kHeaderKeyedSizeJet4);

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

FileFormat readFileFormat(ByteSource& bytes)
{
    unsigned char header[4096];
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), sizeof header));
    bytes.read(0, header, got);
    switch (inspectHeader(header, got)) {
    case HeaderVerdict::NotJet: throw Failure{ErrorNumber::UnrecognizedFormat, "it is not a Jet database"};
    case HeaderVerdict::PasswordProtected:
        throw Failure{ErrorNumber::NotValidPassword, "the database is protected by a password"};
    case HeaderVerdict::Jet: break;
    }
    FileFormat format;
    format.jet3 = header[jet::kVersionOffset] == kVersionJet3;
    format.layout = format.jet3 ? &jet::kJet3 : &jet::kJet4;
    // Jet files consist of whole pages; anything else was cut short.
    const auto pageSize = static_cast<std::uint64_t>(format.layout->pageSize);
    if (bytes.size() < 3 * pageSize || bytes.size() % pageSize != 0)
        throw Failure{ErrorNumber::DamagedData,
                      "the file is cut short after " + std::to_string(bytes.size()) + " bytes"};
    if (bytes.size() / pageSize > 0xFFFFFF)
        throw Failure{ErrorNumber::FileTooLarge, "the file has more pages than Jet can address"};
    format.pageCount = static_cast<std::uint32_t>(bytes.size() / pageSize);
    rc4(jet::kHeaderKey, sizeof jet::kHeaderKey, header + jet::kHeaderKeyedStart,
        format.jet3 ? jet::kHeaderKeyedSizeJet3 : jet::kHeaderKeyedSizeJet4);
    format.codePage = static_cast<int>(jet::get16(header + jet::kCodePageOffset));
    format.databaseKey = jet::get32(header + jet::kDatabaseKeyOffset);
    return format;
}

}  // namespace volmira::reader
