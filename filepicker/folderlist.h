#pragma once

#include <QListWidget>
#include <QString>

class QKeyEvent;
class QWidget;

// The folder tree of one folder: its ancestors from the root down, the folder itself (open and
// selected) and its subfolders, each indented one step below its parent. A double-click or Enter on
// an entry asks for that folder to be opened (openRequested); the owner opens it with setPath, where
// a folder that cannot be read raises its error.
class FolderList final : public QListWidget {
    Q_OBJECT

public:
    explicit FolderList(QWidget* parent = nullptr);

    // The open folder: an absolute, clean path ("/" for the root, no trailing separator otherwise).
    const QString& path() const { return path_; }

    // Opens folder and lists it. Raises a volmira::Error when the folder cannot be read; the list then
    // still shows the previous folder. Emits pathChanged when the open folder changed.
    void setPath(const QString& folder);

    // The folder an entry stands for.
    static QString folderOf(const QListWidgetItem* item);

signals:
    void openRequested(const QString& folder);
    void pathChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void requestOpen(QListWidgetItem* item);

    QString path_;
};
