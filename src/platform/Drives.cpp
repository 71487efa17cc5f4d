// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Drives.h"

namespace Platform {

namespace {

const DriveInfo* findLetter(const QList<DriveInfo>& drives, QChar letter)
{
    for (const DriveInfo& drive : drives) {
        if (drive.letter == letter)
            return &drive;
    }
    return nullptr;
}

bool sameMedium(const DriveInfo& a, const DriveInfo& b)
{
    return a.kind == b.kind && a.label == b.label && a.root == b.root;
}

} // namespace

bool operator==(const DriveInfo& a, const DriveInfo& b)
{
    return a.letter == b.letter && sameMedium(a, b) && a.mediumPresent == b.mediumPresent;
}

QList<int> deviceChangeNotices(const QList<DriveInfo>& before, const QList<DriveInfo>& after)
{
    bool removed = false, arrived = false, other = false;
    for (const DriveInfo& old : before) {
        const DriveInfo* now = findLetter(after, old.letter);
        if (usable(old) && !(now && usable(*now) && sameMedium(old, *now)))
            removed = true;
        if (!now || !(*now == old))
            other = true;
    }
    for (const DriveInfo& now : after) {
        const DriveInfo* old = findLetter(before, now.letter);
        if (usable(now) && !(old && usable(*old) && sameMedium(*old, now)))
            arrived = true;
        if (!old)
            other = true;
    }
    QList<int> notices;
    if (removed)
        notices << kDbtDeviceRemoveComplete;
    if (arrived)
        notices << kDbtDeviceArrival;
    if (notices.isEmpty() && other)
        notices << kDbtDevNodesChanged;
    return notices;
}

} // namespace Platform
