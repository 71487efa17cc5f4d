// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Mpris.h"

#include "DesktopEntry.h" // generated from the desktop entry

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QGuiApplication>
#include <QTimer>
#include <QUrl>

namespace Platform {

namespace {

constexpr int kPollMs = 1000;
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ uriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)
public:
    explicit MprisRoot(MprisService* service) : QDBusAbstractAdaptor(service), m_service(service) {}
    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return QGuiApplication::applicationDisplayName(); }
    QString desktopEntry() const { return QGuiApplication::desktopFileName(); }
    QStringList uriSchemes() const { return {QStringLiteral("file")}; }
    QStringList mimeTypes() const
    {
        return QStringLiteral(LUMENO_MIME_TYPES).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    }

public slots:
    void Raise() { m_service->target()->raise(); }
    void Quit() { m_service->target()->quit(); }

private:
    MprisService* m_service;
};

class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)
    Q_PROPERTY(double Rate READ one WRITE setRate)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit MprisPlayer(MprisService* service)
        : QDBusAbstractAdaptor(service), m_service(service), m_target(service->target())
    {
    }
    QString playbackStatus() const { return m_target->playbackStatus(); }
    QString loopStatus() const { return m_target->loopStatus(); }
    void setLoopStatus(const QString& value)
    {
        m_target->setLoopStatus(value);
        m_service->refresh();
    }
    bool shuffle() const { return m_target->shuffle(); }
    void setShuffle(bool value)
    {
        m_target->setShuffle(value);
        m_service->refresh();
    }
    double one() const { return 1.0; }
    void setRate(double) {} // only normal speed is offered
    QVariantMap metadata() const { return m_service->metadata(); }
    double volume() const { return m_target->volume(); }
    void setVolume(double value)
    {
        m_target->setVolume(qBound(0.0, value, 1.0));
        m_service->refresh();
    }
    qlonglong position() const { return m_target->positionUs(); }
    bool canGoNext() const { return m_target->canGoNext(); }
    bool canGoPrevious() const { return m_target->canGoPrevious(); }
    bool canPlay() const { return m_target->canPlay(); }
    bool canPause() const { return m_target->canPause(); }
    bool canSeek() const { return m_target->canSeek(); }
    bool yes() const { return true; }
    bool no() const { return false; }

signals:
    void Seeked(qlonglong Position);

public slots:
    void Next() { act(&MprisTarget::next); }
    void Previous() { act(&MprisTarget::previous); }
    void Pause() { act(&MprisTarget::pause); }
    void PlayPause() { act(&MprisTarget::playPause); }
    void Stop() { act(&MprisTarget::stop); }
    void Play() { act(&MprisTarget::play); }
    void Seek(qlonglong offset)
    {
        if (!m_target->canSeek()) {
            return;
        }
        const qint64 target = qMax<qint64>(0, m_target->positionUs() + offset);
        const qint64 length = m_target->currentTrack().lengthUs;
        if (length > 0 && target > length) {
            Next(); // past the end, as the interface asks
            return;
        }
        seekTo(target);
    }
    void SetPosition(const QDBusObjectPath& track, qlonglong position)
    {
        // A request meant for a track that has since given way is ignored.
        if (!m_target->canSeek() || track.path() != m_service->trackId() || position < 0 ||
            position > m_target->currentTrack().lengthUs) {
            return;
        }
        seekTo(position);
    }
    void OpenUri(const QString& uri)
    {
        const QUrl url(uri);
        if (url.isLocalFile()) {
            m_target->openFile(url.toLocalFile());
            m_service->refresh();
        }
    }

private:
    void seekTo(qint64 position)
    {
        m_target->seekTo(position);
        emit Seeked(position);
    }
    void act(void (MprisTarget::*command)())
    {
        (m_target->*command)();
        m_service->refresh();
    }

    MprisService* m_service;
    MprisTarget* m_target;
};

} // namespace

MprisService::MprisService(MprisTarget* target, QObject* parent)
    : QObject(parent), m_target(target), m_poll(new QTimer(this)), m_soon(new QTimer(this))
{
    new MprisRoot(this);
    new MprisPlayer(this);
    m_poll->setInterval(kPollMs);
    connect(m_poll, &QTimer::timeout, this, &MprisService::refresh);
    // A click changes several buttons one after the other; the bus hears the end result.
    m_soon->setSingleShot(true);
    m_soon->setInterval(0);
    connect(m_soon, &QTimer::timeout, this, &MprisService::refresh);
}

MprisService::~MprisService()
{
    if (m_published) {
        m_target->watch(nullptr); // the player outlives the service
        QDBusConnection bus(m_busName);
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        bus.unregisterService(QString::fromLatin1(kServiceName));
    }
}

bool MprisService::publish(QDBusConnection bus)
{
    if (!bus.isConnected()) {
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), this,
                            QDBusConnection::ExportAdaptors)) {
        return false;
    }
    if (!bus.registerService(QString::fromLatin1(kServiceName))) {
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        return false;
    }
    m_busName = bus.name();
    m_published = true;
    m_told = take();
    m_target->watch([this]() { m_soon->start(); });
    refresh();
    return true;
}

QString MprisService::trackId() const
{
    const QString path = m_target->currentTrack().path;
    if (path.isEmpty()) {
        return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
    }
    // Object paths allow only [A-Za-z0-9_]: the path's hash names the track.
    return QStringLiteral("/org/lumeno/track/t") + QString::number(qHash(path), 16);
}

QVariantMap MprisService::metadata() const
{
    const MprisTarget::Track track = m_target->currentTrack();
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackId())));
    if (track.path.isEmpty()) {
        return map;
    }
    map.insert(QStringLiteral("xesam:title"), track.title);
    map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(track.path).toString());
    if (track.lengthUs > 0) {
        map.insert(QStringLiteral("mpris:length"), qlonglong(track.lengthUs));
    }
    if (!track.artist.isEmpty()) {
        map.insert(QStringLiteral("xesam:artist"), QStringList{track.artist});
    }
    if (!track.album.isEmpty()) {
        map.insert(QStringLiteral("xesam:album"), track.album);
    }
    if (track.trackNumber > 0) {
        map.insert(QStringLiteral("xesam:trackNumber"), track.trackNumber);
    }
    if (!track.artPath.isEmpty()) {
        map.insert(QStringLiteral("mpris:artUrl"), QUrl::fromLocalFile(track.artPath).toString());
    }
    return map;
}

MprisService::Snapshot MprisService::take() const
{
    Snapshot s;
    s.status = m_target->playbackStatus();
    s.loop = m_target->loopStatus();
    s.shuffle = m_target->shuffle();
    s.track = m_target->currentTrack();
    s.volume = m_target->volume();
    s.canPlay = m_target->canPlay();
    s.canPause = m_target->canPause();
    s.canGoNext = m_target->canGoNext();
    s.canGoPrevious = m_target->canGoPrevious();
    s.canSeek = m_target->canSeek();
    return s;
}

void MprisService::refresh()
{
    if (!m_published) {
        return;
    }
    const Snapshot now = take();
    QVariantMap changed;
    if (now.status != m_told.status) {
        changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    }
    if (now.loop != m_told.loop) {
        changed.insert(QStringLiteral("LoopStatus"), now.loop);
    }
    if (!(now.track == m_told.track)) {
        changed.insert(QStringLiteral("Metadata"), metadata());
    }
    if (!qFuzzyCompare(1.0 + now.volume, 1.0 + m_told.volume)) {
        changed.insert(QStringLiteral("Volume"), now.volume);
    }
    const auto flag = [&changed](const char* name, bool before, bool after) {
        if (before != after) {
            changed.insert(QString::fromLatin1(name), after);
        }
    };
    flag("Shuffle", m_told.shuffle, now.shuffle);
    flag("CanPlay", m_told.canPlay, now.canPlay);
    flag("CanPause", m_told.canPause, now.canPause);
    flag("CanGoNext", m_told.canGoNext, now.canGoNext);
    flag("CanGoPrevious", m_told.canGoPrevious, now.canGoPrevious);
    flag("CanSeek", m_told.canSeek, now.canSeek);
    m_told = now;
    // Playing, the track moves on by itself (the next file, its length once known);
    // paused or stopped, only a change the player tells of can alter anything.
    if (now.status == QLatin1String("Playing")) {
        if (!m_poll->isActive()) {
            m_poll->start();
        }
    } else {
        m_poll->stop();
    }
    if (changed.isEmpty()) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection(m_busName).send(signal);
}

} // namespace Platform

#include "Mpris.moc"
