// SPDX-License-Identifier: GPL-3.0-or-later
// The drive layer underneath the automatic playlists: the mount table, the notices
// drawn from two views of the drives, and the udev source on a real loop device.
#include "NoticeCount.h"
#include "platform/Drives.h"
#include "platform/MountTable.h"
#include "platform/UdevDriveSource.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Platform;

namespace {

DriveInfo drive(QChar letter, const QString& label = QString(), const QString& root = QString(),
                bool present = true)
{
    return {letter, DriveKind::Removable, present, label, root};
}

bool run(const QString& program, const QStringList& arguments, QString* output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return false;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return true;
}

} // namespace

class TestDrives : public QObject {
    Q_OBJECT
private slots:
    void mountInfoLinesAndEscapes();
    void noticesFromTwoViews();
    void udevTextDecoding();
    void loopDeviceArrivesOnceAndLeaves();
};

void TestDrives::mountInfoLinesAndEscapes()
{
    const QByteArray sample =
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "45 27 7:0 / /media/me/MY\\040STICK rw,nosuid shared:12 master:3 - vfat /dev/loop0 rw\n"
        "46 27 7:0 /music /srv/music rw - vfat /dev/loop0 rw\n"
        "47 27 11:0 / /mnt/tab\\011line\\012back\\134slash ro - iso9660 /dev/sr0 ro\n"
        "48 27 8:1 / /mnt/odd\\9zz\\04 rw - ext4 /dev/sdb1 rw\n"
        "garbage line without fields\n"
        "49 27 x:y / /bad rw - ext4 /dev/sdc rw\n"
        "50 27 8:2 / /no/dash rw ext4 /dev/sdc2 rw\n";
    const QList<MountEntry> table = parseMountInfo(sample);
    QCOMPARE(table.size(), 5);
    QCOMPARE(table.at(1).mountPoint, QString("/media/me/MY STICK"));
    QCOMPARE(table.at(1).fsType, QString("vfat"));
    QCOMPARE(table.at(1).source, QString("/dev/loop0"));
    QCOMPARE(table.at(1).major, 7u);
    QCOMPARE(table.at(3).mountPoint, QString("/mnt/tab\tline\nback\\slash"));
    // What is no complete octal escape stays as written.
    QCOMPARE(table.at(4).mountPoint, QString("/mnt/odd\\9zz\\04"));
    // The whole file system's mount wins over a bind mount of one of its folders.
    QCOMPARE(mountPointOf(table, 7, 0), QString("/media/me/MY STICK"));
    QCOMPARE(mountPointOf(table, 11, 0), QString("/mnt/tab\tline\nback\\slash"));
    QCOMPARE(mountPointOf(table, 8, 5), QString());
    QVERIFY(parseMountInfo(QByteArray()).isEmpty());
    // This process's own table holds the proc mount it is read from, under the device
    // number the file system gives (a chroot or container has no "/" mount to look for).
    struct stat proc {};
    QCOMPARE(::stat("/proc/self", &proc), 0);
    bool procFound = false;
    for (const MountEntry& entry : readMountTable())
        procFound |= entry.mountPoint == QLatin1String("/proc") && entry.fsType == "proc" &&
                     entry.major == major(proc.st_dev) && entry.minor == minor(proc.st_dev);
    QVERIFY(procFound);
}

void TestDrives::noticesFromTwoViews()
{
    const QList<DriveInfo> empty{drive('D', {}, {}, false)};
    const QList<DriveInfo> unmounted{drive('D', "STICK")};
    const QList<DriveInfo> mounted{drive('D', "STICK", "/media/STICK")};
    const QList<int> arrival{kDbtDeviceArrival};
    const QList<int> removal{kDbtDeviceRemoveComplete};

    QCOMPARE(deviceChangeNotices(empty, empty), QList<int>());
    QCOMPARE(deviceChangeNotices(mounted, mounted), QList<int>());
    // The block device comes first, its mount later: the arrival waits for the mount.
    QCOMPARE(deviceChangeNotices(empty, unmounted), QList<int>{kDbtDevNodesChanged});
    QCOMPARE(deviceChangeNotices(unmounted, mounted), arrival);
    QCOMPARE(deviceChangeNotices({}, mounted), arrival);
    QCOMPARE(deviceChangeNotices(mounted, unmounted), removal);
    QCOMPARE(deviceChangeNotices(mounted, {}), removal);
    // A swapped medium leaves, then the new one comes.
    QCOMPARE(deviceChangeNotices(mounted, {drive('D', "OTHER", "/media/OTHER")}),
             (QList<int>{kDbtDeviceRemoveComplete, kDbtDeviceArrival}));
    // A second drive that comes while the first stays: only its arrival.
    QCOMPARE(deviceChangeNotices(mounted, {mounted.first(), drive('E', "CD", "/media/CD")}),
             arrival);
    QCOMPARE(deviceChangeNotices({}, empty), QList<int>{kDbtDevNodesChanged});
}

void TestDrives::udevTextDecoding()
{
    QCOMPARE(UdevDriveSource::decodeUdevText("MY\\x20DISC"), QString("MY DISC"));
    QCOMPARE(UdevDriveSource::decodeUdevText("AC\\x2fDC\\x0a"), QString("AC/DC\n"));
    QCOMPARE(UdevDriveSource::decodeUdevText("caf\\xc3\\xa9"), QString::fromUtf8("café"));
    QCOMPARE(UdevDriveSource::decodeUdevText("bad\\xZZ\\x"), QString("bad\\xZZ\\x"));
}

// A loop device stands for a stick: attaching it sends several block events, the
// mount comes later; one arrival must come of it, and one removal of the unmount.
void TestDrives::loopDeviceArrivesOnceAndLeaves()
{
    if (geteuid() != 0 || QStandardPaths::findExecutable("losetup").isEmpty() ||
        QStandardPaths::findExecutable("mkfs.ext2", {"/usr/sbin", "/sbin"}).isEmpty())
        QSKIP("needs root, losetup and mkfs.ext2");
    QTemporaryDir dir;
    const QString image = dir.filePath("stick.img");
    {
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(4 * 1024 * 1024));
    }
    QVERIFY(run(QStandardPaths::findExecutable("mkfs.ext2", {"/usr/sbin", "/sbin"}),
                {"-q", "-L", "MY STICK", image}));
    QString node;
    if (!run("losetup", {"-f"}, &node) || node.isEmpty())
        QSKIP("no free loop device");

    UdevDriveSource::Options options;
    options.alsoRemovable = {node};
    options.settleMs = 200;
    UdevDriveSource source(options);
    if (!source.watching())
        QSKIP("no udev monitor or mount-table watch in this sandbox");
    QSignalSpy notices(&source, &DriveSource::deviceChange);
    auto find = [&]() {
        for (const DriveInfo& d : source.drives()) {
            if (d.kind == DriveKind::Removable && d.letter >= 'D' && d.letter <= 'Z')
                return d;
        }
        return DriveInfo{};
    };

    QString attached;
    if (!run("losetup", {"--show", node, image}, &attached))
        QSKIP("cannot attach a loop device here");
    const QString mountPoint = dir.filePath("stick mnt");
    QDir().mkpath(mountPoint);
    // Whatever fails below, the image is unmounted and detached again.
    struct Detach {
        QString node, mountPoint;
        ~Detach()
        {
            run("umount", {mountPoint});
            run("losetup", {"-d", node});
        }
    } detach{node, mountPoint};
    // The attach reaches us as udev events: the drive now has a medium, not yet mounted.
    QTRY_VERIFY_WITH_TIMEOUT(countOf(notices, kDbtDevNodesChanged) >= 1, 5000);
    QCOMPARE(countOf(notices, kDbtDeviceArrival), 0);
    QVERIFY(find().letter.isNull()); // no letter before the medium can be read
    if (!run("mount", {node, mountPoint}))
        QSKIP("mounting is not permitted here");
    QTRY_VERIFY_WITH_TIMEOUT(countOf(notices, kDbtDeviceArrival) == 1, 5000);
    QTest::qWait(800);
    QCOMPARE(countOf(notices, kDbtDeviceArrival), 1);
    QCOMPARE(countOf(notices, kDbtDeviceRemoveComplete), 0);
    const DriveInfo seen = find();
    QVERIFY(seen.mediumPresent);
    QCOMPARE(seen.root, mountPoint); // read back through the \040 escape
    if (QFile::exists("/run/udev/control"))
        QCOMPARE(seen.label, QString("MY STICK"));
    QVERIFY(run("umount", {mountPoint}));
    QTRY_VERIFY_WITH_TIMEOUT(countOf(notices, kDbtDeviceRemoveComplete) == 1, 5000);
    QVERIFY(find().letter.isNull()); // the letter went back with the medium
}

QTEST_MAIN(TestDrives)
#include "test_drives.moc"
