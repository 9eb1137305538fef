#pragma once

// Starts the main window the way a user does, with a picker that answers by itself.
//
//     MainWindowSession session({"/tmp/dict.mdb"});
//     session.start();                       // first activation: the picker answers, Accounting shows
//     session.find<QListWidget>("lstTables")->count();
//     session.answerNextPicker("/tmp/other.mdb");
//     QTest::keyClick(&session.window(), Qt::Key_O, Qt::ControlModifier);
//     session.settle();
//
// An error that ends the program is recorded in fatalErrors instead of showing its message box, unless
// the session is told to keep the program's own ending (message box, exit status 1).

#include "dictionary/error.h"
#include "filepicker/frmfiledialog.h"
#include "mainwindow/frmmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QListWidget>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <deque>
#include <memory>
#include <vector>

// A picker that returns from its modal show with a prepared answer: a path, or the empty text for
// Cancel. With holdMilliseconds it stays "open" that long first, in a nested event loop, as a person
// choosing a file would.
class AnsweredPicker final : public frmFileDialog {
public:
    AnsweredPicker(QString answer, int holdMilliseconds)
        : frmFileDialog(nullptr), answer_(std::move(answer)), holdMilliseconds_(holdMilliseconds)
    {}

    int exec() override
    {
        if (holdMilliseconds_ > 0) {
            QEventLoop wait;
            QTimer::singleShot(holdMilliseconds_, &wait, &QEventLoop::quit);
            wait.exec();
        }
        fileName = answer_;
        return answer_.isEmpty() ? QDialog::Rejected : QDialog::Accepted;
    }

private:
    QString answer_;
    int holdMilliseconds_;
};

// Reads and calls what a test cannot reach through the controls.
class frmMainTestAccess final {
public:
    explicit frmMainTestAccess(frmMain& window) : w(window) {}

    QString& strArea() { return w.strArea; }
    QString& strTable() { return w.strTable; }
    QString& strColumn() { return w.strColumn; }
    QString& strSearchArea() { return w.strSearchArea; }
    QString& strSQL() { return w.strSQL; }
    QString& strDBPath() { return w.strDBPath; }
    QString& strDBVersion() { return w.strDBVersion; }
    int& intMatchPos() { return w.walk.intMatchPos; }
    int& intMatchCount() { return w.walk.intMatchCount; }
    int& intMatchIndex() { return w.walk.intMatchIndex; }
    int& intSelIndex() { return w.walk.intSelIndex; }
    bool& blnFirstActivate() { return w.blnFirstActivate; }

    // Each runs as a handler of its own would: through the window's guard.
    void ShowFunctionalArea()
    {
        w.guarded([this] { w.ShowFunctionalArea(); });
    }
    void ResetScreen(bool keepSearch)
    {
        w.guarded([this, keepSearch] { w.ResetScreen(keepSearch); });
    }
    void SetNavigationEnabled(bool enabled)
    {
        w.guarded([this, enabled] { w.SetNavigationEnabled(enabled); });
    }
    void setListIndex(QListWidget* list, int index)
    {
        w.guarded([=] { w.setListIndex(list, index); });
    }
    void setSearchText(const QString& text)
    {
        w.guarded([this, text] { w.setSearchText(text); });
    }
    void setOption(QRadioButton* option)
    {
        w.guarded([this, option] { w.setOption(option); });
    }
    void setDomainIndex(int index)
    {
        w.guarded([this, index] { w.setDomainIndex(index); });
    }

private:
    frmMain& w;
};

// A message box as the user saw it.
struct ShownMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    int width = 0;
};

// Answers every message box shown while it exists, with OK where it has one, and records what each said.
class MessageCatcher final {
public:
    MessageCatcher()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            messages_.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->width()});
            box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
        });
        timer_.start(5);
    }
    const std::vector<ShownMessage>& messages() const { return messages_; }
    // Each message as "title: text".
    QStringList said() const
    {
        QStringList lines;
        for (const ShownMessage& m : messages_)
            lines << m.title + QLatin1String(": ") + m.text;
        return lines;
    }
    void clear() { messages_.clear(); }

private:
    QTimer timer_;
    std::vector<ShownMessage> messages_;
};

// Clicks a row of a list where the user would, scrolled into view first.
inline void clickRow(QListWidget* list, int row)
{
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

inline QStringList itemTexts(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

class MainWindowSession final {
public:
    enum class FatalErrors { Record, ShowTheProgramsMessage };

    // answers: what the pickers answer, in order; a picker beyond them cancels.
    explicit MainWindowSession(QStringList answers = {}, int holdMilliseconds = 0,
                               FatalErrors fatalErrorHandling = FatalErrors::Record)
        : answers_(answers.begin(), answers.end()), holdMilliseconds_(holdMilliseconds)
    {
        window_ = std::make_unique<frmMain>();
        window_->setFileDialogFactory([this] {
            ++pickersShown;
            QString answer;
            if (!answers_.empty()) {
                answer = answers_.front();
                answers_.pop_front();
            }
            return std::unique_ptr<frmFileDialog>(new AnsweredPicker(answer, holdMilliseconds_));
        });
        if (fatalErrorHandling == FatalErrors::Record)
            window_->setFatalErrorHandler([this](const volmira::Error& error) { fatalErrors.push_back(error); });
        window_->setStatementObserver([this](const QString& sql) { statements << sql; });
    }

    frmMain& window() { return *window_; }
    frmMainTestAccess access() { return frmMainTestAccess(*window_); }

    template <class Control>
    Control* find(const char* name)
    {
        auto* control = window_->findChild<Control*>(QLatin1String(name));
        if (!control)
            qFatal("no control named %s", name);
        return control;
    }

    void answerNextPicker(const QString& answer) { answers_.push_back(answer); }

    // Shows the window and lets its first activation and the one after the picker run.
    void start()
    {
        window_->show();
        settle();
    }

    // Lets queued work (activations, deferred deletes) run.
    void settle()
    {
        for (int round = 0; round < 5; ++round) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }

    bool ended() const { return !window_->isVisible(); }

    QStringList statements;
    std::vector<volmira::Error> fatalErrors;
    int pickersShown = 0;

private:
    std::deque<QString> answers_;
    int holdMilliseconds_;
    std::unique_ptr<frmMain> window_;
};
