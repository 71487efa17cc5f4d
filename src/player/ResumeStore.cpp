// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/ResumeStore.h"

#include "platform/IniFile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString kFile = QStringLiteral("file:");
const QString kPlaylist = QStringLiteral("playlist:");
const QString kDisc = QStringLiteral("disc:");
const QByteArray kResumeSection = "[Resume]";
const QByteArray kPlacesSection = "[Places]";
const QByteArray kEndMark = "[End]"; // a file cut short lacks it

// Paths go percent-encoded, so that no "=", blank or line break in a name can end a
// field early.
QString encoded(const QString& path)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(path, "/"));
}

QString decoded(const QString& text)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toLatin1()));
}

// The file as it is now: size and modification time, which a changed file does not keep.
std::optional<QString> stamp(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    return QString::number(info.size()) + u' ' +
           QString::number(info.lastModified().toMSecsSinceEpoch());
}

bool allNumbers(const QStringList& fields)
{
    for (const QString& field : fields) {
        bool ok = false;
        if (field.toLongLong(&ok) < 0 || !ok)
            return false;
    }
    return true;
}

bool validPlace(const QString& key, const QString& value)
{
    QString path;
    if (key.startsWith(kFile))
        path = key.mid(kFile.size());
    else if (key.startsWith(kPlaylist))
        path = key.mid(kPlaylist.size());
    else if (key.startsWith(kDisc))
        path = key.mid(kDisc.size());
    if (path.isEmpty() || path.contains(u' '))
        return false;
    const QStringList fields = value.split(u' ');
    if (key.startsWith(kDisc))
        return fields.size() == 2 && allNumbers(fields);
    if (key.startsWith(kFile))
        return fields.size() == 3 && allNumbers(fields);
    return fields.size() == 2 && allNumbers({fields.first()}) && !fields.last().isEmpty();
}

std::optional<bool> parseBool(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == u"true" || t == u"1" || t == u"yes" || t == u"on")
        return true;
    if (t == u"false" || t == u"0" || t == u"no" || t == u"off")
        return false;
    return std::nullopt;
}

} // namespace

void ResumeStore::open(const QString& file)
{
    m_file = file;
    m_enabled = true;
    m_places.clear();
    m_dirty = false;
    if (!QFileInfo::exists(file))
        return;
    QByteArray text;
    try {
        text = readWholeFile(file);
    } catch (const EInOutError& error) {
        qWarning("Lumeno: %s", error.what());
        return;
    }
    if (!parse(text)) {
        m_enabled = true;
        m_places.clear();
        qWarning("Lumeno: the resume file \"%s\" is damaged and was ignored", qPrintable(file));
    }
}

bool ResumeStore::parse(const QByteArray& text)
{
    enum { Start, Resume, Places, End } part = Start;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (part == End)
            return false; // nothing may follow the end mark
        if (line == kResumeSection && part == Start) {
            part = Resume;
            continue;
        }
        if (line == kPlacesSection && part == Resume) {
            part = Places;
            continue;
        }
        if (line == kEndMark && part == Places) {
            part = End;
            continue;
        }
        const int equals = int(line.indexOf('='));
        if (part == Start || equals <= 0)
            return false;
        const QString key = QString::fromUtf8(line.left(equals));
        const QString value = QString::fromUtf8(line.mid(equals + 1));
        if (part == Resume) {
            if (key.compare(u"Enabled", Qt::CaseInsensitive) != 0)
                continue; // a setting of a later version
            const std::optional<bool> on = parseBool(value);
            if (!on)
                return false;
            m_enabled = *on;
        } else if (!validPlace(key, value)) {
            return false;
        } else if (m_places.size() < kMaxPlaces && valueOf(key).isNull()) {
            m_places.append({key, value});
        }
    }
    return part == End;
}

QString ResumeStore::valueOf(const QString& key) const
{
    for (const Place& place : m_places) {
        if (place.key == key)
            return place.value;
    }
    return QString();
}

void ResumeStore::put(const QString& key, const QString& value)
{
    if (!m_places.isEmpty() && m_places.first().key == key && m_places.first().value == value)
        return;
    m_places.removeIf([&key](const Place& p) { return p.key == key; });
    m_places.prepend({key, value});
    while (m_places.size() > kMaxPlaces)
        m_places.removeLast();
    m_dirty = true;
}

std::optional<qint64> ResumeStore::position(const QString& path) const
{
    const QString value = m_enabled ? valueOf(kFile + encoded(path)) : QString();
    const std::optional<QString> now = stamp(path);
    if (value.isNull() || !now)
        return std::nullopt;
    const int blank = int(value.indexOf(u' '));
    if (value.mid(blank + 1) != *now)
        return std::nullopt;
    return value.left(blank).toLongLong();
}

void ResumeStore::setPosition(const QString& path, qint64 positionMs)
{
    const std::optional<QString> now = stamp(path);
    if (m_enabled && now)
        put(kFile + encoded(path), QString::number(std::max<qint64>(0, positionMs)) + u' ' + *now);
}

void ResumeStore::forget(const QString& path)
{
    const QString key = kFile + encoded(path);
    if (m_places.removeIf([&key](const Place& p) { return p.key == key; }) > 0)
        m_dirty = true;
}

std::optional<ResumeStore::DiscPlace> ResumeStore::discPlace(const QString& discId) const
{
    const QString value = m_enabled ? valueOf(kDisc + encoded(discId)) : QString();
    if (value.isNull())
        return std::nullopt;
    const int blank = int(value.indexOf(u' '));
    return DiscPlace{value.left(blank).toInt(), value.mid(blank + 1).toLongLong()};
}

void ResumeStore::setDiscPlace(const QString& discId, const DiscPlace& place)
{
    if (m_enabled && !discId.isEmpty() && place.track >= 0)
        put(kDisc + encoded(discId), QString::number(place.track) + u' ' +
                                         QString::number(std::max<qint64>(0, place.positionMs)));
}

void ResumeStore::forgetDisc(const QString& discId)
{
    const QString key = kDisc + encoded(discId);
    if (m_places.removeIf([&key](const Place& p) { return p.key == key; }) > 0)
        m_dirty = true;
}

std::optional<ResumeStore::PlaylistLine>
ResumeStore::playlistLine(const QString& playlistPath) const
{
    const QString value = m_enabled ? valueOf(kPlaylist + encoded(playlistPath)) : QString();
    if (value.isNull())
        return std::nullopt;
    const int blank = int(value.indexOf(u' '));
    return PlaylistLine{value.left(blank).toInt(), decoded(value.mid(blank + 1))};
}

void ResumeStore::setPlaylistLine(const QString& playlistPath, int line, const QString& entryPath)
{
    if (m_enabled && line >= 0 && !playlistPath.isEmpty() && !entryPath.isEmpty())
        put(kPlaylist + encoded(playlistPath), QString::number(line) + u' ' + encoded(entryPath));
}

void ResumeStore::save()
{
    if (!m_dirty || !m_enabled || m_file.isEmpty())
        return;
    QByteArray text = "; Lumeno: where long media files stopped, and the line each playlist "
                      "played last.\n" +
                      kResumeSection + "\nEnabled=true\n\n" + kPlacesSection + '\n';
    for (const Place& place : std::as_const(m_places))
        text += place.key.toUtf8() + '=' + place.value.toUtf8() + '\n';
    text += kEndMark + '\n';
    m_dirty = false;
    m_lastWrite.start();
    ++m_writes;
    try {
        writeWholeFile(m_file, text);
    } catch (const EInOutError& error) {
        qWarning("Lumeno: %s", error.what());
    }
}

void ResumeStore::saveIfDue()
{
    if (!m_lastWrite.isValid() || m_lastWrite.elapsed() >= kSaveIntervalMs)
        save();
}
