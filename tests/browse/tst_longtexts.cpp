// Long texts in the window's read-only boxes: shown in pieces that lay out at once, closed by a visible
// note while text remains, more of it shown as the user scrolls on, and copied whole after Select All.

#include "common/dictionarybuilder.h"
#include "common/guitestsupport.h"
#include "common/testsupport.h"
#include "mainwindow/lockedboxes.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

namespace {

QString copied(QWidget* box)
{
    QApplication::clipboard()->clear();
    QTest::keySequence(box, QKeySequence::Copy);
    return QApplication::clipboard()->text();
}

}  // namespace

class LongTextsTest final : public QObject {
    Q_OBJECT

private slots:
    void textBoxesShowPiecesAndCopyTheWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shortened");
        QTest::newRow("no blanks") << repeated(QStringLiteral("x"), 1 << 20) << true;
        QTest::newRow("many short lines") << repeated(QStringLiteral("ab\n"), 150000) << true;
        QTest::newRow("CRLF lines and empty ones") << repeated(QStringLiteral("value-one\r\n\r\n"), 100000) << true;
        QTest::newRow("CJK") << repeated(QStringLiteral("数据字典的定义"), 200000) << true;
        QTest::newRow("combining marks") << repeated(QStringLiteral("e\u0301\u0323"), 200000) << true;
        QTest::newRow("outside the BMP") << repeated(QStringLiteral("\U0001F600"), 200000) << true;
        QTest::newRow("lines of a few hundred") << repeated(QStringLiteral("y").repeated(300) + "\n", 30000) << false;
        QTest::newRow("a paragraph of prose")
            << repeated(QStringLiteral("Changes to a row are logged. "), 2000) << false;
        QTest::newRow("a very long paragraph")
            << repeated(QStringLiteral("Changes to a row are logged. "), 20000) << false;
        QTest::newRow("short") << QStringLiteral("Two lines\nof text") << false;
    }

    void textBoxesShowPiecesAndCopyTheWhole()
    {
        QFETCH(QString, text);
        QFETCH(bool, shortened);
        LockedTextBox box;
        box.resize(300, 100);
        box.setReadOnly(true);
        box.show();
        box.showText(text);

        QTextDocument* document = box.document();
        QVERIFY(document->blockCount() <= 401);
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            QVERIFY(block.length() <= 2049 || block == document->lastBlock());
            // No piece ends inside a character or between a letter and its marks.
            QVERIFY(block.text().isEmpty()
                    || (!block.text().front().isLowSurrogate() && !block.text().front().isMark()));
        }
        QCOMPARE(box.isShortened(), shortened);
        if (shortened)
            QVERIFY(document->lastBlock().text().startsWith(QStringLiteral("[…")));
        else if (text.size() <= 2048 || !text.contains(QLatin1Char(' ')))  // no line of ordinary length is broken
            QCOMPARE(box.toPlainText(), text);
        else  // a very long line is broken after blanks only
            QVERIFY(!box.toPlainText().contains(QRegularExpression(QStringLiteral("\\S\n"))));

        box.selectAll();
        QCOMPARE(copied(&box), text);

        // A part of the text comes out as it is, the breaks between the pieces left out.
        if (!text.contains(QLatin1Char('\n'))) {
            QTextCursor part(document);
            part.setPosition(250);
            part.setPosition(700, QTextCursor::KeepAnchor);
            box.setTextCursor(part);
            const QString copiedPart = copied(&box);
            QVERIFY(copiedPart.size() > 440 && text.mid(250).startsWith(copiedPart));
        }

        // Scrolling on to the note shows more, up to the end.
        for (int step = 0; step < 1000 && box.isShortened(); ++step) {
            QCoreApplication::processEvents();
            box.verticalScrollBar()->setValue(box.verticalScrollBar()->maximum());
        }
        QVERIFY(!box.isShortened());
        QVERIFY(text.endsWith(document->lastBlock().text()));
        box.selectAll();
        QCOMPARE(copied(&box), text);
    }

    void lineBoxesShortenVisiblyAndCopyTheWhole()
    {
        LockedLineBox box;
        box.show();
        const QString exact = repeated(QStringLiteral("y"), 1000);
        box.showText(exact);
        QCOMPARE(box.text(), exact);
        QVERIFY(!box.isShortened());

        const QString text = repeated(QStringLiteral("数据x"), 100000);
        box.showText(text);
        QVERIFY(box.isShortened());
        QVERIFY(box.text().size() < 1100 && box.text().contains(QStringLiteral("[… 100,000 characters")));
        box.selectAll();
        QCOMPARE(copied(&box), text);
    }

    // The window hands its boxes the whole value.
    void theWindowShowsLongValues()
    {
        QTemporaryDir folder;
        const QString definition = repeated(QStringLiteral("x"), 300000);
        DictionaryBuilder dictionary;
        dictionary.column({"acct", "ACCT_A", "A_ID"}).definition = definition;
        dictionary.tableDescription("acct", "ACCT_A", "Accounts", definition + "!");
        QString values;
        for (int i = 0; i < 3000; ++i) {
            dictionary.validValue("acct", "ACCT_A", "A_ID", QString::number(i), "Value");
            values += QStringLiteral("%1-Value\r\n").arg(i);
        }
        dictionary.release(451);
        MainWindowSession session({dictionary.write(folder.filePath(QStringLiteral("long.mdb")))});
        session.start();
        QVERIFY(session.fatalErrors.empty());
        QCOMPARE(session.find<LockedTextBox>("txtDataDesc")->fullText(), definition);
        QVERIFY(session.find<LockedTextBox>("txtDataDesc")->isShortened());
        QCOMPARE(session.find<LockedTextBox>("txtTblDD")->fullText(), definition + "!");
        QCOMPARE(session.find<LockedTextBox>("txtValues")->fullText(), values);
    }
};

QTEST_MAIN(LongTextsTest)
#include "tst_longtexts.moc"
