#include "filepicker/filesystem.h"

#include "dictionary/error.h"
#include "dictionary/filename.h"
#include "filepicker/drivelist.h"

#include <QStorageInfo>

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

QList<FolderEntry> folderEntries(const QString& folder)
{
    // Read through the bytes of the names: Qt's own listing cannot open names that are not UTF-8.
    const QByteArray path = volmira::fileNameToBytes(folder);
    struct stat facts {};
    if (::stat(path.constData(), &facts) != 0 && (errno == ENOENT || errno == ENOTDIR))
        throw volmira::Error(volmira::ErrorNumber::FileSystem,
                             QStringLiteral("The folder %1 does not exist.").arg(folder));
    DIR* dir =
        S_ISDIR(facts.st_mode) && ::access(path.constData(), R_OK | X_OK) == 0 ? ::opendir(path.constData()) : nullptr;
    if (!dir)
        throw volmira::Error(volmira::ErrorNumber::FileSystem,
                             QStringLiteral("The folder %1 cannot be read.").arg(folder));
    const QByteArray prefix = path.endsWith('/') ? path : path + '/';
    QList<FolderEntry> entries;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        struct stat target {};
        if (::stat((prefix + name).constData(), &target) != 0)
            continue;  // a link that leads nowhere
        entries.append({volmira::fileNameFromBytes(name), S_ISDIR(target.st_mode)});
    }
    ::closedir(dir);
    return entries;
}

QList<MountedVolume> systemVolumes()
{
    QList<MountedVolume> mounted;
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& info : volumes) {
        if (info.isValid())
            mounted.append({info.rootPath(), info.fileSystemType(), info.name()});
    }
    return browsableVolumes(mounted);
}
