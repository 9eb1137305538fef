// The program's own end on an error: its message box, then the end of the event loop with status 1.
// A test of its own, because it ends the application's event loop.

#include "common/guitestsupport.h"

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
    MessageCatcher answerer;
    QTimer::singleShot(0, [&] { session.window().show(); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });  // never hang the suite

    const int status = QCoreApplication::exec();
    QCOMPARE(status, 1);
    QCOMPARE(answerer.messages().size(), std::size_t(1));
    const ShownMessage& message = answerer.messages().front();
    QCOMPARE(message.title, QStringLiteral("TAVRIN Volmira"));
    QVERIFY2(message.text.startsWith(QStringLiteral("Error ")), qPrintable(message.text));
    QVERIFY2(message.text.contains(QStringLiteral("dictionary.mdb")), qPrintable(message.text));
    QVERIFY(session.ended());
    QVERIFY(session.window().hasFailed());
}

QTEST_MAIN(FatalErrorTest)
#include "tst_fatalerror.moc"
