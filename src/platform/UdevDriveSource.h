// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Drives over libudev: optical drives and removable disks of the block subsystem (SD
// cards and USB disks too, which the kernel calls fixed), their media found through
// udev's properties and the mount table. A drive gets the lowest free letter from D
// when a usable medium appears in it and gives it back when the medium goes. udev
// events and mount-table changes are watched on the GUI thread; a burst of them
// settles into one look at the drives, and the difference to the last look becomes
// the notices.

#include "platform/Drives.h"
#include "platform/MountTable.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <functional>

class QSocketNotifier;
struct udev;
struct udev_device;
struct udev_monitor;

namespace Platform {

class UdevDriveSource : public DriveSource {
    Q_OBJECT
public:
    struct Options {
        // Device nodes taken as removable although the kernel calls them fixed.
        QStringList alsoRemovable;
        // Quiet time after the last event before the drives are looked at again.
        int settleMs = 400;
        // Whether the disc in a CD drive holds audio tracks. Asked only when udev does
        // not know and the disc is not mounted.
        std::function<bool(const QString& node)> audioDisc;
        // The mount table read, and watched when it is the kernel's.
        QString mountInfo = QStringLiteral("/proc/self/mountinfo");
        // Where links to mount points whose names Qt cannot carry are made; empty for
        // the user's runtime folder.
        QString aliasFolder;
    };

    explicit UdevDriveSource(Options options, QObject* parent = nullptr);
    ~UdevDriveSource() override;
    UdevDriveSource(const UdevDriveSource&) = delete;
    UdevDriveSource& operator=(const UdevDriveSource&) = delete;

    QList<DriveInfo> drives() override;
    // True when both the udev monitor and the mount-table watch run.
    bool watching() const;

    // Turns a udev "_ENC" value ("MY\x20DISC") back into its text.
    static QString decodeUdevText(const QByteArray& encoded);

private:
    // An accepted node as seen now, before letters are given.
    struct Node {
        QString node;
        DriveInfo drive;
        bool operator==(const Node& other) const
        {
            return node == other.node && drive == other.drive;
        }
    };

    void startMonitor();
    void startMountWatch();
    void onUdevReadable();
    void onMountTableChanged();
    void settle();
    bool accepted(udev_device* device, const QString& node) const;
    bool describe(udev_device* device, const QList<MountEntry>& mounts, DriveInfo& drive);
    QString rootOf(const QList<MountEntry>& mounts, unsigned major, unsigned minor);
    QList<Node> scan();
    QList<DriveInfo> giveLetters(const QList<Node>& nodes);

    Options m_options;
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_udevNotifier = nullptr;
    int m_mountFd = -1;
    QSocketNotifier* m_mountNotifier = nullptr;
    QTimer m_settle;
    QList<DriveInfo> m_lastSeen;
    QList<Node> m_lastNodes;
    // The letters of the nodes that hold a usable medium; a letter goes back with it.
    QHash<QString, QChar> m_letters;
    QSet<QString> m_aliases;
};

} // namespace Platform
