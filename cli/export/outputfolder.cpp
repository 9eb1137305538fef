#include "cli/export/outputfolder.h"

#include "dictionary/error.h"
#include "cli/export/outputfiles.h"

#include <QDir>
#include <QFileInfo>

namespace volmira::exporting {

namespace {

const QString markerName = QStringLiteral(".volmira-export");

[[noreturn]] void fail(const QString& description) { throw Error(ErrorNumber::FileSystem, description); }

}  // namespace

OutputFolder::OutputFolder(const QString& target) : target_(QFileInfo(target).absoluteFilePath())
{
    const QFileInfo existing(target_);
    if (existing.exists() || existing.isSymLink()) {
        if (!existing.isDir() || existing.isSymLink())
            fail(QStringLiteral("%1 exists and is not a folder").arg(target_));
        const QDir folder(target_);
        const bool empty = folder.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        if (!empty && !folder.exists(markerName))
            fail(QStringLiteral("%1 is not empty and was not written by volmira-export").arg(target_));
    }
    const QString parent = QFileInfo(target_).absolutePath();
    if (!QDir().mkpath(parent))
        fail(QStringLiteral("Cannot create the folder %1").arg(parent));
    working_ = std::make_unique<QTemporaryDir>(parent + QStringLiteral("/.volmira-export-XXXXXX"));
    if (!working_->isValid())
        fail(QStringLiteral("Cannot create a folder in %1: %2").arg(parent, working_->errorString()));
    // Made again under the name found, as an ordinary new folder: with the permissions a new folder gets,
    // not the private ones of a temporary folder.
    if (!QDir().rmdir(working_->path()) || !QDir().mkdir(working_->path()))
        fail(QStringLiteral("Cannot create the folder %1").arg(working_->path()));
}

OutputFolder::~OutputFolder() = default;

void OutputFolder::commit()
{
    writeTextFile(QDir(working_->path()).filePath(markerName),
                  QStringLiteral("Written by volmira-export; the next export into this folder replaces it.\n"));
    std::unique_ptr<QTemporaryDir> previous;
    if (QFileInfo::exists(target_)) {
        previous = std::make_unique<QTemporaryDir>(QFileInfo(target_).absolutePath()
                                                   + QStringLiteral("/.volmira-export-old-XXXXXX"));
        if (!previous->isValid() || !QDir().rmdir(previous->path()) || !QDir().rename(target_, previous->path()))
            fail(QStringLiteral("Cannot move the earlier export %1 aside").arg(target_));
    }
    if (!QDir().rename(working_->path(), target_)) {
        if (previous)
            QDir().rename(previous->path(), target_);
        fail(QStringLiteral("Cannot rename %1 to %2").arg(working_->path(), target_));
    }
    working_->setAutoRemove(false);
}

}  // namespace volmira::exporting
