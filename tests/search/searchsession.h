#pragma once

#include "common/guitestsupport.h"

#include <QListWidget>
#include <QString>
#include <QStringList>

#include <vector>

class QLineEdit;
class QPushButton;

// The main window on a dictionary file, driven as a user drives it. Every statement the window runs
// is recorded.
class SearchSession final {
public:
    explicit SearchSession(const QString& dictionaryPath);
    ~SearchSession();

    frmMain& window() { return session_.window(); }
    template <class Control>
    Control* control(const char* name)
    {
        return session_.find<Control>(name);
    }
    QListWidget* tables() { return control<QListWidget>("lstTables"); }
    QListWidget* columns() { return control<QListWidget>("lstColumns"); }
    QLineEdit* searchBox();
    QPushButton* button(const char* name);

    // What the user does.
    void typeText(const QString& text);  // replaces the search text (as a paste would)
    void chooseMode(const char* option);
    void chooseArea(const QString& entry);
    void click(const char* button);
    void pressEnter(bool keypad = false);
    // The answer the next File > Open picker gives: a path, or the empty text for Cancel.
    void answerPickerWith(const QString& path) { session_.answerNextPicker(path); }
    bool ended() const { return !session_.fatalErrors.empty(); }

    // Type, mode and area, then Search; the messages shown are returned.
    std::vector<ShownMessage> search(const char* option, const QString& area, const QString& text);

    // "TABLE/COLUMN" of what is selected; an empty part for no selection.
    QString position();
    QString positionAfter(const char* button);  // click, then position()
    QStringList tableNames();
    QString areaTitle();  // the caption of lblDomainName

private:
    MainWindowSession session_;

public:
    QStringList& statements = session_.statements;
};

QString itemText(const QListWidget* list, int row);
