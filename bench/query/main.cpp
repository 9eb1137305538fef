// How much of a file volmira-query reads: one statement on the small release table beside one on Main,
// each from a fresh open, and 1,000 statements over one open beside 1,000 calls of one statement each.
//
//   volmira-bench-query [ROWS]        default: 100000 Main rows
//
// The file is the synthetic dictionary of volmira-bench-open, generated into bench-data/ of the build
// folder when missing.

#include "dictionary/engine.h"
#include "dictionary/error.h"
#include "dictionary/statements.h"
#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QString namedTableStatement = volmira::statements::version();
const QString mainStatement = QStringLiteral("Select Count(*) from Main");
constexpr int repeats = 5;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double secondsOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

// A fresh open serving one statement, inside this process: what the tool does without its start-up.
double openAndRun(const QString& path, const QString& sql)
{
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i)
        times.push_back(
            secondsOf([&] { volmira::Engine::open(path, volmira::Engine::Preload::CatalogOnly)->run(sql); }));
    return median(times);
}

QString toolPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/volmira-query"); }

// One call of volmira-query, its rows thrown away; fails loudly when the tool does.
double toolCall(const QStringList& arguments, const QByteArray& input = QByteArray())
{
    QProcess tool;
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    return secondsOf([&] {
        tool.start(toolPath(), arguments);
        tool.write(input);
        tool.closeWriteChannel();
        if (!tool.waitForFinished(-1) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
            throw volmira::Error(1, QStringLiteral("volmira-query %1 failed").arg(arguments.join(u' ')));
    });
}

// The window's statements over the dictionary's tables and areas, in turn.
QByteArray thousandStatements(const QString& path)
{
    const auto engine = volmira::Engine::open(path);
    const auto pairs = engine->run(QStringLiteral("Select Distinct [Functional Area], Table from Main"));
    QByteArray statements;
    const size_t pairCount = pairs.cells.size() / 2;
    for (int i = 0; i < 1000; ++i) {
        const size_t pair = size_t(i) * 7919 % pairCount;
        const QString area = pairs.cells[2 * pair].Value.toText();
        const QString table = pairs.cells[2 * pair + 1].Value.toText();
        QString sql;
        switch (i % 5) {
        case 0: sql = volmira::statements::version(); break;
        case 1: sql = volmira::statements::areaTables(area); break;
        case 2: sql = volmira::statements::tableDescription(area, table); break;
        case 3: sql = volmira::statements::columns(area, table); break;
        default:
            sql = volmira::statements::searchArea(volmira::statements::SearchMode::ColumnDescription, area,
                                                  QStringLiteral("code"));
        }
        statements += sql.toUtf8() + '\n';
    }
    return statements;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString rows = QCoreApplication::arguments().value(1, QStringLiteral("100000"));
    const QString dataDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../bench-data");
    const QString path = QDir::cleanPath(QStringLiteral("%1/dictionary-%2.mdb").arg(dataDir, rows));
    try {
        if (!QFileInfo::exists(path)) {
            QDir().mkpath(dataDir);
            volmira::jet4::writeDatabaseFile(volmira::jet4::syntheticDictionary(rows.toULongLong()), path);
        }
        std::printf("== %s Main rows: %s (%.1f MB), medians of %d runs\n", rows.toLatin1().constData(),
                    path.toUtf8().constData(), double(QFileInfo(path).size()) / 1048576.0, repeats);

        const double named = openAndRun(path, namedTableStatement);
        const double main = openAndRun(path, mainStatement);
        std::printf("open + statement, in process:  %-50s %8.4f s\n", namedTableStatement.toUtf8().constData(), named);
        std::printf("                               %-50s %8.4f s   ratio %.3f (goal: at most 0.1)\n",
                    mainStatement.toUtf8().constData(), main, named / main);

        std::vector<double> namedCalls, mainCalls;
        for (int i = 0; i < repeats; ++i) {
            namedCalls.push_back(toolCall({path, namedTableStatement}));
            mainCalls.push_back(toolCall({path, mainStatement}));
        }
        std::printf("one call of volmira-query:     %-50s %8.4f s\n", namedTableStatement.toUtf8().constData(),
                    median(namedCalls));
        std::printf("                               %-50s %8.4f s   ratio %.3f\n", mainStatement.toUtf8().constData(),
                    median(mainCalls), median(namedCalls) / median(mainCalls));

        const QByteArray statements = thousandStatements(path);
        const double oneOpen = toolCall({path}, statements);
        std::vector<double> singleCalls;
        const QList<QByteArray> lines = statements.split('\n');
        for (int i = 0; i < 20; ++i)
            singleCalls.push_back(toolCall({path, QString::fromUtf8(lines[i])}));
        double perCall = 0;
        for (double t : singleCalls)
            perCall += t / double(singleCalls.size());
        std::printf("1,000 of the window's statements: one open %.2f s (%.2f ms a statement); "
                    "1,000 calls of one statement each %.1f s (mean of 20 calls x 1,000)\n",
                    oneOpen, oneOpen, 1000 * perCall);
    } catch (const volmira::Error& e) {
        std::fprintf(stderr, "volmira-bench-query: Error %d: %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }
    return 0;
}
