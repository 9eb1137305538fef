// Opens large synthetic dictionaries and prints how long reading the file's bytes, the reader alone, the
// open with the first screen and every statement take, beside the time mdb-export and the npm mdb-reader
// need to read the same tables, and the peak memory; at the end the figures of every size side by side.
//
//   volmira-bench-open [ROWS ...]        default: 100000 1000000 Main rows
//
// The files are generated once into bench-data/ of the build folder. Each measurement runs in a child
// process of its own, so that the peak memory of one does not hide in another's.

#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/filereader.h"
#include "dictionary/recordset.h"
#include "dictionary/sqliteengine.h"
#include "dictionary/statements.h"
#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QProcess>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

using volmira::Connection;
using volmira::Recordset;

double megabytes(long kilobytes) { return double(kilobytes) / 1024.0; }
long maxRssSelf()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}
double cpuOf(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Reads every field of every row, as the windows do.
long long drain(const QString& sql, const Connection& connection, QString* first = nullptr)
{
    Recordset rs;
    rs.Open(sql, connection);
    long long rows = 0;
    while (!rs.Eof()) {
        for (int i = 0; i < rs.fieldCount(); ++i) {
            const auto& value = rs.Fields(i).Value;
            if (!value.isNull()) {
                const QString text = value.toText();
                if (first && rows == 0 && i == 0)
                    *first = text;
            }
        }
        ++rows;
        rs.MoveNext();
    }
    return rows;
}

struct Statement {
    const char* shape;
    QString sql;
};

std::vector<Statement> statements(const QString& area, const QString& table, const QString& column)
{
    namespace sql = volmira::statements;
    using Mode = sql::SearchMode;
    return {
        {"version", sql::version()},
        {"area tables", sql::areaTables(area)},
        {"table's area", sql::tableArea(table)},
        {"table description", sql::tableDescription(area, table)},
        {"columns", sql::columns(area, table)},
        {"column matches", sql::columnMatches(area, table, QStringLiteral("claim"))},
        {"valid values", sql::validValues(area, table, column)},
        {"search table name, all", sql::searchAllAreas(Mode::TableName, QStringLiteral("CLAIM_0001"))},
        {"search table name, area", sql::searchArea(Mode::TableName, area, QStringLiteral("CLAIM_0001"))},
        {"search table desc, all", sql::searchAllAreas(Mode::TableDescription, QStringLiteral("capitation"))},
        {"search table desc, area", sql::searchArea(Mode::TableDescription, area, QStringLiteral("capitation"))},
        {"search column name, all", sql::searchAllAreas(Mode::ColumnName, QStringLiteral("amount_1"))},
        {"search column name, area", sql::searchArea(Mode::ColumnName, area, QStringLiteral("amount_1"))},
        {"search column desc, all", sql::searchAllAreas(Mode::ColumnDescription, QStringLiteral("capitation"))},
        {"  same, 'müller'", sql::searchAllAreas(Mode::ColumnDescription, QStringLiteral("müller"))},
        {"search column desc, area", sql::searchArea(Mode::ColumnDescription, area, QStringLiteral("capitation"))},
    };
}

// The first screen: version, Accounting's tables, the first table's description and columns, and the
// first column's valid values.
void firstScreen(const Connection& connection, QString* table, QString* column)
{
    namespace sql = volmira::statements;
    const QString area = QStringLiteral("acct");
    drain(sql::version(), connection);
    drain(sql::areaTables(area), connection, table);
    drain(sql::tableDescription(area, *table), connection);
    drain(sql::columns(area, *table), connection, column);
    drain(sql::validValues(area, *table, *column), connection);
}

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Wall-clock and CPU time: on a busy machine the CPU time is the one that tells the statement's cost.
void timeStatements(const Connection& connection, const QString& table, const QString& column)
{
    std::printf("  %-26s %9s %9s %9s %8s\n", "statement", "median ms", "max ms", "cpu ms", "rows");
    for (const Statement& s : statements(QStringLiteral("acct"), table, column)) {
        std::vector<double> times, cpu;
        long long rows = 0;
        for (int i = 0; i < 9; ++i) {
            QElapsedTimer timer;
            const double cpuStart = cpuSeconds();
            timer.start();
            rows = drain(s.sql, connection);
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
            cpu.push_back((cpuSeconds() - cpuStart) * 1e3);
        }
        std::sort(times.begin(), times.end());
        std::sort(cpu.begin(), cpu.end());
        std::printf("  %-26s %9.2f %9.2f %9.2f %8lld\n", s.shape, times[times.size() / 2], times.back(),
                    cpu[cpu.size() / 2], rows);
    }
}

// A duration on the wall clock and in CPU time: on a busy machine the CPU time tells the cost.
struct Timing {
    double wall = -1;
    double cpu = -1;
};

double childrenCpu() { return cpuOf(RUSAGE_CHILDREN); }

Timing peerTiming(const QString& program, const QStringList& arguments)
{
    const double cpuBefore = childrenCpu();
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::printf("  %s failed\n", program.toUtf8().constData());
        return {};
    }
    return {double(timer.nsecsElapsed()) / 1e9, childrenCpu() - cpuBefore};
}

const QStringList& fourTables()
{
    static const QStringList tables{QStringLiteral("Main"), QStringLiteral("CDS_TBL_TABLE_DESC"),
                                    QStringLiteral("Values"), QStringLiteral("CDS_TBL_RELS_RELEASES")};
    return tables;
}

// mdb-export, one process a table, as a user dumps them.
Timing mdbExportTiming(const QString& path)
{
    Timing sum{0, 0};
    for (const QString& table : fourTables()) {
        const Timing one = peerTiming(QStringLiteral("mdb-export"), {path, table});
        if (one.wall < 0)
            return {};
        sum.wall += one.wall;
        sum.cpu += one.cpu;
    }
    return sum;
}

// The npm mdb-reader, every cell of the four tables in one process.
Timing mdbReaderTiming(const QString& path)
{
    const QString readers = QString::fromUtf8(VOLMIRA_SOURCE_DIR) + QStringLiteral("/tests/readers");
    if (!QFileInfo::exists(readers + QStringLiteral("/node_modules/mdb-reader"))) {
        std::printf("  mdb-reader is not installed: npm ci in tests/readers\n");
        return {};
    }
    return peerTiming(QStringLiteral("node"), QStringList{readers + QStringLiteral("/readtables.mjs"), path}
                                                  + fourTables());
}

// Times work done in this process.
Timing timed(const std::function<void()>& work)
{
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    work();
    return {double(timer.nsecsElapsed()) / 1e9, cpuSeconds() - cpuBefore};
}

// Reads the whole file into one reused buffer: the floor under any reading of it.
void readFileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw volmira::Error(volmira::ErrorNumber::FileSystem, QStringLiteral("cannot read %1").arg(path));
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    while (file.read(buffer.data(), buffer.size()) > 0) {
    }
}

// Counts what the reader hands over and keeps nothing: the reading alone.
class CountingSink final : public volmira::TableSink {
public:
    void catalog(const QStringList&) override {}
    void beginTable(const QString&, const std::vector<volmira::ColumnInfo>&) override {}
    void row(const volmira::CellView*, int) override { ++rows; }
    void endTable() override {}
    long long rows = 0;
};

// The run with the median wall time of a few: the machine is shared.
Timing medianOf(int runs, const std::function<void()>& work)
{
    std::vector<Timing> timings;
    for (int run = 0; run < runs; ++run)
        timings.push_back(timed(work));
    std::sort(timings.begin(), timings.end(), [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
    return timings[timings.size() / 2];
}

void printFigure(const char* name, const Timing& timing)
{
    std::printf("figure %s_wall %.4f\nfigure %s_cpu %.4f\n", name, timing.wall, name, timing.cpu);
}

// Child: opens the file through the program's own layer. The figures go to the parent as "figure NAME
// VALUE" lines.
int measureFile(const QString& path)
{
    const double fileMb = double(QFileInfo(path).size()) / 1048576.0;
    const Timing bytes = medianOf(5, [&path] { readFileBytes(path); });
    CountingSink counting;
    const Timing reading = medianOf(3, [&] {
        counting.rows = 0;
        volmira::FileReader::read(path, volmira::statements::dictionaryTables(), counting);
    });
    QString table, column;
    const Timing screen = medianOf(3, [&] {
        Connection connection;
        connection.setConnectionString(volmira::statements::connectionString(path));
        connection.Open();
        firstScreen(connection, &table, &column);
    });
    Connection connection;
    connection.setConnectionString(volmira::statements::connectionString(path));
    connection.Open();
    timeStatements(connection, table, column);
    std::printf("  the reader alone handed over %lld rows\n", counting.rows);
    std::printf("figure file_mb %.1f\n", fileMb);
    printFigure("bytes", bytes);
    printFigure("reader", reading);
    printFigure("screen", screen);
    printFigure("mdb_export", mdbExportTiming(path));
    printFigure("mdb_reader", mdbReaderTiming(path));
    return 0;
}

// Child: one open and the first screen, for the peak memory of the program as a user starts it.
int measurePeak(const QString& path)
{
    Connection connection;
    connection.setConnectionString(volmira::statements::connectionString(path));
    connection.Open();
    QString table, column;
    firstScreen(connection, &table, &column);
    std::printf("figure peak_mb %.1f\n", megabytes(maxRssSelf()));
    return 0;
}

// Child: feeds the generated rows straight into the engine, without file or reader: the engine's own
// share of the opening time.
int measureInProcess(std::size_t mainRows)
{
    const volmira::jet4::DatabaseModel model = volmira::jet4::syntheticDictionary(mainRows);
    volmira::TableReader feed = [&model](const QStringList& wanted, volmira::TableSink& sink) {
        QStringList names;
        for (const auto& t : model.tables)
            names << t.name;
        sink.catalog(names);
        std::vector<QByteArray> texts;
        std::vector<volmira::CellView> cells;
        volmira::jet4::Row row;
        for (const auto& t : model.tables) {
            if (!wanted.contains(t.name, Qt::CaseInsensitive))
                continue;
            std::vector<volmira::ColumnInfo> columns;
            for (const auto& c : t.columns)
                columns.push_back({c.name, c.type == volmira::jet4::ColumnType::Bool   ? volmira::ColumnType::Bool
                                           : c.type == volmira::jet4::ColumnType::Long ? volmira::ColumnType::Long
                                           : c.type == volmira::jet4::ColumnType::Memo ? volmira::ColumnType::Memo
                                                                                       : volmira::ColumnType::Text});
            sink.beginTable(t.name, columns);
            for (std::size_t i = 0; i < t.rowCount(); ++i) {
                row.clear();
                if (t.rowGenerator)
                    t.rowGenerator(i, row);
                else
                    row = t.rows[i];
                texts.assign(row.size(), QByteArray());
                cells.assign(row.size(), volmira::CellView());
                for (std::size_t k = 0; k < row.size(); ++k) {
                    const auto& v = row[k];
                    if (v.isText()) {
                        texts[k] = v.toText().toUtf8();
                        cells[k] = {volmira::CellView::Kind::Text, 0,
                                    std::string_view(texts[k].constData(), size_t(texts[k].size()))};
                    } else if (v.isBool()) {
                        cells[k] = {volmira::CellView::Kind::YesNo, v.toBool() ? -1.0 : 0.0, {}};
                    } else if (v.isInteger()) {
                        cells[k] = {volmira::CellView::Kind::Number, double(v.toInteger()), {}};
                    }
                }
                sink.row(cells.data(), int(cells.size()));
            }
            sink.endTable();
        }
    };
    QElapsedTimer timer;
    timer.start();
    auto engine = std::make_shared<volmira::SqliteEngine>(feed);
    const double loadSeconds = double(timer.nsecsElapsed()) / 1e9;
    Connection connection;
    connection.openOn(engine);
    QString table, column;
    timer.restart();
    firstScreen(connection, &table, &column);
    const double screenSeconds = double(timer.nsecsElapsed()) / 1e9;
    timeStatements(connection, table, column);
    std::printf("  generated rows loaded into the engine in %.2f s (generation included); first screen %.3f s\n",
                loadSeconds, screenSeconds);
    std::printf("  peak memory %.0f MB\n", megabytes(maxRssSelf()));
    return 0;
}

int generate(std::size_t mainRows, const QString& path)
{
    volmira::jet4::writeDatabaseFile(volmira::jet4::syntheticDictionary(mainRows), path);
    return 0;
}

using Figures = QMap<QString, double>;

// Runs this program as a child; its lines are passed on, its "figure NAME VALUE" lines kept in *figures.
int runChild(const QStringList& arguments, Figures* figures = nullptr)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForStarted(-1))
        return -1;
    while (child.state() != QProcess::NotRunning || child.canReadLine()) {
        if (!child.canReadLine() && !child.waitForReadyRead(1000))
            continue;
        while (child.canReadLine()) {
            const QByteArray line = child.readLine();
            const QList<QByteArray> parts = line.trimmed().split(' ');
            if (figures && parts.size() == 3 && parts[0] == "figure")
                figures->insert(QString::fromLatin1(parts[1]), parts[2].toDouble());
            else
                std::fputs(line.constData(), stdout);
        }
        std::fflush(stdout);
    }
    const QByteArray rest = child.readAll();
    std::fputs(rest.constData(), stdout);
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

// The figures of every size side by side.
void printSummary(const QStringList& sizes, const std::vector<Figures>& figures)
{
    auto line = [&](const char* what, const std::function<QString(const Figures&)>& cell) {
        std::printf("%-44s", what);
        for (const Figures& f : figures)
            std::printf(" %22s", cell(f).toUtf8().constData());
        std::printf("\n");
    };
    auto seconds = [](const char* name) {
        return [name](const Figures& f) {
            const double wall = f.value(QStringLiteral("%1_wall").arg(QLatin1String(name)), -1);
            const double cpu = f.value(QStringLiteral("%1_cpu").arg(QLatin1String(name)), -1);
            return wall < 0 ? QStringLiteral("-") : QStringLiteral("%1 / %2 s").arg(wall, 0, 'f', 3).arg(cpu, 0, 'f', 3);
        };
    };
    auto ratio = [](const char* over, const char* under) {
        return [over, under](const Figures& f) {
            auto value = [&f](const char* name, const char* clock) {
                return f.value(QStringLiteral("%1_%2").arg(QLatin1String(name), QLatin1String(clock)), -1);
            };
            if (value(under, "wall") <= 0)
                return QStringLiteral("-");
            return QStringLiteral("%1 / %2")
                .arg(value(over, "wall") / value(under, "wall"), 0, 'f', 2)
                .arg(value(over, "cpu") / value(under, "cpu"), 0, 'f', 2);
        };
    };
    std::printf("\n%-44s", "Main rows (wall / CPU)");
    for (const QString& rows : sizes)
        std::printf(" %22s", rows.toUtf8().constData());
    std::printf("\n");
    line("file", [](const Figures& f) { return QStringLiteral("%1 MB").arg(f.value(QStringLiteral("file_mb")), 0, 'f', 1); });
    line("reading the file's bytes", seconds("bytes"));
    line("the reader alone (a sink that keeps nothing)", seconds("reader"));
    line("open + first screen", seconds("screen"));
    line("mdb-export of the four tables", seconds("mdb_export"));
    line("mdb-reader (npm) of the four tables", seconds("mdb_reader"));
    line("open + first screen / mdb-export", ratio("screen", "mdb_export"));
    line("open + first screen / mdb-reader", ratio("screen", "mdb_reader"));
    line("open + first screen / reading the bytes", ratio("screen", "bytes"));
    line("peak memory of the program", [](const Figures& f) {
        return QStringLiteral("%1 MB (%2 x file)")
            .arg(f.value(QStringLiteral("peak_mb")), 0, 'f', 0)
            .arg(f.value(QStringLiteral("peak_mb")) / f.value(QStringLiteral("file_mb")), 0, 'f', 2);
    });
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    try {
        if (arguments.value(0) == QLatin1String("--generate"))
            return generate(arguments.value(1).toULongLong(), arguments.value(2));
        if (arguments.value(0) == QLatin1String("--measure"))
            return measureFile(arguments.value(1));
        if (arguments.value(0) == QLatin1String("--peak"))
            return measurePeak(arguments.value(1));
        if (arguments.value(0) == QLatin1String("--in-process"))
            return measureInProcess(arguments.value(1).toULongLong());
    } catch (const volmira::Error& e) {
        std::printf("  Error %d: %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }

    if (arguments.isEmpty())
        arguments = QStringList{QStringLiteral("100000"), QStringLiteral("1000000")};
    const QString dataDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../bench-data");
    QDir().mkpath(dataDir);
    std::vector<Figures> figures;
    for (const QString& rows : arguments) {
        const QString path = QStringLiteral("%1/dictionary-%2.mdb").arg(dataDir, rows);
        std::printf("== %s Main rows: %s\n", rows.toLatin1().constData(), QDir::cleanPath(path).toUtf8().constData());
        std::fflush(stdout);
        if (!QFileInfo::exists(path)) {
            QElapsedTimer timer;
            timer.start();
            if (runChild({QStringLiteral("--generate"), rows, path}) != 0)
                return 1;
            std::printf("  generated in %.1f s\n", double(timer.nsecsElapsed()) / 1e9);
        }
        std::printf("-- through the reader:\n");
        std::fflush(stdout);
        figures.emplace_back();
        runChild({QStringLiteral("--measure"), path}, &figures.back());
        runChild({QStringLiteral("--peak"), path}, &figures.back());
        std::printf("-- fed straight into the engine:\n");
        std::fflush(stdout);
        runChild({QStringLiteral("--in-process"), rows});
    }
    printSummary(arguments, figures);
    return 0;
}
