// Damaged dictionaries: every file either opens and shows its first screen, or ends in an error with a
// number and a description, within 15 seconds, and the program's process neither dies nor hangs.
// The files are opened in child processes (this program started with --serve-first-screen), so that a
// crash or hang of the program's own code is seen and counted instead of ending the test.

#include "common/testsupport.h"
#include "dictionary/errornumbers.h"
#include "testkit/damage/corpusrun.h"
#include "testkit/damage/damagedfile.h"
#include "testkit/damage/firstscreen.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstring>

using namespace volmira::damage;

namespace {

const char* const kServe = "--serve-first-screen";

// Fewer files where each costs more (a sanitized build); never fewer than a few hundred.
std::uint64_t corpusSize()
{
    bool ok = false;
    const qulonglong files = qEnvironmentVariable("VOLMIRA_DAMAGED_FILES").toULongLong(&ok);
    return ok && files > 0 ? files : 2000;
}

CorpusRunOptions runOptions(const QString& folder)
{
    CorpusRunOptions options;
    options.serverProgram = QCoreApplication::applicationFilePath();
    options.serverArguments = {QString::fromLatin1(kServe)};
    options.folder = folder;
    options.workers = 2;
    options.timeLimitMilliseconds = 15000;
    return options;
}

QString faultsText(const Tally& tally) { return tally.faults.mid(0, 20).join(QLatin1Char('\n')); }

}  // namespace

class DamagedFilesTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;
    std::vector<BaseDictionary> originals_;

    QString save(const BaseDictionary& file)
    {
        return writeFile(folder_.filePath(QString(file.name).replace(QLatin1Char(' '), QLatin1Char('-')) + ".mdb"),
                         file.bytes);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder_.isValid());
        originals_ = baseDictionaries();
        QVERIFY(originals_.size() >= 3);
    }

    // The damage means something only if the originals show their first screen in full.
    void originalsOpen()
    {
        for (const BaseDictionary& original : originals_) {
            const FirstScreenOutcome outcome = openFirstScreen(save(original));
            QVERIFY2(outcome.opened, qPrintable(QStringLiteral("%1: error %2 %3")
                                                    .arg(original.name)
                                                    .arg(outcome.errorNumber)
                                                    .arg(outcome.errorDescription)));
        }
    }

    // The corpus reaches the structures it is meant to damage, not only random bytes; and a file is the
    // same for every run, so that a failure can be rebuilt from its number.
    void corpusIsReproducibleAndVaried()
    {
        const DamageCorpus corpus(originals_);
        const DamagedFile first = corpus.file(1234);
        const DamagedFile again = corpus.file(1234);
        QCOMPARE(again.bytes, first.bytes);
        QCOMPARE(again.description, first.description);

        QStringList descriptions;
        int unchanged = 0;
        for (std::uint64_t i = 0; i < 600; ++i) {
            const DamagedFile file = corpus.file(i);
            descriptions << file.description;
            if (file.bytes == originals_[i % originals_.size()].bytes)
                ++unchanged;
        }
        const QString all = descriptions.join(QLatin1Char('\n'));
        for (const char* kind :
             {"cut to 0 bytes", "cut to 4096 bytes", "cut to 8192 bytes", "cut at page", "cut at byte", "header byte",
              "catalog byte", "table definition byte", "row offsets byte", "u16 at", "u32 at", ":= 0xffff;",
              ":= 0x7fff", ":= 0xffffffff", "zeroed", "copied over", "flipped"})
            QVERIFY2(all.contains(QLatin1String(kind)), kind);
        QVERIFY2(unchanged < 30, qPrintable(QString::number(unchanged)));
    }

    // Without this the corpus could pass because crashes and hangs went unseen.
    void supervisorSeesCrashesHangsAndDescriptions()
    {
        FirstScreenServer crashing(QStringLiteral("/bin/sh"),
                                   {QStringLiteral("-c"), QStringLiteral("read line; kill -SEGV $$")}, 5000);
        QCOMPARE(int(crashing.probe(QStringLiteral("x")).kind), int(Verdict::Kind::Crashed));

        // The hanging server's own child must go with it: one left behind would spin for ever.
        // A duration of its own tells this test's sleeper from any other on the machine.
        const QString sleeper = QStringLiteral("sleep %1").arg(300 + QCoreApplication::applicationPid() % 1000);
        FirstScreenServer hanging(QStringLiteral("/bin/sh"),
                                  {QStringLiteral("-c"), QStringLiteral("read line; %1 & wait").arg(sleeper)}, 300);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(int(hanging.probe(QStringLiteral("x")).kind), int(Verdict::Kind::TimedOut));
        QVERIFY(clock.elapsed() < 5000);
        // A killed process may take a moment to go on a loaded machine; a survivor would stay for minutes.
        QByteArray survivor;
        for (int attempt = 0; attempt < 50; ++attempt) {
            QProcess survivors;
            survivors.start(QStringLiteral("pgrep"),
                            {QStringLiteral("-f"), QLatin1Char('^') + sleeper + QLatin1Char('$')});
            survivors.waitForFinished();
            survivor = survivors.readAllStandardOutput().trimmed();
            if (survivor.isEmpty())
                break;
            QThread::msleep(100);
        }
        QCOMPARE(survivor, QByteArray());

        FirstScreenServer silent(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), QStringLiteral("while read line; do printf 'error\\t3343\\t\\n'; done")}, 5000);
        Tally tally;
        tally.add(silent.probe(QStringLiteral("x")), QStringLiteral("x"));
        QCOMPARE(tally.errors[3343], 1);
        QCOMPARE(tally.withoutDescription, 1);
        QVERIFY(!tally.clean());
    }

    // The two files that end libmdb: a segmentation fault in the usage-map code and an endless loop in
    // the property parser. They must stay real killers, or the test below proves nothing about them.
    void killersEndLibmdb_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("empty usage map crashes") << 0;
        QTest::newRow("zero-length property record hangs") << 1;
    }
    void killersEndLibmdb()
    {
        QFETCH(int, which);
        const QString exporter = QStandardPaths::findExecutable(QStringLiteral("mdb-export"));
        if (exporter.isEmpty())
            QSKIP("mdb-export is not installed");
        const QString path = save(which == 0 ? emptyUsageMapDictionary() : zeroLengthPropertyDictionary());
        QProcess export_;
        export_.setStandardOutputFile(QProcess::nullDevice());
        export_.setStandardErrorFile(QProcess::nullDevice());
        export_.start(exporter, {path, QStringLiteral("Main")});
        QVERIFY(export_.waitForStarted());
        const bool finished = export_.waitForFinished(3000);
        if (which == 0) {
            QVERIFY(finished);
            QCOMPARE(export_.exitStatus(), QProcess::CrashExit);
        } else {
            QVERIFY2(!finished, "mdb-export finished on the zero-length property record");
            export_.kill();
            export_.waitForFinished();
        }
    }

    void killersEndInAnErrorOrOpen()
    {
        const Tally tally =
            runFiles({emptyUsageMapDictionary(), zeroLengthPropertyDictionary()}, runOptions(folder_.path()));
        qInfo().noquote() << "\nlibmdb killers:\n" + tally.table();
        QVERIFY2(tally.clean(), qPrintable(faultsText(tally)));
        QCOMPARE(tally.files, 2);
    }

    // A file copied in part: whatever page it ends at, the loss is reported as damage, never read as
    // a dictionary with fewer rows or tables.
    void truncatedFilesEndAsDamage()
    {
        const std::vector<BaseDictionary> files = truncatedDictionaries();
        QVERIFY2(files.size() >= 12, qPrintable(QString::number(files.size())));
        const Tally tally = runFiles(files, runOptions(folder_.path()));
        QVERIFY2(tally.clean(), qPrintable(faultsText(tally)));
        QCOMPARE(tally.opened, 0);
        QCOMPARE(tally.errors.size(), std::size_t(1));
        QCOMPARE(tally.errors.begin()->first, int(volmira::ErrorNumber::DamagedData));
    }

    void damagedFiles()
    {
        const DamageCorpus corpus(originals_);
        const Tally tally = runCorpus(corpus, 0, corpusSize(), runOptions(folder_.path()));
        qInfo().noquote() << "\ndamaged files:\n" + tally.table();
        QVERIFY2(tally.clean(), qPrintable(faultsText(tally)));
        QCOMPARE(tally.files, int(corpusSize()));
        // Most damage leaves a readable file: if almost nothing opens, the probe or the corpus is broken.
        QVERIFY2(tally.opened > tally.files / 5, qPrintable(tally.table()));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], kServe) == 0)
        return serveFirstScreen();
    DamagedFilesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_damaged.moc"
