// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The per-user single-instance lock: an exclusive flock() on a file in the user's runtime
// folder. The kernel drops the lock when the holding process ends, crash included, so a
// leftover file never blocks a later start.

#include <QString>

namespace Platform {

// "<runtime folder>/<name><suffix>" when $XDG_RUNTIME_DIR is a writable folder, else
// "/tmp/<name>-<uid><suffix>". Shared by the lock file and the hand-over socket.
QString perUserRuntimePath(const QString& name, const QString& suffix = QString());

class InstanceLock {
public:
    static constexpr const char* kDefaultName = "Lumeno";

    explicit InstanceLock(const QString& name = QString::fromLatin1(kDefaultName));
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process is to be the running instance: it now holds the lock, or the
    // lock could not be checked at all (the start then goes ahead, as a failed wait does).
    // False only when another process holds it.
    bool tryAcquire();
    // True while the lock is really held (false after a failed check let the start go on).
    bool isHeld() const { return m_fd >= 0; }
    QString path() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace Platform
