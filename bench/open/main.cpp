// Opens large synthetic dictionaries and prints how long the first screen and every statement take,
// beside the time mdb-export needs to dump the same tables, and the peak memory.
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
long maxRssChildren()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
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

double mdbExportSeconds(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    for (const char* table : {"Main", "CDS_TBL_TABLE_DESC", "Values", "CDS_TBL_RELS_RELEASES"}) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QStringLiteral("mdb-export"), {path, QString::fromLatin1(table)});
        if (!process.waitForFinished(-1) || process.exitCode() != 0)
            std::printf("  mdb-export %s failed\n", table);
    }
    return double(timer.nsecsElapsed()) / 1e9;
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

// Child: opens the file through the program's own layer.
int measureFile(const QString& path)
{
    const double fileMb = double(QFileInfo(path).size()) / 1048576.0;
    QElapsedTimer timer;
    timer.start();
    CountingSink counting;
    volmira::FileReader::read(path, volmira::statements::dictionaryTables(), counting);
    const double readSeconds = double(timer.nsecsElapsed()) / 1e9;
    const double selfCpuBefore = cpuOf(RUSAGE_SELF);
    const double readerCpuBefore = cpuOf(RUSAGE_CHILDREN);
    timer.restart();
    Connection connection;
    connection.setConnectionString(volmira::statements::connectionString(path));
    connection.Open();
    const double openSeconds = double(timer.nsecsElapsed()) / 1e9;
    QString table, column;
    firstScreen(connection, &table, &column);
    const double screenSeconds = double(timer.nsecsElapsed()) / 1e9;
    const long selfKb = maxRssSelf();
    const long readerKb = maxRssChildren();
    const double openCpu = cpuOf(RUSAGE_SELF) - selfCpuBefore;
    const double openReaderCpu = cpuOf(RUSAGE_CHILDREN) - readerCpuBefore;
    timeStatements(connection, table, column);
    const double exportCpuBefore = cpuOf(RUSAGE_CHILDREN);
    const double exportSeconds = mdbExportSeconds(path);
    const double exportCpu = cpuOf(RUSAGE_CHILDREN) - exportCpuBefore;
    std::printf("  file %.1f MB\n", fileMb);
    std::printf("  open %.2f s, open + first screen %.2f s; mdb-export of the four tables %.2f s; ratio %.2f\n",
                openSeconds, screenSeconds, exportSeconds, screenSeconds / exportSeconds);
    std::printf("  cpu: open %.2f s in the program + %.2f s in the reader; mdb-export %.2f s; ratio %.2f\n", openCpu,
                openReaderCpu, exportCpu, (openCpu + openReaderCpu) / exportCpu);
    std::printf("  the reader alone, into a sink that keeps nothing: %.2f s for %lld rows\n", readSeconds,
                counting.rows);
    std::printf("  peak memory: program %.0f MB (%.2f x file), reader %.0f MB\n", megabytes(selfKb),
                megabytes(selfKb) / fileMb, megabytes(readerKb));
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

int runChild(const QStringList& arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1))
        return -1;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
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
        runChild({QStringLiteral("--measure"), path});
        std::printf("-- fed straight into the engine:\n");
        std::fflush(stdout);
        runChild({QStringLiteral("--in-process"), rows});
    }
    return 0;
}
