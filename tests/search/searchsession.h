#pragma once

#include "mainwindow/frmmain.h"

#include <QListWidget>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <vector>

class QLineEdit;
class QPushButton;

// A message box as the user saw it; it is answered with OK.
struct ShownMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Answers every message box shown while it exists and records what each said.
class MessageCatcher final {
public:
    MessageCatcher();
    ~MessageCatcher();
    const std::vector<ShownMessage>& messages() const { return messages_; }

private:
    QTimer timer_;
    std::vector<ShownMessage> messages_;
};

// The main window on a dictionary file, driven as a user drives it. Every statement the window runs
// is recorded.
class SearchSession final {
public:
    explicit SearchSession(const QString& dictionaryPath);
    ~SearchSession();

    frmMain& window() { return *window_; }
    template <class Control>
    Control* control(const char* name) const {
        return window_->findChild<Control*>(QLatin1String(name));
    }
    QListWidget* tables() const { return control<QListWidget>("lstTables"); }
    QListWidget* columns() const { return control<QListWidget>("lstColumns"); }
    QLineEdit* searchBox() const;
    QPushButton* button(const char* name) const;

    // What the user does.
    void typeText(const QString& text);  // replaces the search text (as a paste would)
    void chooseMode(const char* option);
    void chooseArea(const QString& entry);
    void click(const char* button);
    void pressEnter(bool keypad = false);
    // The answer the next File > Open picker gives: a path, or the empty text for Cancel.
    void answerPickerWith(const QString& path) { pickerAnswer_ = path; }

    // Type, mode and area, then Search; the messages shown are returned.
    std::vector<ShownMessage> search(const char* option, const QString& area, const QString& text);

    // "TABLE/COLUMN" of what is selected; an empty part for no selection.
    QString position() const;
    QStringList tableNames() const;
    QString areaTitle() const;  // the caption of lblDomainName

    QStringList statements;

private:
    std::unique_ptr<frmMain> window_;
    QString pickerAnswer_;
};

QString itemText(const QListWidget* list, int row);
