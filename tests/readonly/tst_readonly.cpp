// The program only reads its dictionary. A user's whole session — every area, every table of an area,
// every column of a table, a search in each mode and the walk through its matches — runs in a child
// process (this program started with --browse) with a fresh HOME, TMPDIR and XDG folders and no right to
// write a single byte to any file (RLIMIT_FSIZE 0). Afterwards the file has the same bytes and time, the
// fresh folders are empty, inotify saw the file opened and closed without write access and nothing created
// beside it, and the same session works on a read-only file in a read-only folder — as an unprivileged
// user, because root ignores the modes.

#include "common/guitestsupport.h"
#include "common/testsupport.h"
#include "testkit/damage/damagedfile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cstdio>
#include <cstring>
#include <grp.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kBrowse = "--browse";
constexpr uid_t kNobody = 65534;

const char* const kAreaButtons[] = {"cmdAcc",  "cmdbill", "cmdcase", "cmdclcl", "cmdcoco", "cmdcrcr",
                                    "cmdctct", "cmdcust", "cmdetav", "cmdfawf", "cmdthdv", "cmdthpr",
                                    "cmditsc", "Cmditsp", "cmdmcar", "cmdmesb", "cmdobxp", "cmdplan",
                                    "cmdprov", "cmdsyst", "cmdtemp", "cmdtxtx", "cmdutil"};

// The user's session; prints what it did and returns 0 when the program never ended on an error.
int browse(const QString& path)
{
    MainWindowSession session({path});
    MessageCatcher answerer;  // any message box ("No result found") is answered, as a user would
    session.start();
    int clicks = 0;
    for (const char* name : kAreaButtons) {
        session.find<QToolButton>(name)->click();
        ++clicks;
    }
    session.find<QToolButton>("cmdAcc")->click();
    auto* tables = session.find<QListWidget>("lstTables");
    auto* columns = session.find<QListWidget>("lstColumns");
    for (int t = 0; t < tables->count(); ++t, ++clicks)
        clickRow(tables, t);
    if (tables->count() > 0)
        clickRow(tables, 0);
    for (int c = 0; c < columns->count(); ++c, ++clicks)
        clickRow(columns, c);

    const std::pair<const char*, const char*> searches[] = {
        {"optTable", "ACCT"}, {"optTblDesc", "ledger"}, {"optColumn", "COL_0"}, {"optColDesc", "Betrag"}};
    for (const auto& [mode, text] : searches) {
        session.find<QPushButton>("cmdClear")->click();
        QTest::mouseClick(session.find<QRadioButton>(mode), Qt::LeftButton);
        QTest::keyClicks(session.find<QLineEdit>("txtSearch"), QString::fromLatin1(text));
        QTest::mouseClick(session.find<QPushButton>("cmdSearch"), Qt::LeftButton);
        for (const char* step : {"cmdNext", "cmdNext", "cmdLast", "cmdPrevious", "cmdFirst"}) {
            auto* button = session.find<QPushButton>(step);
            if (button->isEnabled())
                QTest::mouseClick(button, Qt::LeftButton);
        }
        session.settle();
        ++clicks;
    }
    std::printf("clicks %d statements %lld tables %d columns %d\n", clicks,
                static_cast<long long>(session.statements.size()), tables->count(), columns->count());
    for (const volmira::Error& error : session.fatalErrors)
        std::printf("ended: error %d %s\n", error.number(), qPrintable(error.description()));
    std::fflush(stdout);
    return session.fatalErrors.empty() && !session.ended() ? 0 : 3;
}

struct FileState {
    QByteArray sha;
    qint64 size = 0;
    timespec mtime{};
    bool operator==(const FileState& o) const
    {
        return sha == o.sha && size == o.size && mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

FileState stateOf(const QString& path)
{
    FileState state;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        state.sha = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    struct stat facts {};
    if (::stat(QFile::encodeName(path).constData(), &facts) == 0) {
        state.size = facts.st_size;
        state.mtime = facts.st_mtim;
    }
    return state;
}

QStringList filesUnder(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

// Watches, with inotify, how a file is opened and what appears in some folders.
class Watch final {
public:
    Watch(const QString& file, const QStringList& folders) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        fileWatch_ = inotify_add_watch(fd_, QFile::encodeName(file).constData(),
                                       IN_OPEN | IN_CLOSE_NOWRITE | IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB
                                           | IN_MOVE_SELF | IN_DELETE_SELF);
        for (const QString& folder : folders)
            inotify_add_watch(fd_, QFile::encodeName(folder).constData(),
                              IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_CLOSE_WRITE);
    }
    ~Watch() { ::close(fd_); }

    // Reads what happened so far: how often the file was opened and closed unwritten, and everything else.
    void collect()
    {
        alignas(inotify_event) char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                return;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                const std::uint32_t mask = event->mask & ~IN_ISDIR;
                if (event->wd == fileWatch_ && mask == IN_OPEN)
                    ++opens;
                else if (event->wd == fileWatch_ && mask == IN_CLOSE_NOWRITE)
                    ++readOnlyCloses;
                else
                    others << QStringLiteral("event 0x%1 on %2 %3")
                                  .arg(mask, 0, 16)
                                  .arg(event->wd == fileWatch_ ? QStringLiteral("the dictionary")
                                                               : QStringLiteral("a folder"))
                                  .arg(event->len ? QString::fromLocal8Bit(event->name) : QString());
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }

    int opens = 0;
    int readOnlyCloses = 0;
    QStringList others;

private:
    int fd_;
    int fileWatch_ = -1;
};

}  // namespace

class ReadOnlyTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root_;
    QString sandbox_;
    QString folder_;
    QString dictionary_;

    QStringList sandboxFolders() const
    {
        QStringList folders;
        for (const char* name : {"home", "tmp", "config", "cache", "data", "state", "runtime"})
            folders << QDir(sandbox_).filePath(QString::fromLatin1(name));
        return folders;
    }

    // Runs the session in a child; as nobody when asNobody (and this process is root).
    QByteArray runSession(bool asNobody)
    {
        const QStringList folders = sandboxFolders();
        for (const QString& folder : folders) {
            QDir(folder).removeRecursively();
            QDir().mkpath(folder);
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            if (asNobody)
                ::chown(QFile::encodeName(folder).constData(), kNobody, kNobody);
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const char* variables[] = {"HOME",          "TMPDIR",         "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                   "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"};
        for (int i = 0; i < folders.size(); ++i)
            environment.insert(QString::fromLatin1(variables[i]), folders[i]);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({QString::fromLatin1(kBrowse), dictionary_});
        child.setStandardErrorFile(QProcess::nullDevice());
        child.setChildProcessModifier([asNobody] {
            // Not one byte may be written to any file: a write ends the process with SIGXFSZ.
            const rlimit none{0, 0};
            ::setrlimit(RLIMIT_FSIZE, &none);
            if (asNobody && ::getuid() == 0) {
                ::setgroups(0, nullptr);
                if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                    ::_exit(120);
            }
        });
        Watch watch(dictionary_, folders + QStringList{folder_});
        child.start();
        if (!child.waitForFinished(120000)) {
            child.kill();
            child.waitForFinished();
        }
        watch.collect();
        const QByteArray output = child.readAllStandardOutput();
        const QString what = QString::fromUtf8(output);
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            QTest::qFail(qPrintable(QStringLiteral("the session ended with status %1 (%2): %3")
                                        .arg(child.exitCode())
                                        .arg(child.exitStatus() == QProcess::CrashExit ? "killed" : "exited")
                                        .arg(what)),
                         __FILE__, __LINE__);
            return {};
        }
        if (!watch.others.isEmpty())
            QTest::qFail(qPrintable(watch.others.join(QLatin1Char('\n'))), __FILE__, __LINE__);
        if (watch.opens == 0 || watch.readOnlyCloses != watch.opens)
            QTest::qFail(qPrintable(QStringLiteral("the dictionary was opened %1 times and closed unwritten %2 times")
                                        .arg(watch.opens)
                                        .arg(watch.readOnlyCloses)),
                         __FILE__, __LINE__);
        for (const QString& folder : folders) {
            const QStringList written = filesUnder(folder);
            if (!written.isEmpty())
                QTest::qFail(qPrintable(QStringLiteral("the session left files: ") + written.join(QLatin1String(", "))),
                             __FILE__, __LINE__);
        }
        return output;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root_.isValid());
        // Others may pass through, so that the session can also run as an unprivileged user.
        QFile::setPermissions(root_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                | QFileDevice::ReadOther | QFileDevice::ExeOther);
        sandbox_ = root_.filePath(QStringLiteral("sandbox"));
        folder_ = root_.filePath(QStringLiteral("dictionary"));
        QVERIFY(QDir().mkpath(folder_));
        dictionary_ = QDir(folder_).filePath(QStringLiteral("Data Dictionary.mdb"));
        writeFile(dictionary_, volmira::damage::baseDictionaries().front().bytes);
        QFile out(dictionary_);
        // A modification time in the past, so that a write within the test's second would still show.
        QVERIFY(out.open(QIODevice::ReadOnly));
        QVERIFY(out.setFileTime(QDateTime::currentDateTimeUtc().addDays(-400), QFileDevice::FileModificationTime));
        out.close();
    }

    // The watch must see what it is there to see: an open for writing, even one that writes nothing.
    void watchSeesAnOpenForWriting()
    {
        const QString scratch = root_.filePath(QStringLiteral("scratch"));
        QFile file(scratch);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        Watch watch(scratch, {});
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.close();
        watch.collect();
        QCOMPARE(watch.opens, 1);
        QCOMPARE(watch.readOnlyCloses, 0);
        QCOMPARE(watch.others.size(), 1);
        QFile::remove(scratch);
    }

    void browsingChangesNothingAndWritesNothing()
    {
        const FileState before = stateOf(dictionary_);
        const QStringList besideBefore = filesUnder(folder_);
        const QByteArray output = runSession(false);
        QVERIFY2(output.startsWith("clicks "), output.constData());
        // The session did browse: all areas, the tables and columns of one, four searches.
        int clicks = 0, statements = 0, tables = 0, columns = 0;
        QCOMPARE(std::sscanf(output.constData(), "clicks %d statements %d tables %d columns %d", &clicks, &statements,
                             &tables, &columns),
                 4);
        QVERIFY2(tables >= 3 && columns >= 10 && statements > 100, output.constData());
        QVERIFY(stateOf(dictionary_) == before);
        QCOMPARE(filesUnder(folder_), besideBefore);
    }

    void readOnlyFileInReadOnlyFolder()
    {
        const FileState before = stateOf(dictionary_);
        QVERIFY(QFile::setPermissions(dictionary_,
                                      QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        QVERIFY(QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                                   | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                                   | QFileDevice::ExeOther));
        const QByteArray asOwner = runSession(false);
        const QByteArray asNobody = runSession(true);
        QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                           | QFileDevice::ReadOther | QFileDevice::ExeOther);
        QFile::setPermissions(dictionary_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(!asOwner.isEmpty());
        // The same session, the same screens.
        QCOMPARE(asNobody, asOwner);
        QCOMPARE(stateOf(dictionary_).sha, before.sha);
    }
};

int main(int argc, char** argv)
{
    if (argc > 2 && std::strcmp(argv[1], kBrowse) == 0) {
        QApplication app(argc, argv);
        return browse(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    ReadOnlyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_readonly.moc"
