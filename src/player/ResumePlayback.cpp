// SPDX-License-Identifier: GPL-3.0-or-later
// Picking up where things stopped: long media files continue a little before the point
// where they were left, and each named playlist focuses the line it played last.
#include "player/Un_Mediactr.h"

#include "datamodule/Un_dm.h"
#include "playlist/PlaylistStore.h"
#include "playlist/Un_Playlist.h"

#include <QComboBox>
#include <QLabel>
#include <QToolButton>

namespace {
constexpr qint64 kShortestResumableMs = 5 * 60 * 1000; // shorter files simply start over
constexpr qint64 kFinishedWithinMs = 30 * 1000;        // this near the end counts as seen
constexpr qint64 kRewindMs = 5 * 1000;                 // a little context before the point
constexpr int kNoticeTicks = 5;                        // seconds the notice stays
constexpr std::int64_t kUnitsPerMs = 10000;            // 100-ns units
} // namespace

void TFrm_PlayerControl::openResumeStore()
{
    m_resume.open(TPlaylistStore::appDataFolder() + QStringLiteral("/Lumeno/resume.ini"));
}

void TFrm_PlayerControl::rememberPositionAt(qint64 positionMs, qint64 durationMs)
{
    if (m_resumePath.isEmpty() || !m_resumeReady || durationMs <= kShortestResumableMs) {
        return;
    }
    if (positionMs >= durationMs - kFinishedWithinMs) {
        m_resume.forget(m_resumePath);
    } else {
        m_resume.setPosition(m_resumePath, positionMs);
    }
}

void TFrm_PlayerControl::rememberPosition()
{
    const std::shared_ptr<IMediaSeeking> seeking =
        m_resumeReady ? DM->FilterGraph1->QueryMediaSeeking() : nullptr;
    std::int64_t position = 0, duration = 0;
    if (seeking && Succeeded(seeking->GetCurrentPosition(position)) &&
        Succeeded(seeking->GetDuration(duration))) {
        rememberPositionAt(position / kUnitsPerMs, duration / kUnitsPerMs);
    }
}

void TFrm_PlayerControl::leaveResumePoint()
{
    rememberPosition();
    m_resume.save();
    m_resumePath.clear();
    m_resumeReady = false;
}

void TFrm_PlayerControl::resumeTick(quint32 currentMs, quint32 stopMs)
{
    if (m_resumePath.isEmpty()) {
        return; // a disc, or an open that failed
    }
    // The first tick after an open sees the position the resume seek went to.
    m_resumeReady = true;
    rememberPositionAt(currentMs, stopMs);
    m_resume.saveIfDue();
    if (m_resumeNoticeTicks > 0) {
        --m_resumeNoticeTicks;
        pnl_jdl->setText(m_resumeNotice);
    }
}

void TFrm_PlayerControl::forgetFinishedFile()
{
    if (m_resumePath.isEmpty()) {
        return;
    }
    m_resume.forget(m_resumePath);
    m_resume.save();
    m_resumeReady = false;
}

bool TFrm_PlayerControl::takeFromStartRequest()
{
    // Shift on the Play button itself; Play reached any other way keeps resuming.
    const bool fromStart = m_playFromStart || (sender() == ToolPlay && m_playShift);
    m_playFromStart = false;
    m_playShift = false;
    return fromStart;
}

void TFrm_PlayerControl::playFromStart()
{
    m_playFromStart = true;
    ToolPlayClick();
}

void TFrm_PlayerControl::seekToResumePoint(const QString& FileName)
{
    m_resumePath = FileName;
    m_resumeReady = false;
    m_resumeNoticeTicks = 0;
    const std::optional<qint64> stopped = m_resume.position(FileName);
    const std::shared_ptr<IMediaSeeking> seeking = DM->FilterGraph1->QueryMediaSeeking();
    // Stopped within the first seconds: starting over is the same, without a notice.
    if (m_openFromStart || !stopped || !seeking || *stopped <= kRewindMs) {
        return;
    }
    std::int64_t target = std::max<qint64>(0, *stopped - kRewindMs) * kUnitsPerMs;
    std::int64_t stop = 0;
    if (Succeeded(seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, &stop,
                                        AM_SEEKING_NoPositioning))) {
        m_resumeNotice = QStringLiteral("Resumed at ") + formatHms(target);
        m_resumeNoticeTicks = kNoticeTicks;
    }
}

void TFrm_PlayerControl::rememberPlaylistLine()
{
    const int chosen = Frm_playlist->cmb_playlist->currentIndex();
    if (FCurrentItem && chosen >= 0 && chosen < FPlaylists.size()) {
        m_resume.setPlaylistLine(FPlaylists.at(chosen).Path, FCurrentIndex, FCurrentItem->Path);
        m_resume.saveIfDue();
    }
}

void TFrm_PlayerControl::focusRememberedLine()
{
    const int chosen = Frm_playlist->cmb_playlist->currentIndex();
    if (chosen < 0 || chosen >= FPlaylists.size()) {
        return;
    }
    const std::optional<ResumeStore::PlaylistLine> last =
        m_resume.playlistLine(FPlaylists.at(chosen).Path);
    if (!last) {
        return;
    }
    // The line by its number while it still holds that entry; else where the entry went.
    int line = last->line;
    const auto holds = [this, &last](int i) {
        return i >= 0 && i < FPlaylistItems.size() && FPlaylistItems.at(i)->Path == last->entryPath;
    };
    if (!holds(line)) {
        line = -1;
        for (int i = 0; i < FPlaylistItems.size() && line < 0; ++i) {
            line = holds(i) ? i : -1;
        }
    }
    TListBox* list = Frm_playlist->Lst_playlist;
    if (line >= 0 && line < list->count()) {
        list->setSelected(line, true);
        list->scrollTo(list->model()->index(line, 0));
    }
}
