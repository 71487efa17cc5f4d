// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/DiscNames.h"

#include "engine/CdTrackFiles.h"
#include "platform/IniFile.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <discid/discid.h>

namespace {

const QString kSection = QStringLiteral("MusicBrainz");
const QString kDefaultServer = QStringLiteral("https://musicbrainz.org");
// The web service asks clients for at most one request a second.
constexpr qint64 kRequestGapMs = 1000;
constexpr int kDefaultTimeoutS = 10;
// A disc the service did not know may be added there later; it is asked again after this.
constexpr qint64 kNotFoundSecs = 7 * 24 * 3600;
// Offsets count from the start of the disc, 2 seconds before the first track's LSN 0.
constexpr int kPregapSectors = 150;

QString creditName(const QJsonValue& credits)
{
    QString name;
    for (const QJsonValue& credit : credits.toArray())
        name += credit[QLatin1String("name")].toString() +
                credit[QLatin1String("joinphrase")].toString();
    return name;
}

bool isOff(const QString& value)
{
    const QString v = value.trimmed().toLower();
    return v == QLatin1String("0") || v == QLatin1String("no") || v == QLatin1String("off") ||
           v == QLatin1String("false");
}

} // namespace

DiscNames::DiscNames(const QString& dataFolder, QObject* parent)
    : QObject(parent), m_cacheFile(dataFolder + QStringLiteral("/DiscNames.json")),
      m_settingsFile(dataFolder + QStringLiteral("/DiscLookup.ini")),
      m_network(new QNetworkAccessManager(this))
{
    loadCache();
}

QString DiscNames::discId(const CdToc& toc)
{
    if (toc.tracks.empty() || toc.tracks.size() > 99)
        return QString();
    int offsets[100] = {};
    offsets[0] = toc.leadOutLsn + kPregapSectors;
    for (size_t i = 0; i < toc.tracks.size(); ++i)
        offsets[i + 1] = toc.tracks[i].startLsn + kPregapSectors;
    DiscId* disc = discid_new();
    const int first = toc.tracks.front().number;
    const int last = first + int(toc.tracks.size()) - 1;
    QString id;
    if (discid_put(disc, first, last, offsets))
        id = QString::fromLatin1(discid_get_id(disc));
    discid_free(disc);
    return id;
}

CdText DiscNames::parseReply(const QByteArray& json, const QString& discId, bool* found)
{
    *found = false;
    CdText text;
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    for (const QJsonValue& release : doc[QLatin1String("releases")].toArray()) {
        for (const QJsonValue& medium : release[QLatin1String("media")].toArray()) {
            bool ours = false;
            for (const QJsonValue& disc : medium[QLatin1String("discs")].toArray())
                ours = ours || disc[QLatin1String("id")].toString() == discId;
            if (!ours)
                continue;
            text.disc = {release[QLatin1String("title")].toString(),
                         creditName(release[QLatin1String("artist-credit")])};
            for (const QJsonValue& track : medium[QLatin1String("tracks")].toArray()) {
                const int position = track[QLatin1String("position")].toInt();
                if (position > 0)
                    text.tracks[position] = {track[QLatin1String("title")].toString(),
                                             creditName(track[QLatin1String("artist-credit")])};
            }
            *found = !text.tracks.empty();
            return text;
        }
    }
    return text;
}

DiscNames::Settings DiscNames::settings() const
{
    const IniFile file(m_settingsFile);
    Settings s;
    s.enabled = !isOff(file.ReadString(kSection, QStringLiteral("Look up"), QStringLiteral("1")));
    s.server = file.ReadString(kSection, QStringLiteral("Server"), kDefaultServer).trimmed();
    if (s.server.isEmpty())
        s.server = kDefaultServer;
    while (s.server.endsWith(QLatin1Char('/')))
        s.server.chop(1);
    const int seconds = file.ReadString(kSection, QStringLiteral("Timeout"), QString()).toInt();
    s.timeoutMs = (seconds > 0 ? seconds : kDefaultTimeoutS) * 1000;
    return s;
}

QString DiscNames::idOf(const QString& root, bool fresh)
{
    // The ID found at the latest scan serves the title panel's frequent questions
    // without rereading a drive; every scan (a look-up) reads it again.
    auto it = m_ids.find(root);
    if (!fresh && it != m_ids.end())
        return *it;
    const std::optional<CdToc> toc = cdDiscToc(root);
    const QString id = toc ? discId(*toc) : QString();
    m_ids.insert(root, id);
    return id;
}

CdText DiscNames::names(const QString& root)
{
    CdText text;
    const QJsonObject entry = m_cache.value(idOf(root, false)).toObject();
    text.disc = {entry[QLatin1String("album")].toString(),
                 entry[QLatin1String("artist")].toString()};
    const QJsonObject tracks = entry[QLatin1String("tracks")].toObject();
    for (auto it = tracks.begin(); it != tracks.end(); ++it) {
        const QJsonObject track = it->toObject();
        text.tracks[it.key().toInt()] = {track[QLatin1String("title")].toString(),
                                         track[QLatin1String("artist")].toString()};
    }
    return text;
}

void DiscNames::lookUp(const QString& root)
{
    const QString id = idOf(root, true);
    if (!settings().enabled)
        return;
    if (id.isEmpty() || m_asking.contains(id))
        return;
    const QJsonObject entry = m_cache.value(id).toObject();
    if (entry.contains(QLatin1String("tracks")))
        return;
    const qint64 asked = entry[QLatin1String("asked")].toInteger();
    if (asked > 0 && QDateTime::currentSecsSinceEpoch() - asked < kNotFoundSecs)
        return;
    m_asking << id;
    m_waiting.append({root, id});
    sendNext();
}

void DiscNames::sendNext()
{
    if (m_busy || m_sendPlanned || m_waiting.isEmpty())
        return;
    if (m_lastRequest.isValid() && m_lastRequest.elapsed() < kRequestGapMs) {
        m_sendPlanned = true;
        QTimer::singleShot(kRequestGapMs - m_lastRequest.elapsed(), Qt::PreciseTimer, this, [this] {
            m_sendPlanned = false;
            sendNext();
        });
        return;
    }
    const std::pair<QString, QString> next = m_waiting.takeFirst();
    const QString root = next.first;
    const QString id = next.second;
    const Settings s = settings();
    QNetworkRequest request(QUrl(s.server + QStringLiteral("/ws/2/discid/") + id +
                                 QStringLiteral("?inc=recordings+artist-credits&fmt=json")));
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Lumeno/" LUMENO_VERSION));
    request.setRawHeader("Accept", "application/json");
    request.setTransferTimeout(s.timeoutMs);
    m_busy = true;
    m_lastRequest.start();
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, root, id] { finished(reply, root, id); });
}

void DiscNames::finished(QNetworkReply* reply, const QString& root, const QString& id)
{
    reply->deleteLater();
    m_busy = false;
    m_asking.removeAll(id);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    bool found = false;
    CdText text;
    if (reply->error() == QNetworkReply::NoError)
        text = parseReply(reply->readAll(), id, &found);
    if (found) {
        QJsonObject tracks;
        for (const auto& [number, track] : text.tracks)
            tracks.insert(QString::number(number),
                          QJsonObject{{QStringLiteral("title"), track.title},
                                      {QStringLiteral("artist"), track.performer}});
        m_cache.insert(id, QJsonObject{{QStringLiteral("album"), text.disc.title},
                                       {QStringLiteral("artist"), text.disc.performer},
                                       {QStringLiteral("tracks"), tracks}});
        saveCache();
        emit namesArrived(root);
    } else if (status == 404) {
        // Not known there: not asked again at every insert.
        m_cache.insert(id,
                       QJsonObject{{QStringLiteral("asked"), QDateTime::currentSecsSinceEpoch()}});
        saveCache();
        qInfo("Lumeno: MusicBrainz does not know disc %s", qUtf8Printable(id));
    } else {
        // A transfer timeout shows as a cancel.
        const QString why = reply->error() == QNetworkReply::NoError
                                ? QStringLiteral("unreadable reply")
                            : reply->error() == QNetworkReply::OperationCanceledError
                                ? QStringLiteral("no answer in time")
                                : reply->errorString();
        qWarning("Lumeno: no names for disc %s from MusicBrainz: %s", qUtf8Printable(id),
                 qUtf8Printable(why));
    }
    sendNext();
}

void DiscNames::loadCache()
{
    QFile file(m_cacheFile);
    if (!file.exists())
        return;
    QJsonParseError error;
    const QJsonDocument doc = file.open(QIODevice::ReadOnly)
                                  ? QJsonDocument::fromJson(file.readAll(), &error)
                                  : QJsonDocument();
    if (!doc.isObject()) {
        qWarning("Lumeno: ignoring the damaged disc name cache %s", qUtf8Printable(m_cacheFile));
        return;
    }
    m_cache = doc.object();
}

void DiscNames::saveCache()
{
    try {
        writeWholeFile(m_cacheFile, QJsonDocument(m_cache).toJson());
    } catch (const EInOutError& error) {
        qWarning("Lumeno: %s", qUtf8Printable(error.message()));
    }
}
