#include "filepicker/folderreading.h"

#include "filepicker/filesystem.h"

#include <QRegularExpression>

#include <algorithm>

QStringList readFolder(const QString& folder, FolderEntries wanted, const QString& pattern)
{
    const QRegularExpression match(
        QRegularExpression::wildcardToRegularExpression(pattern.isEmpty() ? QStringLiteral("*") : pattern),
        QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (const FolderEntry& entry : folderEntries(folder)) {
        if (entry.isFolder != (wanted == FolderEntries::Folders))
            continue;
        // The pattern is matched against valid text: a byte kept as a lone surrogate stands for any character.
        QString matched = entry.name;
        for (qsizetype i = 0; i < matched.size(); ++i)
            if (matched.at(i).isLowSurrogate() && (i == 0 || !matched.at(i - 1).isHighSurrogate()))
                matched[i] = QChar::ReplacementCharacter;
        if (wanted == FolderEntries::Files && !match.match(matched).hasMatch())
            continue;
        names.append(entry.name);
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}
