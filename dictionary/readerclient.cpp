#include "dictionary/readerclient.h"

#include "dictionary/error.h"
#include "dictionary/filename.h"
#include "dictionary/frames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace volmira {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr qint64 kMaxFileBytes = qint64(1) << 30;
// A sound file keeps the reader sending; a damaged one can leave libmdb looping without a word.
constexpr milliseconds kDefaultProgressTimeout{3000};
constexpr milliseconds kOverallTimeout{300000};
constexpr int kFramesFd = 3;
constexpr int kPipeBytes = 1 << 20;

QString testReaderProgram;
milliseconds progressTimeout = kDefaultProgressTimeout;

// Installed, the reader lies in its own folder, reached from the program's folder by the same relative path in
// any prefix; in the build tree it lies beside the program. When neither is there, the installed place is the
// one to report.
QString readerProgram()
{
    if (!testReaderProgram.isEmpty())
        return testReaderProgram;
    const QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                        : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString installed =
        QDir::cleanPath(folder + QStringLiteral("/" VOLMIRA_READER_FROM_BINDIR "/volmira-reader"));
    const QString beside = folder + QStringLiteral("/volmira-reader");
    return !QFileInfo::exists(installed) && QFileInfo::exists(beside) ? beside : installed;
}

QString describe(int number, const QString& path, const QString& detail)
{
    if (number == ErrorNumber::FileInUse)  // Jet's own words
        return QStringLiteral("Could not use '%1'; file already in use.").arg(path);
    QString what;
    switch (number) {
    case ErrorNumber::FileNotFound: what = QStringLiteral("Could not find file '%1'"); break;
    case ErrorNumber::UnrecognizedFormat: what = QStringLiteral("Unrecognized database format '%1'"); break;
    case ErrorNumber::NotValidPassword: what = QStringLiteral("Not a valid password for '%1'"); break;
    case ErrorNumber::FileTooLarge: what = QStringLiteral("Cannot read '%1', it is too large"); break;
    case ErrorNumber::DamagedData: what = QStringLiteral("The database '%1' is damaged or incomplete"); break;
    case ErrorNumber::FileSystem: what = QStringLiteral("Cannot read '%1'"); break;
    case ErrorNumber::ReaderFailedToStart: what = QStringLiteral("Cannot start the reader for '%1'"); break;
    case ErrorNumber::ReaderTimedOut: what = QStringLiteral("The reader stopped answering while reading '%1'"); break;
    default: what = QStringLiteral("The reader sent what the program cannot accept while reading '%1'"); break;
    }
    return what.arg(path) + QStringLiteral(": ") + detail + QLatin1Char('.');
}

[[noreturn]] void raise(int number, const QString& path, const QString& detail)
{
    throw Error(number, describe(number, path, detail));
}

bool reportable(std::uint32_t number)
{
    switch (number) {
    case ErrorNumber::FileNotFound:
    case ErrorNumber::UnrecognizedFormat:
    case ErrorNumber::NotValidPassword:
    case ErrorNumber::FileInUse:
    case ErrorNumber::FileTooLarge:
    case ErrorNumber::DamagedData:
    case ErrorNumber::FileSystem:
    case ErrorNumber::ReaderProtocol: return true;
    default: return false;
    }
}

// The reader process: started with its frames on descriptor 3, everything else on /dev/null. Whatever
// way the reading ends, the process is gone when this object is.
class ReaderProcess final {
public:
    ReaderProcess(const QString& program, const QString& path, const QStringList& tables)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw Error(ErrorNumber::ReaderFailedToStart,
                        describe(ErrorNumber::ReaderFailedToStart, path, QString::fromLocal8Bit(std::strerror(errno))));
        readFd_ = fds[0];
        int writeFd = fds[1];
        if (writeFd == kFramesFd) {  // dup2 onto itself would keep close-on-exec set
            writeFd = ::fcntl(fds[1], F_DUPFD_CLOEXEC, kFramesFd + 1);
            ::close(fds[1]);
        }
        ::fcntl(readFd_, F_SETPIPE_SZ, kPipeBytes);

        const QByteArray programBytes = QFile::encodeName(program);
        std::vector<QByteArray> arguments{programBytes, fileNameToBytes(path)};
        for (const QString& table : tables)
            arguments.push_back(table.toUtf8());
        std::vector<char*> argv;
        for (QByteArray& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        // libmdb reads these; MDBPATH alone can make it search other folders or loop for ever.
        std::vector<char*> envp;
        for (char** entry = environ; *entry; ++entry) {
            const char* e = *entry;
            if (std::strncmp(e, "MDBOPTS=", 8) != 0 && std::strncmp(e, "MDBPATH=", 8) != 0
                && std::strncmp(e, "MDBICONV=", 9) != 0 && std::strncmp(e, "MDB_JET3_CHARSET=", 17) != 0)
                envp.push_back(*entry);
        }
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, writeFd, kFramesFd);
        posix_spawn_file_actions_addclosefrom_np(&actions, kFramesFd + 1);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t signalSet;
        sigemptyset(&signalSet);
        posix_spawnattr_setsigmask(&attributes, &signalSet);
        sigfillset(&signalSet);
        sigdelset(&signalSet, SIGKILL);
        sigdelset(&signalSet, SIGSTOP);
        posix_spawnattr_setsigdefault(&attributes, &signalSet);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        const int result =
            posix_spawn(&pid_, programBytes.constData(), &actions, &attributes, argv.data(), envp.data());
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        ::close(writeFd);
        if (result != 0) {
            pid_ = 0;
            ::close(readFd_);
            readFd_ = -1;
            throw Error(
                ErrorNumber::ReaderFailedToStart,
                describe(ErrorNumber::ReaderFailedToStart, path,
                         QStringLiteral("'%1': %2").arg(program, QString::fromLocal8Bit(std::strerror(result)))));
        }
    }

    ~ReaderProcess()
    {
        kill();
        closeOutput();
    }

    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    int output() const { return readFd_; }

    void closeOutput()
    {
        if (readFd_ >= 0)
            ::close(readFd_);
        readFd_ = -1;
    }

    void kill()
    {
        if (pid_ == 0)
            return;
        ::kill(pid_, SIGKILL);
        reap(0);
    }

    // Waits up to `patience` for the process to end; false when it is still running.
    bool waitForExit(milliseconds patience)
    {
        const Clock::time_point deadline = Clock::now() + patience;
        for (;;) {
            if (reap(WNOHANG))
                return true;
            if (Clock::now() >= deadline)
                return false;
            ::usleep(1000);
        }
    }

    bool killedBySignal() const { return WIFSIGNALED(status_); }
    int signal() const { return WTERMSIG(status_); }
    int exitCode() const { return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1; }

private:
    bool reap(int options)
    {
        if (pid_ == 0)
            return true;
        pid_t got;
        do
            got = ::waitpid(pid_, &status_, options);
        while (got < 0 && errno == EINTR);
        if (got == 0)
            return false;
        pid_ = 0;
        return true;
    }

    pid_t pid_ = 0;
    int readFd_ = -1;
    int status_ = 0;
};

// Hands the decoded stream to the sink and checks that every table sent is one of the catalog's, once.
// (Which of them were asked for is the reader's matching: its letter-case folding is Unicode's full one.)
class SinkAdapter final : public frames::FrameListener {
public:
    explicit SinkAdapter(TableSink& sink) : sink_(sink) {}

    void catalog(const std::vector<std::string_view>& tables) override
    {
        QStringList names;
        names.reserve(static_cast<int>(tables.size()));
        for (std::string_view table : tables) {
            names.append(QString::fromUtf8(table.data(), static_cast<qsizetype>(table.size())));
            catalog_.insert(names.back());
        }
        sink_.catalog(names);
    }

    void beginTable(std::string_view name, const std::vector<frames::ColumnSpec>& columns) override
    {
        const QString table = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        if (!catalog_.contains(table) || sent_.contains(table))
            throw frames::FrameError(frames::FrameError::Kind::Protocol, "the reader sent table '" + table.toStdString()
                                                                             + "' that is not in the catalog or twice");
        sent_.insert(table);
        std::vector<ColumnInfo> infos(columns.size());
        for (std::size_t i = 0; i < columns.size(); ++i) {
            infos[i].name = QString::fromUtf8(columns[i].name.data(), static_cast<qsizetype>(columns[i].name.size()));
            infos[i].type = columns[i].type;
        }
        sink_.beginTable(table, infos);
    }

    void row(const CellView* cells, int count) override { sink_.row(cells, count); }
    void endTable() override { sink_.endTable(); }

private:
    TableSink& sink_;
    QSet<QString> catalog_;
    QSet<QString> sent_;
};

// Feeds the reader's output to the decoder until it ends; kills a reader that stays silent too long.
void pump(ReaderProcess& reader, frames::FrameDecoder& decoder, const QString& path)
{
    const Clock::time_point started = Clock::now();
    Clock::time_point lastProgress = started;
    for (;;) {
        const Clock::time_point now = Clock::now();
        const Clock::time_point deadline = std::min(lastProgress + progressTimeout, started + kOverallTimeout);
        if (now >= deadline) {
            reader.kill();
            if (now >= started + kOverallTimeout)
                raise(ErrorNumber::ReaderTimedOut, path,
                      QStringLiteral("it took longer than %1 seconds").arg(kOverallTimeout.count() / 1000));
            // What libmdb does when it stops making progress: it loops on damage it cannot see.
            raise(ErrorNumber::DamagedData, path,
                  QStringLiteral("the reader found nothing more to read for %1 ms").arg(progressTimeout.count()));
        }
        pollfd ready{reader.output(), POLLIN, 0};
        const auto wait = std::chrono::duration_cast<milliseconds>(deadline - now).count() + 1;
        const int polled = ::poll(&ready, 1, static_cast<int>(wait));
        if (polled < 0 && errno != EINTR)
            raise(ErrorNumber::ReaderProtocol, path, QString::fromLocal8Bit(std::strerror(errno)));
        if (polled <= 0)
            continue;
        std::size_t room = 0;
        char* space = decoder.space(&room);
        const ssize_t got = ::read(reader.output(), space, room);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            raise(ErrorNumber::ReaderProtocol, path, QString::fromLocal8Bit(std::strerror(errno)));
        }
        if (got == 0)
            return;
        decoder.commit(static_cast<std::size_t>(got));
        lastProgress = Clock::now();  // the time the sink took is not the reader's silence
    }
}

// After the output has ended: how the reader ended decides between success and which error.
void conclude(ReaderProcess& reader, const frames::FrameDecoder& decoder, const QString& path)
{
    reader.closeOutput();
    if (!reader.waitForExit(progressTimeout)) {
        reader.kill();
        raise(ErrorNumber::ReaderTimedOut, path, QStringLiteral("the reader did not end after its output"));
    }
    // The reader ends this way only on damage that libmdb meets unprepared (or when someone kills it):
    // libmdb crashed, or ended the process on an allocation beyond the reader's memory.
    if (reader.killedBySignal())
        raise(ErrorNumber::DamagedData, path,
              QStringLiteral("the reader ended with signal %1 (%2)")
                  .arg(reader.signal())
                  .arg(QString::fromLocal8Bit(strsignal(reader.signal()))));
    if (reader.exitCode() != 0 && !decoder.failed())
        raise(ErrorNumber::DamagedData, path, QStringLiteral("the reader ended with status %1").arg(reader.exitCode()));
    if (decoder.failed()) {
        const QString detail =
            QString::fromUtf8(decoder.failureMessage().data(), static_cast<qsizetype>(decoder.failureMessage().size()));
        if (!reportable(decoder.failureNumber()))
            raise(
                ErrorNumber::ReaderProtocol, path,
                QStringLiteral("the reader reported an unknown error %1: %2").arg(decoder.failureNumber()).arg(detail));
        raise(static_cast<int>(decoder.failureNumber()), path, detail);
    }
    decoder.finish();
}

}  // namespace

void ReaderClient::setReaderProgramForTesting(const QString& program) { testReaderProgram = program; }

void ReaderClient::setProgressTimeoutForTesting(int milliseconds)
{
    progressTimeout = milliseconds > 0 ? std::chrono::milliseconds(milliseconds) : kDefaultProgressTimeout;
}

void ReaderClient::read(const QString& path, const QStringList& wantedTables, TableSink& sink)
{
    struct stat facts {};
    const qint64 size =
        ::stat(fileNameToBytes(path).constData(), &facts) == 0 && S_ISREG(facts.st_mode) ? qint64(facts.st_size) : 0;
    if (size > kMaxFileBytes)
        raise(ErrorNumber::FileTooLarge, path,
              QStringLiteral("it holds %1 bytes, more than the %2 a dictionary may have").arg(size).arg(kMaxFileBytes));
    const QString program = readerProgram();
    if (!QFileInfo(program).isExecutable())
        raise(ErrorNumber::ReaderFailedToStart, path,
              QStringLiteral("the reader program '%1' is missing").arg(program));

    frames::Limits limits;
    // What a file can legitimately decode to is a small multiple of its size; more means a damaged
    // file that points many rows at the same long value.
    limits.maxTotalBytes = (std::uint64_t(256) << 20) + 8 * std::uint64_t(size);
    SinkAdapter adapter(sink);
    frames::FrameDecoder decoder(adapter, limits);
    ReaderProcess reader(program, path, wantedTables);

    try {
        pump(reader, decoder, path);
        conclude(reader, decoder, path);
    } catch (const frames::FrameError& error) {
        reader.kill();
        raise(error.kind() == frames::FrameError::Kind::Limit ? ErrorNumber::FileTooLarge : ErrorNumber::ReaderProtocol,
              path, QString::fromStdString(error.what()));
    }
}

}  // namespace volmira
