// The window on a screen lower than itself: a 1366x768 laptop screen less a 48-pixel panel.

#include "common/dictionarybuilder.h"
#include "common/guitestsupport.h"

#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

class SmallScreenTest final : public QObject {
    Q_OBJECT

private slots:
    void windowFitsAndItsContentScrolls();
};

void SmallScreenTest::windowFitsAndItsContentScrolls()
{
    QTemporaryDir folder;
    DictionaryBuilder dictionary;
    dictionary.column({"acct", "ACCT_MAIN", "AM_ID"});
    dictionary.release(451);
    MainWindowSession session({dictionary.write(folder.filePath(QStringLiteral("dict.mdb")))});
    session.start();
    frmMain& window = session.window();
    QVERIFY(window.isVisible());
    const QRect available = window.screen()->availableGeometry();
    QCOMPARE(available.height(), 720);
    QVERIFY2(
        available.contains(window.frameGeometry()),
        qPrintable(QStringLiteral("%1x%2").arg(window.frameGeometry().width()).arg(window.frameGeometry().height())));

    auto* scroller = qobject_cast<QScrollArea*>(window.centralWidget());
    QVERIFY(scroller);
    QCOMPARE(scroller->widget()->size(), QSize(941, 722));
    QVERIFY(scroller->verticalScrollBar()->maximum() > 0);
    // The status strip along the bottom edge is reached by scrolling.
    auto* copyright = session.find<QLabel>("lblCopyRght");
    scroller->ensureWidgetVisible(copyright, 0, 0);
    const QRect shown(copyright->mapTo(scroller->viewport(), QPoint(0, 0)), copyright->size());
    QVERIFY(scroller->viewport()->rect().contains(shown));
}

int main(int argc, char* argv[])
{
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 720,
                  "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication app(argc, argv);
    SmallScreenTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_smallscreen.moc"
