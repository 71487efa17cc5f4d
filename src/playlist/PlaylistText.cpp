// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/PlaylistText.h"

namespace {

QString readLine(const QByteArray& bytes, qsizetype& pos)
{
    const qsizetype start = pos;
    while (pos < bytes.size() && bytes.at(pos) != '\r' && bytes.at(pos) != '\n')
        ++pos;
    const QString line = QString::fromUtf8(bytes.constData() + start, pos - start);
    if (pos < bytes.size() && bytes.at(pos) == '\r')
        ++pos;
    if (pos < bytes.size() && bytes.at(pos) == '\n')
        ++pos;
    return line;
}

} // namespace

QList<LinePair> readLinePairs(const QByteArray& bytes)
{
    QList<LinePair> pairs;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        LinePair pair;
        pair.Name = readLine(bytes, pos);
        pair.Path = readLine(bytes, pos);
        pairs.append(std::move(pair));
    }
    return pairs;
}

namespace {
bool hasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}
} // namespace

// A pair holding a line break would shift every later pair by a line, so it is left
// out; the places where names come in refuse them with a message first.
void appendLinePair(QByteArray& bytes, const QString& name, const QString& path)
{
    if (hasLineBreak(name) || hasLineBreak(path))
        return;
    bytes += name.toUtf8() + "\r\n" + path.toUtf8() + "\r\n";
}
