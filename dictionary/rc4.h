#pragma once

#include <cstddef>

namespace volmira {

// RC4, which Jet uses to obscure the header page with a key every file shares (encrypting and
// decrypting are the same operation). Free of Qt: the reader uses it too.
void rc4(const unsigned char* key, std::size_t keySize, unsigned char* data, std::size_t size);

}  // namespace volmira
