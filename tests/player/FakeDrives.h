// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Drives with media for tests: real folder trees (or a cue sheet) under letters,
// inserted and taken out by the test, with the notices a system would send.

#include "platform/Drives.h"

#include <algorithm>
#include <functional>
#include <utility>

class FakeDrives : public Platform::DriveSource {
public:
    QList<Platform::DriveInfo> drives() override
    {
        ++looks;
        if (auto hook = std::exchange(onNextLook, nullptr))
            hook();
        return m_drives;
    }

    // How often the player looked at the drives: once per rescan.
    int looks = 0;
    // Runs once, at the player's next look.
    std::function<void()> onNextLook;

    static Platform::DriveInfo medium(QChar letter, const QString& label, const QString& root,
                                      Platform::DriveKind kind = Platform::DriveKind::Removable)
    {
        return {letter, kind, true, label, root};
    }

    // Present from the start: no notice.
    void put(const Platform::DriveInfo& drive)
    {
        take(drive.letter);
        m_drives.append(drive);
        std::sort(m_drives.begin(), m_drives.end(),
                  [](const auto& a, const auto& b) { return a.letter < b.letter; });
    }
    void take(QChar letter)
    {
        m_drives.erase(std::remove_if(m_drives.begin(), m_drives.end(),
                                      [letter](const auto& d) { return d.letter == letter; }),
                       m_drives.end());
    }
    void insert(const Platform::DriveInfo& drive)
    {
        put(drive);
        emit deviceChange(Platform::kDbtDeviceArrival);
    }
    void eject(QChar letter)
    {
        take(letter);
        emit deviceChange(Platform::kDbtDeviceRemoveComplete);
    }

private:
    QList<Platform::DriveInfo> m_drives;
};
