#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// What the picker asks of the operating system; each platform answers in a file of its own
// (filesystem_posix.cpp, filesystem_windows.cpp). Paths are Qt's: '/' between names.

// One mounted file system as the operating system reports it.
struct MountedVolume {
    QString rootPath;
    QByteArray fileSystemType;
    QString name;
};

// One entry of a folder: its name and whether it is a folder (a link counts as what it leads to).
struct FolderEntry {
    QString name;
    bool isFolder;
};

// The entries of folder without the hidden ones (and without links that lead nowhere), in the
// system's order. Raises a volmira::Error when the folder does not exist or cannot be read.
QList<FolderEntry> folderEntries(const QString& folder);

// The drives a user browses for files: on Windows the system's drive letters, elsewhere the root and
// the mounted file systems that browsableVolumes (drivelist.h) keeps.
QList<MountedVolume> systemVolumes();
