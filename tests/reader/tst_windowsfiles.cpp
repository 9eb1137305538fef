// What Windows does its own way: a file another program has open for writing, a name outside the ANSI
// code page, the drives of the picker and the paths it hands back.

#include "common/testsupport.h"
#include "dictionary/error.h"
#include "dictionary/filereader.h"
#include "filepicker/drivelist.h"
#include "filepicker/folderlist.h"
#include "recordingsink.h"
#include "testkit/mdbwrite/databasewriter.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

using namespace volmira;

namespace {

QByteArray dictionaryBytes()
{
    jet4::DatabaseModel model;
    model.addTable(QStringLiteral("Notes")).addColumn(QStringLiteral("Note"), jet4::ColumnType::Text, 50).rows = {
        {"CMC_CLCL_CLAIM"}};
    return jet4::writeDatabase(model);
}

// The error number of reading path, 0 when it read.
int readError(const QString& path, QString* description = nullptr)
{
    RecordingSink sink;
    try {
        FileReader::read(path, {QStringLiteral("Notes")}, sink);
    } catch (const Error& error) {
        if (description)
            *description = error.description();
        return error.number();
    }
    return 0;
}

HANDLE openAsAnotherProgram(const QString& path, DWORD access, DWORD sharing)
{
    return CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(), access, sharing, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

class WindowsFilesTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
    // Open for writing elsewhere, even while that program lets others read, the file is in use (Jet's
    // exclusive open); open for reading elsewhere, it reads.
    void aFileOpenForWritingIsInUse()
    {
        const QString path = writeFile(dir_.filePath(QStringLiteral("held.mdb")), dictionaryBytes());
        HANDLE writer = openAsAnotherProgram(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
        QVERIFY(writer != INVALID_HANDLE_VALUE);
        QString description;
        const int number = readError(path, &description);
        CloseHandle(writer);
        QCOMPARE(number, ErrorNumber::FileInUse);
        QCOMPARE(description, QStringLiteral("Could not use '%1'; file already in use.").arg(path));

        HANDLE reader = openAsAnotherProgram(path, GENERIC_READ, FILE_SHARE_READ);
        QVERIFY(reader != INVALID_HANDLE_VALUE);
        QCOMPARE(readError(path), 0);
        CloseHandle(reader);
        QCOMPARE(readError(path), 0);
    }

    // Greek and Japanese in one name: no ANSI code page holds both.
    void aNameOutsideTheAnsiCodePageOpens()
    {
        const QString name = dir_.filePath(QStringLiteral("Λεξικό-辞書.mdb"));
        writeFile(name, dictionaryBytes());
        QCOMPARE(readError(name), 0);
        QCOMPARE(readError(QDir::toNativeSeparators(name)), 0);
        const Run query = run(program(QStringLiteral("volmira-query")),
                              {QDir::toNativeSeparators(name), QStringLiteral("Select Note from Notes")});
        QCOMPARE(query.err, QByteArray());
        QCOMPARE(query.out, QByteArray("CMC_CLCL_CLAIM\n"));
    }

    // The picker offers the system's drive letters, the working folder's among them, and shows a drive's
    // root the way Windows writes it.
    void thePickerShowsTheDrives()
    {
        DriveList drives;
        drives.refresh();
        QVERIFY(drives.count() > 0);
        for (int i = 0; i < drives.count(); ++i) {
            const QString root = drives.itemData(i).toString();
            QVERIFY2(root.size() == 3 && root.at(0).isUpper() && root.endsWith(QLatin1String(":/")), qPrintable(root));
            QVERIFY(drives.itemText(i).startsWith(root.left(2) + QLatin1Char('\\')));
        }
        const QString working = QDir::currentPath();
        QCOMPARE(drives.driveOf(working), working.left(3).toUpper());

        FolderList folders;
        folders.setPath(working.left(3));
        QCOMPARE(folders.path(), working.left(3));
        QCOMPARE(folders.item(0)->text(), working.left(2) + QLatin1Char('\\'));
    }
};

QTEST_MAIN(WindowsFilesTest)
#include "tst_windowsfiles.moc"
