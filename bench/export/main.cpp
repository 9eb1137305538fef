// Exports a large synthetic dictionary with volmira-export and prints the time beside the time the
// program takes to open the same file (reading it and running the first screen's statements).
//
//   volmira-bench-export [ROWS] [--runs N]      default: 100000 Main rows, 3 runs
//
// The file is generated once into bench-data/ of the build folder (the one volmira-bench-open uses).
// Every measurement is a process of its own; its CPU time includes the reading of the file.

#include "testkit/damage/firstscreen.h"
#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

Timing timed(const QString& program, const QStringList& arguments)
{
    const double cpuBefore = childrenCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(1);
    }
    return {double(clock.nsecsElapsed()) / 1e9, childrenCpuSeconds() - cpuBefore};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures {
    double wall;
    double wallMin;
    double cpu;
};

Figures figures(const std::vector<Timing>& runs)
{
    std::vector<double> wall, cpu;
    for (const Timing& t : runs) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    return {median(wall), *std::min_element(wall.begin(), wall.end()), median(cpu)};
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
    const QString path = QStringLiteral("%1/dictionary-%2.mdb").arg(dataDir, rows);
    if (!QFileInfo::exists(path))
        volmira::jet4::writeDatabaseFile(volmira::jet4::syntheticDictionary(rows.toULongLong()), path);
    std::printf("== %s Main rows: %s (%.1f MB), %d runs each\n", qPrintable(rows), qPrintable(path),
                double(QFileInfo(path).size()) / 1048576.0, runs);
    std::fflush(stdout);

    const QString exporter = bin + QStringLiteral("/volmira-export");
    std::vector<Timing> opens, html, markdown, csv;
    // The exports are removed only at the end: thousands of files deleted between two runs would slow
    // the creation of the next run's files in the same file system.
    QTemporaryDir out(dataDir + QStringLiteral("/export-XXXXXX"));
    for (int run = 0; run < runs; ++run) {
        const QString folder = out.filePath(QString::number(run));
        opens.push_back(timed(QCoreApplication::applicationFilePath(), {QStringLiteral("--open"), path}));
        html.push_back(timed(exporter, {path, folder + QStringLiteral("/html")}));
        markdown.push_back(timed(
            exporter, {path, folder + QStringLiteral("/md"), QStringLiteral("--format"), QStringLiteral("markdown")}));
        csv.push_back(timed(
            exporter, {path, folder + QStringLiteral("/csv"), QStringLiteral("--format"), QStringLiteral("csv")}));
    }
    const Figures open = figures(opens);
    std::printf("  %-30s %12s %10s %12s %12s\n", "", "wall median", "wall min", "cpu median", "cpu / open");
    const auto line = [&open](const char* what, const Figures& f) {
        std::printf("  %-30s %10.2f s %8.2f s %10.2f s %12.2f\n", what, f.wall, f.wallMin, f.cpu, f.cpu / open.cpu);
    };
    line("open + first screen", open);
    line("volmira-export --format html", figures(html));
    line("volmira-export --format markdown", figures(markdown));
    line("volmira-export --format csv", figures(csv));
    const Figures site = figures(html);
    std::printf("  html export / open: %.2f (wall median), %.2f (cpu median); the goal is at most 3\n",
                site.wall / open.wall, site.cpu / open.cpu);
    return 0;
}
