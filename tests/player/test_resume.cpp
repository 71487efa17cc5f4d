// SPDX-License-Identifier: GPL-3.0-or-later
// Picking up where things stopped, as a user meets it: a long file played part way comes
// back a little before that point (also after the player was killed), a changed or
// finished file starts over, the commands that start from the beginning, a damaged or
// switched-off resume file, each playlist's last played line, and a BIN/CUE image's track
// and a DVD's title after a kill. This binary is also the player run that the tests kill
// (--killed-player-child, --killed-disc-child).
#include "../TestFiles.h"
#include "RecordingDialogs.h"
#include "app/Program.h"
#include "datamodule/Un_dm.h"
#include "engine/CdTrackFiles.h"
#include "engine/TDSTrackBar.h"
#include "engine/TFilterGraph.h"
#include "player/DiscNames.h"
#include "player/Un_Mediactr.h"
#include "playlist/Un_Playlist.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <gst/gst.h>

namespace {

const QString kLong = QStringLiteral(LUMENO_MEDIA_DIR "/long6min.avi"); // 6:00

qint64 positionMs()
{
    std::int64_t position = -1;
    if (const auto seeking = DM->FilterGraph1->QueryMediaSeeking())
        seeking->GetCurrentPosition(position);
    return position < 0 ? -1 : position / 10000;
}

// The user clicks the seek bar where it shows the second wanted (its steps are seconds),
// once it knows the length, and the file goes there.
bool clickSeekBar(int second)
{
    TDSTrackBar* bar = Frm_PlayerControl->DSTrackBar1;
    if (!QTest::qWaitFor([bar] { return bar->maximum() > 0; }, 5000))
        return false;
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = option.sliderValue = bar->value();
    const QRect groove =
        bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, bar);
    const QRect handle =
        bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar);
    const int span = groove.right() - handle.width() + 1 - groove.x();
    const int x = groove.x() + handle.width() / 2 +
                  QStyle::sliderPositionFromValue(option.minimum, option.maximum, second, span);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, bar->height() / 2));
    return QTest::qWaitFor([second] { return qAbs(positionMs() / 1000 - second) < 3; }, 5000);
}

QString pnlText()
{
    return Frm_PlayerControl->pnl_jdl->text();
}

// A killed run: plays the long file, jumps to a third of it, plays on until a save
// while playing has surely happened, says "ready <ms>" and waits for its end.
int killedPlayerChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    RecordingDialogs dialogs;
    createApplicationObjects();
    Frm_PlayerControl->setCommandLineFiles({QString::fromLocal8Bit(argv[2])});
    Frm_PlayerControl->show();
    if (!clickSeekBar(120))
        return 2;
    QTest::qWait(12000);
    std::printf("ready %lld\n", positionMs());
    std::fflush(stdout);
    return app.exec();
}

// The place resume.ini holds for a disc in that track or title, in ms; -1 without one.
qint64 storedDiscPlace(const QString& store, int track)
{
    QFile file(store);
    const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> value = line.mid(line.indexOf('=') + 1).split(' ');
        if (line.startsWith("disc:") && value.size() == 2 && value.first().toInt() == track)
            return value.last().toLongLong();
    }
    return -1;
}

// A killed disc run: plays the audio CD track or the DVD given (there title 2), plays on
// until resume.ini holds a place 6 s or more into it, says "ready <seek bar value>" and
// waits for its end.
int killedDiscChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    RecordingDialogs dialogs;
    createApplicationObjects();
    const QString entry = QString::fromLocal8Bit(argv[2]);
    const bool dvd = entry.endsWith(".IFO");
    Frm_PlayerControl->setCommandLineFiles({entry});
    Frm_PlayerControl->show();
    if (dvd) {
        if (!QTest::qWaitFor([] { return !DM->GoTo1->actions().isEmpty(); }, 10000))
            return 2;
        DM->GoTo1->actions().value(1)->menu()->actions().value(0)->trigger(); // title 2
    }
    const QString store = qEnvironmentVariable("XDG_DATA_HOME") + "/Lumeno/resume.ini";
    const int track = dvd ? 2 : parseCdTrackFile(entry)->track;
    if (!QTest::qWaitFor([&] { return storedDiscPlace(store, track) >= 6000; }, 40000))
        return 3;
    std::printf("ready %d\n", Frm_PlayerControl->TrackBar1->value());
    std::fflush(stdout);
    return app.exec();
}

QStringList trackPaths(const QString& cue, int count)
{
    QStringList tracks;
    for (int n = 1; n <= count; ++n)
        tracks << cue + QStringLiteral("/Track%1.cda").arg(n, 2, 10, QLatin1Char('0'));
    return tracks;
}

// resume.ini's key for the disc holding the track.
QByteArray discKey(const QString& track)
{
    const std::optional<CdTrackFile> entry = parseCdTrackFile(track);
    const std::optional<CdToc> toc = entry ? cdDiscToc(entry->root) : std::nullopt;
    return toc ? "disc:" + QUrl::toPercentEncoding("cd-" + DiscNames::discId(*toc)) : "<none>";
}

} // namespace

class TestResume : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { gst_init(nullptr, nullptr); }
    void init();
    void cleanup();

    void aKilledPlayerContinuesWhereItWas();
    void stopAndPlayResumeButCommandsAndChangesStartOver();
    void aFileSeenToItsEndIsForgotten();
    void aDamagedOrSwitchedOffStoreIsIgnoredQuietly();
    void eachPlaylistFocusesTheLineItPlayedLast();
    void aPlaceAtTheVeryStartOrSwitchedOffIsNoResume();
    void aKilledPlayerGoesOnInTheCdTrackItWasIn();
    void aKilledPlayerTakesTheDvdBackToItsTitleAndTime();

private:
    void startPlayer(const QStringList& files = {});
    void closePlayer();
    // resume.ini's line for a media file, empty when it holds none.
    QByteArray storedLine(const QString& file) const;
    // The long file copied into the profile, to be changed there.
    QString copyOfLongFile() const;
    // Runs a player that plays the disc entry and is killed in the middle of its last
    // track or of title 2; the place it was in then (the seek bar's value), -1 if none.
    qint64 killedDiscPlayer(const QString& entry);

    std::unique_ptr<QTemporaryDir> m_profile;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    QString m_store;
    bool m_running = false;
};

void TestResume::init()
{
    m_profile = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_profile->path().toUtf8());
    qputenv("LUMENO_MIXER_DEVICE", "null");
    m_store = m_profile->path() + "/Lumeno/resume.ini";
    m_dialogs = std::make_unique<RecordingDialogs>();
}

void TestResume::cleanup()
{
    if (m_running)
        closePlayer();
    QCOMPARE(m_dialogs->shown, QStringList());
    m_dialogs.reset();
}

void TestResume::startPlayer(const QStringList& files)
{
    createApplicationObjects();
    Frm_PlayerControl->setCommandLineFiles(files);
    Frm_PlayerControl->show();
    m_running = true;
}

void TestResume::closePlayer()
{
    Frm_PlayerControl->close();
    destroyApplicationObjects();
    m_running = false;
}

QByteArray TestResume::storedLine(const QString& file) const
{
    const QByteArray key = "file:" + QUrl::toPercentEncoding(file, "/") + "=";
    for (const QByteArray& line : bytesOf(m_store).split('\n'))
        if (line.startsWith(key))
            return line;
    return QByteArray();
}

QString TestResume::copyOfLongFile() const
{
    const QString copy = m_profile->path() + "/film with = sign.avi";
    QFile::copy(kLong, copy);
    return copy;
}

void TestResume::aKilledPlayerContinuesWhereItWas()
{
    QProcess run;
    run.start(QCoreApplication::applicationFilePath(), {"--killed-player-child", kLong});
    QVERIFY(run.waitForStarted());
    while (!run.canReadLine() && run.waitForReadyRead(30000)) {
    }
    const QList<QByteArray> said = run.readLine().trimmed().split(' ');
    QCOMPARE(said.first(), QByteArray("ready"));
    ::kill(pid_t(run.processId()), SIGKILL);
    QVERIFY(run.waitForFinished());
    const qint64 killedAt = said.value(1).toLongLong();
    QVERIFY2(killedAt > 100000 && killedAt < 200000, said.value(1));

    startPlayer({kLong});
    QTRY_VERIFY_WITH_TIMEOUT(pnlText().startsWith("Resumed at 0:0"), 5000);
    const qint64 resumedAt = positionMs();
    QVERIFY2(resumedAt >= killedAt - 15000 && resumedAt <= killedAt + 2000,
             qPrintable(QString("killed at %1 ms, resumed at %2 ms").arg(killedAt).arg(resumedAt)));
    // The notice gives way to the entry's name after a few seconds.
    QTRY_COMPARE_WITH_TIMEOUT(pnlText(), QString("long6min.avi"), 8000);
}

void TestResume::stopAndPlayResumeButCommandsAndChangesStartOver()
{
    const QString film = copyOfLongFile();
    startPlayer({film});
    TFrm_PlayerControl* p = Frm_PlayerControl;
    QVERIFY(clickSeekBar(120));
    const qint64 stoppedAt = positionMs();
    QTest::mouseClick(p->ToolStop, Qt::LeftButton);
    QVERIFY2(!storedLine(film).isEmpty(), bytesOf(m_store));

    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(pnlText().startsWith("Resumed at 0:01:"), 5000);
    QVERIFY2(positionMs() >= stoppedAt - 6000 && positionMs() < stoppedAt,
             qPrintable(QString::number(positionMs())));

    // Shift with Play on a paused file starts it over.
    QTest::mouseClick(p->ToolPause, Qt::LeftButton);
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton, Qt::ShiftModifier);
    QTRY_COMPARE_WITH_TIMEOUT(pnlText(), QString("film with = sign.avi"), 3000);
    QVERIFY(positionMs() >= 0 && positionMs() < 5000);
    // So does Shift with the Play button's key.
    QVERIFY(clickSeekBar(120));
    QTest::mouseClick(p->ToolPause, Qt::LeftButton);
    QTest::keyClick(p->ToolPlay, Qt::Key_Space, Qt::ShiftModifier);
    QVERIFY(!p->ToolPlay->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(pnlText(), QString("film with = sign.avi"), 3000);
    QVERIFY(positionMs() >= 0 && positionMs() < 5000);

    // The last item of the video menu.
    QAction* fromStart = DM->Popup_Display->actions().last();
    QCOMPARE(fromStart->text(), QString("Play from Beginning"));
    QVERIFY(clickSeekBar(120));
    fromStart->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(positionMs() >= 0 && positionMs() < 5000, 3000);
    QTest::qWait(1500);
    QVERIFY(!pnlText().startsWith("Resumed"));

    // A file changed since it stopped starts over.
    QVERIFY(clickSeekBar(120));
    QTest::mouseClick(p->ToolStop, Qt::LeftButton);
    QVERIFY(!storedLine(film).isEmpty());
    {
        QFile file(film);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
    }
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(pnlText(), QString("film with = sign.avi"), 3000);
    QVERIFY(positionMs() >= 0 && positionMs() < 5000);
}

void TestResume::aFileSeenToItsEndIsForgotten()
{
    const QString film = copyOfLongFile();
    startPlayer({film});
    TFrm_PlayerControl* p = Frm_PlayerControl;
    // Stopped within its last 30 s.
    QVERIFY(clickSeekBar(120));
    QTest::mouseClick(p->ToolPause, Qt::LeftButton);
    QVERIFY(!storedLine(film).isEmpty());
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QVERIFY(clickSeekBar(345));
    QVERIFY(positionMs() > 330000);
    QTest::mouseClick(p->ToolStop, Qt::LeftButton);
    QCOMPARE(storedLine(film), QByteArray());

    // Played to its end.
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(pnlText(), QString("film with = sign.avi"), 3000);
    QVERIFY(clickSeekBar(120));
    QTest::mouseClick(p->ToolPause, Qt::LeftButton);
    QVERIFY(!storedLine(film).isEmpty());
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QTest::mouseClick(p->DSTrackBar1, Qt::LeftButton, {},
                      QPoint(p->DSTrackBar1->width() - 1, p->DSTrackBar1->height() / 2));
    QTRY_VERIFY_WITH_TIMEOUT(p->ToolPlay->isEnabled(), 10000); // the list ended
    QCOMPARE(storedLine(film), QByteArray());
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(pnlText(), QString("film with = sign.avi"), 3000);
    QVERIFY(positionMs() >= 0 && positionMs() < 5000);
}

void TestResume::aDamagedOrSwitchedOffStoreIsIgnoredQuietly()
{
    const QString film = copyOfLongFile();
    const QByteArray point = "file:" + QUrl::toPercentEncoding(film, "/") + "=120000 " +
                             QByteArray::number(QFileInfo(film).size()) + ' ' +
                             QByteArray::number(QFileInfo(film).lastModified().toMSecsSinceEpoch());
    const QByteArray whole = "[Resume]\nEnabled=true\n[Places]\n" + point + "\n[End]\n";
    QByteArray noise(3000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919) % 251);
    // Cut short, and garbage: each ignored with one log line, no box, the file from 0.
    for (const QByteArray& damaged : {whole.left(whole.size() - 7), noise}) {
        writeBytes(m_store, damaged);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("resume file .* damaged"));
        startPlayer({film});
        QTRY_COMPARE_WITH_TIMEOUT(pnlText(), QString("film with = sign.avi"), 3000);
        QVERIFY(positionMs() >= 0 && positionMs() < 5000);
        closePlayer();
        QVERIFY(bytesOf(m_store).endsWith("[End]\n")); // written whole again
    }

    // Switched off: nothing resumes, and the file stays as the user wrote it.
    const QByteArray off = "[Resume]\nEnabled=false\n[Places]\n" + point + "\n[End]\n";
    writeBytes(m_store, off);
    startPlayer({film});
    QTRY_COMPARE_WITH_TIMEOUT(pnlText(), QString("film with = sign.avi"), 3000);
    QVERIFY(positionMs() >= 0 && positionMs() < 5000);
    QVERIFY(clickSeekBar(180));
    closePlayer();
    QCOMPARE(bytesOf(m_store), off);

    // A full store: the newest point comes first, the oldest of 1,000 goes.
    QByteArray full = "[Resume]\nEnabled=true\n[Places]\n";
    for (int i = 0; i < 1000; ++i)
        full += "file:/m/f" + QByteArray::number(i) + ".avi=1000 1 1\n";
    writeBytes(m_store, full + "[End]\n");
    startPlayer({film});
    QVERIFY(clickSeekBar(120));
    closePlayer();
    const QList<QByteArray> lines = bytesOf(m_store).split('\n');
    const qsizetype first = lines.indexOf("[Places]") + 1;
    // The film and the line "Default" played are the newest two.
    QVERIFY(lines.at(first).startsWith("file:" + QUrl::toPercentEncoding(film, "/") + "="));
    QVERIFY(lines.at(first + 1).startsWith("playlist:"));
    QCOMPARE(lines.at(first + 2), QByteArray("file:/m/f0.avi=1000 1 1"));
    QCOMPARE(lines.at(first + 999), QByteArray("file:/m/f997.avi=1000 1 1"));
    QCOMPARE(lines.at(first + 1000), QByteArray("[End]"));
}

void TestResume::eachPlaylistFocusesTheLineItPlayedLast()
{
    const QString pl = m_profile->path() + "/Lumeno/Playlist";
    const auto entry = [](const char* name) {
        return QByteArray(name) + "\r\n" + LUMENO_MEDIA_DIR + "/" + name + "\r\n";
    };
    writeBytes(pl + "/Rock.ist", entry("audio.wav") + entry("audio.mp3") + entry("song.mid"));
    writeBytes(pl + "/Jazz.ist", entry("audio.mp3") + entry("audio.wav"));
    writeBytes(pl + "/Playlist.dat", "Default\r\n" + pl.toUtf8() + "/Default.ist\r\nRock\r\n" +
                                         pl.toUtf8() + "/Rock.ist\r\nJazz\r\n" + pl.toUtf8() +
                                         "/Jazz.ist\r\n");
    startPlayer();
    QComboBox* names = Frm_playlist->cmb_playlist;
    TListBox* list = Frm_playlist->Lst_playlist;
    QTest::keyClick(names->lineEdit(), Qt::Key_Down); // Rock
    QCOMPARE(names->currentText(), QString("Rock"));
    list->resize(217, 345);
    const QRect third = list->visualRect(list->model()->index(2, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, third.center());
    QCOMPARE(Frm_PlayerControl->FCurrentIndex, 2);
    QTest::mouseClick(Frm_PlayerControl->ToolStop, Qt::LeftButton);

    QTest::keyClick(names->lineEdit(), Qt::Key_Down); // Jazz: never played, nothing chosen
    QCOMPARE(names->currentText(), QString("Jazz"));
    QTest::keyClick(names->lineEdit(), Qt::Key_Up); // Rock again
    QCOMPARE(list->itemIndex(), 2);
    QVERIFY(list->selected(2));

    // The next start reopens Rock at that line, and plays nothing.
    closePlayer();
    startPlayer();
    QCOMPARE(Frm_playlist->cmb_playlist->currentText(), QString("Rock"));
    QCOMPARE(Frm_playlist->Lst_playlist->itemIndex(), 2);
    QVERIFY(Frm_playlist->Lst_playlist->selected(2));
    QVERIFY(!DM->FilterGraph1->Active());
    QVERIFY(Frm_PlayerControl->ToolPlay->isEnabled());
}

// A place within the first seconds is no resume: the file or disc starts over without a
// notice. Nor does a disc resume with the store switched off.
void TestResume::aPlaceAtTheVeryStartOrSwitchedOffIsNoResume()
{
    const QFileInfo film(kLong);
    const QByteArray filePlace = "file:" + QUrl::toPercentEncoding(kLong, "/") + "=5600 " +
                                 QByteArray::number(film.size()) + ' ' +
                                 QByteArray::number(film.lastModified().toMSecsSinceEpoch());
    const QStringList tracks = trackPaths(QStringLiteral(LUMENO_MEDIA_DIR "/cd/disc.cue"), 3);
    const QByteArray disc = discKey(tracks.first());
    const auto store = [&](const QByteArray& enabled, const QByteArray& discPlace) {
        writeBytes(m_store, "[Resume]\nEnabled=" + enabled + "\n[Places]\n" + filePlace + "\n" +
                                disc + "=" + discPlace + "\n[End]\n");
    };
    store("true", "2 1500");
    startPlayer({kLong});
    QTRY_VERIFY_WITH_TIMEOUT(!pnlText().startsWith("Opening"), 5000);
    QCOMPARE(pnlText(), QString("long6min.avi"));
    QVERIFY(positionMs() < 3000);
    closePlayer();

    for (const QByteArray enabled : {"true", "false"}) {
        store(enabled, enabled == "true" ? "2 1500" : "2 3000");
        startPlayer(tracks);
        QTRY_VERIFY_WITH_TIMEOUT(Frm_PlayerControl->TrackBar1->value() >= 1500, 5000);
        QCOMPARE(Frm_PlayerControl->FCurrentIndex, 0);
        QCOMPARE(pnlText(), QString("Track01.cda"));
        closePlayer();
    }
}

// The image's last track (29 s) played part way and the player killed: started again from
// the disc's first line, it goes on in that track near where it was; a track heard to its
// end leaves no place.
void TestResume::aKilledPlayerGoesOnInTheCdTrackItWasIn()
{
    QFile bin(QStringLiteral(LUMENO_MEDIA_DIR "/cd/disc.bin"));
    QVERIFY(bin.open(QIODevice::ReadOnly));
    writeBytes(m_profile->filePath("long.bin"), bin.readAll().repeated(3));
    QFile cue(QStringLiteral(LUMENO_MEDIA_DIR "/cd/disc.cue"));
    QVERIFY(cue.open(QIODevice::ReadOnly));
    writeBytes(m_profile->filePath("long.cue"), cue.readAll().replace("disc.bin", "long.bin"));
    const QStringList tracks = trackPaths(m_profile->filePath("long.cue"), 3);

    const qint64 killedAt = killedDiscPlayer(tracks.last());
    QVERIFY(killedAt > 0);
    startPlayer(tracks);
    QTRY_VERIFY_WITH_TIMEOUT(pnlText().startsWith("Resumed at 0:00:"), 5000);
    QCOMPARE(Frm_PlayerControl->FCurrentIndex, 2);
    const qint64 resumedAt = Frm_PlayerControl->TrackBar1->value();
    QVERIFY2(resumedAt >= killedAt - 15000 && resumedAt <= killedAt,
             qPrintable(QString("killed at %1 ms, resumed at %2 ms").arg(killedAt).arg(resumedAt)));
    QVERIFY(bytesOf(m_store).contains(discKey(tracks.first())));

    QTest::mouseClick(Frm_PlayerControl->ToolPrev, Qt::LeftButton); // track 2, 4 s
    QCOMPARE(Frm_PlayerControl->FCurrentIndex, 1);
    QTRY_VERIFY_WITH_TIMEOUT(!bytesOf(m_store).contains(discKey(tracks.first())), 8000);
}

// Title 2 of the test disc (20 s) played part way and the player killed: the disc opened
// again goes from its menu start back into title 2 near where it was; a title seen to its
// end leaves no place.
void TestResume::aKilledPlayerTakesTheDvdBackToItsTitleAndTime()
{
    const QString disc = QStringLiteral(LUMENO_MEDIA_DIR "/dvd/VIDEO_TS/VIDEO_TS.IFO");
    const qint64 killedAt = killedDiscPlayer(disc);
    QVERIFY(killedAt > 0);
    startPlayer({disc});
    QTRY_VERIFY_WITH_TIMEOUT(pnlText().startsWith("Resumed at 0:00:"), 10000);
    QCOMPARE(DM->FCurTitle, 2);
    QTRY_VERIFY_WITH_TIMEOUT(Frm_PlayerControl->TrackBar1->value() >= killedAt - 15, 2000);
    QVERIFY2(Frm_PlayerControl->TrackBar1->value() <= killedAt,
             qPrintable(QString("killed at %1 s, resumed at %2 s")
                            .arg(killedAt)
                            .arg(Frm_PlayerControl->TrackBar1->value())));
    QVERIFY(bytesOf(m_store).contains("disc:dvd-"));

    // Title 1's last chapter runs 3 s.
    DM->GoTo1->actions().value(0)->menu()->actions().value(2)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(pnlText(), QString("Title 1, Chapter 3"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!bytesOf(m_store).contains("disc:dvd-"), 6000);
}

qint64 TestResume::killedDiscPlayer(const QString& entry)
{
    QProcess run;
    run.start(QCoreApplication::applicationFilePath(), {"--killed-disc-child", entry});
    if (!run.waitForStarted())
        return -1;
    // libdvdread has its say on the same output first.
    QList<QByteArray> said{QByteArray()};
    while (said.first() != "ready" && (run.canReadLine() || run.waitForReadyRead(40000)))
        said = run.readLine().trimmed().split(' ');
    ::kill(pid_t(run.processId()), SIGKILL);
    run.waitForFinished();
    return said.first() == "ready" ? said.value(1).toLongLong() : -1;
}

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--killed-player-child") == 0)
        return killedPlayerChild(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--killed-disc-child") == 0)
        return killedDiscChild(argc, argv);
    QApplication app(argc, argv);
    TestResume test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_resume.moc"
