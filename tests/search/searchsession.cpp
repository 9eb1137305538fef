#include "searchsession.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <stdexcept>

SearchSession::SearchSession(const QString& dictionaryPath) : session_({dictionaryPath})
{
    session_.start();
    QLabel* version = control<QLabel>("lblDBVer");
    const bool settled = QTest::qWaitFor(
        [&] { return ended() || version->text().startsWith(QLatin1String("Database Version :")); }, 20000);
    // A window that did not open its dictionary cannot be searched: the test ends here.
    if (!settled)
        throw std::runtime_error("the dictionary did not open in time");
    if (ended())
        throw std::runtime_error(qPrintable(QStringLiteral("the program ended: error %1, %2")
                                                .arg(session_.fatalErrors.front().number())
                                                .arg(session_.fatalErrors.front().description())));
    statements.clear();
}

SearchSession::~SearchSession() = default;

QLineEdit* SearchSession::searchBox() { return control<QLineEdit>("txtSearch"); }
QPushButton* SearchSession::button(const char* name) { return control<QPushButton>(name); }

void SearchSession::typeText(const QString& text)
{
    QLineEdit* box = searchBox();
    box->setFocus();
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        box->insert(text);
}

void SearchSession::chooseMode(const char* option)
{
    auto* button = control<QRadioButton>(option);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
}

void SearchSession::chooseArea(const QString& entry)
{
    auto* combo = control<QComboBox>("cmbDomain");
    const int index = combo->findText(entry);
    QVERIFY2(index >= 0, qPrintable(entry));
    combo->setCurrentIndex(index);
}

void SearchSession::click(const char* name)
{
    auto* target = window().findChild<QAbstractButton*>(QLatin1String(name));
    QVERIFY2(target, name);
    QTest::mouseClick(target, Qt::LeftButton);
}

void SearchSession::pressEnter(bool keypad)
{
    searchBox()->setFocus();
    QTest::keyClick(searchBox(), keypad ? Qt::Key_Enter : Qt::Key_Return, keypad ? Qt::KeypadModifier : Qt::NoModifier);
}

std::vector<ShownMessage> SearchSession::search(const char* option, const QString& area, const QString& text)
{
    typeText(text);
    chooseMode(option);
    chooseArea(area);
    MessageCatcher catcher;
    click("cmdSearch");
    return catcher.messages();
}

QString itemText(const QListWidget* list, int row)
{
    const QListWidgetItem* item = row >= 0 ? list->item(row) : nullptr;
    return item ? item->text() : QString();
}

QString SearchSession::position()
{
    return itemText(tables(), tables()->currentRow()) + QLatin1Char('/') + itemText(columns(), columns()->currentRow());
}

QString SearchSession::positionAfter(const char* button)
{
    click(button);
    return position();
}

QStringList SearchSession::tableNames() { return itemTexts(tables()); }

QString SearchSession::areaTitle() { return control<QLabel>("lblDomainName")->text(); }
