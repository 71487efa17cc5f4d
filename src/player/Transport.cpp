// Pause, Stop, Next, Previous, the CD device's notices and the CD position controls.
#include "player/Un_Mediactr.h"

#include "datamodule/Un_dm.h"
#include "engine/TMediaPlayer.h"
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
    FPaused = true;
    if (isCdTrack(FCurrentItem)) {
        MediaPlayer->PauseOrResume();
    } else {
        DM->FilterGraph1->Pause();
    }
    DM->Timer1->stop();
    ToolPlay->setEnabled(true);
    ToolPause->setEnabled(false);
    ToolStop->setEnabled(true);
    DM->Play1->setEnabled(true);
    DM->Pause1->setEnabled(false);
    DM->Stop1->setEnabled(true);
}

void TFrm_PlayerControl::ToolStopClick()
{
    FPaused = false;
    DM->Timer1->stop();
    if (isCdTrack(FCurrentItem)) {
        MediaPlayer->Stop();
    } else {
        DM->FilterGraph1->Stop();
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
            pnl_jdl->setText(FCurrentItem->Name);
        }
        TrackBar1->setMinimum(0);
        MediaPlayer->SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        const qint64 length = MediaPlayer->TrackLength(get_track());
        TrackBar1->setMaximum(int(length));
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
        if (MediaPlayer->Mode() != mpPlaying) {
            return;
        }
        MediaPlayer->SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        const int track = get_track();
        MediaPlayer->Stop();
        MediaPlayer->Seek(MediaPlayer->TrackPosition(track) + TrackBar1->value());
        MediaPlayer->Play();
        MediaPlayer->SetTimeFormat(MCI_FORMAT_MSF);
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

void TFrm_PlayerControl::Panel1MouseDown(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isCdTrack(FCurrentItem)) {
        return;
    }
    // A click beside the bar seeks within the track; failures stay silent.
    try {
        MediaPlayer->SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        const int track = get_track();
        MediaPlayer->Stop();
        const qint64 length = MediaPlayer->TrackLength(track);
        const qint64 offset =
            qint64(double(length) / double(qMax(1, TrackBar1->width())) * event->position().x());
        MediaPlayer->Seek(MediaPlayer->TrackPosition(track) + offset);
        MediaPlayer->Play();
        MediaPlayer->SetTimeFormat(MCI_FORMAT_MSF);
    } catch (const std::exception&) {
    }
}
