#include "filepicker/filesystem.h"

#include "dictionary/error.h"

#include <QDir>

#include <windows.h>

namespace {

[[noreturn]] void fail(const QString& text, const QString& folder)
{
    throw volmira::Error(volmira::ErrorNumber::FileSystem, text.arg(QDir::toNativeSeparators(folder)));
}

std::wstring wide(const QString& path) { return QDir::toNativeSeparators(path).toStdWString(); }

// A drive without a medium answers with an error instead of the system's "insert a disk" box.
struct QuietDrives {
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    ~QuietDrives() { SetErrorMode(previous); }
};

}  // namespace

QList<FolderEntry> folderEntries(const QString& folder)
{
    const QuietDrives quiet;
    const std::wstring path = wide(folder);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME
            || error == ERROR_BAD_NETPATH)
            fail(QStringLiteral("The folder %1 does not exist."), folder);
        fail(QStringLiteral("The folder %1 cannot be read."), folder);
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        fail(QStringLiteral("The folder %1 cannot be read."), folder);
    const std::wstring pattern = path + (path.back() == L'\\' ? L"*" : L"\\*");
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH);
    QList<FolderEntry> entries;
    if (search == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)  // the root of an empty drive
            return entries;
        fail(QStringLiteral("The folder %1 cannot be read."), folder);
    }
    do {
        const QString name = QString::fromWCharArray(found.cFileName);
        if (name == QLatin1String(".") || name == QLatin1String("..")
            || (found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            continue;
        entries.append({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES)
        fail(QStringLiteral("The folder %1 cannot be read."), folder);
    return entries;
}

QList<MountedVolume> systemVolumes()
{
    const QuietDrives quiet;
    QList<MountedVolume> drives;
    const DWORD letters = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(letters & (DWORD(1) << i)))
            continue;
        const wchar_t root[] = {wchar_t(L'A' + i), L':', L'\\', L'\0'};
        wchar_t label[MAX_PATH + 1] = {};
        wchar_t type[MAX_PATH + 1] = {};
        // A drive without a medium has no label; it is listed all the same, as the system lists it.
        if (!GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, type, MAX_PATH + 1))
            label[0] = type[0] = L'\0';
        drives.append({QString(QChar(u'A' + i)) + QStringLiteral(":/"), QString::fromWCharArray(type).toLatin1(),
                       QString::fromWCharArray(label)});
    }
    return drives;
}
