// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UdevDriveSource.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <algorithm>

#include <fcntl.h>
#include <libudev.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace Platform {

namespace {

QByteArray udevProperty(udev_device* device, const char* key)
{
    const char* value = udev_device_get_property_value(device, key);
    return value ? QByteArray(value) : QByteArray();
}

QByteArray sysattr(udev_device* device, const char* key)
{
    const char* value = udev_device_get_sysattr_value(device, key);
    return value ? QByteArray(value).trimmed() : QByteArray();
}

// A disk split into partitions is no drive itself: its partitions are.
bool hasPartitions(udev_device* disk)
{
    const QString sysname = QString::fromUtf8(udev_device_get_sysname(disk));
    const QStringList children =
        QDir(QString::fromUtf8(udev_device_get_syspath(disk))).entryList(QDir::Dirs);
    for (const QString& child : children) {
        if (child.startsWith(sysname) && child != sysname)
            return true;
    }
    return false;
}

bool isOptical(udev_device* device)
{
    if (qstrcmp(udev_device_get_devtype(device), "disk") != 0)
        return false;
    // Without the udev daemon there are no ID_ properties; the kernel names them srN.
    return udevProperty(device, "ID_CDROM") == "1" ||
           QByteArray(udev_device_get_sysname(device)).startsWith("sr");
}

// Cards in built-in readers and disks on USB are reported fixed by the kernel, yet
// they come and go like any stick.
bool isPluggable(udev_device* disk)
{
    if (udevProperty(disk, "ID_BUS") == "usb" || udevProperty(disk, "ID_DRIVE_FLASH_SD") == "1")
        return true;
    // Without udisks' rules there is no ID_DRIVE_FLASH_SD; the card itself says "SD"
    // (soldered eMMC says "MMC").
    udev_device* card = udev_device_get_parent_with_subsystem_devtype(disk, "mmc", nullptr);
    return card && sysattr(card, "type") == "SD";
}

} // namespace

UdevDriveSource::UdevDriveSource(Options options, QObject* parent)
    : DriveSource(parent), m_options(std::move(options))
{
    m_udev = udev_new();
    m_settle.setSingleShot(true);
    m_settle.setInterval(m_options.settleMs);
    connect(&m_settle, &QTimer::timeout, this, &UdevDriveSource::settle);
    startMonitor();
    startMountWatch();
    m_lastNodes = scan();
    m_lastSeen = giveLetters(m_lastNodes);
}

UdevDriveSource::~UdevDriveSource()
{
    delete m_udevNotifier;
    delete m_mountNotifier;
    if (m_mountFd >= 0)
        ::close(m_mountFd);
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
    for (const QString& alias : std::as_const(m_aliases))
        QFile::remove(alias);
}

void UdevDriveSource::startMonitor()
{
    if (!m_udev)
        return;
    // Events from the daemon carry its properties; without one, the kernel's own do.
    const char* origin = QFile::exists(QStringLiteral("/run/udev/control")) ? "udev" : "kernel";
    m_monitor = udev_monitor_new_from_netlink(m_udev, origin);
    if (!m_monitor)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "block", nullptr) < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0) {
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
        return;
    }
    m_udevNotifier = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read);
    connect(m_udevNotifier, &QSocketNotifier::activated, this, &UdevDriveSource::onUdevReadable);
}

void UdevDriveSource::startMountWatch()
{
    // The kernel flags this file as exceptional whenever the mount table changes.
    m_mountFd = ::open(QFile::encodeName(m_options.mountInfo).constData(), O_RDONLY | O_CLOEXEC);
    if (m_mountFd < 0)
        return;
    m_mountNotifier = new QSocketNotifier(m_mountFd, QSocketNotifier::Exception);
    connect(m_mountNotifier, &QSocketNotifier::activated, this,
            &UdevDriveSource::onMountTableChanged);
}

bool UdevDriveSource::watching() const
{
    return m_udevNotifier && m_mountNotifier;
}

void UdevDriveSource::onUdevReadable()
{
    while (udev_device* device = udev_monitor_receive_device(m_monitor))
        udev_device_unref(device);
    m_settle.start();
}

void UdevDriveSource::onMountTableChanged()
{
    m_settle.start();
}

void UdevDriveSource::settle()
{
    const QList<Node> nodes = scan();
    const QList<DriveInfo> now = giveLetters(nodes);
    QList<int> notices = deviceChangeNotices(m_lastSeen, now);
    // Drives without a usable medium have no letter, yet a node that came or went
    // is still news.
    if (notices.isEmpty() && nodes != m_lastNodes)
        notices << kDbtDevNodesChanged;
    m_lastSeen = now;
    m_lastNodes = nodes;
    for (int notice : notices)
        emit deviceChange(notice);
}

QList<DriveInfo> UdevDriveSource::giveLetters(const QList<Node>& nodes)
{
    QHash<QString, QChar> kept;
    for (const Node& seen : nodes) {
        const auto known = m_letters.constFind(seen.node);
        if (usable(seen.drive) && known != m_letters.cend())
            kept.insert(seen.node, *known);
    }
    m_letters = kept;
    QList<DriveInfo> lettered;
    for (const Node& seen : nodes) {
        if (!usable(seen.drive))
            continue;
        QChar letter = m_letters.value(seen.node);
        for (char free = 'D'; letter.isNull() && free <= 'Z'; ++free) {
            if (!m_letters.key(QLatin1Char(free)).isEmpty())
                continue;
            letter = QLatin1Char(free);
            m_letters.insert(seen.node, letter);
        }
        if (letter.isNull())
            continue; // all 23 letters hold media
        lettered.append(seen.drive);
        lettered.last().letter = letter;
    }
    std::sort(lettered.begin(), lettered.end(),
              [](const DriveInfo& a, const DriveInfo& b) { return a.letter < b.letter; });
    return lettered;
}

QString UdevDriveSource::decodeUdevText(const QByteArray& encoded)
{
    QByteArray out;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded.at(i) == '\\' && i + 3 < encoded.size() && encoded.at(i + 1) == 'x') {
            bool ok = false;
            const int value = encoded.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(encoded.at(i));
    }
    return QString::fromUtf8(out);
}

bool UdevDriveSource::accepted(udev_device* device, const QString& node) const
{
    if (isOptical(device))
        return true;
    udev_device* disk =
        qstrcmp(udev_device_get_devtype(device), "disk") == 0
            ? device
            : udev_device_get_parent_with_subsystem_devtype(device, "block", "disk");
    if (!disk || (disk == device && hasPartitions(disk)))
        return false;
    return sysattr(disk, "removable") == "1" || isPluggable(disk) ||
           m_options.alsoRemovable.contains(node) ||
           m_options.alsoRemovable.contains(QString::fromUtf8(udev_device_get_devnode(disk)));
}

QString UdevDriveSource::rootOf(const QList<MountEntry>& mounts, unsigned major, unsigned minor)
{
    // The system's own root is no medium, though it may live on a USB disk or card.
    const MountEntry* mount = wholeMountOf(mounts, major, minor);
    if (!mount || mount->mountPoint == QLatin1String("/"))
        return {};
    if (QFile::encodeName(mount->mountPoint) == mount->nativeMountPoint)
        return mount->mountPoint;
    if (m_options.aliasFolder.isEmpty())
        m_options.aliasFolder =
            QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + "/Lumeno-media";
    const QString alias = m_options.aliasFolder + QStringLiteral("/%1-%2").arg(major).arg(minor);
    const QString root = openablePath(mount->nativeMountPoint, alias);
    if (root == alias)
        m_aliases.insert(alias);
    return root;
}

bool UdevDriveSource::describe(udev_device* device, const QList<MountEntry>& mounts,
                               DriveInfo& drive)
{
    const QString node = QString::fromUtf8(udev_device_get_devnode(device));
    if (node.isEmpty() || !accepted(device, node))
        return false;
    const bool optical = isOptical(device);
    drive.kind = optical ? DriveKind::CdRom : DriveKind::Removable;
    const QByteArray media = udevProperty(device, "ID_CDROM_MEDIA");
    drive.mediumPresent =
        optical && !media.isEmpty() ? media == "1" : sysattr(device, "size").toLongLong() > 0;
    const dev_t number = udev_device_get_devnum(device);
    drive.root = rootOf(mounts, major(number), minor(number));
    const QByteArray encoded = udevProperty(device, "ID_FS_LABEL_ENC");
    drive.label = encoded.isEmpty() ? QString::fromUtf8(udevProperty(device, "ID_FS_LABEL"))
                                    : decodeUdevText(encoded);
    if (optical && drive.mediumPresent && drive.root.isEmpty()) {
        const QByteArray audioTracks = udevProperty(device, "ID_CDROM_MEDIA_TRACK_COUNT_AUDIO");
        const bool audio = audioTracks.isEmpty() ? m_options.audioDisc && m_options.audioDisc(node)
                                                 : audioTracks.toInt() > 0;
        if (audio) {
            drive.label = QStringLiteral("Audio CD");
            drive.root = node;
        }
    }
    return true;
}

QList<DriveInfo> UdevDriveSource::drives()
{
    return giveLetters(scan());
}

QList<UdevDriveSource::Node> UdevDriveSource::scan()
{
    QList<Node> found;
    if (!m_udev)
        return found;
    udev_enumerate* scan = udev_enumerate_new(m_udev);
    if (!scan)
        return found;
    const QList<MountEntry> mounts = readMountTable(m_options.mountInfo);
    if (udev_enumerate_add_match_subsystem(scan, "block") >= 0 &&
        udev_enumerate_scan_devices(scan) >= 0) {
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan))
        {
            udev_device* device =
                udev_device_new_from_syspath(m_udev, udev_list_entry_get_name(entry));
            if (!device)
                continue;
            Node seen{QString::fromUtf8(udev_device_get_devnode(device)), {}};
            if (describe(device, mounts, seen.drive))
                found.append(seen);
            udev_device_unref(device);
        }
    }
    udev_enumerate_unref(scan);
    return found;
}

} // namespace Platform
