#include "cli/export/outputfiles.h"

#include "dictionary/error.h"

namespace volmira::exporting {

namespace {

[[noreturn]] void failOn(const QFile& file)
{
    throw Error(ErrorNumber::FileSystem,
                QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
}

void writeAll(QFile& file, const QByteArray& bytes)
{
    if (file.write(bytes) != bytes.size())
        failOn(file);
}

}  // namespace

OutputFile::OutputFile(const QString& path) : file_(path)
{
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        failOn(file_);
}

OutputFile::~OutputFile() = default;

void OutputFile::write()
{
    writeAll(file_, pending_.toUtf8());
    pending_.clear();
}

void OutputFile::close()
{
    write();
    if (!file_.flush())
        failOn(file_);
    file_.close();
}

void writeTextFile(const QString& path, const QString& text) { writeBinaryFile(path, text.toUtf8()); }

void writeBinaryFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        failOn(file);
    writeAll(file, bytes);
    if (!file.flush())
        failOn(file);
}

}  // namespace volmira::exporting
