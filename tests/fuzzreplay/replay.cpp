// Replays the inputs kept for one fuzz target through that target's own checks.

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

class FuzzReplayTest final : public QObject {
    Q_OBJECT

private slots:
    void input_data()
    {
        QTest::addColumn<QString>("path");
        const QString root = qEnvironmentVariable("VOLMIRA_SOURCE_DIR") + QStringLiteral("/fuzz");
        int inputs = 0;
        for (const char* kind : {"corpus", "regressions"}) {
            const QDir folder(
                QStringLiteral("%1/%2/%3").arg(root, QString::fromLatin1(kind), QStringLiteral(VOLMIRA_FUZZ_TARGET)));
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
                QTest::newRow(qPrintable(QStringLiteral("%1/%2").arg(QString::fromLatin1(kind), name)))
                    << folder.filePath(name);
                ++inputs;
            }
        }
        if (inputs == 0)
            qFatal("no inputs for %s under %s", VOLMIRA_FUZZ_TARGET, qPrintable(root));
    }
    void input()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
            0);
    }
};

QTEST_GUILESS_MAIN(FuzzReplayTest)
#include "replay.moc"
