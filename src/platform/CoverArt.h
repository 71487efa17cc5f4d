// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cover pictures of what plays, as files a desktop can show: the sound menu and
// panel widgets take a file URL, not the picture.

#include <QByteArray>
#include <QString>

namespace Platform {

// The cache folder of the player: $XDG_CACHE_HOME/Lumeno (~/.cache/Lumeno).
QString cacheFolder();

// Writes image (of the given MIME type) into the cache folder, through a temporary
// file and a rename, and returns the file's path; empty when it cannot be written.
// Only the latest picture is kept, so the folder never grows.
QString saveCoverArt(const QByteArray& image, const QString& mime);

} // namespace Platform
