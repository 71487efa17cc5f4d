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
    QString fsType;
    QString source;
};

// Undoes the octal escapes the kernel writes for blanks, tabs, line breaks and
// backslashes in paths ("\040" is a blank). Anything else is kept as it stands.
QString unescapeMountField(const QByteArray& field);

// One entry per well-formed line; malformed lines are skipped.
QList<MountEntry> parseMountInfo(const QByteArray& text);

// The mount table of this process; empty when it cannot be read.
QList<MountEntry> readMountTable();

// Where the whole file system of device major:minor is mounted (its first such
// mount), or empty.
QString mountPointOf(const QList<MountEntry>& table, unsigned major, unsigned minor);

} // namespace Platform
