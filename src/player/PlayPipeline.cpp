// SPDX-License-Identifier: GPL-3.0-or-later
// Pressing Play: resume what is paused, or open the focused entry by its kind.
#include "player/Un_Mediactr.h"

#include "datamodule/Un_dm.h"
#include "engine/GstInterfaces.h"
#include "engine/TDSTrackBar.h"
#include "engine/TMediaPlayer.h"
#include "platform/Dialogs.h"
#include "platform/Drives.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "playlist/PlaylistOps.h"
#include "playlist/Un_Playlist.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

namespace {

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

const QString kCd = QStringLiteral(".cda");
const QString kDvd = QStringLiteral(".ifo");

// Whether path is on a disc in one of the optical drives.
bool onOpticalDisc(const QList<Platform::DriveInfo>& drives, const QString& path)
{
    const QString cleanPath = QDir::cleanPath(path);
    for (const Platform::DriveInfo& drive : drives) {
        if (drive.kind != Platform::DriveKind::CdRom || !Platform::usable(drive)) {
            continue;
        }
        const QString root = QDir::cleanPath(drive.root);
        if (cleanPath == root || cleanPath.startsWith(root + QLatin1Char('/'))) {
            return true;
        }
    }
    return false;
}

} // namespace

QString TFrm_PlayerControl::kindOf(const QString& path)
{
    const int dot = int(path.lastIndexOf(QLatin1Char('.')));
    return dot < 0 ? QString() : path.mid(dot).toLower();
}

void TFrm_PlayerControl::ToolPlayClick()
{
    TDM* dm = DM;
    const bool fromStart = takeFromStartRequest();
    if (fromStart) {
        FPaused = false; // from the beginning is a fresh open, also of a paused file
    }
    if (MediaPlayer->Mode() == mpPlaying) {
        MediaPlayer->Stop();
    }
    if (!FPaused && dm->FilterGraph1->Active()) {
        leaveResumePoint();
        dm->FilterGraph1->Stop();
    }
    QCoreApplication::processEvents();

    if (FPaused) {
        // Resume without reopening.
        if (FCurrentItem && kindOf(FCurrentItem->Path) == kCd) {
            MediaPlayer->Resume();
            dm->Timer1->start();
        } else {
            dm->FilterGraph1->Play();
            const std::shared_ptr<IDvdControl2> dvd = dm->FilterGraph1->QueryDvdControl2();
            if (dvd && FCurrentItem && kindOf(FCurrentItem->Path) == kDvd) {
                dvd->PlayForwards(1.0); // leave fast forward or rewind
            }
        }
        FPaused = false;
        ToolPlay->setEnabled(false);
        ToolPause->setEnabled(true);
        ToolStop->setEnabled(true);
        return;
    }

    TListBox* list = Frm_playlist->Lst_playlist;
    if (list->count() > 0) {
        // A list with lines always has a focused line; before any click it is the first.
        const int line = qBound(0, list->itemIndex(), int(FPlaylistItems.size()) - 1);
        FCurrentItem = FPlaylistItems.value(line);
        FCurrentIndex = line;
        if (!FCurrentItem || !Platform::fileExists(FCurrentItem->Path)) {
            // Whatever played was stopped above: the controls must say so.
            setStoppedState();
            Platform::dialogs().warning(this, QStringLiteral("File Not found !!!"));
            return;
        }
        rememberPlaylistLine();
    }
    // Checked before the entry is looked at: nothing to play at all.
    if (!FCurrentItem) {
        Platform::dialogs().beep();
        Platform::dialogs().warning(this, QStringLiteral("Playlist Empty !!!"));
        return;
    }
    redirectDvdPart();

    pnl_jdl->setText(QStringLiteral("Opening Media ... "));
    m_openFailed = false;
    m_resumePath.clear();
    const QString cdBefore = m_cdResumeDisc;
    m_cdResumeDisc.clear();
    m_dvdResumeDisc.clear();
    m_dvdResumeStage = DvdResumeStage::None;
    m_openFromStart = fromStart;
    if (!fromStart) {
        redirectToRememberedTrack(cdBefore);
    }
    const QString path = FCurrentItem->Path;
    const QString kind = kindOf(path);
    if (kind == kCd) {
        try {
            lbl_elepased->setText(QStringLiteral("00:00 / 00:00"));
            TrackBar1->setEnabled(true);
            TrackBar1->setGeometry(DSTrackBar1->geometry());
            TrackBar1->show();
            DSTrackBar1->hide();
            // The last track's end is no position in this one.
            FTrackUpdating = true;
            TrackBar1->setValue(0);
            FTrackUpdating = false;
            Frm_playlist->btn_DVD->setEnabled(false);
            dm->DVDMenu1->setEnabled(false);
            OpenCdTrack(MediaPlayer, path);
            const qint64 resumeAt = cdResumeOffset(path);
            if (resumeAt > 0) {
                MediaPlayer->SetTimeFormat(MCI_FORMAT_MILLISECONDS);
                MediaPlayer->SetStartPos(int(MediaPlayer->TrackPosition(get_track()) + resumeAt));
            } else {
                MediaPlayer->SetStartPos(MediaPlayer->TrackPosition(get_track()));
            }
            MediaPlayer->SetNotify(true);
            MediaPlayer->Play();
            MediaPlayer->SetTimeFormat(MCI_FORMAT_MSF);
            dm->Timer1->start();
            // The track's length comes with the device's "playing" notice, which only a
            // notified command that ended meanwhile produces; the first CD play of a run
            // has none before it, so take the notice now.
            if (MediaPlayer->Mode() == mpPlaying) {
                MediaPlayerNotify();
            }
        } catch (const std::exception& e) {
            Platform::dialogs().message(this, QStringLiteral("Could not Play Media:\n\r") +
                                                  QString::fromUtf8(e.what()));
            pnl_jdl->setText(QStringLiteral("Lumeno"));
            m_openFailed = true;
        }
    } else if (kind == kDvd) {
        // Discs start in a menu or a first-play program; a title enables the bar.
        TrackBar1->setEnabled(false);
        TrackBar1->setGeometry(DSTrackBar1->geometry());
        TrackBar1->show();
        DSTrackBar1->hide();
        OpenInFilterGraph(path);
    } else {
        TrackBar1->hide();
        DSTrackBar1->show();
        OpenInFilterGraph(path);
    }
    if (m_openFailed) {
        // Nothing plays: offer Play again rather than a Pause that has nothing to pause.
        lbl_elepased->setText(QStringLiteral("00:00 / 00:00"));
        setStoppedState();
    } else {
        setPlayingState();
    }
}

// The tool buttons and their menu items are enabled together.
void TFrm_PlayerControl::enableTransport(bool play, bool pause, bool stop)
{
    ToolPlay->setEnabled(play);
    ToolPause->setEnabled(pause);
    ToolStop->setEnabled(stop);
    DM->Play1->setEnabled(play);
    DM->Pause1->setEnabled(pause);
    DM->Stop1->setEnabled(stop);
}

void TFrm_PlayerControl::setPlayingState()
{
    enableTransport(false, true, true);
    FPaused = false;
}

void TFrm_PlayerControl::setStoppedState()
{
    enableTransport(true, false, false);
    FPaused = false;
}

void TFrm_PlayerControl::redirectDvdPart()
{
    const QString kind = kindOf(FCurrentItem->Path);
    if (kind != kDvd && kind != QLatin1String(".vob") && kind != QLatin1String(".bup")) {
        return;
    }
    // Disc file systems ignore letter case; keep the name as it is found there.
    const QFileInfo entry(FCurrentItem->Path);
    const QDir folder = entry.dir();
    for (const QString& name : folder.entryList(QDir::Files)) {
        if (name.compare(QLatin1String("video_ts.ifo"), Qt::CaseInsensitive) == 0) {
            QString joined = entry.path();
            if (!joined.endsWith(QLatin1Char('/'))) {
                joined += QLatin1Char('/');
            }
            FCurrentItem->Path = joined + name;
            return;
        }
    }
}

void TFrm_PlayerControl::OpenInFilterGraph(const QString& FileName)
{
    TFilterGraph* graph = DM->FilterGraph1;
    graph->setRenderTimeout(onOpticalDisc(m_scannedDrives, FileName)
                                ? TFilterGraph::kDiscRenderTimeoutMs
                                : TFilterGraph::kRenderTimeoutMs);
    if (kindOf(FileName) != kDvd) {
        Frm_playlist->btn_DVD->setEnabled(false);
        DM->DVDMenu1->setEnabled(false);
        graph->setActive(false);
        graph->setMode(TFilterGraph::gmNormal);
        graph->ClearGraph();
        graph->setActive(false);
        graph->setActive(true);
        try {
            graph->RenderFile(FileName);
            seekToResumePoint(FileName);
            graph->Play();
        } catch (const EDirectShowException& e) {
            Platform::dialogs().error(this, graph->GetErrorText(e.ErrorCode));
            pnl_jdl->setText(QStringLiteral("Lumeno"));
            m_openFailed = true;
        }
        return;
    }

    Frm_playlist->btn_DVD->setEnabled(true);
    DM->DVDMenu1->setEnabled(true);
    graph->setActive(false);
    graph->setMode(TFilterGraph::gmDVD);
    graph->setActive(true);
    AM_DVD_RENDERSTATUS status;
    HRESULT hr;
    // A failed render comes back as an exception; its code picks the message below.
    try {
        hr = graph->RenderDVD(status, FileName, AM_DVD_HWDEC_PREFER);
    } catch (const EDirectShowException& e) {
        hr = e.ErrorCode;
    }
    const DvdRenderReaction reaction =
        dvdRenderReaction(hr, status, graph->GetErrorText(status.hrVPEStatus));
    for (const QString& message : reaction.messages) {
        Platform::dialogs().error(this, message);
    }
    if (reaction.start) {
        try {
            startDvd();
            startDvdResume(FileName);
            return;
        } catch (const std::exception& e) {
            Platform::handleException(e);
        }
    }
    graph->ClearGraph();
    pnl_jdl->setText(QStringLiteral("Lumeno"));
    m_openFailed = true;
}

TFrm_PlayerControl::DvdRenderReaction
TFrm_PlayerControl::dvdRenderReaction(HRESULT hr, const AM_DVD_RENDERSTATUS& status,
                                      const QString& vpeText)
{
    DvdRenderReaction r;
    switch (hr) {
    case S_OK:
        r.start = true;
        break;
    case VFW_E_DVD_RENDERFAIL:
        r.messages << QStringLiteral(
            "Some basic error occurred in building the graph.\rPossibilities include the DVD "
            "Navigator filter or the video or audio renderer not instantiating,\ra trivial "
            "connection or pin enumeration failing, or none of the streams rendering.");
        break;
    case VFW_E_DVD_DECNOTENOUGH:
        r.messages << QStringLiteral(
            "There isn't enough hardware or software decoders to decode all streams.");
        break;
    case E_INVALIDARG:
        r.messages << QStringLiteral("Invalid Argument.");
        break;
    case E_DVD_ENCRYPTED:
        // Not the general render failure: the user can do something about this one.
        r.messages << mediaErrorText(hr);
        break;
    case S_FALSE:
        if (status.hrVPEStatus != 0) {
            r.messages << vpeText;
        }
        if (status.bDvdVolInvalid) {
            r.messages << QStringLiteral("The specified DVD volume to be played does not exist.");
        }
        if (status.bDvdVolUnknown) {
            r.messages << QStringLiteral("No DVD volume is specified or isn't found.");
        }
        if (status.bNoLine21In) {
            r.start = true;
        } else if (status.bNoLine21Out) {
            r.messages << QStringLiteral("The video decoder can't be shown as closed captioning "
                                         "on video due to a problem with graph building.");
        } else if (status.iNumStreamsFailed > 0) {
            r.messages << QStringLiteral("Can't render one or more stream.");
        }
        break;
    default:
        break;
    }
    return r;
}

void TFrm_PlayerControl::startDvd()
{
    TFilterGraph* graph = DM->FilterGraph1;
    graph->Play();
    if (const std::shared_ptr<IDvdControl2> dvd = graph->QueryDvdControl2()) {
        dvd->SetOption(DVD_NotifyParentalLevelChange, false);
        dvd->SetOption(DVD_HMSF_TimeCodeEvents, true);
    }
    DM->BuildDvdGoToMenus();
}

void TFrm_PlayerControl::OpenCdTrack(TMediaPlayer* player, const QString& FileName)
{
    player->Close();
    player->FileName = FileName;
    player->Open();
    player->SetTimeFormat(kindOf(FileName) == kCd ? MCI_FORMAT_MSF : MCI_FORMAT_MILLISECONDS);
}

int TFrm_PlayerControl::get_track() const
{
    const QString name = FCurrentItem ? TPlaylistOps::namePart(FCurrentItem->Path) : QString();
    const QString digits = name.mid(5, name.length() - 9);
    bool ok = false;
    const int track = digits.toInt(&ok);
    if (!ok) {
        throw EConvertError(
            QStringLiteral("'%1' is not a valid integer value").arg(digits).toStdString());
    }
    return track;
}
