// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/PlayerRemote.h"

#include "datamodule/Un_dm.h"
#include "engine/TAudio.h"
#include "engine/TFilterGraph.h"
#include "engine/TMixerSettings.h"
#include "platform/CoverArt.h"
#include "player/TRadioGroup.h"
#include "player/Un_Mediactr.h"
#include "playlist/TListBox.h"
#include "playlist/Un_Playlist.h"

#include <QAction>
#include <QEvent>
#include <QPointer>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

namespace {
constexpr qint64 kUnitsPerUs = 10; // the graph counts in 100-ns units
constexpr qint64 kUsPerSecond = 1000000;
constexpr int kRepeat = 1;
constexpr int kShuffle = 2;
} // namespace

void PlayerRemote::play()
{
    // With nothing to play the button would answer with a message box; the bus's
    // Play then has no effect instead.
    if (canPlay()) {
        m_player->ToolPlay->click();
    }
}

void PlayerRemote::pause()
{
    m_player->ToolPause->click();
}

void PlayerRemote::playPause()
{
    if (playbackStatus() == QLatin1String("Playing")) {
        m_player->ToolPause->click();
    } else {
        play();
    }
}

void PlayerRemote::stop()
{
    m_player->ToolStop->click();
}

void PlayerRemote::next()
{
    m_player->ToolNext->click();
}

void PlayerRemote::previous()
{
    m_player->ToolPrev->click();
}

void PlayerRemote::raise()
{
    m_player->showNormal();
    m_player->raise();
    m_player->activateWindow();
}

void PlayerRemote::quit()
{
    // Closed from the message loop, so the caller's reply leaves first.
    QPointer<TFrm_PlayerControl> player(m_player);
    QTimer::singleShot(0, m_player, [player]() {
        if (player) {
            player->close();
        }
    });
}

void PlayerRemote::openFile(const QString& path)
{
    // The same road as a file handed over by a second start.
    m_player->PlayReceivedFile(path);
}

QString PlayerRemote::currentKind() const
{
    return m_player->FCurrentItem ? TFrm_PlayerControl::kindOf(m_player->FCurrentItem->Path)
                                  : QString();
}

bool PlayerRemote::playingCd() const
{
    return currentKind() == QLatin1String(".cda");
}

QString PlayerRemote::playbackStatus() const
{
    if (!m_player->FCurrentItem || !m_player->ToolStop->isEnabled()) {
        return QStringLiteral("Stopped");
    }
    if (m_player->FPaused) {
        return QStringLiteral("Paused");
    }
    // A file that ended with nothing after it leaves the buttons as they were.
    if (!playingCd() && !DM->FilterGraph1->Active()) {
        return QStringLiteral("Stopped");
    }
    return QStringLiteral("Playing");
}

Platform::MprisTarget::Track PlayerRemote::currentTrack() const
{
    Track track;
    if (!m_player->FCurrentItem) {
        return track;
    }
    const MediaTags tags = m_player->playingTags();
    track.title = tags.title.isEmpty() ? m_player->FCurrentItem->Name : tags.title;
    track.path = m_player->FCurrentItem->Path;
    track.artist = tags.artist;
    track.album = tags.album;
    track.trackNumber = tags.trackNumber;
    track.artPath = coverArtPath(tags);
    if (playingCd()) {
        track.lengthUs = qint64(m_player->TrackBar1->maximum()) * 1000;
    } else if (currentKind() == QLatin1String(".ifo")) {
        track.lengthUs = qint64(m_player->TrackBar1->maximum()) * kUsPerSecond;
    } else if (const auto seeking = DM->FilterGraph1->QueryMediaSeeking()) {
        std::int64_t duration = 0;
        if (seeking->GetDuration(duration) == S_OK && duration > 0) {
            track.lengthUs = duration / kUnitsPerUs;
        }
    }
    return track;
}

QString PlayerRemote::coverArtPath(const MediaTags& tags) const
{
    // Written once per picture, not at every look of the bus.
    if (tags.coverImage != m_coverImage) {
        m_coverImage = tags.coverImage;
        m_coverPath = Platform::saveCoverArt(tags.coverImage, tags.coverMime);
    }
    return m_coverPath;
}

qint64 PlayerRemote::positionUs() const
{
    if (playingCd()) {
        return qint64(m_player->TrackBar1->value()) * 1000;
    }
    // A disc's time is the title's, as its time events put it on the bar, in seconds.
    if (currentKind() == QLatin1String(".ifo")) {
        return qint64(m_player->TrackBar1->value()) * kUsPerSecond;
    }
    std::int64_t position = 0;
    const auto seeking = DM->FilterGraph1->QueryMediaSeeking();
    if (seeking && seeking->GetCurrentPosition(position) == S_OK) {
        return position / kUnitsPerUs;
    }
    return 0;
}

double PlayerRemote::volume() const
{
    // The system volume, which other programs change too, in the slider's steps; without
    // a mixer the slider alone sets the loudness.
    quint16 left = 0, right = 0;
    bool mute = false;
    quint8 flags = 0;
    if (DM->Audio1->Mixer()->GetVolume(0, 0, left, right, mute, flags)) {
        return qRound(double(left) * 100.0 / 65535.0) / 100.0;
    }
    const QSlider* slider = m_player->Track_Volume;
    return double(slider->value() - slider->minimum()) /
           double(qMax(1, slider->maximum() - slider->minimum()));
}

void PlayerRemote::setVolume(double value)
{
    QSlider* slider = m_player->Track_Volume;
    const int position =
        slider->minimum() + qRound(value * double(slider->maximum() - slider->minimum()));
    if (position == slider->value()) {
        // The system volume moved away from the slider meanwhile: set it back all the same.
        m_player->Track_VolumeChange();
    } else {
        slider->setValue(position);
    }
}

// What the bus's commands would do now, not how the tool bar looks: Play and Pause
// are possible whenever there is a track, playing or not; Next and Previous only
// when their button is enabled and a line lies that way, since a click at either end
// of the list changes no track.
bool PlayerRemote::canPlay() const
{
    return m_player->FCurrentItem || Frm_playlist->Lst_playlist->count() > 0;
}

bool PlayerRemote::canPause() const
{
    return bool(m_player->FCurrentItem);
}

bool PlayerRemote::canGoNext() const
{
    return m_player->ToolNext->isEnabled() &&
           m_player->FCurrentIndex < Frm_playlist->Lst_playlist->count() - 1;
}

bool PlayerRemote::canGoPrevious() const
{
    return m_player->ToolPrev->isEnabled() && m_player->FCurrentIndex > 0 &&
           m_player->FCurrentIndex <= Frm_playlist->Lst_playlist->count();
}

// Media files move as when the seek bar is let go; a disc or CD track only by its own bar.
bool PlayerRemote::canSeek() const
{
    const QString kind = currentKind();
    if (kind.isEmpty() || kind == QLatin1String(".cda") || kind == QLatin1String(".ifo") ||
        playbackStatus() == QLatin1String("Stopped")) {
        return false;
    }
    const auto seeking = DM->FilterGraph1->QueryMediaSeeking();
    std::int64_t duration = 0;
    return seeking && seeking->GetDuration(duration) == S_OK && duration > 0;
}

void PlayerRemote::seekTo(qint64 positionUs)
{
    if (const auto seeking = DM->FilterGraph1->QueryMediaSeeking()) {
        std::int64_t target = positionUs * kUnitsPerUs, stop = 0;
        seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, &stop,
                              AM_SEEKING_NoPositioning);
    }
}

// The play order is chosen as with the video window's Play Order menu.
QString PlayerRemote::loopStatus() const
{
    return m_player->rad_play->itemIndex() == kRepeat ? QStringLiteral("Playlist")
                                                      : QStringLiteral("None");
}

void PlayerRemote::setLoopStatus(const QString& value)
{
    if (value == QLatin1String("Playlist")) {
        DM->Repeat1->trigger();
    } else if (value == QLatin1String("None") && m_player->rad_play->itemIndex() == kRepeat) {
        DM->Continue1->trigger();
    }
}

bool PlayerRemote::shuffle() const
{
    return m_player->rad_play->itemIndex() == kShuffle;
}

void PlayerRemote::setShuffle(bool value)
{
    if (value) {
        DM->Shuffle1->trigger();
    } else if (shuffle()) {
        DM->Continue1->trigger();
    }
}

namespace {
// Tells of the transport buttons being enabled or disabled: every change of state
// (playing, paused, stopped, first or last line) shows in them.
class EnabledWatcher : public QObject {
public:
    EnabledWatcher(std::function<void()> changed, QObject* parent)
        : QObject(parent), m_changed(std::move(changed))
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange) {
            m_changed();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_changed;
};
} // namespace

void PlayerRemote::watch(std::function<void()> changed)
{
    delete m_watcher;
    if (!changed) {
        return;
    }
    auto* watcher = new EnabledWatcher(changed, m_player);
    m_watcher = watcher;
    for (QToolButton* button : {m_player->ToolPlay, m_player->ToolPause, m_player->ToolStop,
                                m_player->ToolNext, m_player->ToolPrev}) {
        button->installEventFilter(watcher);
    }
    QObject::connect(m_player->Track_Volume, &QSlider::valueChanged, watcher,
                     [changed](int) { changed(); });
    QObject::connect(m_player->rad_play, &TRadioGroup::itemIndexChanged, watcher,
                     [changed](int) { changed(); });
    // Tags arrive while a file plays: the sound menu learns its title at once.
    QObject::connect(DM->FilterGraph1, &TFilterGraph::TagsChanged, watcher, changed);
    // Lines added or removed move the ends of the list that Next and Previous stop at.
    const QAbstractItemModel* lines = Frm_playlist->Lst_playlist->model();
    QObject::connect(lines, &QAbstractItemModel::rowsInserted, watcher, changed);
    QObject::connect(lines, &QAbstractItemModel::rowsRemoved, watcher, changed);
    QObject::connect(lines, &QAbstractItemModel::modelReset, watcher, changed);
    // The mixer's notice of a change made outside the player: the system volume moved.
    const QPointer<TAudio> audio = DM->Audio1;
    QObject::connect(watcher, &QObject::destroyed, [audio]() {
        if (audio) {
            audio->OnMixerChange = nullptr;
        }
    });
    audio->OnMixerChange = [changed](TAudio*, quint16 destination, quint16 source) {
        if (destination == 0 && source == 0) {
            changed();
        }
    };
}
