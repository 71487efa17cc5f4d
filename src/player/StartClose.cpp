// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's first showing (start-up) and its closing (saving).
#include "player/Un_Mediactr.h"

#include "datamodule/Un_dm.h"
#include "engine/TAudio.h"
#include "engine/TMediaPlayer.h"
#include "engine/TMixerSettings.h"
#include "platform/Errors.h"
#include "platform/HandOver.h"
#include "playlist/PlaylistOps.h"
#include "playlist/PlaylistStore.h"
#include "playlist/Un_Playlist.h"
#include "video/Un_VidDisplay.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QSlider>
#include <QToolButton>

#include <cfenv>
#include <cmath>

void TFrm_PlayerControl::readMixerAtStart()
{
    quint16 left = 0, right = 0;
    quint8 flags = 0;
    bool mute = false;
    if (!DM->Audio1->Mixer()->GetVolume(0, 0, left, right, mute, flags)) {
        // No mixer: the slider and the box keep their design values.
        DM->FilterGraph1->setVolume(Track_Volume->value() * 100);
        return;
    }
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double percent = static_cast<long double>(left) * 0.0015259021896696422L;
    const int position = int(std::nearbyint(percent));
    std::fesetround(oldMode);
    Track_Volume->setValue(position);
    DM->FilterGraph1->setVolume(Track_Volume->value() * 100);
    cmb_mute->setChecked(mute);
}

void TFrm_PlayerControl::FormShow()
{
    FCommandFiles.clear();
    Track_Volume->setMaximum(100);
    readMixerAtStart();
    FMediaExtensions = {QStringLiteral(".avi"), QStringLiteral(".mid"),  QStringLiteral(".mp3"),
                        QStringLiteral(".mpg"), QStringLiteral(".mpeg"), QStringLiteral(".wmv"),
                        QStringLiteral(".wma"), QStringLiteral(".wav")};
    try {
        TPlaylistStore::openLastPlaylist(FSettings, FPlaylists, Frm_playlist->cmb_playlist,
                                         FPlaylistItems, Frm_playlist->Lst_playlist);
    } catch (const std::exception& error) {
        Platform::handleException(error);
        return;
    }
    focusRememberedLine();
    Frm_viddisplay->show();
    Frm_playlist->show();
    ToolButton1->setEnabled(false);
    try {
        addDiscPlaylistsAtStart();
    } catch (const std::exception& error) {
        Platform::handleException(error);
        return;
    }

    if (m_commandLineFiles.isEmpty()) {
        return;
    }
    // Failures while starting the command-line files are not reported.
    try {
        if (takeCommandFiles(m_commandLineFiles)) {
            playCommandFiles(0);
        }
    } catch (const std::exception&) {
    }
}

void TFrm_PlayerControl::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (m_closed) {
        return;
    }
    m_closed = true;
    takePendingHandOvers();
    // A later start now finds no receiver, as when no instance runs.
    delete FReceiver;
    FReceiver = nullptr;
    bool saved = false;
    try {
        saved = FormClose();
    } catch (const std::exception& error) {
        Platform::handleException(error);
    }
    // A failed save shows in the exit code as well as in its message.
    m_closeResult = saved ? 0 : 1;
    QApplication::quit();
}

void TFrm_PlayerControl::takePendingHandOvers()
{
    if (!FReceiver) {
        return;
    }
    // Nothing is answered after this, so every sender told its file arrived is in the list.
    FReceiver->stopListening();
    QStringList files;
    for (const Platform::HandOverReceiver::Frame& frame : FReceiver->takePending()) {
        if ((frame.dwData & 0xFF) == 0) {
            files << QString::fromUtf8(frame.text);
        }
    }
    // Each sender was told its file arrived: it joins the shown list, as a hand-over
    // would have made it, without being played.
    if (files.isEmpty() || !takeCommandFiles(files)) {
        return;
    }
    {
        const QSignalBlocker quiet(Frm_playlist->cmb_playlist);
        Frm_playlist->cmb_playlist->setCurrentIndex(0);
    }
    FPlaylistItems.clear();
    TPlaylistOps::AddFiles(FCommandFiles, FPlaylistItems, Frm_playlist->Lst_playlist);
}

bool TFrm_PlayerControl::FormClose()
{
    leaveResumePoint();
    if (MediaPlayer->Mode() == mpPlaying) {
        MediaPlayer->Stop();
    }
    if (DM->FilterGraph1->Active()) {
        DM->FilterGraph1->Stop();
        DM->FilterGraph1->setActive(false);
    }
    // The automatic playlists of inserted media go with the run.
    dropDiscPlaylists();
    QComboBox* names = Frm_playlist->cmb_playlist;
    return TPlaylistStore::saveAtClose(this, FSettings, FPlaylists, names, FPlaylistItems,
                                       m_storeOpened);
}
