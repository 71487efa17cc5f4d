// SPDX-License-Identifier: GPL-3.0-or-later
// Audio CDs without CD-Text or cue titles named from MusicBrainz: against a loopback
// web server answering as the web service does, set as the server in the look-up
// settings, so the test never reaches the internet.
#include "FakeDrives.h"
#include "WindowTestSupport.h"
#include "engine/TMediaPlayer.h"
#include "player/DiscNames.h"
#include "player/Un_Mediactr.h"
#include "playlist/PlaylistStore.h"
#include "playlist/TListBox.h"
#include "playlist/Un_Playlist.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using Platform::DriveKind;

namespace {

// The disc IDs of the test image (tracks at 0:00, 0:03, 0:07 of 12 s) and of the same
// image with its third track at 0:06.
const QString kDiscId = QStringLiteral("5VjjEtCScRcQhny6ZJRW78rT6tY-");
const QString kOtherId = QStringLiteral("X.8ngFFYPuAzBOBLJBZxcgRjGAg-");

// The documented reply of GET /ws/2/discid/<id>?inc=recordings+artist-credits&fmt=json,
// cut to the fields read: a release whose second medium is the disc.
QByteArray releaseReply()
{
    return QStringLiteral(R"({"id":"%1","sectors":900,"releases":[{
      "id":"r1","title":"Tönende Tests","artist-credit":[
        {"name":"Ann","joinphrase":" & "},{"name":"Bob","joinphrase":""}],
      "media":[
        {"position":1,"discs":[{"id":"someOtherDisc"}],
         "tracks":[{"number":"1","position":1,"title":"Wrong Medium"}]},
        {"position":2,"discs":[{"id":"%1","sectors":900}],"tracks":[
          {"id":"t1","number":"1","position":1,"title":"Opening","length":3000,
           "artist-credit":[{"name":"Ann","joinphrase":""}]},
          {"id":"t2","number":"2","position":2,"title":"Middle Ground","length":4000,
           "artist-credit":[{"name":"Ann","joinphrase":" & "},{"name":"Bob"}]},
          {"id":"t3","number":"3","position":3,"title":"Finale","length":5000,
           "artist-credit":[{"name":"Bob"}]}]}]}]})")
        .arg(kDiscId)
        .toUtf8();
}

// Answers every request with the reply set last; a null reply never answers.
class FakeMusicBrainz : public QObject {
public:
    FakeMusicBrainz()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        });
    }
    QString address() const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
    }
    void reply(int status, const QByteArray& body) { m_status = status, m_body = body; }

    QStringList requests; // the request lines and User-Agents, in order
    QList<qint64> times;  // ms since the server started
private:
    void answer(QTcpSocket* socket)
    {
        m_pending[socket] += socket->readAll();
        const QByteArray head = m_pending[socket];
        if (!head.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> lines = head.split('\n');
        QString agent;
        for (const QByteArray& line : lines) {
            if (line.toLower().startsWith("user-agent:"))
                agent = QString::fromUtf8(line.mid(11).trimmed());
        }
        requests << QString::fromUtf8(lines.value(0).trimmed()) << agent;
        times << m_clock.elapsed();
        if (m_status == 0)
            return;
        socket->write("HTTP/1.1 " + QByteArray::number(m_status) +
                      " X\r\nContent-Type: application/json\r\nConnection: close\r\n"
                      "Content-Length: " +
                      QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QElapsedTimer m_clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    QHash<QTcpSocket*, QByteArray> m_pending;
    int m_status = 200;
    QByteArray m_body;
};

QStringList shownLines()
{
    QStringList lines;
    TListBox* box = Frm_playlist->Lst_playlist;
    for (int i = 0; i < box->count(); ++i)
        lines << box->line(i);
    return lines;
}

QStringList namesIn(const QString& istFile)
{
    TFileList files;
    TPlaylistStore::LoadPlaylistFile(files, istFile);
    QStringList names;
    for (const TfilePtr& file : files)
        names << file->Name;
    return names;
}

QString ist(const QString& fileName)
{
    return Frm_PlayerControl->FSettings.ReadString("playlist", "playlist directory", QString()) +
           '/' + fileName;
}

const QStringList kPlainLines{"01 Track01.cda", "02 Track02.cda", "03 Track03.cda"};

} // namespace

class TestDiscNames : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void discWithoutTextIsNamedOnceFromMusicBrainz();
    void failedOrOffLookUpsLeaveTrackNames();

private:
    WindowTestSupport m_support;
    FakeDrives m_drives;
    FakeMusicBrainz m_server;
    QTemporaryDir m_other;
};

void TestDiscNames::initTestCase()
{
    QVERIFY(QFileInfo::exists(media("cd/disc.cue")));
    m_support.start();
    Frm_PlayerControl->setDriveSource(&m_drives);
    Frm_PlayerControl->show();
    // The same audio with another table of contents: another disc to the service.
    QFile cue(media("cd/disc.cue"));
    QVERIFY(cue.open(QIODevice::ReadOnly));
    QFile other(m_other.filePath("disc.cue"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(cue.readAll().replace("00:07:00", "00:06:00"));
    other.close();
    QVERIFY(QFile::link(media("cd/disc.bin"), m_other.filePath("disc.bin")));
}

void TestDiscNames::cleanupTestCase()
{
    m_support.finish();
}

void TestDiscNames::init()
{
    m_support.reset();
}

void TestDiscNames::discWithoutTextIsNamedOnceFromMusicBrainz()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    m_support.setDiscLookUp("1", m_server.address());
    m_server.reply(200, releaseReply());
    m_drives.insert(FakeDrives::medium('J', "Audio CD", media("cd/disc.cue"), DriveKind::CdRom));
    // Plays at once; the titles follow when the reply comes.
    QCOMPARE(p->MediaPlayer->Mode(), mpPlaying);
    const QStringList named{"01 Opening", "02 Middle Ground", "03 Finale"};
    QTRY_COMPARE(shownLines(), named);
    QCOMPARE(namesIn(ist("Audio CD(J).ist")), (QStringList{"Opening", "Middle Ground", "Finale"}));
    QCOMPARE(p->FPlaylistItems.at(0)->Path, media("cd/disc.cue") + "/Track01.cda");
    QCOMPARE(p->pnl_jdl->text(), QString("Ann - Opening"));
    p->ToolNextClick();
    QTRY_COMPARE(p->pnl_jdl->text(), QString("Ann & Bob - Middle Ground"));
    QCOMPARE(p->playingTags().album, QString("Tönende Tests"));
    QCOMPARE(m_server.requests.size(), 2);
    QCOMPARE(m_server.requests.at(0),
             "GET /ws/2/discid/" + kDiscId + "?inc=recordings+artist-credits&fmt=json HTTP/1.1");
    QVERIFY(m_server.requests.at(1).startsWith("Lumeno/"));
    m_drives.eject('J');

    // Known now: named at once on the next insert, without asking again.
    m_drives.insert(FakeDrives::medium('J', "Audio CD", media("cd/disc.cue"), DriveKind::CdRom));
    QCOMPARE(shownLines(), named);
    QTest::qWait(1200);
    QCOMPARE(m_server.times.size(), 1);
    m_drives.eject('J');
    QVERIFY(QFileInfo::exists(TPlaylistStore::appDataFolder() + "/Lumeno/DiscNames.json"));

    // A damaged cache is ignored with one log line, and rewritten whole at the next answer.
    QTemporaryDir data;
    QFile cache(data.filePath("DiscNames.json"));
    QVERIFY(cache.open(QIODevice::WriteOnly) && cache.write("{\"5Vjj\": [tru") > 0);
    cache.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("damaged disc name cache"));
    DiscNames fresh(data.path());
    QVERIFY(fresh.names(media("cd/disc.cue")).tracks.empty());
    QVERIFY(m_support.dialogs->shown.isEmpty());
}

void TestDiscNames::failedOrOffLookUpsLeaveTrackNames()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    const QString disc = m_other.filePath("disc.cue");
    const auto insertAndEject = [&](int answers) {
        m_drives.insert(FakeDrives::medium('K', "Audio CD", disc, DriveKind::CdRom));
        QCOMPARE(p->MediaPlayer->Mode(), mpPlaying);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.times.size(), answers, 5000);
        QTest::qWait(200);
        QCOMPARE(shownLines(), kPlainLines);
        QCOMPARE(namesIn(ist("Audio CD(K).ist")),
                 (QStringList{"Track01.cda", "Track02.cda", "Track03.cda"}));
        QCOMPARE(p->pnl_jdl->text(), QString("Track01.cda"));
        m_drives.eject('K');
    };
    const int before = m_server.times.size();
    // Off: nobody is asked.
    m_support.setDiscLookUp("0", m_server.address());
    insertAndEject(before);
    QTest::qWait(1200);
    QCOMPARE(m_server.times.size(), before);

    // No answer within the time allowed, a server error, a garbage reply, an unknown
    // disc: each asked once, a second or more apart, and never a message box.
    m_support.setDiscLookUp("1", m_server.address(), 1);
    m_server.reply(0, QByteArray());
    insertAndEject(before + 1);
    QTest::qWait(1200); // the timeout passes
    m_server.reply(503, "{\"error\":\"busy\"}");
    insertAndEject(before + 2);
    m_server.reply(200, "<html>not json");
    insertAndEject(before + 3);
    m_server.reply(404, "{\"error\":\"Not Found\"}");
    insertAndEject(before + 4);
    // Arrivals jitter by a few milliseconds around the client's spacing.
    for (int i = before + 1; i < m_server.times.size(); ++i)
        QVERIFY2(m_server.times.at(i) - m_server.times.at(i - 1) >= 900,
                 qPrintable(QString::number(m_server.times.at(i) - m_server.times.at(i - 1))));
    QVERIFY(m_server.requests.at(2 * before).contains(kOtherId));
    // A disc the service does not know is not asked about at every insert.
    insertAndEject(before + 4);
    QTest::qWait(1200);
    QCOMPARE(m_server.times.size(), before + 4);
    QVERIFY(m_support.dialogs->shown.isEmpty());
}

QTEST_MAIN(TestDiscNames)
#include "test_discnames.moc"
