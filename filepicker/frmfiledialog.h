#pragma once

#include <QDialog>
#include <QString>

// The modal picker in which the dictionary file is chosen. The main window reads fileName after
// the modal show returns: the chosen file's full path, or the empty text when the user cancelled.
class frmFileDialog : public QDialog {
    Q_OBJECT

public:
    explicit frmFileDialog(QWidget* parent = nullptr);
    ~frmFileDialog() override;

    QString fileName;
};
