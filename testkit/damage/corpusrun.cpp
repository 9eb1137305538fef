#include "testkit/damage/corpusrun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include <csignal>
#include <unistd.h>

namespace volmira::damage {

FirstScreenServer::FirstScreenServer(QString program, QStringList arguments, int timeLimitMilliseconds)
    : program_(std::move(program)), arguments_(std::move(arguments)), timeLimit_(timeLimitMilliseconds)
{}

FirstScreenServer::~FirstScreenServer()
{
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->closeWriteChannel();
        if (!process_->waitForFinished(5000))
            stop();
    }
}

void FirstScreenServer::start()
{
    process_ = std::make_unique<QProcess>();
    process_->setProgram(program_);
    process_->setArguments(arguments_);
    process_->setStandardErrorFile(QProcess::nullDevice());
    process_->setChildProcessModifier([] { ::setpgid(0, 0); });
    process_->start();
    process_->waitForStarted(10000);
    pending_.clear();
}

void FirstScreenServer::stop()
{
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        ::kill(-pid_t(process_->processId()), SIGKILL);
        process_->waitForFinished(10000);
    }
    process_.reset();
}

Verdict FirstScreenServer::probe(const QString& path)
{
    if (!process_ || process_->state() != QProcess::Running)
        start();
    QElapsedTimer clock;
    clock.start();
    process_->write(path.toUtf8() + '\n');

    Verdict verdict;
    for (;;) {
        const qsizetype end = pending_.indexOf('\n');
        if (end >= 0) {
            const QList<QByteArray> parts = pending_.left(end).split('\t');
            pending_.remove(0, end + 1);
            if (parts.value(0) == "opened") {
                verdict.kind = Verdict::Kind::Opened;
            } else {
                verdict.kind = Verdict::Kind::Error;
                verdict.errorNumber = parts.value(1).toInt();
                verdict.description = QString::fromUtf8(parts.value(2));
            }
            break;
        }
        const qint64 left = timeLimit_ - clock.elapsed();
        if (left <= 0) {
            stop();
            verdict.kind = Verdict::Kind::TimedOut;
            verdict.description = QStringLiteral("no answer within %1 ms").arg(timeLimit_);
            break;
        }
        if (process_->state() != QProcess::Running) {
            verdict.kind = Verdict::Kind::Crashed;
            verdict.description = process_->exitStatus() == QProcess::CrashExit
                                      ? QStringLiteral("the process was killed by a signal")
                                      : QStringLiteral("the process ended with status %1").arg(process_->exitCode());
            process_.reset();
            break;
        }
        process_->waitForReadyRead(int(std::min<qint64>(left, 1000)));
        pending_ += process_->readAllStandardOutput();
    }
    verdict.milliseconds = clock.elapsed();
    return verdict;
}

void Tally::add(const Verdict& verdict, const QString& fileDescription)
{
    ++files;
    totalMilliseconds += verdict.milliseconds;
    slowestMilliseconds = std::max(slowestMilliseconds, verdict.milliseconds);
    switch (verdict.kind) {
    case Verdict::Kind::Opened: ++opened; return;
    case Verdict::Kind::Error:
        ++errors[verdict.errorNumber];
        if (verdict.description.trimmed().isEmpty() || verdict.errorNumber == 0) {
            ++withoutDescription;
            faults
                << QStringLiteral("error %1 without a description: %2").arg(verdict.errorNumber).arg(fileDescription);
        }
        return;
    case Verdict::Kind::TimedOut:
        ++timedOut;
        faults << QStringLiteral("time-out: %1").arg(fileDescription);
        return;
    case Verdict::Kind::Crashed:
        ++crashed;
        faults << QStringLiteral("crash (%1): %2").arg(verdict.description, fileDescription);
        return;
    }
}

QString Tally::table() const
{
    QString text;
    auto line = [&text](const QString& what, int count) {
        text += QStringLiteral("  %1 %2\n").arg(what, -28).arg(count, 7);
    };
    line(QStringLiteral("files"), files);
    line(QStringLiteral("opened"), opened);
    for (const auto& [number, count] : errors)
        line(QStringLiteral("error %1").arg(number), count);
    line(QStringLiteral("errors without description"), withoutDescription);
    line(QStringLiteral("time-outs"), timedOut);
    line(QStringLiteral("crashes"), crashed);
    text += QStringLiteral("  slowest file %1 ms, mean %2 ms\n")
                .arg(slowestMilliseconds)
                .arg(files ? double(totalMilliseconds) / files : 0.0, 0, 'f', 1);
    return text;
}

namespace {

// Probes items 0 .. count - 1 on `workers` threads, each with a server process of its own.
Tally runParallel(std::uint64_t count, const CorpusRunOptions& options,
                  const std::function<BaseDictionary(std::uint64_t)>& fileAt)
{
    Tally tally;
    std::mutex tallyLock;
    std::atomic<std::uint64_t> next{0};
    auto work = [&](int worker) {
        FirstScreenServer server(options.serverProgram, options.serverArguments, options.timeLimitMilliseconds);
        const QString path = QDir(options.folder).filePath(QStringLiteral("damaged-%1.mdb").arg(worker));
        for (std::uint64_t i = next++; i < count; i = next++) {
            const BaseDictionary file = fileAt(i);
            QFile out(path);
            Verdict verdict;
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(file.bytes) != file.bytes.size()) {
                verdict.kind = Verdict::Kind::Crashed;
                verdict.description = QStringLiteral("the file could not be written to %1").arg(path);
            } else {
                out.close();
                verdict = server.probe(path);
            }
            QFile::remove(path);
            std::lock_guard<std::mutex> hold(tallyLock);
            tally.add(verdict, file.name);
        }
    };
    std::vector<std::thread> threads;
    for (int w = 0; w < std::max(1, options.workers); ++w)
        threads.emplace_back(work, w);
    for (std::thread& thread : threads)
        thread.join();
    return tally;
}

}  // namespace

Tally runCorpus(const DamageCorpus& corpus, std::uint64_t first, std::uint64_t count, const CorpusRunOptions& options)
{
    return runParallel(count, options, [&corpus, first](std::uint64_t i) {
        DamagedFile damaged = corpus.file(first + i);
        return BaseDictionary{damaged.description, std::move(damaged.bytes)};
    });
}

Tally runFiles(const std::vector<BaseDictionary>& files, const CorpusRunOptions& options)
{
    return runParallel(files.size(), options, [&files](std::uint64_t i) { return files[std::size_t(i)]; });
}

}  // namespace volmira::damage
