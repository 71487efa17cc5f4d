// SPDX-License-Identifier: GPL-3.0-or-later
// The udev drive source against umockdev: block devices described as umockdev-record
// writes them, a real udev database and uevents made from them, and the mount table
// given as a file. No root and no hardware; run under umockdev-wrapper.
// GLib's headers name fields "signals": they come before Qt's keywords.
#include <umockdev.h>

#include "NoticeCount.h"
#include "platform/UdevDriveSource.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Platform;

namespace {

// A USB stick whose kernel says "not removable", with one partition.
const char kUsbStick[] =
    R"(P: /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0/block/sdb
N: sdb
E: SUBSYSTEM=block
E: DEVNAME=/dev/sdb
E: DEVTYPE=disk
E: MAJOR=8
E: MINOR=16
E: ID_BUS=usb
E: ID_MODEL=Flash_Disk
E: ID_USB_DRIVER=usb-storage
E: ID_PART_TABLE_TYPE=dos
A: dev=8:16
A: removable=0
A: size=7864320

P: /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0/block/sdb/sdb1
N: sdb1
E: SUBSYSTEM=block
E: DEVNAME=/dev/sdb1
E: DEVTYPE=partition
E: MAJOR=8
E: MINOR=17
E: ID_BUS=usb
E: ID_FS_TYPE=vfat
E: ID_FS_LABEL=MY_STICK
E: ID_FS_LABEL_ENC=MY\x20STICK
A: dev=8:17
A: partition=1
A: size=7862272
)";

// An SD card in a laptop's own reader, on a system without udisks' rules: only the
// card's type tells it from soldered eMMC.
const char kSdCard[] =
    R"(P: /devices/pci0000:00/0000:00:1c.0/0000:02:00.0/rtsx_pci_sdmmc.0/mmc_host/mmc0/mmc0:aaaa
E: SUBSYSTEM=mmc
E: MMC_TYPE=SD
A: type=SD
A: name=SD32G

P: /devices/pci0000:00/0000:00:1c.0/0000:02:00.0/rtsx_pci_sdmmc.0/mmc_host/mmc0/mmc0:aaaa/block/mmcblk0
N: mmcblk0
E: SUBSYSTEM=block
E: DEVNAME=/dev/mmcblk0
E: DEVTYPE=disk
E: MAJOR=179
E: MINOR=0
A: dev=179:0
A: removable=0
A: size=62333952

P: /devices/pci0000:00/0000:00:1c.0/0000:02:00.0/rtsx_pci_sdmmc.0/mmc_host/mmc0/mmc0:aaaa/block/mmcblk0/mmcblk0p1
N: mmcblk0p1
E: SUBSYSTEM=block
E: DEVNAME=/dev/mmcblk0p1
E: DEVTYPE=partition
E: MAJOR=179
E: MINOR=1
E: ID_FS_TYPE=exfat
E: ID_FS_LABEL=CAMERA
A: dev=179:1
A: partition=1
A: size=62331904
)";

// The machine's own disks: a SATA disk and soldered eMMC, both mounted.
const char kFixedDisks[] =
    R"(P: /devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda
N: sda
E: SUBSYSTEM=block
E: DEVNAME=/dev/sda
E: DEVTYPE=disk
E: MAJOR=8
E: MINOR=0
E: ID_BUS=ata
A: dev=8:0
A: removable=0
A: size=500118192

P: /devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda/sda1
N: sda1
E: SUBSYSTEM=block
E: DEVNAME=/dev/sda1
E: DEVTYPE=partition
E: MAJOR=8
E: MINOR=1
E: ID_BUS=ata
E: ID_FS_LABEL=system
A: dev=8:1
A: partition=1
A: size=500116144

P: /devices/platform/80860F14:00/mmc_host/mmc1/mmc1:0001
E: SUBSYSTEM=mmc
E: MMC_TYPE=MMC
A: type=MMC

P: /devices/platform/80860F14:00/mmc_host/mmc1/mmc1:0001/block/mmcblk1
N: mmcblk1
E: SUBSYSTEM=block
E: DEVNAME=/dev/mmcblk1
E: DEVTYPE=disk
E: MAJOR=179
E: MINOR=8
A: dev=179:8
A: removable=0
A: size=30535680
)";

// A DVD writer on SATA, empty.
const char kOpticalDrive[] =
    R"(P: /devices/pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sr0
N: sr0
E: SUBSYSTEM=block
E: DEVNAME=/dev/sr0
E: DEVTYPE=disk
E: MAJOR=11
E: MINOR=0
E: ID_BUS=ata
E: ID_CDROM=1
E: ID_CDROM_DVD=1
A: dev=11:0
A: removable=1
A: size=0
)";

// Another stick like the first, under other names and device numbers (umockdev keeps a
// removed device's links).
QByteArray usbStick(const QByteArray& name, int major, const QByteArray& label)
{
    const QByteArray number = QByteArray::number(major);
    return QByteArray(kUsbStick)
        .replace("sdb", name)
        .replace("MY\\x20STICK", label)
        .replace("MY_STICK", label)
        .replace("MAJOR=8", "MAJOR=" + number)
        .replace("MINOR=16", "MINOR=0")
        .replace("MINOR=17", "MINOR=1")
        .replace("dev=8:1", "dev=" + number + ':');
}

// One slot of a USB multi-card reader, as slot n; no card in it.
QByteArray readerSlot(int n)
{
    const QByteArray name = "sd" + QByteArray(1, char('c' + n));
    const QByteArray major = QByteArray::number(65 + n / 16);
    const QByteArray minor = QByteArray::number(n % 16 * 16);
    return "P: /devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/host7/target7:0:0/7:0:0:" +
           QByteArray::number(n) + "/block/" + name + "\nN: " + name +
           "\nE: SUBSYSTEM=block\nE: DEVNAME=/dev/" + name +
           "\nE: DEVTYPE=disk\nE: MAJOR=" + major + "\nE: MINOR=" + minor +
           "\nE: ID_BUS=usb\nA: dev=" + major + ':' + minor + "\nA: removable=1\nA: size=0\n";
}

QStringList sysPaths(const QByteArray& record)
{
    QStringList paths;
    const QRegularExpression line(QStringLiteral("^P: (.*)$"), QRegularExpression::MultilineOption);
    for (auto m = line.globalMatch(QString::fromUtf8(record)); m.hasNext();)
        paths << QStringLiteral("/sys") + m.next().captured(1);
    return paths;
}

} // namespace

class TestUdevDrives : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void usbDiskAndSdCardComeAndGo();
    void opticalDriveWithAudioCdThenDvd();
    void lettersOnlyForMediaAndGivenBack();
    void mountPointThatIsNoUtf8Opens();

private:
    // Adds the devices; umockdev announces them, parents first.
    void plugIn(const QByteArray& record);
    // Announces the removal, children first, and takes the devices away.
    void unplug(const QByteArray& record);
    // A folder standing for the medium's file system, mounted for device major:minor.
    QByteArray mount(unsigned major, unsigned minor, const QByteArray& name);
    void unmount(unsigned major, unsigned minor);
    void writeMountInfo();
    QList<DriveInfo> drives() { return m_source->drives(); }
    std::unique_ptr<UdevDriveSource> makeSource();

    UMockdevTestbed* m_testbed = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
    QMap<QPair<unsigned, unsigned>, QByteArray> m_mounts;
    QList<QByteArray> m_made;
    std::unique_ptr<UdevDriveSource> m_source;
    std::unique_ptr<QSignalSpy> m_notices;
};

void TestUdevDrives::initTestCase()
{
    if (!qgetenv("LD_PRELOAD").contains("umockdev-preload"))
        QFAIL("run this test under umockdev-wrapper");
}

void TestUdevDrives::init()
{
    m_testbed = umockdev_testbed_new();
    m_dir = std::make_unique<QTemporaryDir>();
    m_mounts.clear();
    writeMountInfo();
    m_source = makeSource();
    m_notices = std::make_unique<QSignalSpy>(m_source.get(), &DriveSource::deviceChange);
}

void TestUdevDrives::cleanup()
{
    m_notices.reset();
    m_source.reset();
    // Qt cannot name what is no UTF-8: such folders go by their bytes.
    for (const QByteArray& point : std::as_const(m_made)) {
        ::unlink((point + "/song.mp3").constData());
        ::rmdir(point.constData());
    }
    m_made.clear();
    g_object_unref(m_testbed);
    m_testbed = nullptr;
    m_dir.reset();
}

std::unique_ptr<UdevDriveSource> TestUdevDrives::makeSource()
{
    UdevDriveSource::Options options;
    options.settleMs = 50;
    options.mountInfo = m_dir->filePath(QStringLiteral("mountinfo"));
    options.aliasFolder = m_dir->filePath(QStringLiteral("aliases"));
    options.audioDisc = [](const QString&) { return false; };
    return std::make_unique<UdevDriveSource>(options);
}

void TestUdevDrives::plugIn(const QByteArray& record)
{
    GError* error = nullptr;
    QVERIFY(umockdev_testbed_add_from_string(m_testbed, record.constData(), &error));
    // The events' queue is short, as the kernel's: the source reads them meanwhile.
    QCoreApplication::processEvents();
}

void TestUdevDrives::unplug(const QByteArray& record)
{
    const QStringList paths = sysPaths(record);
    for (auto path = paths.crbegin(); path != paths.crend(); ++path)
        umockdev_testbed_uevent(m_testbed, path->toUtf8().constData(), "remove");
    umockdev_testbed_remove_device(m_testbed, paths.first().toUtf8().constData());
}

QByteArray TestUdevDrives::mount(unsigned major, unsigned minor, const QByteArray& name)
{
    const QByteArray point = QFile::encodeName(m_dir->path()) + "/media/" + name;
    QDir().mkpath(QFile::decodeName(QFile::encodeName(m_dir->path()) + "/media"));
    ::mkdir(point.constData(), 0755); // the name may be no UTF-8: QDir cannot make it
    m_made.append(point);
    m_mounts.insert({major, minor}, point);
    writeMountInfo();
    return point;
}

void TestUdevDrives::unmount(unsigned major, unsigned minor)
{
    m_mounts.remove({major, minor});
    writeMountInfo();
}

void TestUdevDrives::writeMountInfo()
{
    // As the kernel writes it: blanks escaped, other bytes as they are.
    QByteArray text = "22 1 0:21 / /proc rw,relatime shared:13 - proc proc rw\n";
    int id = 100;
    for (auto m = m_mounts.cbegin(); m != m_mounts.cend(); ++m) {
        QByteArray point = m.value();
        point.replace(' ', "\\040");
        text += QByteArray::number(++id) + " 1 " + QByteArray::number(m.key().first) + ':' +
                QByteArray::number(m.key().second) + " / " + point +
                " rw,nosuid,nodev shared:200 - vfat /dev/x rw\n";
    }
    QFile file(m_dir->filePath(QStringLiteral("mountinfo")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
}

// A stick and an SD card the kernel both calls fixed: each is a drive of its own with
// its label and mount, one arrival each, one removal when it goes; the machine's own
// disks and its system never show.
void TestUdevDrives::usbDiskAndSdCardComeAndGo()
{
    mount(8, 1, "system");
    mount(179, 8, "home");
    plugIn(kFixedDisks);
    QTest::qWait(200);
    QVERIFY(m_notices->isEmpty());
    QVERIFY(drives().isEmpty());
    // Nor does a live system on a USB stick.
    m_mounts.insert({68, 1}, "/");
    writeMountInfo();
    plugIn(usbStick("sdf", 68, "LIVE"));
    QTRY_COMPARE(countOf(*m_notices, kDbtDevNodesChanged), 1);
    QVERIFY(drives().isEmpty());

    const QString stick = QFile::decodeName(mount(8, 17, "MY STICK"));
    plugIn(kUsbStick);
    QTRY_COMPARE(countOf(*m_notices, kDbtDeviceArrival), 1);
    QCOMPARE(drives(), (QList<DriveInfo>{{'D', DriveKind::Removable, true, "MY STICK", stick}}));

    const QString card = QFile::decodeName(mount(179, 1, "CAMERA"));
    plugIn(kSdCard);
    QTRY_COMPARE(countOf(*m_notices, kDbtDeviceArrival), 2);
    QCOMPARE(drives().size(), 2);
    QCOMPARE(drives().at(1), (DriveInfo{'E', DriveKind::Removable, true, "CAMERA", card}));

    unmount(8, 17);
    unplug(kUsbStick);
    QTRY_COMPARE(countOf(*m_notices, kDbtDeviceRemoveComplete), 1);
    QCOMPARE(drives(), (QList<DriveInfo>{{'E', DriveKind::Removable, true, "CAMERA", card}}));
    QTest::qWait(200);
    QCOMPARE(countOf(*m_notices, kDbtDeviceArrival), 2);
    QCOMPARE(countOf(*m_notices, kDbtDeviceRemoveComplete), 1);
}

// An empty drive has no letter; an audio CD is read from the device node; a DVD from
// its mount, under its label.
void TestUdevDrives::opticalDriveWithAudioCdThenDvd()
{
    plugIn(kOpticalDrive);
    QTRY_COMPARE(countOf(*m_notices, kDbtDevNodesChanged), 1);
    QVERIFY(drives().isEmpty());

    const char* sr0 =
        "/sys/devices/pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sr0";
    umockdev_testbed_set_property(m_testbed, sr0, "ID_CDROM_MEDIA", "1");
    umockdev_testbed_set_property(m_testbed, sr0, "ID_CDROM_MEDIA_TRACK_COUNT_AUDIO", "12");
    umockdev_testbed_uevent(m_testbed, sr0, "change");
    QTRY_COMPARE(countOf(*m_notices, kDbtDeviceArrival), 1);
    QCOMPARE(drives(), (QList<DriveInfo>{{'D', DriveKind::CdRom, true, "Audio CD", "/dev/sr0"}}));

    umockdev_testbed_set_property(m_testbed, sr0, "ID_CDROM_MEDIA", "0");
    umockdev_testbed_uevent(m_testbed, sr0, "change");
    QTRY_COMPARE(countOf(*m_notices, kDbtDeviceRemoveComplete), 1);
    QVERIFY(drives().isEmpty());

    const QString dvd = QFile::decodeName(mount(11, 0, "MOVIE"));
    umockdev_testbed_set_property(m_testbed, sr0, "ID_CDROM_MEDIA", "1");
    umockdev_testbed_set_property(m_testbed, sr0, "ID_CDROM_MEDIA_TRACK_COUNT_AUDIO", "0");
    umockdev_testbed_set_property(m_testbed, sr0, "ID_FS_LABEL", "MOVIE");
    umockdev_testbed_uevent(m_testbed, sr0, "change");
    QTRY_COMPARE(countOf(*m_notices, kDbtDeviceArrival), 2);
    QCOMPARE(drives(), (QList<DriveInfo>{{'D', DriveKind::CdRom, true, "MOVIE", dvd}}));
}

// Many empty card-reader slots take no letters; a medium takes the lowest free one
// and keeps it while it stays; a letter that went back is given again.
void TestUdevDrives::lettersOnlyForMediaAndGivenBack()
{
    for (int n = 0; n < 24; ++n)
        plugIn(readerSlot(n));
    QTRY_VERIFY(!m_notices->isEmpty());
    QVERIFY(drives().isEmpty());

    mount(8, 17, "STICK");
    plugIn(kUsbStick);
    QTRY_COMPARE(countOf(*m_notices, kDbtDeviceArrival), 1);
    mount(179, 1, "CAMERA");
    plugIn(kSdCard);
    QTRY_COMPARE(countOf(*m_notices, kDbtDeviceArrival), 2);
    const QList<DriveInfo> both = drives();
    QCOMPARE(both.size(), 2);
    QCOMPARE(both.at(0).label, QString("MY STICK"));
    QCOMPARE(both.at(0).letter, QChar('D'));
    QCOMPARE(both.at(1).letter, QChar('E'));

    unmount(8, 17);
    unplug(kUsbStick);
    QTRY_COMPARE(countOf(*m_notices, kDbtDeviceRemoveComplete), 1);
    QCOMPARE(drives().size(), 1);
    QCOMPARE(drives().at(0).letter, QChar('E'));

    mount(67, 1, "OTHER");
    plugIn(usbStick("sdaa", 67, "OTHER"));
    QTRY_COMPARE(countOf(*m_notices, kDbtDeviceArrival), 3);
    QCOMPARE(drives().at(0).label, QString("OTHER"));
    QCOMPARE(drives().at(0).letter, QChar('D'));
    QCOMPARE(drives().at(1).letter, QChar('E'));
}

// A card whose mount point is Latin-1 text, not UTF-8: its files can be opened.
void TestUdevDrives::mountPointThatIsNoUtf8Opens()
{
    const QByteArray point = mount(179, 1, "CAF\xc9");
    const QByteArray native = point + "/song.mp3";
    FILE* made = std::fopen(native.constData(), "w");
    QVERIFY(made && std::fputs("ID3", made) >= 0 && std::fclose(made) == 0);
    plugIn(kSdCard);
    QTRY_COMPARE(countOf(*m_notices, kDbtDeviceArrival), 1);
    QCOMPARE(drives().size(), 1);
    QFile file(drives().at(0).root + QStringLiteral("/song.mp3"));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    QCOMPARE(file.readAll(), QByteArray("ID3"));
    // The way there goes with the source.
    const QString root = drives().at(0).root;
    m_source.reset();
    QVERIFY(!QFileInfo::exists(root));
}

QTEST_MAIN(TestUdevDrives)
#include "test_udevdrives.moc"
