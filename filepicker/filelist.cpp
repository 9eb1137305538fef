#include "filepicker/filelist.h"

#include "filepicker/folderreading.h"

#include <QDir>

#include <utility>

FileList::FileList(QString pattern, QWidget* parent) : QListWidget(parent), pattern_(std::move(pattern))
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileList::setPath(const QString& folder)
{
    const QString target = QDir::cleanPath(QDir(folder).absolutePath());
    const QStringList names = readFolder(target, FolderEntries::Files, pattern_);
    clear();
    addItems(names);
    path_ = target;
}

QString FileList::selectedName() const
{
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}
