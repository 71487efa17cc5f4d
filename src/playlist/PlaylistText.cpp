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

void appendLinePair(QByteArray& bytes, const QString& name, const QString& path)
{
    bytes += name.toUtf8() + "\r\n" + path.toUtf8() + "\r\n";
}
