// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MountTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace Platform {

namespace {

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

// Fields are separated by single blanks; the kernel escapes blanks inside them.
QList<QByteArray> fields(const QByteArray& line)
{
    QList<QByteArray> result;
    for (const QByteArray& part : line.split(' ')) {
        if (!part.isEmpty())
            result.append(part);
    }
    return result;
}

bool parseDevice(const QByteArray& field, unsigned& major, unsigned& minor)
{
    const int colon = int(field.indexOf(':'));
    if (colon <= 0)
        return false;
    bool okMajor = false, okMinor = false;
    major = field.left(colon).toUInt(&okMajor);
    minor = field.mid(colon + 1).toUInt(&okMinor);
    return okMajor && okMinor;
}

} // namespace

QByteArray unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size() && isOctal(field.at(i + 1)) &&
            isOctal(field.at(i + 2)) && isOctal(field.at(i + 3))) {
            const int value = (field.at(i + 1) - '0') * 64 + (field.at(i + 2) - '0') * 8 +
                              (field.at(i + 3) - '0');
            if (value > 0 && value < 256) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

QList<MountEntry> parseMountInfo(const QByteArray& text)
{
    QList<MountEntry> table;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = fields(line);
        // id, parent, major:minor, root, mount point, options, optional fields..., "-",
        // type, source, super options
        const qsizetype dash = f.indexOf(QByteArrayLiteral("-"), 6);
        if (f.size() < 7 || dash < 6 || dash + 2 >= f.size())
            continue;
        MountEntry entry;
        if (!parseDevice(f.at(2), entry.major, entry.minor))
            continue;
        // Paths are file names in the system's encoding, not necessarily UTF-8.
        entry.root = QFile::decodeName(unescapeMountField(f.at(3)));
        entry.nativeMountPoint = unescapeMountField(f.at(4));
        entry.mountPoint = QFile::decodeName(entry.nativeMountPoint);
        entry.fsType = QString::fromUtf8(unescapeMountField(f.at(dash + 1)));
        entry.source = QFile::decodeName(unescapeMountField(f.at(dash + 2)));
        table.append(entry);
    }
    return table;
}

QList<MountEntry> readMountTable(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A proc file reports no size: read until the end.
    return parseMountInfo(file.readAll());
}

const MountEntry* wholeMountOf(const QList<MountEntry>& table, unsigned major, unsigned minor)
{
    for (const MountEntry& entry : table) {
        if (entry.major == major && entry.minor == minor && entry.root == QLatin1String("/"))
            return &entry;
    }
    return nullptr;
}

QString mountPointOf(const QList<MountEntry>& table, unsigned major, unsigned minor)
{
    const MountEntry* entry = wholeMountOf(table, major, minor);
    return entry ? entry->mountPoint : QString();
}

QString openablePath(const QByteArray& native, const QString& alias)
{
    const QString decoded = QFile::decodeName(native);
    if (QFile::encodeName(decoded) == native)
        return decoded;
    // Qt keeps file names as UTF-16 and cannot carry bytes that are no UTF-8: a link
    // with a name it can carry leads there. Made aside and renamed, so it is never
    // missing or half made while another link of that name is replaced.
    QDir().mkpath(QFileInfo(alias).path());
    const QByteArray link = QFile::encodeName(alias);
    const QByteArray made = link + ".new";
    ::unlink(made.constData());
    if (::symlink(native.constData(), made.constData()) != 0 ||
        ::rename(made.constData(), link.constData()) != 0) {
        ::unlink(made.constData());
        return {};
    }
    return alias;
}

} // namespace Platform
