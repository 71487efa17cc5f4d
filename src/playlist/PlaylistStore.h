// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/IniFile.h"
#include "playlist/Tfile.h"

#include <QList>
#include <QString>

class QComboBox;
class QWidget;
class TListBox;

// One named playlist: the text shown in cmb_playlist and its .ist file.
struct Tplaylist_file {
    QString Name;
    QString Path;
};

using TPlaylistFileList = QList<Tplaylist_file>;

// The per-user playlist store: indo.ini, Playlist.dat and the .ist files, and
// the List-menu commands over them. Nothing here keeps state: the player and
// playlist windows pass in the lists, settings and controls they own.
//
// The file operations throw EInOutError. The commands catch it, show its
// message in a message box and stop there, keeping what was already done.
class TPlaylistStore {
public:
    static const QString kPlaylistFilter; // "Lumeno Playlist (*.ist)|*.ist"

    // Start-up preparation. appDataOverride replaces the user's data folder
    // ($XDG_DATA_HOME, default ~/.local/share). settings is set as soon as the
    // data folder exists; playlists only when every step succeeded.
    static void OpenPlaylistStore(TPlaylistFileList& playlists, IniFile& settings,
                                  const QString& appDataOverride = QString());
    static QString appDataFolder();

    static void ShowPlaylistNames(const TPlaylistFileList& playlists, QComboBox* box);
    static void SavePlaylistIndex(const TPlaylistFileList& playlists, const QString& path);
    static void SavePlaylistFile(const TFileList& files, const QString& path);
    // Reads the whole file before touching the list: on failure it is unchanged.
    static void LoadPlaylistFile(TFileList& files, const QString& path);
    static void LoadPlaylistIndex(TPlaylistFileList& playlists, const QString& path);
    // Exact comparison. When nothing matches, index is the last position (-1 if empty).
    static bool FindPlaylist(const TPlaylistFileList& playlists, const QString& path, int& index);
    // The file name without its last four characters: ".../Party.ist" -> "Party".
    static QString playlistNameFromPath(const QString& path);

    // Run by the player window's first showing: choose "last playlist" (or
    // position 0) in the box and load it. Throws EInOutError.
    static void openLastPlaylist(const IniFile& settings, const TPlaylistFileList& playlists,
                                 QComboBox* names, TFileList& items, TListBox* list);

    // MenuItem1Click.
    static void openPlaylistCommand(QWidget* parent, const IniFile& settings,
                                    TPlaylistFileList& playlists, QComboBox* names,
                                    TFileList& items, TListBox* list);
    // MenuItem2Click. The dialog also takes a new file name; ".ist" is added
    // to a name typed without an extension.
    static void savePlaylistCommand(QWidget* parent, const IniFile& settings,
                                    TPlaylistFileList& playlists, QComboBox* names,
                                    const TFileList& items);
    // Newplaylistclear1Click.
    static void newPlaylistCommand(QComboBox* names, TFileList& items, TListBox* list);
    // cmb_playlistChange, for a choice the user made (connect it to
    // QComboBox::activated, which programmatic changes do not emit). False when
    // nothing was loaded (already reported): the caller puts the old choice back.
    static bool choosePlaylistCommand(QWidget* parent, const TPlaylistFileList& playlists,
                                      int chosen, TFileList& items, TListBox* list,
                                      int& currentIndex);
    // The close handler's part: "last playlist", Playlist.dat and, when
    // "Default" is the chosen item, its file. Each write is tried even when another
    // failed; storeOpened false skips the first two. False when a write failed
    // (already reported).
    static bool saveAtClose(QWidget* parent, IniFile& settings, const TPlaylistFileList& playlists,
                            const QComboBox* names, const TFileList& items,
                            bool storeOpened = true);
};
