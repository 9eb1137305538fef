// Compares two large synthetic dictionaries with volmira-diff and prints the time and peak memory
// beside those of the program opening one of them (reading it and running the first screen's statements).
//
//   volmira-bench-diff [ROWS] [--runs N]      default: 100000 Main rows, 3 runs
//
// The old file is the one volmira-bench-open uses (bench-data/ of the build folder); the new one is the
// same dictionary with many changes: rewritten definitions, widened types, renamed columns, moved key
// flags, described-anew valid values and a new release. Every measurement is a process of its own.

#include "bench/common/benchprocess.h"

#include <QThread>

#include <cstdio>
#include <variant>
#include <vector>

namespace {

using bench::median;
using bench::timed;
using bench::Timing;

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
    const auto parsed = bench::parseCall();
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const auto [rows, runs] = std::get<bench::Call>(parsed);
    const QString bin = QCoreApplication::applicationDirPath();
    const QString oldPath = bench::syntheticDictionaryFile(rows);
    const QString newPath = QStringLiteral("%1/dictionary-%2-changed.mdb").arg(bench::dataFolder(), rows);
    if (!QFileInfo::exists(newPath))
        volmira::jet4::writeDatabaseFile(changedDictionary(rows.toULongLong()), newPath);
    std::printf("== %s Main rows: %s (%.1f MB) against %s, %d runs each\n", qPrintable(rows), qPrintable(oldPath),
                double(QFileInfo(oldPath).size()) / 1048576.0, qPrintable(QFileInfo(newPath).fileName()), runs);
    std::fflush(stdout);

    const QString differ = bin + QStringLiteral("/volmira-diff");
    const QString self = QCoreApplication::applicationFilePath();
    const QStringList openOld{QStringLiteral("--open"), oldPath};
    std::vector<Timing> opens, twoOpens, diffs;
    for (int run = 0; run < runs; ++run) {
        opens.push_back(timed(self, openOld));
        twoOpens.push_back(timed(self, openOld, 0, 2));
        diffs.push_back(timed(differ, {oldPath, newPath, QStringLiteral("--format"), QStringLiteral("json")}, 1));
    }
    const Figures open = figures(opens);
    const Figures both = figures(twoOpens);
    const Figures diff = figures(diffs);
    std::printf("  %-34s %12s %12s %12s %14s\n", "", "wall median", "cpu median", "cpu / open", "peak memory");
    std::printf("  %-34s %10.2f s %10.2f s %12.2f %11.0f MB\n", "open + first screen", open.wall, open.cpu, 1.0,
                open.peak);
    // What any comparison costs before it compares: it reads both files, at once where there are cores.
    std::printf("  %-34s %10.2f s %10.2f s %12.2f %11.0f MB\n", "two opens at once", both.wall, both.cpu,
                both.cpu / open.cpu, both.peak);
    std::printf("  %-34s %10.2f s %10.2f s %12.2f %11.0f MB\n", "volmira-diff --format json", diff.wall, diff.cpu,
                diff.cpu / open.cpu, diff.peak);
    std::printf("  diff / open: %.2f (wall median), %.2f (cpu median); the goal is at most 2.5\n",
                diff.wall / open.wall, diff.cpu / open.cpu);
    std::printf("  two opens at once / open: %.2f (wall median) on %d cores\n", both.wall / open.wall,
                QThread::idealThreadCount());
    std::printf("  diff's peak memory / two opens': %.2f; the goal is at most 2\n", diff.peak / (2 * open.peak));
    return 0;
}
