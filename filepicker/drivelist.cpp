#include "filepicker/drivelist.h"

#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace {

bool isPseudoFileSystem(const QByteArray& type)
{
    static const QList<QByteArray> pseudo = {
        "autofs",   "binfmt_misc", "bpf",        "cgroup",     "cgroup2",  "configfs", "debugfs", "devpts",
        "devtmpfs", "efivarfs",    "fusectl",    "hugetlbfs",  "mqueue",   "nsfs",     "overlay", "proc",
        "pstore",   "ramfs",       "rpc_pipefs", "securityfs", "squashfs", "sysfs",    "tmpfs",   "tracefs"};
    return pseudo.contains(type);
}

bool isUnder(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

bool isSystemFolder(const QString& path)
{
    for (const char* folder : {"/proc", "/sys", "/dev", "/run", "/snap"}) {
        if (isUnder(path, QString::fromLatin1(folder)))
            return true;
    }
    return false;
}

}  // namespace

QList<MountedVolume> browsableVolumes(const QList<MountedVolume>& mounted)
{
    QList<MountedVolume> result;
    bool haveRoot = false;
    for (const MountedVolume& volume : mounted) {
        if (volume.rootPath == QLatin1String("/")) {
            // The root stays whatever it is made of: in a container it is an overlay.
            if (!haveRoot)
                result.append(volume);
            haveRoot = true;
            continue;
        }
        if (isPseudoFileSystem(volume.fileSystemType) || isSystemFolder(volume.rootPath))
            continue;
        if (!QFileInfo(volume.rootPath).isDir())
            continue;
        const bool duplicate = std::any_of(result.cbegin(), result.cend(),
                                           [&](const MountedVolume& v) { return v.rootPath == volume.rootPath; });
        if (!duplicate)
            result.append(volume);
    }
    if (!haveRoot)
        result.append({QStringLiteral("/"), QByteArray(), QString()});
    std::sort(result.begin(), result.end(),
              [](const MountedVolume& a, const MountedVolume& b) { return a.rootPath < b.rootPath; });
    return result;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {}

void DriveList::refresh()
{
    QList<MountedVolume> mounted;
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& info : volumes) {
        if (info.isValid())
            mounted.append({info.rootPath(), info.fileSystemType(), info.name()});
    }
    clear();
    for (const MountedVolume& volume : browsableVolumes(mounted)) {
        const QString label = volume.name.isEmpty() || volume.name == volume.rootPath
                                  ? volume.rootPath
                                  : QStringLiteral("%1  [%2]").arg(volume.rootPath, volume.name);
        addItem(label, volume.rootPath);
    }
    setCurrentIndex(-1);
}

QString DriveList::drive() const { return currentData().toString(); }

QString DriveList::driveOf(const QString& folder) const
{
    QString best;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        const bool holds = root == QLatin1String("/") || isUnder(folder, root);
        if (holds && root.size() > best.size())
            best = root;
    }
    return best;
}

void DriveList::selectDriveOf(const QString& folder) { setCurrentIndex(findData(driveOf(folder))); }
