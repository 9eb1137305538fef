#include "searchsession.h"

#include "filepicker/frmfiledialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// A picker that answers at once, without showing itself.
class AnsweredPicker final : public frmFileDialog {
public:
    explicit AnsweredPicker(QString answer) : answer_(std::move(answer)) {}
    int exec() override {
        fileName = answer_;
        return answer_.isEmpty() ? Rejected : Accepted;
    }

private:
    QString answer_;
};

}  // namespace

MessageCatcher::MessageCatcher() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        messages_.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
        box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
    });
    timer_.start();
}

MessageCatcher::~MessageCatcher() = default;

SearchSession::SearchSession(const QString& dictionaryPath) : window_(std::make_unique<frmMain>()) {
    pickerAnswer_ = dictionaryPath;
    window_->setFileDialogFactory([this] { return std::make_unique<AnsweredPicker>(pickerAnswer_); });
    window_->setStatementObserver([this](const QString& sql) { statements.append(sql); });
    window_->setFatalErrorHandler([](const volmira::Error& error) {
        QFAIL(qPrintable(QStringLiteral("the program ended: error %1, %2").arg(error.number()).arg(error.description())));
    });
    window_->show();
    QTRY_VERIFY_WITH_TIMEOUT(control<QLabel>("lblDBVer")->text().startsWith(QLatin1String("Database Version :")),
                             20000);
    QTRY_VERIFY(window_->isActiveWindow());
    statements.clear();
}

SearchSession::~SearchSession() = default;

QLineEdit* SearchSession::searchBox() const { return control<QLineEdit>("txtSearch"); }
QPushButton* SearchSession::button(const char* name) const { return control<QPushButton>(name); }

void SearchSession::typeText(const QString& text) {
    QLineEdit* box = searchBox();
    box->setFocus();
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        box->insert(text);
}

void SearchSession::chooseMode(const char* option) {
    auto* button = control<QRadioButton>(option);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
}

void SearchSession::chooseArea(const QString& entry) {
    auto* combo = control<QComboBox>("cmbDomain");
    const int index = combo->findText(entry);
    QVERIFY2(index >= 0, qPrintable(entry));
    combo->setCurrentIndex(index);
}

void SearchSession::click(const char* name) {
    auto* target = window_->findChild<QAbstractButton*>(QLatin1String(name));
    QVERIFY2(target, name);
    QTest::mouseClick(target, Qt::LeftButton);
}

void SearchSession::pressEnter(bool keypad) {
    searchBox()->setFocus();
    QTest::keyClick(searchBox(), keypad ? Qt::Key_Enter : Qt::Key_Return, keypad ? Qt::KeypadModifier : Qt::NoModifier);
}

std::vector<ShownMessage> SearchSession::search(const char* option, const QString& area, const QString& text) {
    typeText(text);
    chooseMode(option);
    chooseArea(area);
    MessageCatcher catcher;
    click("cmdSearch");
    return catcher.messages();
}

QString itemText(const QListWidget* list, int row) {
    const QListWidgetItem* item = row >= 0 ? list->item(row) : nullptr;
    return item ? item->text() : QString();
}

QString SearchSession::position() const {
    return itemText(tables(), tables()->currentRow()) + QLatin1Char('/') + itemText(columns(), columns()->currentRow());
}

QStringList SearchSession::tableNames() const {
    QStringList names;
    for (int row = 0; row < tables()->count(); ++row)
        names << tables()->item(row)->text();
    return names;
}

QString SearchSession::areaTitle() const { return control<QLabel>("lblDomainName")->text(); }
