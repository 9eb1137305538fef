#pragma once

// What the benchmarks that time whole programs share: the call (ROWS, --runs N), the synthetic dictionary
// in bench-data/ of the build folder, and running a program in a child of its own, whose CPU time and
// peak memory are then its own.

#include "testkit/damage/firstscreen.h"
#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <variant>
#include <vector>

namespace bench {

struct Call {
    QString rows;  // Main rows of the synthetic dictionary
    int runs = 3;
};

// The call's arguments; a child started with "--open FILE" instead opens the file and runs the first
// screen, and its exit status is returned.
inline std::variant<Call, int> parseCall()
{
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--open"))
        return volmira::damage::openFirstScreen(arguments.value(1)).opened ? 0 : 1;
    Call call;
    const int runsAt = int(arguments.indexOf(QStringLiteral("--runs")));
    if (runsAt >= 0) {
        call.runs = std::max(1, arguments.value(runsAt + 1).toInt());
        arguments.remove(runsAt, 2);
    }
    call.rows = arguments.value(0, QStringLiteral("100000"));
    return call;
}

inline QString dataFolder()
{
    const QString folder = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../bench-data"));
    QDir().mkpath(folder);
    return folder;
}

// The synthetic dictionary of the given rows, written once into bench-data/.
inline QString syntheticDictionaryFile(const QString& rows)
{
    const QString path = QStringLiteral("%1/dictionary-%2.mdb").arg(dataFolder(), rows);
    if (!QFileInfo::exists(path))
        volmira::jet4::writeDatabaseFile(volmira::jet4::syntheticDictionary(rows.toULongLong()), path);
    return path;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
    double peakMegabytes = 0;
};

// Starts the program (found on PATH unless the name has a slash) with its standard output thrown away.
inline pid_t started(const QString& program, const QStringList& arguments)
{
    const QByteArray path = program.toLocal8Bit();
    std::vector<QByteArray> kept;
    for (const QString& a : arguments)
        kept.push_back(a.toLocal8Bit());
    std::vector<char*> argv{const_cast<char*>(path.constData())};
    for (QByteArray& a : kept)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (!freopen("/dev/null", "w", stdout))
            _exit(127);
        execvp(path.constData(), argv.data());
        _exit(127);
    }
    return child;
}

// Waits for a started child and adds its CPU time and peak memory (the larger one) to t; ends the
// benchmark when the child does not exit as expected.
inline void waited(pid_t child, const QString& program, int expectedExit, Timing& t)
{
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != expectedExit) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(1);
    }
    t.cpu += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
             + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    t.peakMegabytes = std::max(t.peakMegabytes, double(usage.ru_maxrss) / 1024.0);
}

// Runs the program `copies` times at once and waits for all: the wall time until the last ends, their
// CPU time together and the largest peak.
inline Timing timed(const QString& program, const QStringList& arguments, int expectedExit = 0, int copies = 1)
{
    QElapsedTimer clock;
    clock.start();
    std::vector<pid_t> children;
    for (int i = 0; i < copies; ++i)
        children.push_back(started(program, arguments));
    Timing t;
    for (const pid_t child : children)
        waited(child, program, expectedExit, t);
    t.wall = double(clock.nsecsElapsed()) / 1e9;
    return t;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace bench
