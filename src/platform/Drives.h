// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Removable and optical drives under the letters D to Z, and the notices sent when
// media come and go.

#include <QChar>
#include <QList>
#include <QObject>
#include <QString>

namespace Platform {

// The device-change notices the player reacts to.
constexpr int kDbtDeviceArrival = 0x8000;
constexpr int kDbtDeviceRemoveComplete = 0x8004;
constexpr int kDbtDevNodesChanged = 0x0007;

enum class DriveKind { CdRom, Removable };

struct DriveInfo {
    QChar letter; // 'D' .. 'Z', held while the medium stays
    DriveKind kind = DriveKind::Removable;
    bool mediumPresent = false;
    // The file-system label; "Audio CD" for a disc of audio tracks.
    QString label;
    // Where the medium's files are: a data medium's mount point, or for an audio CD
    // the disc root the CD device reads (device node or cue sheet).
    QString root;
};

bool operator==(const DriveInfo& a, const DriveInfo& b);

// A medium the player can read: present and reachable under a root.
inline bool usable(const DriveInfo& drive)
{
    return drive.mediumPresent && !drive.root.isEmpty();
}

// The notices that lead from one view of the drives to the next: a removal when a
// usable medium went away or changed, an arrival when one appeared or changed
// (removal first), a node change when only drives without usable media differ,
// nothing when the views agree.
QList<int> deviceChangeNotices(const QList<DriveInfo>& before, const QList<DriveInfo>& after);

// Where the player learns of drives. Notices are delivered on the GUI thread.
class DriveSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // The drives known now, in letter order.
    virtual QList<DriveInfo> drives() = 0;

signals:
    void deviceChange(int notice);
};

} // namespace Platform
