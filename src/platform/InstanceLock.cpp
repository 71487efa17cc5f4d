// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/InstanceLock.h"

#include <QFile>
#include <QLoggingCategory>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstanceLock, "lumeno.instancelock")

namespace Platform {

namespace {
bool isWritableFolder(const QByteArray& path)
{
    struct stat info {};
    return !path.isEmpty() && ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(path.constData(), W_OK | X_OK) == 0;
}
} // namespace

QString perUserRuntimePath(const QString& name, const QString& suffix)
{
    const QByteArray runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    if (isWritableFolder(runtimeDir))
        return QFile::decodeName(runtimeDir) + QLatin1Char('/') + name + suffix;
    return QStringLiteral("/tmp/%1-%2%3").arg(name).arg(::getuid()).arg(suffix);
}

InstanceLock::InstanceLock(const QString& name)
    : m_path(perUserRuntimePath(name, QStringLiteral(".lock")))
{
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the only descriptor releases the flock
}

bool InstanceLock::tryAcquire()
{
    if (m_fd >= 0)
        return true;
    // O_NOFOLLOW: in the shared /tmp fallback a planted symlink must not redirect us.
    const int fd = ::open(QFile::encodeName(m_path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        qCWarning(lcInstanceLock, "cannot open %s: %s; starting without the lock",
                  qPrintable(m_path), std::strerror(errno));
        return true;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        m_fd = fd;
        return true;
    }
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK)
        return false;
    qCWarning(lcInstanceLock, "cannot lock %s: %s; starting without the lock", qPrintable(m_path),
              std::strerror(error));
    return true;
}

} // namespace Platform
