// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The player on the session bus as an MPRIS2 media player, so the desktop's media keys,
// sound menu and panel widgets can see and drive it.

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class QDBusConnection;
class QTimer;

namespace Platform {

// What the player offers the bus. Commands are the player's own button clicks.
class MprisTarget {
public:
    virtual ~MprisTarget() = default;

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void playPause() = 0;
    virtual void stop() = 0;
    virtual void next() = 0;
    virtual void previous() = 0;
    virtual void raise() = 0;
    virtual void quit() = 0;
    virtual void openFile(const QString& path) = 0;

    struct Track {
        QString title;
        QString path;
        qint64 lengthUs = 0; // 0 while unknown
        // From the medium's tags or CD-Text; empty or 0 while unknown.
        QString artist;
        QString album;
        int trackNumber = 0;
        QString artPath; // a picture file
        bool operator==(const Track& o) const
        {
            return title == o.title && path == o.path && lengthUs == o.lengthUs &&
                   artist == o.artist && album == o.album && trackNumber == o.trackNumber &&
                   artPath == o.artPath;
        }
    };
    // "Playing", "Paused" or "Stopped".
    virtual QString playbackStatus() const = 0;
    virtual Track currentTrack() const = 0;
    virtual qint64 positionUs() const = 0;
    virtual double volume() const = 0; // 0.0 .. 1.0
    virtual void setVolume(double value) = 0;
    virtual bool canPlay() const = 0;
    virtual bool canPause() const = 0;
    virtual bool canGoNext() const = 0;
    virtual bool canGoPrevious() const = 0;
    // Whether seekTo moves within the current track now.
    virtual bool canSeek() const = 0;
    virtual void seekTo(qint64 positionUs) = 0;
    // "None" or "Playlist" (the whole list again after its end); "Track" is not offered.
    virtual QString loopStatus() const = 0;
    virtual void setLoopStatus(const QString& value) = 0;
    virtual bool shuffle() const = 0;
    virtual void setShuffle(bool value) = 0;
    // Calls changed whenever something above may have changed other than by playing on
    // (a button enabled or disabled, the volume, the play order). While playing, the
    // service also looks for itself, for the track and its length. An empty changed
    // stops the watching.
    virtual void watch(std::function<void()> changed) = 0;
};

class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.lumeno";

    explicit MprisService(MprisTarget* target, QObject* parent = nullptr);
    ~MprisService() override;

    // Claims the bus name and publishes the object; false without a session bus or when
    // the name is taken. The player works the same either way.
    bool publish(QDBusConnection bus);

    MprisTarget* target() const { return m_target; }
    QVariantMap metadata() const;
    // The object path naming the current track on the bus.
    QString trackId() const;
    // Compares the player's state with what the bus was last told and announces changes.
    void refresh();

private:
    struct Snapshot {
        QString status;
        QString loop;
        bool shuffle = false;
        MprisTarget::Track track;
        double volume = 0;
        bool canPlay = false, canPause = false, canGoNext = false, canGoPrevious = false,
             canSeek = false;
    };
    Snapshot take() const;

    MprisTarget* m_target;
    QTimer* m_poll; // runs only while playing
    QTimer* m_soon; // one look once the current change is complete
    Snapshot m_told;
    QString m_busName;
    bool m_published = false;
};

} // namespace Platform
