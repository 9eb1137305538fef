#include "filepicker/folderlist.h"

#include "filepicker/folderreading.h"

#include <QDir>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include <utility>

namespace {

constexpr int FolderRole = Qt::UserRole;
constexpr int DepthRole = Qt::UserRole + 1;
constexpr int IndentPerLevel = 10;

// Draws each entry shifted right by its depth in the tree.
class IndentingDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + indent(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex& index) { return index.data(DepthRole).toInt() * IndentPerLevel; }
};

}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new IndentingDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::requestOpen);
}

QString FolderList::folderOf(const QListWidgetItem* item)
{
    return item ? item->data(FolderRole).toString() : QString();
}

void FolderList::setPath(const QString& folder)
{
    const QString target = QDir::cleanPath(QDir(folder).absolutePath());
    const QStringList subfolders = readFolder(target, FolderEntries::Folders);

    QStringList chain;
    for (QDir up(target);;) {
        chain.prepend(up.absolutePath());
        if (up.isRoot() || !up.cdUp())
            break;
    }

    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    clear();
    auto addEntry = [this](const QIcon& icon, const QString& text, const QString& path, int depth) {
        auto* item = new QListWidgetItem(icon, text, this);
        item->setData(FolderRole, path);
        item->setData(DepthRole, depth);
        return item;
    };
    QListWidgetItem* current = nullptr;
    for (int depth = 0; depth < chain.size(); ++depth) {
        const QString& path = chain.at(depth);
        const QString text = depth == 0 ? QDir::toNativeSeparators(path) : QDir(path).dirName();
        current = addEntry(openIcon, text, path, depth);
    }
    const QString prefix = target.endsWith(QLatin1Char('/')) ? target : target + QLatin1Char('/');
    for (const QString& name : subfolders)
        addEntry(closedIcon, name, prefix + name, static_cast<int>(chain.size()));
    setCurrentItem(current);
    scrollToItem(current);

    const bool changed = target != path_;
    path_ = target;
    if (changed)
        emit pathChanged();
}

void FolderList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        requestOpen(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderList::requestOpen(QListWidgetItem* item)
{
    if (item)
        emit openRequested(folderOf(item));
}
