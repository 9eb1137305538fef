// mdb-write: writes a Jet 4.0 database (.mdb) from a JSON description of its tables and rows.

#include "dictionary/error.h"
#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/description.h"
#include "testkit/mdbwrite/structurelint.h"

#include <QFile>

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::fputs("usage: mdb-write [--password TEXT] DESCRIPTION.json OUT.mdb\n"
               "       mdb-write --lint FILE.mdb   (checks the structure of a file)\n",
               stderr);
    return 2;
}

// Prints the structure problems of a file; exit status 1 when there are any.
int lint(const char* path)
{
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "mdb-write: cannot read %s\n", path);
        return 1;
    }
    const volmira::jet4::LintReport report = volmira::jet4::lintStructure(file.readAll());
    for (const QString& problem : report.problems)
        std::printf("%s\n", problem.toLocal8Bit().constData());
    std::printf("%u pages, %u tables, %llu rows: %s\n", report.pages, report.tables,
                static_cast<unsigned long long>(report.rows), report.sound() ? "sound" : "damaged");
    return report.sound() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--lint") == 0)
        return lint(argv[2]);
    QString password;
    QStringList paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--password") == 0) {
            if (++i == argc)
                return usage();
            password = QString::fromLocal8Bit(argv[i]);
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return usage();
        } else {
            paths << QString::fromLocal8Bit(argv[i]);
        }
    }
    if (paths.size() != 2)
        return usage();

    try {
        QFile input(paths[0]);
        if (!input.open(QIODevice::ReadOnly))
            throw volmira::Error(volmira::ErrorNumber::FileNotFound,
                                 QStringLiteral("Cannot read %1: %2").arg(paths[0], input.errorString()));
        volmira::jet4::DatabaseModel model = volmira::jet4::readDescription(input.readAll());
        input.close();
        model.options.password = password;
        volmira::jet4::writeDatabaseFile(model, paths[1]);
    } catch (const volmira::Error& error) {
        std::fprintf(stderr, "mdb-write: %s\n", error.description().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
