// Exports a large synthetic dictionary with volmira-export and prints the time beside the time the
// program takes to open the same file (reading it and running the first screen's statements), and
// beside mdb-export dumping the dictionary's four tables.
//
//   volmira-bench-export [ROWS] [--runs N]      default: 100000 Main rows, 3 runs
//
// The file is generated once into bench-data/ of the build folder (the one volmira-bench-open uses).
// Every measurement is a process of its own; its CPU time includes the reading of the file.

#include "bench/common/benchprocess.h"

#include <QTemporaryDir>

#include <cstdio>
#include <variant>
#include <vector>

namespace {

using bench::median;
using bench::timed;
using bench::Timing;

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
    const auto parsed = bench::parseCall();
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const auto [rows, runs] = std::get<bench::Call>(parsed);
    const QString bin = QCoreApplication::applicationDirPath();
    const QString dataDir = bench::dataFolder();
    const QString path = bench::syntheticDictionaryFile(rows);
    std::printf("== %s Main rows: %s (%.1f MB), %d runs each\n", qPrintable(rows), qPrintable(path),
                double(QFileInfo(path).size()) / 1048576.0, runs);
    std::fflush(stdout);

    const QString exporter = bin + QStringLiteral("/volmira-export");
    std::vector<Timing> opens, html, markdown, csv, dumps;
    // The exports are removed only at the end: thousands of files deleted between two runs would slow
    // the creation of the next run's files in the same file system.
    QTemporaryDir out(dataDir + QStringLiteral("/export-XXXXXX"));
    for (int run = 0; run < runs; ++run) {
        const QString folder = out.filePath(QString::number(run));
        opens.push_back(timed(QCoreApplication::applicationFilePath(), {QStringLiteral("--open"), path}));
        Timing dump;
        for (const char* table : {"Main", "CDS_TBL_TABLE_DESC", "Values", "CDS_TBL_RELS_RELEASES"}) {
            const Timing one = timed(QStringLiteral("mdb-export"), {path, QString::fromLatin1(table)});
            dump.wall += one.wall;
            dump.cpu += one.cpu;
        }
        dumps.push_back(dump);
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
    line("mdb-export of the four tables", figures(dumps));
    line("volmira-export --format html", figures(html));
    line("volmira-export --format markdown", figures(markdown));
    line("volmira-export --format csv", figures(csv));
    const Figures site = figures(html);
    const Figures dump = figures(dumps);
    std::printf("  html export / open: %.2f (wall median), %.2f (cpu median)\n", site.wall / open.wall,
                site.cpu / open.cpu);
    std::printf("  html export with its diagrams / mdb-export: %.2f (wall median), %.2f (cpu median); the goal is "
                "at most 6\n",
                site.wall / dump.wall, site.cpu / dump.cpu);
    return 0;
}
