// The program's own end on an error: its message box, then the end of the event loop with status 1.
// A test of its own, because it ends the application's event loop.

#include "common/guitestsupport.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

class FatalErrorTest final : public QObject {
    Q_OBJECT

private slots:
    void messageThenExitStatusOne();
};

void FatalErrorTest::messageThenExitStatusOne()
{
    MainWindowSession session({QStringLiteral("/nonexistent/dictionary.mdb")}, 0,
                              MainWindowSession::FatalErrors::ShowTheProgramsMessage);
    QString title;
    QString text;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    answerer.start(20);
    QTimer::singleShot(0, [&] { session.window().show(); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });  // never hang the suite

    const int status = QCoreApplication::exec();
    QCOMPARE(status, 1);
    QCOMPARE(title, QStringLiteral("TAVRIN Volmira"));
    QVERIFY2(text.startsWith(QStringLiteral("Error ")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("dictionary.mdb")), qPrintable(text));
    QVERIFY(session.ended());
    QVERIFY(session.window().hasFailed());
}

QTEST_MAIN(FatalErrorTest)
#include "tst_fatalerror.moc"
