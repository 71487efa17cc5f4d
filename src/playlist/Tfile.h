// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <memory>

// One playlist entry. Entries are shared: the list, the entry being played and
// the open entry dialog may all hold the same one, and it outlives its removal
// from the list while any of them still does.
struct Tfile {
    QString Name;
    QString Path;
};

using TfilePtr = std::shared_ptr<Tfile>;
using TFileList = QList<TfilePtr>;
