// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playlist/Tfile.h"

#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QWidget;
class TListBox;

// The parts of the playlist window that the gathering commands touch. Any of
// them may be null.
struct TGatherView {
    QWidget* window = nullptr;          // TFrm_playlist: disabled while Add Folder works
    QWidget* actionPanel = nullptr;     // Pnl_Action: shown while a command works
    QLabel* actionCaption = nullptr;    // the panel's caption; may be the panel itself
    QComboBox* playlistNames = nullptr; // cmb_playlist
    TListBox* list = nullptr;           // Lst_playlist
};

// Gathering media paths from the file dialog, a folder, or a drop, and the
// search and filter they share. All on the GUI thread; pending events run once
// per file found and once per path filtered.
class TFileGathering {
public:
    // The file dialog's thirteen types, in the "Description|patterns" form.
    static const QString kMediaFilter;

    // The eight kinds a folder may contribute (FMediaExtensions at start-up).
    static QStringList mediaExtensions();

    // Appends folder + name for every non-folder entry matching pattern, in
    // directory order, then walks the subfolders depth first when recurse is
    // set. Wildcards "*" and "?" ignore letter case; "*.*" matches every name.
    // Folders whose name begins with "." are never entered, nor a link back
    // into a folder being walked; unreadable folders yield nothing. A folder
    // that is no directory is listed by the virtual folder lister instead
    // (the tracks under an audio CD's disc root).
    static void FindFiles(QStringList& list, const QString& folder, bool recurse,
                          const QString& pattern);
    // Removes each path whose lower-cased extension is not in extensions.
    // extensions is left sorted without regard to case.
    static void KeepMediaFiles(QStringList& paths, QStringList& extensions);
    // The extension from the last "." after the last "/", "\" or ":", dot
    // included, lower-cased; empty when there is none.
    static QString extensionOf(const QString& path);
    static bool matchesWildcard(const QString& name, const QString& pattern);

    // The disc root when path lies on an audio CD: the path itself or its
    // nearest ancestor that is no directory and whose tracks the virtual folder
    // lister knows. Empty for anything else, as for an unreadable label.
    static QString audioCdRoot(const QString& path);

    // Add File(s).
    static void Add_fileClick(const TGatherView& view, TFileList& items);
    // Add Folder. The process's current folder is where the picker opens and
    // is left at the folder chosen. extensions is FMediaExtensions.
    static void Add_FolderClick(const TGatherView& view, TFileList& items, bool includeSubfolder,
                                QStringList& extensions);
    // The playable entries of a disc kept or mounted as a folder: a Video CD root
    // (folders MPEGAV and VCD) gives the .dat tracks under MPEGAV, a DVD volume (a
    // folder VIDEO_TS, or that folder itself) its video_ts.ifo, or its .vob files when
    // it has none. Empty for any other folder. Folder names ignore letter case.
    static QStringList discFolderFiles(const QString& folder);
    // The folder of that name directly under root, letter case ignored; empty if none.
    static QString subfolder(const QString& root, const QString& name);

    // Files and folders dropped on the list, as local paths in drop order. A dropped
    // disc folder gives its disc's entries, any other folder all its files.
    static void dropFiles(const QStringList& paths, TFileList& items, TListBox* list);
};
