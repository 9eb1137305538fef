#pragma once

// Runs the first screen over many damaged files in watched child processes, and tells how each ended:
// opened, failed with an error, took too long, or took its process down.

#include "testkit/damage/damagedfile.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class QProcess;

namespace volmira::damage {

struct Verdict {
    enum class Kind { Opened, Error, TimedOut, Crashed };
    Kind kind = Kind::Crashed;
    int errorNumber = 0;
    QString description;  // the error's, or how the process ended
    qint64 milliseconds = 0;
};

// A child process that serves the first screen (see serveFirstScreen), restarted after it dies or is
// stopped for taking too long. The child runs in a process group of its own, so that stopping it also
// stops whatever it started.
class FirstScreenServer final {
public:
    FirstScreenServer(QString program, QStringList arguments, int timeLimitMilliseconds);
    ~FirstScreenServer();
    FirstScreenServer(const FirstScreenServer&) = delete;
    FirstScreenServer& operator=(const FirstScreenServer&) = delete;

    Verdict probe(const QString& path);

private:
    void start();
    void stop();

    QString program_;
    QStringList arguments_;
    int timeLimit_;
    std::unique_ptr<QProcess> process_;
    QByteArray pending_;
};

struct Tally {
    int files = 0;
    int opened = 0;
    std::map<int, int> errors;  // error number -> files
    int timedOut = 0;
    int crashed = 0;
    int withoutDescription = 0;
    qint64 slowestMilliseconds = 0;
    qint64 totalMilliseconds = 0;
    QStringList faults;  // one line per time-out, crash or error without description

    bool clean() const { return timedOut == 0 && crashed == 0 && withoutDescription == 0; }
    void add(const Verdict& verdict, const QString& fileDescription);
    QString table() const;
};

struct CorpusRunOptions {
    QString serverProgram;  // a program that serves the first screen
    QStringList serverArguments;
    QString folder;  // where the damaged files are written, one at a time per worker
    int workers = 2;
    int timeLimitMilliseconds = 15000;
};

// Probes files first .. first + count - 1 of the corpus; each file is removed once it has been probed.
Tally runCorpus(const DamageCorpus& corpus, std::uint64_t first, std::uint64_t count, const CorpusRunOptions& options);

// Probes files as they are, each once.
Tally runFiles(const std::vector<BaseDictionary>& files, const CorpusRunOptions& options);

}  // namespace volmira::damage
