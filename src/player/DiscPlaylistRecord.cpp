// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/DiscPlaylistRecord.h"

#include "platform/IniFile.h"

#include <QFileInfo>

// One path a line, UTF-8. The paths come from drive labels whose line breaks were made
// blanks, so a line is always a whole path.
void DiscPlaylistRecord::open(const QString& file)
{
    m_file = file;
    m_paths.clear();
    if (!QFileInfo::exists(file))
        return;
    try {
        const QByteArray bytes = readWholeFile(file);
        for (const QByteArray& line : bytes.split('\n')) {
            if (!line.isEmpty())
                m_paths.append(QString::fromUtf8(line));
        }
    } catch (const EInOutError& error) {
        qWarning("Lumeno: %s", error.what());
    }
}

void DiscPlaylistRecord::add(const QString& path)
{
    if (m_paths.contains(path))
        return;
    m_paths.append(path);
    save();
}

void DiscPlaylistRecord::remove(const QString& path)
{
    if (m_paths.removeAll(path) > 0)
        save();
}

void DiscPlaylistRecord::save() const
{
    if (m_file.isEmpty())
        return;
    QByteArray bytes;
    for (const QString& path : m_paths)
        bytes += path.toUtf8() + '\n';
    // The record only tidies up after a crash: a failed write must not cost the playlist.
    try {
        writeWholeFile(m_file, bytes);
    } catch (const EInOutError& error) {
        qWarning("Lumeno: %s", error.what());
    }
}
