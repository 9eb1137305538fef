// mdb-write: writes a Jet 4.0 database (.mdb) from a JSON description of its tables and rows.

#include "dictionary/error.h"
#include "tools/mdbwrite/databasewriter.h"
#include "tools/mdbwrite/description.h"

#include <QFile>

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::fputs("usage: mdb-write [--password TEXT] DESCRIPTION.json OUT.mdb\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
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
        volmira::jet4::DatabaseSpec spec = volmira::jet4::readDescription(input.readAll());
        input.close();
        spec.options.password = password;
        volmira::jet4::writeDatabaseFile(spec, paths[1]);
    } catch (const volmira::Error& error) {
        std::fprintf(stderr, "mdb-write: %s\n", error.description().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
