#include "common/guitestsupport.h"
#include "dictionary/filename.h"
#include "filepicker/drivelist.h"
#include "filepicker/filelist.h"
#include "filepicker/folderlist.h"
#include "filepicker/frmfiledialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

}  // namespace

class FilePickerTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void volumesWorthBrowsing();
    void opensInTheWorkingFolder();
    void listsOnlyVisibleMdbFilesIgnoringCase();
    void clickThenOpenAcceptsAndHides();
    void doubleClickOnAFileAcceptsAtOnce();
    void doubleClickOnAFolderOpensItAndEmptiesTheFileName();
    void anyNameAndLinksToDevicesListAsFiles();
    void openWithoutAFileAsksForOne();
    void driveChangeOpensTheDriveAndEmptiesTheFileName();
    void fileInTheRootGetsTwoSeparators();
    void enterAndEscDoNotActUnlessAButtonHasTheFocus();
    void cancelAndCloseButtonGiveNoFile();
    void tabOrderAndWindowShape();
    void unreadableFolderClosesThePickerAndHandsTheErrorOver();
    void vanishedWorkingFolderEndsExecAtOnce();

private:
    template <typename T>
    T* control(const char* name) const
    {
        T* found = picker->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    void clickFile(const QString& name);
    void doubleClick(QListWidget* list, QListWidgetItem* item);

    std::unique_ptr<QTemporaryDir> root;
    QString previousWorkingFolder;
    QString folder;
    std::unique_ptr<frmFileDialog> picker;
};

void FilePickerTest::init()
{
    previousWorkingFolder = QDir::currentPath();
    root = std::make_unique<QTemporaryDir>();
    QVERIFY(root->isValid());
    folder = QDir::cleanPath(root->path() + "/work");
    QDir(root->path()).mkpath("work/Sub A/inner");
    QDir(root->path()).mkpath("work/sub b");
    QDir(root->path()).mkpath("work/.hidden folder");
    QDir(root->path()).mkpath("work/dir.mdb");
    for (const char* name : {"a.mdb", "B.MDB", "c.Mdb", ".hidden.mdb", "notes.txt", "x.mdbx", "Sub A/inside.mdb"})
        touch(folder + "/" + name);
    QVERIFY(QDir::setCurrent(folder));
    picker = std::make_unique<frmFileDialog>();
    picker->show();
    picker->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(picker.get()));
}

void FilePickerTest::cleanup()
{
    picker.reset();
    QDir::setCurrent(previousWorkingFolder);
    root.reset();
}

void FilePickerTest::clickFile(const QString& name)
{
    auto* files = control<FileList>("lstFiles");
    const auto found = files->findItems(name, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    const QRect rect = files->visualItemRect(found.first());
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, rect.center());
}

void FilePickerTest::doubleClick(QListWidget* list, QListWidgetItem* item)
{
    QVERIFY(item);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void FilePickerTest::volumesWorthBrowsing()
{
    QTemporaryDir mounts;
    QDir(mounts.path()).mkpath("usb");
    QDir(mounts.path()).mkpath("data");
    touch(mounts.path() + "/hosts");
    const QString usb = mounts.path() + "/usb";
    const QString data = mounts.path() + "/data";
    const QList<MountedVolume> mounted = {
        {usb, "vfat", "STICK"},
        {"/", "overlay", ""},
        {"/proc", "proc", ""},
        {"/sys/fs/cgroup", "cgroup2", ""},
        {"/dev/shm", "tmpfs", ""},
        {"/run/user/1000", "ext4", ""},
        {mounts.path() + "/hosts", "ext4", ""},  // a file bind-mounted into a container
        {mounts.path() + "/scratch", "tmpfs", ""},
        {mounts.path() + "/overlay2/merged", "overlay", ""},
        {data, "ext4", ""},
        {data, "ext4", ""},
    };
    QStringList roots;
    for (const MountedVolume& v : browsableVolumes(mounted))
        roots << v.rootPath;
    QCOMPARE(roots, QStringList({"/", data, usb}));

    // Without a root in the table the root is still offered.
    QCOMPARE(browsableVolumes({{data, "ext4", ""}}).first().rootPath, QString("/"));
}

void FilePickerTest::opensInTheWorkingFolder()
{
    auto* folders = control<FolderList>("lstFolder");
    QCOMPARE(folders->path(), folder);
    const QStringList shown = itemTexts(folders);
    QStringList ancestors = folder.split('/', Qt::SkipEmptyParts);
    ancestors.prepend("/");
    QCOMPARE(shown.mid(0, ancestors.size()), ancestors);
    QCOMPARE(shown.mid(ancestors.size()), QStringList({"dir.mdb", "Sub A", "sub b"}));
    QCOMPARE(folders->currentItem()->text(), QString("work"));

    auto* drives = control<DriveList>("lstDrive");
    QVERIFY(drives->findData("/") >= 0);
    QCOMPARE(drives->drive(), drives->driveOf(folder));

    QVERIFY(control<QLineEdit>("txtFile")->hasFocus());
    QVERIFY(control<QLineEdit>("txtFile")->text().isEmpty());
    QVERIFY(picker->fileName.isEmpty());
}

void FilePickerTest::listsOnlyVisibleMdbFilesIgnoringCase()
{
    QCOMPARE(itemTexts(control<FileList>("lstFiles")), QStringList({"a.mdb", "B.MDB", "c.Mdb"}));
}

void FilePickerTest::clickThenOpenAcceptsAndHides()
{
    clickFile("B.MDB");
    QCOMPARE(control<QLineEdit>("txtFile")->text(), folder + "/B.MDB");
    QTest::mouseClick(control<QPushButton>("cmdOk"), Qt::LeftButton);
    QCOMPARE(picker->fileName, folder + "/B.MDB");
    QVERIFY(picker->isHidden());
    QCOMPARE(picker->result(), int(QDialog::Accepted));
    QVERIFY(!picker->takeError());
}

void FilePickerTest::doubleClickOnAFileAcceptsAtOnce()
{
    auto* files = control<FileList>("lstFiles");
    doubleClick(files, files->findItems("c.Mdb", Qt::MatchExactly).value(0));
    QCOMPARE(picker->fileName, folder + "/c.Mdb");
    QVERIFY(picker->isHidden());
}

void FilePickerTest::doubleClickOnAFolderOpensItAndEmptiesTheFileName()
{
    clickFile("a.mdb");
    QVERIFY(!control<QLineEdit>("txtFile")->text().isEmpty());

    auto* folders = control<FolderList>("lstFolder");
    doubleClick(folders, folders->findItems("Sub A", Qt::MatchExactly).value(0));
    QCOMPARE(folders->path(), folder + "/Sub A");
    QCOMPARE(itemTexts(folders).mid(itemTexts(folders).indexOf("Sub A")), QStringList({"Sub A", "inner"}));
    QCOMPARE(itemTexts(control<FileList>("lstFiles")), QStringList({"inside.mdb"}));
    QVERIFY(control<QLineEdit>("txtFile")->text().isEmpty());

    // An ancestor opens the same way.
    doubleClick(folders, folders->findItems("work", Qt::MatchExactly).value(0));
    QCOMPARE(folders->path(), folder);
    QCOMPARE(control<FileList>("lstFiles")->count(), 3);
}

// A name that is not UTF-8 lists and comes back as the same bytes; a link to a device is no folder.
void FilePickerTest::anyNameAndLinksToDevicesListAsFiles()
{
    const QByteArray inner = QFile::encodeName(folder + "/sub b/");
    const QByteArray latin1Name = inner + "caf\xe9.mdb";
    const int fd = ::open(latin1Name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
    QCOMPARE(::symlink("/dev/null", (inner + "device.mdb").constData()), 0);
    QCOMPARE(::symlink("/dev/null", (inner + "device").constData()), 0);

    auto* folders = control<FolderList>("lstFolder");
    doubleClick(folders, folders->findItems("sub b", Qt::MatchExactly).value(0));
    QCOMPARE(itemTexts(folders).mid(itemTexts(folders).indexOf("sub b")), QStringList({"sub b"}));
    auto* files = control<FileList>("lstFiles");
    QCOMPARE(itemTexts(files), QStringList({volmira::fileNameFromBytes("caf\xe9.mdb"), QStringLiteral("device.mdb")}));
    doubleClick(files, files->item(0));
    QCOMPARE(volmira::fileNameToBytes(picker->fileName), latin1Name);
}

void FilePickerTest::openWithoutAFileAsksForOne()
{
    MessageCatcher catcher;
    QTest::mouseClick(control<QPushButton>("cmdOk"), Qt::LeftButton);
    QCOMPARE(catcher.messages().size(), std::size_t(1));
    const ShownMessage& answer = catcher.messages().front();
    QCOMPARE(answer.text, QString("Select a file"));
    QCOMPARE(answer.title, QString("Volmira"));
    QCOMPARE(answer.icon, QMessageBox::Information);
    QCOMPARE(answer.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(picker->isVisible());
    QVERIFY(picker->fileName.isEmpty());

    // Taking the selection away (Ctrl+click) leaves nothing to open either.
    clickFile("a.mdb");
    auto* files = control<FileList>("lstFiles");
    const QRect rect = files->visualItemRect(files->findItems("a.mdb", Qt::MatchExactly).first());
    QTest::mouseClick(files->viewport(), Qt::LeftButton, Qt::ControlModifier, rect.center());
    QVERIFY(control<QLineEdit>("txtFile")->text().isEmpty());
    QTest::mouseClick(control<QPushButton>("cmdOk"), Qt::LeftButton);
    QCOMPARE(catcher.messages().size(), std::size_t(2));
    QVERIFY(picker->fileName.isEmpty());
}

void FilePickerTest::driveChangeOpensTheDriveAndEmptiesTheFileName()
{
    // This machine may have a single file system; a second "drive" is added to the list for the test.
    const QString otherDrive = root->path() + "/stick";
    QDir(root->path()).mkpath("stick");
    touch(otherDrive + "/other.mdb");
    auto* drives = control<DriveList>("lstDrive");
    drives->addItem("stick", otherDrive);

    clickFile("a.mdb");
    drives->setCurrentIndex(drives->findData(otherDrive));
    QVERIFY(control<QLineEdit>("txtFile")->text().isEmpty());
    QCOMPARE(control<FolderList>("lstFolder")->path(), otherDrive);
    QCOMPARE(itemTexts(control<FileList>("lstFiles")), QStringList({"other.mdb"}));
    QCOMPARE(drives->drive(), otherDrive);

    // Back on the drive of the working folder, the picker opens the working folder again.
    drives->setCurrentIndex(drives->findData(drives->driveOf(folder)));
    QCOMPARE(control<FolderList>("lstFolder")->path(), folder);
}

void FilePickerTest::fileInTheRootGetsTwoSeparators()
{
    auto* folders = control<FolderList>("lstFolder");
    folders->setPath("/");
    QCOMPARE(itemTexts(folders).first(), QString("/"));
    auto* files = control<FileList>("lstFiles");
    QCOMPARE(files->path(), QString("/"));
    // The root holds no dictionary here; an entry stands in for one.
    files->addItem("root.mdb");
    files->setCurrentRow(files->count() - 1);
    QCOMPARE(control<QLineEdit>("txtFile")->text(), QString("//root.mdb"));
    control<QPushButton>("cmdOk")->click();
    QCOMPARE(picker->fileName, QString("//root.mdb"));
}

void FilePickerTest::enterAndEscDoNotActUnlessAButtonHasTheFocus()
{
    clickFile("a.mdb");
    auto* txtFile = control<QLineEdit>("txtFile");
    txtFile->setFocus();
    QTest::keyClick(txtFile, Qt::Key_Return);
    QTest::keyClick(txtFile, Qt::Key_Escape);
    QTest::keyClick(control<FileList>("lstFiles"), Qt::Key_Enter);
    QVERIFY(picker->isVisible());
    QVERIFY(picker->fileName.isEmpty());
    for (const char* name : {"cmdOk", "cmdCancel"}) {
        QVERIFY(!control<QPushButton>(name)->autoDefault());
        QVERIFY(!control<QPushButton>(name)->isDefault());
    }

    auto* cmdCancel = control<QPushButton>("cmdCancel");
    cmdCancel->setFocus();
    QTest::keyClick(cmdCancel, Qt::Key_Escape);
    QVERIFY(picker->isVisible());

    auto* cmdOk = control<QPushButton>("cmdOk");
    cmdOk->setFocus();
    QTest::keyClick(cmdOk, Qt::Key_Return);
    QCOMPARE(picker->fileName, folder + "/a.mdb");
    QVERIFY(picker->isHidden());
}

void FilePickerTest::cancelAndCloseButtonGiveNoFile()
{
    clickFile("a.mdb");
    QTest::keyClick(control<QLineEdit>("txtFile"), Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(picker->isHidden());  // an access key presses its button with a short animation
    QVERIFY(picker->fileName.isEmpty());
    QCOMPARE(picker->result(), int(QDialog::Rejected));

    frmFileDialog second;
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    QVERIFY(second.close());  // what the title-bar close button does
    QVERIFY(second.fileName.isEmpty());
    QCOMPARE(second.result(), int(QDialog::Rejected));
}

void FilePickerTest::tabOrderAndWindowShape()
{
    QCOMPARE(picker->windowTitle(), QString("Select mdb File"));
    QCOMPARE(picker->size(), QSize(405, 389));
    QCOMPARE(picker->minimumSize(), picker->maximumSize());
    const Qt::WindowFlags flags = picker->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));

    QStringList order;
    QWidget* w = control<QLineEdit>("txtFile");
    do {
        order << w->objectName();
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || !w->isVisible() || w->objectName().isEmpty())
            w = w->nextInFocusChain();
    } while (w != control<QLineEdit>("txtFile"));
    QCOMPARE(order, QStringList({"txtFile", "cmdOk", "cmdCancel", "lstFiles", "lstFolder", "lstDrive"}));
}

void FilePickerTest::unreadableFolderClosesThePickerAndHandsTheErrorOver()
{
    auto* folders = control<FolderList>("lstFolder");
    QListWidgetItem* gone = folders->findItems("sub b", Qt::MatchExactly).value(0);
    QVERIFY(QDir(folder + "/sub b").removeRecursively());
    doubleClick(folders, gone);
    QVERIFY(picker->isHidden());
    QVERIFY(picker->fileName.isEmpty());
    QCOMPARE(folders->path(), folder);

    std::optional<volmira::Error> error = picker->takeError();
    QVERIFY(error);
    QCOMPARE(error->number(), volmira::ErrorNumber::FileSystem);
    QVERIFY(error->description().contains(folder + "/sub b"));
    QVERIFY(!picker->takeError());

    // The same for a drive without a medium.
    frmFileDialog second;
    second.show();
    auto* drives = second.findChild<DriveList*>("lstDrive");
    drives->addItem("empty drive", root->path() + "/no medium");
    drives->setCurrentIndex(drives->count() - 1);
    QVERIFY(second.isHidden());
    QVERIFY(second.takeError());
}

void FilePickerTest::vanishedWorkingFolderEndsExecAtOnce()
{
    QDir(root->path()).mkpath("doomed");
    QVERIFY(QDir::setCurrent(root->path() + "/doomed"));
    QVERIFY(QDir(root->path() + "/doomed").removeRecursively());
    frmFileDialog orphan;
    QCOMPARE(orphan.exec(), int(QDialog::Rejected));
    QVERIFY(orphan.takeError());
}

QTEST_MAIN(FilePickerTest)
#include "tst_filepicker.moc"
