// Opens many damaged dictionaries the way the program's first screen does, each in a watched process,
// and prints how they ended.
//   bench_damaged [--files N] [--first K] [--workers W] [--seed S] [--limit MS]
//   bench_damaged --write DIR      writes the undamaged originals, the two libmdb killers and the file
//                                  whose rows share one long value to DIR

#include "testkit/damage/corpusrun.h"
#include "testkit/damage/damagedfile.h"
#include "testkit/damage/firstscreen.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

using namespace volmira::damage;

namespace {

const char* const kServe = "--serve-first-screen";

int writeOriginals(const QString& folder)
{
    std::vector<BaseDictionary> files = baseDictionaries();
    files.push_back(emptyUsageMapDictionary());
    files.push_back(zeroLengthPropertyDictionary());
    files.push_back(sharedLongValueDictionary());
    QDir().mkpath(folder);
    for (const BaseDictionary& file : files) {
        const QString path =
            QDir(folder).filePath(QString(file.name).replace(QLatin1Char(' '), QLatin1Char('-')) + ".mdb");
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(file.bytes) != file.bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s (%lld bytes)\n", qPrintable(path), static_cast<long long>(file.bytes.size()));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], kServe) == 0)
        return serveFirstScreen();

    std::uint64_t files = 20000, first = 0, seed = 1;
    int workers = 2, limit = 15000;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (hasValue && std::strcmp(argv[i], "--write") == 0)
            return writeOriginals(QString::fromLocal8Bit(argv[++i]));
        else if (hasValue && std::strcmp(argv[i], "--files") == 0)
            files = std::strtoull(argv[++i], nullptr, 10);
        else if (hasValue && std::strcmp(argv[i], "--first") == 0)
            first = std::strtoull(argv[++i], nullptr, 10);
        else if (hasValue && std::strcmp(argv[i], "--seed") == 0)
            seed = std::strtoull(argv[++i], nullptr, 10);
        else if (hasValue && std::strcmp(argv[i], "--workers") == 0)
            workers = std::atoi(argv[++i]);
        else if (hasValue && std::strcmp(argv[i], "--limit") == 0)
            limit = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr,
                         "usage: %s [--files N] [--first K] [--workers W] [--seed S] [--limit MS] | --write DIR\n",
                         argv[0]);
            return 2;
        }
    }

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    CorpusRunOptions options;
    options.serverProgram = QCoreApplication::applicationFilePath();
    options.serverArguments = {QString::fromLatin1(kServe)};
    options.folder = folder.path();
    options.workers = workers;
    options.timeLimitMilliseconds = limit;

    QElapsedTimer clock;
    clock.start();
    const Tally killers = runFiles({emptyUsageMapDictionary(), zeroLengthPropertyDictionary()}, options);
    const DamageCorpus corpus(baseDictionaries(), seed);
    const Tally tally = runCorpus(corpus, first, files, options);
    const double seconds = clock.elapsed() / 1000.0;

    std::printf("libmdb killers (empty usage map, zero-length property record):\n%s", qPrintable(killers.table()));
    std::printf("damaged files %llu..%llu (seed %llu, %d workers, limit %d ms), %.1f s:\n%s",
                static_cast<unsigned long long>(first), static_cast<unsigned long long>(first + files - 1),
                static_cast<unsigned long long>(seed), workers, limit, seconds, qPrintable(tally.table()));
    for (const QString& fault : killers.faults + tally.faults)
        std::printf("  %s\n", qPrintable(fault));
    return killers.clean() && tally.clean() ? 0 : 1;
}
