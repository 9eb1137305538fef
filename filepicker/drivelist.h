#pragma once

#include "filepicker/filesystem.h"

#include <QComboBox>
#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// The file systems a user browses for files: the root and the mount points of real devices, without
// the kernel's pseudo file systems, memory file systems and files bind-mounted into a container.
// Sorted by path, the root first.
QList<MountedVolume> browsableVolumes(const QList<MountedVolume>& mounted);

// The drop-down of drives. Each entry carries its mount point (on Windows its drive's root, as "C:/"),
// and shows it with the platform's separators; on Linux the root "/" is always present.
class DriveList final : public QComboBox {
    Q_OBJECT

public:
    explicit DriveList(QWidget* parent = nullptr);

    // Reads the mounted file systems again and fills the list; keeps no selection.
    void refresh();

    // Mount point of the selected entry, or the empty text when none is selected.
    QString drive() const;

    // The mount point that holds folder: the longest listed mount point that is a prefix of it.
    QString driveOf(const QString& folder) const;

    // Selects the entry of the drive that holds folder. Emits the combo box's usual signals.
    void selectDriveOf(const QString& folder);
};
