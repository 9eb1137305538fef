#pragma once

#include <cstddef>

namespace volmira::reader {

// What the first page of a file says before libmdb sees it.
enum class HeaderVerdict { Jet, NotJet, PasswordProtected };

// page0 holds the first bytes of the file (size of them: up to one page).
HeaderVerdict inspectHeader(const unsigned char* page0, std::size_t size);

}  // namespace volmira::reader
