#include "filepicker/folderreading.h"

#include "dictionary/error.h"

#include <QFileInfo>

QStringList readFolder(const QString& folder, const QStringList& patterns, QDir::Filters filters)
{
    const QFileInfo info(folder);
    if (!info.exists())
        throw volmira::Error(volmira::ErrorNumber::FileSystem,
                             QStringLiteral("The folder %1 does not exist.").arg(folder));
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        throw volmira::Error(volmira::ErrorNumber::FileSystem,
                             QStringLiteral("The folder %1 cannot be read.").arg(folder));
    return QDir(folder).entryList(patterns, filters, QDir::Name | QDir::IgnoreCase);
}
