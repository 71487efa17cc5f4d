// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the navigation tables of a DVD-Video volume say about its titles: chapters per
// title, and the subpicture streams of each title with their languages.

#include <QList>
#include <QString>

struct DvdSubpictureStream {
    QString language;  // ISO 639-1 code, empty when the disc gives none
    int physical = -1; // stream number in the program stream, -1 when not present
};

struct DvdTitleInfo {
    int chapters = 0;
    bool menuSubpicture = false; // the title set's menus carry a subpicture stream
    QList<DvdSubpictureStream> subpictures;
};

struct DvdVolumeInfo {
    bool valid = false;
    QList<DvdTitleInfo> titles; // title t at index t - 1
};

// Reads the volume at folder (the VIDEO_TS folder, or the device); invalid when the
// tables cannot be read.
DvdVolumeInfo readDvdVolume(const QString& folder);

// libdvdread's disc ID of the volume at folder, in hex: the same disc gives the same ID
// in any drive or copy; empty when it cannot be read.
QString dvdDiscId(const QString& folder);
