// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSignalSpy>

// How many of the device notices a spy on deviceChange caught were of the given kind.
inline int countOf(const QSignalSpy& spy, int notice)
{
    int n = 0;
    for (const QList<QVariant>& call : spy)
        n += call.at(0).toInt() == notice;
    return n;
}
