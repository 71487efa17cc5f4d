// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a medium says about itself: the tags of a file as it plays, or the CD-Text of
// a disc's track. Empty fields are unknown.

#include <QByteArray>
#include <QString>

struct MediaTags {
    QString title;
    QString artist;
    QString album;
    int trackNumber = 0;
    QByteArray coverImage; // encoded picture as stored in the file
    QString coverMime;     // e.g. "image/jpeg"; empty when unknown

    bool operator==(const MediaTags& o) const
    {
        return title == o.title && artist == o.artist && album == o.album &&
               trackNumber == o.trackNumber && coverImage == o.coverImage &&
               coverMime == o.coverMime;
    }
    bool operator!=(const MediaTags& o) const { return !(*this == o); }

    // "Artist - Title", just the title without an artist, empty without a title.
    QString displayName() const
    {
        if (title.isEmpty()) {
            return QString();
        }
        return artist.isEmpty() ? title : artist + QStringLiteral(" - ") + title;
    }
};
