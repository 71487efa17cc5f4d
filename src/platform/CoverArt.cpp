// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CoverArt.h"

#include "platform/IniFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Platform {

namespace {

const QString kCoverPrefix = QStringLiteral("cover-");

QString extensionFor(const QString& mime)
{
    if (mime == QLatin1String("image/png"))
        return QStringLiteral(".png");
    if (mime == QLatin1String("image/gif"))
        return QStringLiteral(".gif");
    if (mime == QLatin1String("image/bmp"))
        return QStringLiteral(".bmp");
    // Tags hold JPEG far more often than anything else.
    return QStringLiteral(".jpg");
}

} // namespace

QString cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Lumeno");
}

QString saveCoverArt(const QByteArray& image, const QString& mime)
{
    if (image.isEmpty())
        return QString();
    QDir folder(cacheFolder());
    if (!folder.mkpath(QStringLiteral(".")))
        return QString();
    // Named by content: the same picture is written once, and a client that still
    // holds the previous name never reads a half-written new picture under it.
    const QString name =
        kCoverPrefix +
        QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Sha1).toHex()) +
        extensionFor(mime);
    const QString path = folder.filePath(name);
    if (!QFileInfo::exists(path)) {
        try {
            writeWholeFile(path, image);
        } catch (const EInOutError& e) {
            qWarning("Lumeno: %s", qUtf8Printable(e.message()));
            return QString();
        }
    }
    const QStringList older =
        folder.entryList({kCoverPrefix + QLatin1Char('*')}, QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& other : older) {
        if (other != name)
            folder.remove(other);
    }
    return path;
}

} // namespace Platform
