// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Audio CD tracks as files: <disc root>/TrackNN.cda, where the disc root is a CD
// drive's device node or a .cue image. Such a file exists while its disc holds an
// audio track NN.

#include "engine/CdAudioDisc.h"

#include <QString>
#include <QStringList>

#include <optional>

struct CdTrackFile {
    QString root;
    int track = 0;
};

// Splits a path of the form <root>/TrackNN.cda (letter case ignored); nothing for
// any other path.
std::optional<CdTrackFile> parseCdTrackFile(const QString& path);

// The file name of track n, as the disc's folder lists it.
QString cdTrackFileName(int track);

bool cdTrackFileExists(const QString& path);
QStringList cdTrackFiles(const QString& discRoot);

// The CD-Text of the disc at discRoot; empty without a disc or text.
CdText cdDiscText(const QString& discRoot);
// The table of contents of the disc at discRoot; nothing without an audio disc.
std::optional<CdToc> cdDiscToc(const QString& discRoot);

// Makes the file layer see the track files. Safe to call more than once.
void registerCdTrackFiles();
