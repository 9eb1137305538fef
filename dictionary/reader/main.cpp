// volmira-reader: reads a dictionary file with libmdb in a process of its own, so that a damaged file
// that crashes or hangs libmdb cannot take the program with it. The program starts it with the file's
// path and the wanted tables, and reads frames (dictionary/frames.h) from descriptor 3. Its standard
// output and error lead nowhere: libmdb prints diagnostics and, for some damage, hex dumps there.

#include "dictionary/errornumbers.h"
#include "dictionary/reader/dictionaryreader.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/output.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

// g++ tells of AddressSanitizer with __SANITIZE_ADDRESS__, clang only through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define READER_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define READER_SANITIZED 1
#endif
#endif

namespace {

constexpr int kFramesFd = 3;
constexpr int kPipeBytes = 1 << 20;

void limit(int resource, rlim_t value)
{
    const rlimit limits{value, value};
    setrlimit(resource, &limits);
}

// The reader touches nothing but the file it reads: no files written, no core dumps, bounded memory and time.
void confine()
{
    for (const char* name : {"MDBOPTS", "MDBPATH", "MDBICONV", "MDB_JET3_CHARSET"})
        unsetenv(name);
    limit(RLIMIT_CORE, 0);
    limit(RLIMIT_CPU, 300);
    limit(RLIMIT_NOFILE, 64);
#if !defined(READER_SANITIZED)
    // A sanitized reader writes its reports to files, and AddressSanitizer reserves far more address
    // space than this.
    limit(RLIMIT_FSIZE, 0);
    limit(RLIMIT_AS, rlim_t(2) << 30);
#endif
    closefrom(kFramesFd + 1);
    std::signal(SIGPIPE, SIG_DFL);
}

}  // namespace

int main(int argc, char** argv)
{
    if (fcntl(kFramesFd, F_GETFD) == -1)
        return 2;
    confine();
    fcntl(kFramesFd, F_SETPIPE_SZ, kPipeBytes);

    volmira::reader::Output out(kFramesFd);
    out.hello();
    if (argc < 2) {
        out.failure(volmira::ErrorNumber::ReaderProtocol, "the reader was started without a file");
        return 2;
    }
    const std::vector<std::string> wanted(argv + 2, argv + argc);
    try {
        volmira::reader::readDictionary(argv[1], wanted, out);
        out.done();
    } catch (const volmira::reader::Failure& failure) {
        out.failure(failure.number, failure.message);
    } catch (const std::bad_alloc&) {
        out.failure(volmira::ErrorNumber::FileTooLarge, "the reader ran out of memory");
    }
    return 0;
}
