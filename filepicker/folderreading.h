#pragma once

#include <QString>
#include <QStringList>

enum class FolderEntries { Folders, Files };

// The names in folder of the wanted kind, without hidden entries, sorted ignoring letter case. Files
// are all entries that are no folders (a link is taken for what it leads to) and whose names match
// pattern. Names that are not UTF-8 are listed as dictionary/filename.h keeps them. Raises a
// volmira::Error when the folder does not exist or cannot be read.
QStringList readFolder(const QString& folder, FolderEntries wanted, const QString& pattern = QString());
