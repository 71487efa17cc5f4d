// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Platform {

QString systemConfigPath()
{
    const QString given = qEnvironmentVariable("LUMENO_SYSTEM_CONFIG");
    return given.isEmpty() ? QStringLiteral("/etc/xdg/Lumeno/Lumeno.conf") : given;
}

QString dataFile(const QString& name)
{
    const auto found = [&name](const QString& folder) {
        const QFileInfo info(QDir(folder).filePath(name));
        return info.isFile() ? info.absoluteFilePath() : QString();
    };
    const QString given = qEnvironmentVariable("LUMENO_DATA_DIR");
    if (!given.isEmpty()) {
        return found(given);
    }
    const QString programDir = QCoreApplication::applicationDirPath();
    for (const QString& folder : {programDir + QStringLiteral("/../share/lumeno"),
                                  programDir + QStringLiteral("/share/lumeno")}) {
        const QString path = found(folder);
        if (!path.isEmpty()) {
            return QDir::cleanPath(path);
        }
    }
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                  QStringLiteral("lumeno/") + name);
}

} // namespace Platform
