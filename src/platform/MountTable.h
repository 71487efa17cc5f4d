// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The kernel's mount table as /proc/self/mountinfo gives it.

#include <QByteArray>
#include <QList>
#include <QString>

namespace Platform {

struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    QString root; // the folder of the file system mounted here ("/" for all of it)
    QString mountPoint;
    // The mount point as the kernel names it: bytes, not always valid UTF-8.
    QByteArray nativeMountPoint;
    QString fsType;
    QString source;
};

// Undoes the octal escapes the kernel writes for blanks, tabs, line breaks and
// backslashes in paths ("\040" is a blank). Anything else is kept as it stands.
QByteArray unescapeMountField(const QByteArray& field);

// One entry per well-formed line; malformed lines are skipped.
QList<MountEntry> parseMountInfo(const QByteArray& text);

// The mount table of this process (or the table in another file of that format); empty
// when it cannot be read.
QList<MountEntry> readMountTable(const QString& path = QStringLiteral("/proc/self/mountinfo"));

// The mount of the whole file system of device major:minor (its first such mount), or
// null.
const MountEntry* wholeMountOf(const QList<MountEntry>& table, unsigned major, unsigned minor);
QString mountPointOf(const QList<MountEntry>& table, unsigned major, unsigned minor);

// A path under which the folder named by the bytes native can be opened: its own name
// when that survives the round trip through QString, else alias, made a symbolic link
// to it. Empty when no link can be made.
QString openablePath(const QByteArray& native, const QString& alias);

} // namespace Platform
