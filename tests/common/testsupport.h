#pragma once

// Small helpers every kind of test uses: where the built programs are, long texts, files of given bytes.

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// The folder of the built programs: the build's bin folder under ctest, else the test's own.
inline QString binFolder() { return qEnvironmentVariable("VOLMIRA_BIN_DIR", QCoreApplication::applicationDirPath()); }

// A built program by its name, with the suffix Windows gives programs (Wine does not add it).
inline QString program(const QString& name)
{
#ifdef Q_OS_WIN
    return binFolder() + QLatin1Char('/') + name + QStringLiteral(".exe");
#else
    return binFolder() + QLatin1Char('/') + name;
#endif
}

// The pages are read by a headless chromium, which setup.sh installs for the Linux build; the Windows
// build's tests run under Wine, without it.
#ifdef Q_OS_WIN
#define VOLMIRA_NEEDS_CHROMIUM(found) QSKIP("the pages are read in chromium by the Linux build's tests")
#else
#define VOLMIRA_NEEDS_CHROMIUM(found) \
    if ((found).isEmpty())            \
    QFAIL("chromium is not installed (scripts/setup.sh installs it)")
#endif

// piece repeated up to exactly length characters.
inline QString repeated(const QString& piece, int length)
{
    QString text;
    while (text.size() < length)
        text += piece;
    text.truncate(length);
    return text;
}

// How a program run ended: its exit status (-1 when it crashed or did not end in time) and its output.
struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs program with input on its standard input and waits for its end.
inline Run run(const QString& program, const QStringList& arguments, const QByteArray& input = {},
               int timeoutMs = 120000)
{
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    Run result;
    if (!process.waitForFinished(timeoutMs))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// Writes bytes to path and returns the path; a test cannot go on without its file.
inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}
