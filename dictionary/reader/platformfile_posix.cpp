#include "dictionary/reader/platformfile.h"

#include "dictionary/errornumbers.h"
#include "dictionary/reader/failure.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace volmira::reader {

namespace {

[[noreturn]] void fail(int number, std::string message) { throw Failure{number, std::move(message)}; }

// Another program that holds a write lock on the file (flock, POSIX or open-file-description lock) has
// it to itself, as Jet's exclusive open. Only asked, never waited for; a read lock is no obstacle.
bool heldForWriting(int fd)
{
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    // An open-file-description query also sees the POSIX locks of other processes.
    if (::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK)
        return true;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    ::flock(fd, LOCK_UN);
    return false;
}

}  // namespace

PlatformFile::PlatformFile(const std::string& path)
{
    // O_NONBLOCK: a named pipe must not stall the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            fail(ErrorNumber::FileNotFound, "the file does not exist");
        if (error == EISDIR)
            fail(ErrorNumber::UnrecognizedFormat, "it is a folder");
        fail(ErrorNumber::FileSystem, std::strerror(error));
    }
    struct Closer {
        int fd;
        bool keep = false;
        ~Closer()
        {
            if (!keep)
                ::close(fd);
        }
    } closer{fd};
    struct stat facts {};
    if (::fstat(fd, &facts) != 0)
        fail(ErrorNumber::FileSystem, std::strerror(errno));
    if (S_ISDIR(facts.st_mode))
        fail(ErrorNumber::UnrecognizedFormat, "it is a folder");
    if (!S_ISREG(facts.st_mode))
        fail(ErrorNumber::UnrecognizedFormat, "it is not a regular file");
    if (facts.st_size == 0)
        fail(ErrorNumber::UnrecognizedFormat, "the file is empty");
    if (heldForWriting(fd))
        fail(ErrorNumber::FileInUse, "another program holds a write lock on it");
    size_ = static_cast<std::uint64_t>(facts.st_size);
    handle_ = fd;
    closer.keep = true;
}

PlatformFile::~PlatformFile()
{
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
}

void PlatformFile::read(std::uint64_t offset, unsigned char* out, std::size_t size)
{
    while (size > 0) {
        const ssize_t got = ::pread(static_cast<int>(handle_), out, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            fail(ErrorNumber::FileSystem, std::strerror(errno));
        if (got == 0)
            fail(ErrorNumber::DamagedData, "the file was cut short while it was read");
        out += got;
        offset += static_cast<std::uint64_t>(got);
        size -= static_cast<std::size_t>(got);
    }
}

}  // namespace volmira::reader
