#include "dictionary/reader/platformfile.h"

#include "dictionary/errornumbers.h"
#include "dictionary/reader/failure.h"

#include <windows.h>

#include <algorithm>
#include <limits>

namespace volmira::reader {

namespace {

[[noreturn]] void fail(int number, std::string message) { throw Failure{number, std::move(message)}; }

std::string systemMessage(DWORD error)
{
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : "system error " + std::to_string(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

// Paths arrive as UTF-8; the wide API opens names outside the ANSI code page too.
std::wstring widePath(const std::string& path)
{
    if (path.empty())
        return {};
    if (path.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        fail(ErrorNumber::FileNotFound, "the file does not exist");
    const int size = static_cast<int>(path.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, nullptr, 0);
    if (length <= 0)
        fail(ErrorNumber::FileNotFound, "the file name is not valid UTF-8");
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, wide.data(), length);
    return wide;
}

HANDLE handleOf(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

PlatformFile::PlatformFile(const std::string& path)
{
    const std::wstring wide = widePath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        fail(ErrorNumber::UnrecognizedFormat, "it is a folder");
    // Sharing reads only: while another program has the file open for writing, Windows refuses this open,
    // as Jet's exclusive open refuses a second user.
    const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME)
            fail(ErrorNumber::FileNotFound, "the file does not exist");
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            fail(ErrorNumber::FileInUse, "another program has it open for writing");
        fail(ErrorNumber::FileSystem, systemMessage(error));
    }
    struct Closer {
        HANDLE file;
        bool keep = false;
        ~Closer()
        {
            if (!keep)
                CloseHandle(file);
        }
    } closer{file};
    if (GetFileType(file) != FILE_TYPE_DISK)
        fail(ErrorNumber::UnrecognizedFormat, "it is not a regular file");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size))
        fail(ErrorNumber::FileSystem, systemMessage(GetLastError()));
    if (size.QuadPart == 0)
        fail(ErrorNumber::UnrecognizedFormat, "the file is empty");
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    handle_ = reinterpret_cast<std::intptr_t>(file);
    closer.keep = true;
}

PlatformFile::~PlatformFile()
{
    if (handle_ != -1)
        CloseHandle(handleOf(handle_));
}

void PlatformFile::read(std::uint64_t offset, unsigned char* out, std::size_t size)
{
    while (size > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(handleOf(handle_), out, wanted, &got, &at)) {
            const DWORD error = GetLastError();
            if (error != ERROR_HANDLE_EOF)
                fail(ErrorNumber::FileSystem, systemMessage(error));
        }
        if (got == 0)
            fail(ErrorNumber::DamagedData, "the file was cut short while it was read");
        out += got;
        offset += got;
        size -= got;
    }
}

}  // namespace volmira::reader
