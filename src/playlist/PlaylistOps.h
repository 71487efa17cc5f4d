// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playlist/Tfile.h"

#include <QStringList>

class TListBox;

// The operations on an entry list and the list box that shows it. They keep no
// state: the playlist window and the data module pass their list and box in.
// Whenever one ends, the box has one line per entry, in order, none selected
// after a rebuild.
class TPlaylistOps {
public:
    static void ShowPlaylist(const TFileList& files, TListBox* box);
    static void AddFiles(const QStringList& paths, TFileList& files, TListBox* box);
    static void SetFileFromPath(Tfile& file, const QString& path);

    static void RemoveSelectedFiles(TFileList& files, TListBox* box);
    static void CropSelectedFiles(TFileList& files, TListBox* box);
    static void RemoveMissingFiles(TFileList& files, TListBox* box);
    static void RemoveDuplicateFiles(TFileList& files, TListBox* box);
    static void ClearPlaylist(TFileList& files, TListBox* box);

    static void SelectAll(TListBox* box);
    static void SelectNone(TListBox* box);
    static void InvertSelection(TListBox* box);

    // The text after the last "/" of a path.
    static QString namePart(const QString& path);
    // CR or LF: text that the one-field-per-line files cannot hold.
    static bool hasLineBreak(const QString& text);
    static QString lineBreakMessage(const QString& path);
    // The line number k (1-based) as shown in a list of entryCount entries.
    static QString lineNumber(int k, int entryCount);
};
