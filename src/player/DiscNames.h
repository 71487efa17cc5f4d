// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Track names of audio CDs that carry none themselves, looked up in MusicBrainz by
// the disc ID of their table of contents. Answers are kept in a cache file in the
// data folder, so a disc is asked about once; look-ups run on the GUI thread's event
// loop and never block the window.

#include "engine/CdAudioDisc.h"

#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QStringList>

#include <utility>

class QNetworkAccessManager;
class QNetworkReply;

class DiscNames : public QObject {
    Q_OBJECT
public:
    // dataFolder is the program's own folder (…/Lumeno): the cache and the settings
    // file live there.
    explicit DiscNames(const QString& dataFolder, QObject* parent = nullptr);

    // The names the cache holds for the disc at root; empty when none are known.
    CdText names(const QString& root);
    // Asks the server about the disc at root, later if a request went out less than a
    // second ago; nothing when look-ups are off or the cache already answers.
    void lookUp(const QString& root);

    // The MusicBrainz disc ID of a table of contents; empty when it has no tracks.
    static QString discId(const CdToc& toc);
    // The names a web service reply gives the medium holding discId; nothing found
    // leaves found false.
    static CdText parseReply(const QByteArray& json, const QString& discId, bool* found);

signals:
    // Names for the disc at root are now in the cache.
    void namesArrived(const QString& root);

private:
    struct Settings {
        bool enabled = true;
        QString server;
        int timeoutMs = 0;
    };
    Settings settings() const;
    QString idOf(const QString& root, bool fresh);
    void sendNext();
    void finished(QNetworkReply* reply, const QString& root, const QString& id);
    void loadCache();
    void saveCache();

    QString m_cacheFile;
    QString m_settingsFile;
    QJsonObject m_cache;
    QHash<QString, QString> m_ids;                // disc root -> disc ID, for this run
    QList<std::pair<QString, QString>> m_waiting; // roots and IDs to ask about, in order
    QStringList m_asking;                         // disc IDs waiting or asked about now
    QNetworkAccessManager* m_network;
    QElapsedTimer m_lastRequest;
    bool m_busy = false;
    bool m_sendPlanned = false;
};
