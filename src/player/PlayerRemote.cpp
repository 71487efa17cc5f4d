#include "player/PlayerRemote.h"

#include "datamodule/Un_dm.h"
#include "engine/TFilterGraph.h"
#include "player/TRadioGroup.h"
#include "player/Un_Mediactr.h"

#include <QAction>
#include <QEvent>
#include <QPointer>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

namespace {
constexpr qint64 kUnitsPerUs = 10; // the graph counts in 100-ns units
constexpr int kRepeat = 1;
constexpr int kShuffle = 2;
} // namespace

void PlayerRemote::play()
{
    m_player->ToolPlay->click();
}

void PlayerRemote::pause()
{
    m_player->ToolPause->click();
}

void PlayerRemote::playPause()
{
    if (m_player->ToolPause->isEnabled()) {
        m_player->ToolPause->click();
    } else {
        m_player->ToolPlay->click();
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

bool PlayerRemote::playingCd() const
{
    return m_player->FCurrentItem &&
           TFrm_PlayerControl::kindOf(m_player->FCurrentItem->Path) == QLatin1String(".cda");
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
    track.title = m_player->FCurrentItem->Name;
    track.path = m_player->FCurrentItem->Path;
    if (playingCd()) {
        track.lengthUs = qint64(m_player->TrackBar1->maximum()) * 1000;
    } else if (const auto seeking = DM->FilterGraph1->QueryMediaSeeking()) {
        std::int64_t duration = 0;
        if (seeking->GetDuration(duration) == S_OK && duration > 0) {
            track.lengthUs = duration / kUnitsPerUs;
        }
    }
    return track;
}

qint64 PlayerRemote::positionUs() const
{
    if (playingCd()) {
        return qint64(m_player->TrackBar1->value()) * 1000;
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
    const QSlider* slider = m_player->Track_Volume;
    return double(slider->value() - slider->minimum()) /
           double(qMax(1, slider->maximum() - slider->minimum()));
}

void PlayerRemote::setVolume(double value)
{
    QSlider* slider = m_player->Track_Volume;
    slider->setValue(slider->minimum() +
                     qRound(value * double(slider->maximum() - slider->minimum())));
}

bool PlayerRemote::canPlay() const
{
    return m_player->ToolPlay->isEnabled();
}

bool PlayerRemote::canPause() const
{
    return m_player->ToolPause->isEnabled();
}

bool PlayerRemote::canGoNext() const
{
    return m_player->ToolNext->isEnabled();
}

bool PlayerRemote::canGoPrevious() const
{
    return m_player->ToolPrev->isEnabled();
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
}
