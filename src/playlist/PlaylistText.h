// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text of a .ist playlist and of the Playlist.dat index: pairs of lines, a name and
// then a path, each line ending in CR LF.

#include <QByteArray>
#include <QList>
#include <QString>

struct LinePair {
    QString Name;
    QString Path;
};

// A line ends at CR LF, LF or CR, and at the end of the data it is empty: so an odd
// line count leaves the last Path empty and a line break after the last pair adds an
// empty pair. Invalid UTF-8 is read as replacement characters.
QList<LinePair> readLinePairs(const QByteArray& bytes);

// A pair whose name or path holds a line break is left out.
void appendLinePair(QByteArray& bytes, const QString& name, const QString& path);
