// volmira-reader: reads a dictionary file in a process of its own, so that a damaged file cannot take
// the program with it. The program starts it with the file's
// path and the wanted tables, and reads frames (dictionary/frames.h) from descriptor 3. Its standard
// output and error lead nowhere.

#include "dictionary/errornumbers.h"
#include "dictionary/reader/dictionaryreader.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/output.h"
#include "dictionary/reader/rowsink.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

// Hands what the reader reads to the program as frames.
class FrameSink final : public volmira::reader::RowSink {
public:
    explicit FrameSink(volmira::reader::Output& out) : out_(out) {}

    void catalog(const std::vector<std::string>& userTables) override { out_.catalog(userTables); }
    void beginTable(std::string_view name, const std::vector<volmira::reader::ReadColumn>& columns) override
    {
        std::vector<std::pair<volmira::ColumnType, std::string>> described;
        for (const auto& column : columns)
            described.emplace_back(column.type, column.name);
        out_.beginTable(name, described);
    }
    void row(const volmira::CellView* cells, int count) override
    {
        using volmira::CellView;
        using volmira::frames::CellTag;
        auto& w = out_.beginRow();
        for (int i = 0; i < count; ++i) {
            const CellView& cell = cells[i];
            switch (cell.kind) {
            case CellView::Kind::Null: w.putU8(std::uint8_t(CellTag::Null)); break;
            case CellView::Kind::YesNo: w.putU8(std::uint8_t(cell.number != 0 ? CellTag::Yes : CellTag::No)); break;
            case CellView::Kind::Number:
            case CellView::Kind::Date:
                w.putU8(std::uint8_t(cell.kind == CellView::Kind::Date ? CellTag::Date : CellTag::Number));
                w.putF64(cell.number);
                break;
            case CellView::Kind::Single:
                w.putU8(std::uint8_t(CellTag::Single));
                w.putF32(static_cast<float>(cell.number));
                break;
            case CellView::Kind::Text:
            case CellView::Kind::Binary:
                w.putU8(std::uint8_t(cell.kind == CellView::Kind::Text ? CellTag::Text : CellTag::Binary));
                w.putString(cell.text);
                break;
            }
        }
        out_.endRow();
    }
    void endTable() override { out_.endTable(); }

private:
    volmira::reader::Output& out_;
};

void limit(int resource, rlim_t value)
{
    const rlimit limits{value, value};
    setrlimit(resource, &limits);
}

#if !defined(READER_SANITIZED)
// Sound reading needs a fixed amount plus a few times the file; damage that makes libmdb allocate
// without end meets this bound long before the machine's memory.
rlim_t memoryFor(const char* path)
{
    constexpr rlim_t kMostEver = rlim_t(2) << 30;
    struct stat facts {};
    if (::stat(path, &facts) != 0 || !S_ISREG(facts.st_mode))
        return kMostEver;
    return std::min(kMostEver, (rlim_t(512) << 20) + 4 * static_cast<rlim_t>(facts.st_size));
}
#endif

// The reader ends with the program, however the program ends: the kernel kills it when the program
// dies, and it leaves when the program closes its end of the pipe. A reader stuck inside libmdb never
// writes, so a thread of its own watches the pipe.
void endWithTheProgram()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    pthread_t watcher;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 64 * 1024);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_create(
        &watcher, &attributes,
        [](void*) -> void* {
            pollfd end{kFramesFd, 0, 0};  // a pipe's writing end reports POLLERR once the reading end is closed
            while (::poll(&end, 1, -1) < 0 || !(end.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            }
            _exit(3);
        },
        nullptr);
    pthread_attr_destroy(&attributes);
}

// The reader touches nothing but the file it reads: no files written, no core dumps, bounded memory and time.
void confine(const char* path)
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
    limit(RLIMIT_AS, memoryFor(path));
#endif
    closefrom(kFramesFd + 1);
    std::signal(SIGPIPE, SIG_DFL);
}

}  // namespace

int main(int argc, char** argv)
{
    if (fcntl(kFramesFd, F_GETFD) == -1)
        return 2;
    endWithTheProgram();
    confine(argc > 1 ? argv[1] : "");
    fcntl(kFramesFd, F_SETPIPE_SZ, kPipeBytes);

    volmira::reader::Output out(kFramesFd);
    out.hello();
    if (argc < 2) {
        out.failure(volmira::ErrorNumber::ReaderProtocol, "the reader was started without a file");
        return 2;
    }
    const std::vector<std::string> wanted(argv + 2, argv + argc);
    try {
        FrameSink sink(out);
        volmira::reader::readDictionary(argv[1], wanted, sink);
        out.done();
    } catch (const volmira::reader::Failure& failure) {
        out.failure(failure.number, failure.message);
    } catch (const std::bad_alloc&) {
        out.failure(volmira::ErrorNumber::FileTooLarge, "the reader ran out of memory");
    }
    return 0;
}
