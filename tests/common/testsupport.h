#pragma once

// Small helpers every kind of test uses: where the built programs are, long texts, files of given bytes.

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>

// The folder of the built programs: the build's bin folder under ctest, else the test's own.
inline QString binFolder() { return qEnvironmentVariable("VOLMIRA_BIN_DIR", QCoreApplication::applicationDirPath()); }

// piece repeated up to exactly length characters.
inline QString repeated(const QString& piece, int length)
{
    QString text;
    while (text.size() < length)
        text += piece;
    text.truncate(length);
    return text;
}

// Writes bytes to path and returns the path; a test cannot go on without its file.
inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}
