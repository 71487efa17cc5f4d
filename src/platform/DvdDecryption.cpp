// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DvdDecryption.h"

#include <QLibrary>

namespace Platform {

bool dvdDecryptionAvailable()
{
    // The name and version libdvdread itself loads.
    QLibrary css(QStringLiteral("dvdcss"), 2);
    const bool loaded = css.load();
    if (loaded) {
        css.unload();
    }
    return loaded;
}

} // namespace Platform
