// Walking a result through Connection and Recordset as the windows do.

#include "common/fakedictionary.h"

#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/recordset.h"

#include <QTest>

#include <functional>

using namespace testing;
using volmira::Connection;
using volmira::Error;
using volmira::Recordset;
namespace ErrorNumber = volmira::ErrorNumber;

namespace {

int errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

MainRow row(const char* table, double seq)
{
    MainRow r;
    r.table = text(table);
    r.column = text("C");
    r.seqNo = number(seq);
    return r;
}

}  // namespace

class RecordsetTest final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        connection_ = std::make_unique<Connection>();
        connection_->openOn(FakeDictionary().main({row("A", 1), row("B", 2), row("C", 3)}).engine());
    }

    void movesBothWays()
    {
        Recordset rs;
        rs.Open(QStringLiteral("Select Distinct Table from Main where [Functional Area]='acct'"), *connection_);
        QVERIFY(!rs.Eof());
        QVERIFY(!rs.Bof());
        QCOMPARE(rs.Fields(0).Value.toText(), QStringLiteral("A"));
        rs.MoveNext();
        rs.MoveNext();
        QCOMPARE(rs.Fields(0).Value.toText(), QStringLiteral("C"));
        rs.MoveNext();
        QVERIFY(rs.Eof());
        QCOMPARE(errorOf([&] { rs.MoveNext(); }), ErrorNumber::NoCurrentRecord);
        QCOMPARE(errorOf([&] { rs.Fields(0); }), ErrorNumber::NoCurrentRecord);
        rs.MovePrevious();
        QCOMPARE(rs.Fields(0).Value.toText(), QStringLiteral("C"));
        rs.MoveFirst();
        QCOMPARE(rs.Fields(0).Value.toText(), QStringLiteral("A"));
        rs.MovePrevious();
        QVERIFY(rs.Bof());
        QCOMPARE(errorOf([&] { rs.MovePrevious(); }), ErrorNumber::NoCurrentRecord);
        rs.Move(2);
        QCOMPARE(rs.Fields(0).Value.toText(), QStringLiteral("B"));
        rs.Move(2);
        QVERIFY(rs.Eof());
        QCOMPARE(errorOf([&] { rs.Move(1); }), ErrorNumber::NoCurrentRecord);
        rs.MoveFirst();
        QCOMPARE(errorOf([&] { rs.Fields(1); }), 3265);
        QCOMPARE(errorOf([&] { rs.Fields(-1); }), 3265);
    }

    void emptyResultIsAtBothEnds()
    {
        Recordset rs;
        rs.Open(QStringLiteral("Select Distinct Table from Main where [Functional Area]='none'"), *connection_);
        QVERIFY(rs.Eof());
        QVERIFY(rs.Bof());
        QCOMPARE(errorOf([&] { rs.Fields(0); }), ErrorNumber::NoCurrentRecord);
        QCOMPARE(errorOf([&] { rs.MoveNext(); }), ErrorNumber::NoCurrentRecord);
    }

    void closeTwiceIsAnErrorAndReopenWorks()
    {
        Recordset rs;
        QCOMPARE(errorOf([&] { rs.Close(); }), ErrorNumber::ObjectClosed);
        rs.Open(QStringLiteral("Select Table from Main"), *connection_);
        rs.Close();
        QCOMPARE(errorOf([&] { rs.Close(); }), ErrorNumber::ObjectClosed);
        QCOMPARE(errorOf([&] { rs.Eof(); }), ErrorNumber::ObjectClosed);
        rs.Open(QStringLiteral("Select [Column_SeqNo] from Main where Table = 'b'"), *connection_);
        QCOMPARE(rs.Fields(0).Value.toText(), QStringLiteral("2"));
    }

    void failedOpenLeavesItClosedAndTheObserverSawTheText()
    {
        QStringList seen;
        connection_->setStatementObserver([&](const QString& sql) { seen << sql; });
        Recordset rs;
        const QString sql = QStringLiteral("Select Nothing from Main");
        QCOMPARE(errorOf([&] { rs.Open(sql, *connection_); }), ErrorNumber::ColumnNotFound);
        QVERIFY(!rs.isOpen());
        QCOMPARE(seen, QStringList{sql});

        Connection closed;
        QCOMPARE(errorOf([&] { rs.Open(sql, closed); }), ErrorNumber::ObjectClosed);
    }

private:
    std::unique_ptr<Connection> connection_;
};

QTEST_APPLESS_MAIN(RecordsetTest)
#include "tst_recordset.moc"
