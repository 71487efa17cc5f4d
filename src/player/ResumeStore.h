// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where long media files stopped and which line each named playlist played last, kept
// in resume.ini in the data folder, apart from the settings and playlist files.
//
// The file is read once at start and written whole through a temporary file and a
// rename. It holds the 1,000 most recently used places, newest first. A file that is
// damaged or cut short is ignored with one log line; the next write replaces it.
// "Enabled=false" in its [Resume] section turns all of it off (and the file is then
// never written, so the setting stays).

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <optional>

class ResumeStore {
public:
    static constexpr int kMaxPlaces = 1000;
    // Stops while playing reach the disk at most this often.
    static constexpr qint64 kSaveIntervalMs = 10000;

    // A missing file holds nothing and leaves resuming on.
    void open(const QString& file);
    const QString& fileName() const { return m_file; }
    bool enabled() const { return m_enabled; }

    // The position (ms) remembered for the file as it is now on disk; none when it was
    // never remembered, or when its size or modification time changed since.
    std::optional<qint64> position(const QString& path) const;
    void setPosition(const QString& path, qint64 positionMs);
    void forget(const QString& path);

    // Discs have no file to stamp: a disc is known by an ID of its own (its table of
    // contents, or the DVD's disc ID), and keeps one place: a track or title and the
    // time into it.
    struct DiscPlace {
        int track = 0;
        qint64 positionMs = 0;
    };
    std::optional<DiscPlace> discPlace(const QString& discId) const;
    void setDiscPlace(const QString& discId, const DiscPlace& place);
    void forgetDisc(const QString& discId);

    struct PlaylistLine {
        int line = -1;
        QString entryPath;
    };
    std::optional<PlaylistLine> playlistLine(const QString& playlistPath) const;
    void setPlaylistLine(const QString& playlistPath, int line, const QString& entryPath);

    // Writes what changed since the last write; saveIfDue only when the last write is
    // kSaveIntervalMs old. A failed write is logged, never shown: losing a resume point
    // is not worth interrupting anybody.
    void save();
    void saveIfDue();
    // Writes made since the store was opened.
    int writes() const { return m_writes; }

private:
    struct Place {
        QString key;   // "file:", "playlist:" or "disc:" and the percent-encoded path or ID
        QString value; // numbers separated by blanks, then maybe an encoded path
    };
    bool parse(const QByteArray& text);
    QString valueOf(const QString& key) const;
    void put(const QString& key, const QString& value);

    QString m_file;
    bool m_enabled = true;
    QList<Place> m_places; // newest first
    bool m_dirty = false;
    int m_writes = 0;
    QElapsedTimer m_lastWrite;
};
