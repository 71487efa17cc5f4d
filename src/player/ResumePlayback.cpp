// SPDX-License-Identifier: GPL-3.0-or-later
// Picking up where things stopped: long media files continue a little before the point
// where they were left, and each named playlist focuses the line it played last.
#include "player/Un_Mediactr.h"

#include "datamodule/Un_dm.h"
#include "engine/CdTrackFiles.h"
#include "engine/DvdVolume.h"
#include "engine/GstDvdNavigator.h"
#include "player/DiscNames.h"
#include "playlist/PlaylistStore.h"
#include "playlist/Un_Playlist.h"

#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

namespace {
constexpr qint64 kShortestResumableMs = 5 * 60 * 1000; // shorter files simply start over
constexpr qint64 kFinishedWithinMs = 30 * 1000;        // this near the end counts as seen
constexpr qint64 kRewindMs = 5 * 1000;                 // a little context before the point
constexpr int kNoticeTicks = 5;                        // seconds the notice stays
constexpr std::int64_t kUnitsPerMs = 10000;            // 100-ns units

// Where a place stopped at resumes: rewindMs before it, down to a whole second, so that
// the notice names the place itself. Within the first second is the very start, and
// starting there is no resume: the entry simply starts over, without a notice.
std::optional<qint64> resumeTargetMs(qint64 stoppedMs, qint64 rewindMs)
{
    const qint64 target = (stoppedMs - rewindMs) / 1000 * 1000;
    return target >= 1000 ? std::optional<qint64>(target) : std::nullopt;
}
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
    const std::optional<qint64> at = stopped ? resumeTargetMs(*stopped, kRewindMs) : std::nullopt;
    const std::shared_ptr<IMediaSeeking> seeking = DM->FilterGraph1->QueryMediaSeeking();
    if (m_openFromStart || !at || !seeking) {
        return;
    }
    std::int64_t target = *at * kUnitsPerMs;
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

// ---------------------------------------------------------------- audio CDs

namespace {
// Disc tracks are songs of a few minutes, so any of them resumes; a second back is
// context enough, and the last seconds count as heard.
constexpr qint64 kCdRewindMs = 1000;
constexpr qint64 kCdFinishedWithinMs = 1000;

QString cdDiscKey(const QString& root)
{
    const std::optional<CdToc> toc = cdDiscToc(root);
    return toc ? QStringLiteral("cd-") + DiscNames::discId(*toc) : QString();
}
} // namespace

void TFrm_PlayerControl::redirectToRememberedTrack(const QString& discBefore)
{
    // Starting the disc from its first track (its automatic playlist's Play) goes on
    // with the track the disc stopped in; moving within the disc that was last opened
    // (Next onto track 1) goes where asked.
    if (!m_resume.enabled()) {
        return; // nor is the disc's table of contents read for it
    }
    const std::optional<CdTrackFile> entry = parseCdTrackFile(FCurrentItem->Path);
    const std::optional<CdToc> toc = entry ? cdDiscToc(entry->root) : std::nullopt;
    if (!toc || toc->tracks.empty() || entry->track != toc->tracks.front().number) {
        return;
    }
    const QString disc = cdDiscKey(entry->root);
    const std::optional<ResumeStore::DiscPlace> place = m_resume.discPlace(disc);
    if (!place || place->track == entry->track || disc == discBefore ||
        !resumeTargetMs(place->positionMs, kCdRewindMs)) {
        return;
    }
    for (int i = 0; i < FPlaylistItems.size(); ++i) {
        const std::optional<CdTrackFile> line = parseCdTrackFile(FPlaylistItems.at(i)->Path);
        if (line && line->root == entry->root && line->track == place->track) {
            // As if the user had double-clicked that line: focus and the ways on and back
            // follow it.
            FCurrentItem = FPlaylistItems.at(i);
            FCurrentIndex = i;
            Frm_playlist->Lst_playlist->setSelected(i, true);
            Frm_playlist->Lst_playlist->setItemIndex(i);
            ToolPrev->setEnabled(i != 0);
            DM->Previous1->setEnabled(i != 0);
            ToolNext->setEnabled(i != FPlaylistItems.size() - 1);
            DM->Next1->setEnabled(i != FPlaylistItems.size() - 1);
            return;
        }
    }
}

qint64 TFrm_PlayerControl::cdResumeOffset(const QString& trackPath)
{
    const std::optional<CdTrackFile> entry = parseCdTrackFile(trackPath);
    m_cdResumeDisc = entry && m_resume.enabled() ? cdDiscKey(entry->root) : QString();
    m_cdResumeTrack = entry ? entry->track : 0;
    m_cdResumeSecond = -1;
    m_resumeNoticeTicks = 0;
    const std::optional<ResumeStore::DiscPlace> place = m_resume.discPlace(m_cdResumeDisc);
    const std::optional<qint64> at =
        place ? resumeTargetMs(place->positionMs, kCdRewindMs) : std::nullopt;
    if (m_openFromStart || !at || place->track != m_cdResumeTrack) {
        return 0;
    }
    m_resumeNotice = QStringLiteral("Resumed at ") + formatHms(*at * kUnitsPerMs);
    m_resumeNoticeTicks = kNoticeTicks;
    return *at;
}

void TFrm_PlayerControl::cdResumeTick(qint64 elapsedMs, qint64 lengthMs)
{
    if (m_cdResumeDisc.isEmpty() || elapsedMs / 1000 == m_cdResumeSecond) {
        return; // the device ticks far more often than once a second
    }
    m_cdResumeSecond = elapsedMs / 1000;
    if (lengthMs > 0 && elapsedMs >= lengthMs - kCdFinishedWithinMs) {
        m_resume.forgetDisc(m_cdResumeDisc);
        m_resume.save();
        m_cdResumeDisc.clear();
    } else {
        m_resume.setDiscPlace(m_cdResumeDisc, {m_cdResumeTrack, elapsedMs});
        m_resume.saveIfDue();
    }
    if (m_resumeNoticeTicks > 0) {
        if (m_resumeNoticeTicks == kNoticeTicks) {
            m_cdTitleText = pnl_jdl->text();
        }
        pnl_jdl->setText(--m_resumeNoticeTicks > 0 ? m_resumeNotice : m_cdTitleText);
    }
}

// ---------------------------------------------------------------- DVDs

namespace {
constexpr qint64 kDvdFinishedWithinMs = 2000; // a title's last seconds count as seen
} // namespace

void TFrm_PlayerControl::startDvdResume(const QString& FileName)
{
    // Off, the disc is not even read for its ID.
    m_dvdResumeDisc = m_resume.enabled()
                          ? QStringLiteral("dvd-") + dvdDiscId(dvdVideoFolder(FileName))
                          : QString();
    m_dvdResumeSecond = -1;
    m_resumeNoticeTicks = 0;
    const std::optional<ResumeStore::DiscPlace> place = m_resume.discPlace(m_dvdResumeDisc);
    if (m_dvdResumeDisc.size() <= 4) {
        m_dvdResumeDisc.clear(); // no ID, no place
    } else if (place && !m_openFromStart && resumeTargetMs(place->positionMs, kRewindMs)) {
        m_dvdResumePlace = *place;
        m_dvdResumeStage = DvdResumeStage::ToTime;
        // Once the open's own events are handled the disc is at its start (its menu still
        // or first title); from there the title is chosen as Go To would.
        QTimer::singleShot(0, this, [this] {
            const std::shared_ptr<IDvdControl2> dvd = DM->FilterGraph1->QueryDvdControl2();
            if (!dvd || m_dvdResumeStage != DvdResumeStage::ToTime ||
                Failed(dvd->PlayChapterInTitle(m_dvdResumePlace.track, 1, DVD_CMD_FLAG_Flush))) {
                m_dvdResumeStage = DvdResumeStage::None;
            }
        });
    }
}

void TFrm_PlayerControl::dvdResumeTick(int title, qint64 nowMs, qint64 totalMs)
{
    if (m_dvdResumeDisc.isEmpty() || title < 1 || nowMs / 1000 == m_dvdResumeSecond) {
        return;
    }
    m_dvdResumeSecond = nowMs / 1000;
    if (m_dvdResumeStage == DvdResumeStage::ToTime && title == m_dvdResumePlace.track) {
        m_dvdResumeStage = DvdResumeStage::None;
        const qint64 target =
            resumeTargetMs(m_dvdResumePlace.positionMs, kRewindMs).value_or(0) / 1000;
        tagDVD_HMSF_TIMECODE at;
        at.bHours = std::uint8_t(target / 3600);
        at.bMinutes = std::uint8_t(target / 60 % 60);
        at.bSeconds = std::uint8_t(target % 60);
        const std::shared_ptr<IDvdControl2> dvd = DM->FilterGraph1->QueryDvdControl2();
        if (target > 0 && dvd && Succeeded(dvd->PlayAtTime(at, DVD_CMD_FLAG_Flush))) {
            m_resumeNotice = QStringLiteral("Resumed at ") + formatHms(target * 1000 * kUnitsPerMs);
            m_resumeNoticeTicks = kNoticeTicks;
        }
    } else if (m_dvdResumeStage == DvdResumeStage::None) {
        if (totalMs > 0 && nowMs >= totalMs - kDvdFinishedWithinMs) {
            m_resume.forgetDisc(m_dvdResumeDisc);
            m_resume.save();
        } else {
            m_resume.setDiscPlace(m_dvdResumeDisc, {title, nowMs});
            m_resume.saveIfDue();
        }
    }
    if (m_resumeNoticeTicks > 0 && title != m_dvdResumePlace.track) {
        m_resumeNoticeTicks = 0; // gone to another title: the panel names that one already
    } else if (m_resumeNoticeTicks > 0) {
        pnl_jdl->setText(
            --m_resumeNoticeTicks > 0
                ? m_resumeNotice
                : QStringLiteral("Title %1, Chapter %2").arg(DM->FCurTitle).arg(DM->FCurChapter));
    }
}
