#include "filepicker/drivelist.h"

#include <QDir>
#include <QFileInfo>

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

// A root ("/", "C:/") ends with its separator already.
bool isUnder(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
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
    clear();
    for (const MountedVolume& volume : systemVolumes()) {
        const QString root = QDir::toNativeSeparators(volume.rootPath);
        const QString label = volume.name.isEmpty() || volume.name == volume.rootPath
                                  ? root
                                  : QStringLiteral("%1  [%2]").arg(root, volume.name);
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
        if (isUnder(folder, root) && root.size() > best.size())
            best = root;
    }
    return best;
}

void DriveList::selectDriveOf(const QString& folder) { setCurrentIndex(findData(driveOf(folder))); }
