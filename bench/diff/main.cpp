// Compares two large synthetic dictionaries with volmira-diff and prints the time and peak memory
// beside those of the program opening one of them (reading it and running the first screen's statements).
//
//   volmira-bench-diff [ROWS] [--runs N]      default: 100000 Main rows, 3 runs
//
// The old file is the one volmira-bench-open uses (bench-data/ of the build folder); the new one is the
// same dictionary with many changes: rewritten definitions, widened types, renamed columns, moved key
// flags, described-anew valid values and a new release. Every measurement is a process of its own.

#include "testkit/damage/firstscreen.h"
#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using volmira::jet4::Row;
using volmira::jet4::Value;

// Main's fields as the synthetic dictionary writes them.
enum MainField { Table, Column, Area, DataType, DataAttributes, LogicalDesc, Definition, PrimaryKey };

volmira::jet4::TableModel& table(volmira::jet4::DatabaseModel& model, const char* name)
{
    for (auto& t : model.tables) {
        if (t.name == QLatin1String(name))
            return t;
    }
    std::fprintf(stderr, "no table %s\n", name);
    std::exit(1);
}

// The same dictionary with about one change in every fifteen column rows.
volmira::jet4::DatabaseModel changedDictionary(std::size_t rows)
{
    volmira::jet4::DatabaseModel model = volmira::jet4::syntheticDictionary(rows);
    auto& main = table(model, "Main");
    main.rowGenerator = [generate = main.rowGenerator](std::size_t index, Row& row) {
        generate(index, row);
        if (index % 37 == 0 && row[Definition].isText())
            row[Definition] =
                QStringLiteral("Revised: ") + row[Definition].toText() + QStringLiteral(" Kept for history.");
        if (index % 101 == 0)
            row[DataAttributes] = QStringLiteral("99");
        if (index % 211 == 0 && row[Column].isText())
            row[Column] = row[Column].toText() + QStringLiteral("_CD");
        if (index % 503 == 0)
            row[PrimaryKey] = !(row[PrimaryKey].isBool() && row[PrimaryKey].toBool());
    };
    auto& values = table(model, "Values");
    values.rowGenerator = [generate = values.rowGenerator](std::size_t index, Row& row) {
        generate(index, row);
        if (index % 53 == 0)
            row[1] = QStringLiteral("Described anew");
    };
    auto& releases = table(model, "CDS_TBL_RELS_RELEASES");
    releases.rowGenerator = [generate = releases.rowGenerator, last = releases.generatedRowCount](std::size_t index,
                                                                                                  Row& row) {
        if (index == last)
            row.emplace_back(qint64(452));
        else
            generate(index, row);
    };
    ++releases.generatedRowCount;
    return model;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
    double peakMegabytes = 0;  // of the measured program's own process
};

// Runs the program in a child of its own, so that its peak memory is its own.
Timing timed(const QString& program, const QStringList& arguments, int expectedExit)
{
    QElapsedTimer clock;
    clock.start();
    const pid_t child = fork();
    if (child == 0) {
        const QByteArray path = program.toLocal8Bit();
        std::vector<QByteArray> kept;
        std::vector<char*> argv{const_cast<char*>(path.constData())};
        for (const QString& a : arguments)
            kept.push_back(a.toLocal8Bit());
        for (QByteArray& a : kept)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (!freopen("/dev/null", "w", stdout))
            _exit(127);
        execv(path.constData(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != expectedExit) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(1);
    }
    Timing t;
    t.wall = double(clock.nsecsElapsed()) / 1e9;
    t.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    t.peakMegabytes = double(usage.ru_maxrss) / 1024.0;
    return t;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures {
    double wall;
    double cpu;
    double peak;
};

Figures figures(const std::vector<Timing>& runs)
{
    std::vector<double> wall, cpu, peak;
    for (const Timing& t : runs) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
        peak.push_back(t.peakMegabytes);
    }
    return {median(wall), median(cpu), *std::max_element(peak.begin(), peak.end())};
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--open")) {
        const auto outcome = volmira::damage::openFirstScreen(arguments.value(1));
        return outcome.opened ? 0 : 1;
    }
    int runs = 3;
    const int runsAt = int(arguments.indexOf(QStringLiteral("--runs")));
    if (runsAt >= 0) {
        runs = std::max(1, arguments.value(runsAt + 1).toInt());
        arguments.remove(runsAt, 2);
    }
    const QString rows = arguments.value(0, QStringLiteral("100000"));

    const QString bin = QCoreApplication::applicationDirPath();
    const QString dataDir = QDir::cleanPath(bin + QStringLiteral("/../bench-data"));
    QDir().mkpath(dataDir);
    const QString oldPath = QStringLiteral("%1/dictionary-%2.mdb").arg(dataDir, rows);
    const QString newPath = QStringLiteral("%1/dictionary-%2-changed.mdb").arg(dataDir, rows);
    if (!QFileInfo::exists(oldPath))
        volmira::jet4::writeDatabaseFile(volmira::jet4::syntheticDictionary(rows.toULongLong()), oldPath);
    if (!QFileInfo::exists(newPath))
        volmira::jet4::writeDatabaseFile(changedDictionary(rows.toULongLong()), newPath);
    std::printf("== %s Main rows: %s (%.1f MB) against %s, %d runs each\n", qPrintable(rows), qPrintable(oldPath),
                double(QFileInfo(oldPath).size()) / 1048576.0, qPrintable(QFileInfo(newPath).fileName()), runs);
    std::fflush(stdout);

    const QString differ = bin + QStringLiteral("/volmira-diff");
    std::vector<Timing> opens, diffs;
    for (int run = 0; run < runs; ++run) {
        opens.push_back(timed(QCoreApplication::applicationFilePath(), {QStringLiteral("--open"), oldPath}, 0));
        diffs.push_back(timed(differ, {oldPath, newPath, QStringLiteral("--format"), QStringLiteral("json")}, 1));
    }
    const Figures open = figures(opens);
    const Figures diff = figures(diffs);
    std::printf("  %-34s %12s %12s %12s %14s\n", "", "wall median", "cpu median", "cpu / open", "peak memory");
    std::printf("  %-34s %10.2f s %10.2f s %12.2f %11.0f MB\n", "open + first screen", open.wall, open.cpu, 1.0,
                open.peak);
    std::printf("  %-34s %10.2f s %10.2f s %12.2f %11.0f MB\n", "volmira-diff --format json", diff.wall, diff.cpu,
                diff.cpu / open.cpu, diff.peak);
    std::printf("  diff / open: %.2f (wall median), %.2f (cpu median); the goal is at most 2.5\n",
                diff.wall / open.wall, diff.cpu / open.cpu);
    std::printf("  diff's peak memory / two opens': %.2f; the goal is at most 2\n", diff.peak / (2 * open.peak));
    return 0;
}
