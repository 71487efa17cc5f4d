// SPDX-License-Identifier: GPL-3.0-or-later
// Pause, Stop, Next, Previous, the CD device's notices and the CD position controls.
#include "player/Un_Mediactr.h"

#include "datamodule/Un_dm.h"
#include "engine/TMediaPlayer.h"
#include "platform/Errors.h"
#include "playlist/Un_Playlist.h"

#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

namespace {
bool isCdTrack(const TfilePtr& item)
{
    return item && TFrm_PlayerControl::kindOf(item->Path) == QLatin1String(".cda");
}
} // namespace

void TFrm_PlayerControl::ToolPauseClick()
{
    rememberPosition();
    m_resume.save();
    FPaused = true;
    // A device or graph failure is reported here: it must not unwind through Qt.
    try {
        if (isCdTrack(FCurrentItem)) {
            MediaPlayer->PauseOrResume();
        } else {
            DM->FilterGraph1->Pause();
        }
    } catch (const std::exception& e) {
        Platform::handleException(e);
    }
    DM->Timer1->stop();
    enableTransport(true, false, true);
}

void TFrm_PlayerControl::ToolStopClick()
{
    leaveResumePoint();
    FPaused = false;
    DM->Timer1->stop();
    try {
        if (isCdTrack(FCurrentItem)) {
            // After a failed open no device is open, and there is nothing to stop.
            if (MediaPlayer->DeviceID() != 0) {
                MediaPlayer->Stop();
            }
        } else {
            DM->FilterGraph1->Stop();
        }
    } catch (const std::exception& e) {
        Platform::handleException(e);
    }
    ToolPlay->setEnabled(true);
    ToolPause->setEnabled(false);
    ToolStop->setEnabled(false);
    DM->Play1->setEnabled(true);
    DM->Pause1->setEnabled(false);
    DM->Stop1->setEnabled(false);
}

void TFrm_PlayerControl::ToolNextClick()
{
    TListBox* list = Frm_playlist->Lst_playlist;
    if (FCurrentIndex < list->count() - 1) {
        Frm_playlist->unmarkLine(FCurrentIndex);
        FCurrentIndex += 1;
        list->setSelected(FCurrentIndex, true);
        list->setItemIndex(FCurrentIndex);
        FCurrentItem = FPlaylistItems.value(FCurrentIndex);
        ToolPlayClick();
    } else {
        ToolNext->setEnabled(false);
        DM->Next1->setEnabled(false);
    }
    DM->Previous1->setEnabled(true);
    ToolPrev->setEnabled(true);
}

void TFrm_PlayerControl::ToolPrevClick()
{
    TListBox* list = Frm_playlist->Lst_playlist;
    // Past the end (lines were removed meanwhile) there is no line to step back from.
    if (FCurrentIndex > 0 && FCurrentIndex <= list->count()) {
        Frm_playlist->unmarkLine(FCurrentIndex);
        FCurrentIndex -= 1;
        list->setSelected(FCurrentIndex, true);
        list->setItemIndex(FCurrentIndex);
        FCurrentItem = FPlaylistItems.value(FCurrentIndex);
        ToolPlayClick();
    } else {
        ToolPrev->setEnabled(false);
        DM->Previous1->setEnabled(false);
    }
    DM->Next1->setEnabled(true);
    ToolNext->setEnabled(true);
}

void TFrm_PlayerControl::MediaPlayerNotify()
{
    switch (MediaPlayer->Mode()) {
    case mpStopped:
        FPaused = false;
        DM->Timer1->stop();
        break;
    case mpPlaying: {
        SetCdVolume(MediaPlayer, Track_Volume->value() * 10);
        if (FCurrentItem) {
            pnl_jdl->setText(playingTitle());
        }
        MediaPlayer->SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        qint64 length = 0;
        try {
            length = MediaPlayer->TrackLength(get_track());
        } catch (const std::exception& e) {
            // The entry was edited to name no track: reported, not thrown into Qt.
            MediaPlayer->SetTimeFormat(MCI_FORMAT_MSF);
            Platform::handleException(e);
            break;
        }
        setCdBarRange(int(length));
        const QString caption = lbl_elepased->text();
        lbl_elepased->setText(caption.left(caption.length() / 2 + 1) + QLatin1Char(' ') +
                              FormatMinSec(length));
        MediaPlayer->SetTimeFormat(MCI_FORMAT_MSF);
        DM->Timer1->start();
        break;
    }
    case mpPaused:
        FPaused = true;
        DM->Timer1->stop();
        break;
    default:
        break;
    }
    MediaPlayer->SetNotify(true);
    Panel1->setEnabled(true);
}

void TFrm_PlayerControl::SetCdVolume(TMediaPlayer* player, int Value)
{
    player->setAudioVolume(Value);
}

void TFrm_PlayerControl::TrackBar1Change()
{
    if (FTrackUpdating || !FCurrentItem) {
        return;
    }
    if (isCdTrack(FCurrentItem)) {
        // A failed seek by mouse on a CD track is not worth a message.
        try {
            if (MediaPlayer->Mode() != mpPlaying) {
                return;
            }
            MediaPlayer->SetTimeFormat(MCI_FORMAT_MILLISECONDS);
            const int track = get_track();
            MediaPlayer->Stop();
            MediaPlayer->Seek(MediaPlayer->TrackPosition(track) + TrackBar1->value());
            MediaPlayer->Play();
            MediaPlayer->SetTimeFormat(MCI_FORMAT_MSF);
        } catch (const std::exception&) {
        }
    } else if (kindOf(FCurrentItem->Path) == QLatin1String(".ifo")) {
        const std::shared_ptr<IDvdControl2> dvd = DM->FilterGraph1->QueryDvdControl2();
        if (!dvd || !DM->FilterGraph1->Active()) {
            return;
        }
        const int p = TrackBar1->value(); // seconds into the title
        tagDVD_HMSF_TIMECODE time;
        time.bHours = std::uint8_t(p / 3600);
        time.bMinutes = std::uint8_t((p - time.bHours * 3600) / 60);
        time.bSeconds = std::uint8_t(p - time.bHours * 3600 - time.bMinutes * 60);
        time.bFrames = 0;
        dvd->PlayAtTime(time, DVD_CMD_FLAG_Flush);
    }
}

void TFrm_PlayerControl::setCdBarRange(int maximum)
{
    // Qt moves the value into a smaller range and reports it as a change; that is the
    // program's doing, not a seek by the user.
    const bool updating = FTrackUpdating;
    FTrackUpdating = true;
    TrackBar1->setRange(0, maximum);
    FTrackUpdating = updating;
}

void TFrm_PlayerControl::Panel1MouseDown(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isCdTrack(FCurrentItem)) {
        return;
    }
    // A click beside the bar seeks within the track; failures stay silent.
    try {
        MediaPlayer->SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        const int track = get_track();
        // The time label beside the bar is no place within the track.
        const double x = event->position().x();
        if (x > TrackBar1->geometry().right()) {
            MediaPlayer->SetTimeFormat(MCI_FORMAT_MSF);
            return;
        }
        MediaPlayer->Stop();
        const qint64 length = MediaPlayer->TrackLength(track);
        const qint64 offset = qBound<qint64>(
            0, qint64(double(length) / double(qMax(1, TrackBar1->width())) * x), length - 1);
        MediaPlayer->Seek(MediaPlayer->TrackPosition(track) + offset);
        MediaPlayer->Play();
        MediaPlayer->SetTimeFormat(MCI_FORMAT_MSF);
    } catch (const std::exception&) {
    }
}
