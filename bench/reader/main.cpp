// Times reading a dictionary with the Jet reader alone, through the program's FileReader, and
// loaded into an in-memory SQLite database, against mdb-export dumping the same tables to /dev/null.
//   bench_reader [MAIN_ROWS | FILE.mdb]      (default: a synthetic dictionary of 100,000 Main rows)

#include "dictionary/error.h"
#include "dictionary/filereader.h"
#include "dictionary/reader/dictionaryreader.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/rowsink.h"
#include "dictionary/statements.h"
#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <sys/resource.h>

using namespace volmira;

namespace {

const QStringList& kTables = statements::dictionaryTables();

// Touches every cell, as any consumer must.
class CountingSink final : public TableSink {
public:
    void catalog(const QStringList&) override {}
    void beginTable(const QString&, const std::vector<ColumnInfo>&) override {}
    void row(const CellView* cells, int count) override
    {
        ++rows;
        for (int i = 0; i < count; ++i)
            bytes += cells[i].text.size();
    }
    void endTable() override {}
    long rows = 0;
    long bytes = 0;
};

// The same for the Jet reader's own interface.
class CountingRowSink final : public reader::RowSink {
public:
    void catalog(const std::vector<std::string>&) override {}
    void beginTable(std::string_view, const std::vector<reader::ReadColumn>&) override {}
    void row(const CellView* cells, int count) override
    {
        ++rows;
        for (int i = 0; i < count; ++i)
            bytes += cells[i].text.size();
    }
    void endTable() override {}
    long rows = 0;
    long bytes = 0;
};

// Loads each table into SQLite with one prepared INSERT in one transaction.
class SqliteSink final : public TableSink {
public:
    SqliteSink() { sqlite3_open(":memory:", &db_); }
    ~SqliteSink() override
    {
        sqlite3_finalize(insert_);
        sqlite3_close(db_);
    }
    void catalog(const QStringList&) override {}
    void beginTable(const QString& name, const std::vector<ColumnInfo>& columns) override
    {
        QString create = QStringLiteral("CREATE TABLE [%1] (").arg(name);
        QString insert = QStringLiteral("INSERT INTO [%1] VALUES (").arg(name);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            create += (i ? QStringLiteral(", [") : QStringLiteral("[")) + columns[i].name + QStringLiteral("]");
            insert += i ? QStringLiteral(", ?") : QStringLiteral("?");
        }
        sqlite3_exec(db_, (create + QStringLiteral(")")).toUtf8().constData(), nullptr, nullptr, nullptr);
        sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db_, (insert + QStringLiteral(")")).toUtf8().constData(), -1, &insert_, nullptr);
    }
    void row(const CellView* cells, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const CellView& c = cells[i];
            if (c.kind == CellView::Kind::Null)
                sqlite3_bind_null(insert_, i + 1);
            else if (c.kind == CellView::Kind::Text)
                sqlite3_bind_text(insert_, i + 1, c.text.data(), int(c.text.size()), SQLITE_STATIC);
            else if (c.kind == CellView::Kind::Binary)
                sqlite3_bind_blob(insert_, i + 1, c.text.data(), int(c.text.size()), SQLITE_STATIC);
            else
                sqlite3_bind_double(insert_, i + 1, c.number);
        }
        sqlite3_step(insert_);
        sqlite3_reset(insert_);
    }
    void endTable() override
    {
        sqlite3_finalize(insert_);
        insert_ = nullptr;
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
};

struct Timing {
    qint64 wallMs = -1;
    qint64 cpuMs = -1;  // this process and its children, user and system

    void keepBest(const Timing& other)
    {
        if (wallMs < 0 || other.wallMs < wallMs)
            wallMs = other.wallMs;
        if (cpuMs < 0 || other.cpuMs < cpuMs)
            cpuMs = other.cpuMs;
    }
};

qint64 cpuMsSoFar()
{
    qint64 total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000
                 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
    }
    return total;
}

template <typename Work>
Timing timed(Work work)
{
    const qint64 cpu = cpuMsSoFar();
    QElapsedTimer timer;
    timer.start();
    work();
    return Timing{timer.elapsed(), cpuMsSoFar() - cpu};
}

template <typename Sink>
Timing readInto(const QString& path)
{
    return timed([&path] {
        Sink sink;
        FileReader::read(path, kTables, sink);
    });
}

Timing jetReaderAlone(const QString& path)
{
    std::vector<std::string> wanted;
    for (const QString& table : kTables)
        wanted.push_back(table.toStdString());
    return timed([&] {
        CountingRowSink sink;
        try {
            reader::readDictionary(path.toStdString(), wanted, sink);
        } catch (const reader::Failure& failure) {
            std::fprintf(stderr, "%d: %s\n", failure.number, failure.message.c_str());
        }
    });
}

// Reading the file's bytes, as the floor of any reader.
Timing fileBytes(const QString& path)
{
    return timed([&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        std::vector<char> buffer(1 << 20);
        while (file.read(buffer.data(), qint64(buffer.size())) > 0) {
        }
    });
}

Timing mdbExport(const QString& path)
{
    return timed([&path] {
        for (const QString& table : kTables) {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            process.setStandardErrorFile(QProcess::nullDevice());
            process.start(QStringLiteral("mdb-export"), {path, table});
            process.waitForFinished(-1);
        }
    });
}

void print(const char* what, const Timing& timing)
{
    std::printf("%-44s %6lld ms wall, %6lld ms cpu\n", what, static_cast<long long>(timing.wallMs),
                static_cast<long long>(timing.cpuMs));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QString path;
    const QString argument = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("100000");
    bool isNumber = false;
    const long rows = argument.toLong(&isNumber);
    try {
        if (isNumber) {
            path = dir.filePath(QStringLiteral("synthetic.mdb"));
            jet4::writeDatabaseFile(jet4::syntheticDictionary(std::size_t(rows)), path);
        } else {
            path = argument;
        }
        CountingSink count;
        FileReader::read(path, kTables, count);
        // Interleaved, so that load from elsewhere on the machine hits all three alike.
        const int runs = 5;
        Timing bytes, alone, reader, sqlite, exported;
        for (int i = 0; i < runs; ++i) {
            bytes.keepBest(fileBytes(path));
            alone.keepBest(jetReaderAlone(path));
            reader.keepBest(readInto<CountingSink>(path));
            sqlite.keepBest(readInto<SqliteSink>(path));
            exported.keepBest(mdbExport(path));
        }
        std::printf("file %s: %lld bytes, %ld rows, %ld text bytes; best of %d runs\n", qPrintable(path),
                    static_cast<long long>(QFileInfo(path).size()), count.rows, count.bytes, runs);
        print("reading the file's bytes", bytes);
        print("Jet reader alone to a counting sink", alone);
        print("FileReader to a counting sink", reader);
        print("reader into in-memory SQLite", sqlite);
        print("mdb-export of the same tables to /dev/null", exported);
    } catch (const Error& error) {
        std::fprintf(stderr, "%d: %s\n", error.number(), error.what());
        return 1;
    }
    return 0;
}
