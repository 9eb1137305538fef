// The window on a 1366x768 laptop screen: less a 48-pixel panel the screen is lower than the window,
// whose content then scrolls; without a panel the screen holds the window whole.

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

class BareScreenTest final : public QObject {
    Q_OBJECT

private slots:
    void windowFitsWithoutScrolling();
};

namespace {

QString sampleIn(const QTemporaryDir& folder)
{
    DictionaryBuilder dictionary;
    dictionary.column({"acct", "ACCT_MAIN", "AM_ID"});
    dictionary.release(451);
    return dictionary.write(folder.filePath(QStringLiteral("dict.mdb")));
}

}  // namespace

void SmallScreenTest::windowFitsAndItsContentScrolls()
{
    QTemporaryDir folder;
    MainWindowSession session({sampleIn(folder)});
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

void BareScreenTest::windowFitsWithoutScrolling()
{
    QTemporaryDir folder;
    MainWindowSession session({sampleIn(folder)});
    session.start();
    QCOMPARE(session.window().screen()->availableGeometry().height(), 768);
    QCOMPARE(session.window().centralWidget()->objectName(), QStringLiteral("clientArea"));
    QVERIFY(session.window().screen()->availableGeometry().contains(session.window().frameGeometry()));
}

// Each test sees one screen of its own height, through an application of its own.
template <class Test>
int runOnScreen(int height, int argc, char* argv[])
{
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(QStringLiteral(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": %1,
                  "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                   .arg(height)
                   .toUtf8());
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

int main(int argc, char* argv[])
{
    const int withPanel = runOnScreen<SmallScreenTest>(720, argc, argv);
    const int withoutPanel = runOnScreen<BareScreenTest>(768, argc, argv);
    return withPanel != 0 || withoutPanel != 0;
}

#include "tst_smallscreen.moc"
