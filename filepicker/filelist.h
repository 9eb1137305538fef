#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

class QWidget;

// The files of one folder whose names match the pattern, ignoring letter case; hidden files and
// anything that is not a plain file (or a link to one) are left out.
class FileList final : public QListWidget {
    Q_OBJECT

public:
    explicit FileList(QString pattern, QWidget* parent = nullptr);

    const QString& path() const { return path_; }

    // Lists folder. Raises a volmira::Error when it cannot be read; the list then keeps what it showed.
    void setPath(const QString& folder);

    // The selected file name, or the empty text when none is selected.
    QString selectedName() const;

private:
    QString pattern_;
    QString path_;
};
