#pragma once

#include "dictionary/error.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class DriveList;
class FileList;
class FolderList;
class QCloseEvent;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// The modal picker in which the dictionary file is chosen. The main window reads fileName after
// the modal show returns: the chosen file's full path, or the empty text when the user cancelled.
//
// The picker is hidden (not closed) when a file is accepted, and closed when the user cancels. When a
// drive or folder cannot be read, the picker keeps the error, closes itself, and hands the error over
// through takeError(): its handlers run inside Qt's event delivery, which an exception must not cross.
class frmFileDialog : public QDialog {
    Q_OBJECT

public:
    explicit frmFileDialog(QWidget* parent = nullptr);
    ~frmFileDialog() override;

    // Returns at once, without showing the picker, when an error has already been kept.
    int exec() override;

    // The error that ended the picker, if one did; afterwards the picker holds none.
    std::optional<volmira::Error> takeError();

    QString fileName;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    void lstDrive_Change();
    void lstFolder_Change();
    void lstFiles_Click();
    void lstFiles_DblClick();
    void cmdOk_Click();
    void cmdCancel_Click();

    // Runs a handler; an error it raises is kept and closes the picker. Once an error is kept, no
    // further handler runs.
    void guarded(const std::function<void()>& handler);
    QString selectedFilePath() const;
    QString startFolderOn(const QString& drive) const;

    QGroupBox* frame1;
    DriveList* lstDrive;
    FolderList* lstFolder;
    FileList* lstFiles;
    QLabel* Label1;
    QLineEdit* txtFile;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

    std::optional<volmira::Error> error_;
};
