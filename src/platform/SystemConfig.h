// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Read-only values the administrator or the package puts beside the program: the About
// box's support link and the folder of the program's own data files.

#include <QString>

namespace Platform {

// /etc/xdg/Lumeno/Lumeno.conf, or the file named by LUMENO_SYSTEM_CONFIG (tests).
QString systemConfigPath();

// The file `name` in the program's data folder, or empty when it is not there. The folder
// is LUMENO_DATA_DIR when set; otherwise share/lumeno next to the program's folder (an
// installed tree) or inside it (the build tree), then the desktop's data folders.
QString dataFile(const QString& name);

} // namespace Platform
