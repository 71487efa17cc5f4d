// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which .ist files are automatic playlists of inserted media. Kept in a file of its own
// in the data folder, so that the files of a run that ended without its close (a crash,
// kill -9) are known as automatic at the next start, not taken for the user's own.

#include <QString>
#include <QStringList>

class DiscPlaylistRecord {
public:
    // Reads the record kept in file; one that is missing or unreadable holds nothing.
    void open(const QString& file);
    QStringList paths() const { return m_paths; }
    // Called before the playlist file is written, so a crash in between still finds it.
    void add(const QString& path);
    // Called once the playlist file is gone.
    void remove(const QString& path);

private:
    void save() const;

    QString m_file;
    QStringList m_paths;
};
