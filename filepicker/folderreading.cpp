#include "filepicker/folderreading.h"

#include "dictionary/error.h"
#include "dictionary/filename.h"

#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

QStringList readFolder(const QString& folder, FolderEntries wanted, const QString& pattern)
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
    const QRegularExpression match(
        QRegularExpression::wildcardToRegularExpression(pattern.isEmpty() ? QStringLiteral("*") : pattern),
        QRegularExpression::CaseInsensitiveOption);
    const QByteArray prefix = path.endsWith('/') ? path : path + '/';
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        struct stat target {};
        if (::stat((prefix + name).constData(), &target) != 0)
            continue;  // a link that leads nowhere
        if (S_ISDIR(target.st_mode) != (wanted == FolderEntries::Folders))
            continue;
        const QString text = volmira::fileNameFromBytes(name);
        // The pattern is matched against valid text: a byte kept as a lone surrogate stands for any character.
        QString matched = text;
        for (qsizetype i = 0; i < matched.size(); ++i)
            if (matched.at(i).isLowSurrogate() && (i == 0 || !matched.at(i - 1).isHighSurrogate()))
                matched[i] = QChar::ReplacementCharacter;
        if (wanted == FolderEntries::Files && !match.match(matched).hasMatch())
            continue;
        names.append(text);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}
