// SPDX-License-Identifier: GPL-3.0-or-later
// The player on a private session bus, driven and watched from outside with gdbus and
// dbus-send as the desktop's media keys and sound menu would.
#include "../player/WindowTestSupport.h"
#include "datamodule/Un_dm.h"
#include "engine/TAudio.h"
#include "engine/TDSVideoWindowEx2.h"
#include "engine/TMixerSettings.h"
#include "platform/Mpris.h"
#include "player/PlayerRemote.h"
#include "player/TRadioGroup.h"
#include "playlist/PlaylistOps.h"
#include "playlist/TListBox.h"
#include "playlist/Un_Playlist.h"
#include "video/Un_VidDisplay.h"

#include <QAction>
#include <QDBusConnection>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

namespace {
const QString kDest = QStringLiteral("org.mpris.MediaPlayer2.lumeno");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

// Runs a bus tool while our own message loop keeps answering the bus.
QString run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(5000)) {
        return QStringLiteral("<not started>");
    }
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 15000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        process.waitForFinished(10);
    }
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())
        .trimmed();
}

QString gdbusCall(const QString& method, const QStringList& args = {})
{
    return run(QStringLiteral("gdbus"), QStringList{"call", "--session", "--dest", kDest,
                                                    "--object-path", kPath, "--method", method} +
                                            args);
}

QString command(const QString& name)
{
    return gdbusCall(kPlayer + "." + name);
}

QString busProperty(const QString& name, const QString& interface = kPlayer)
{
    return gdbusCall(QStringLiteral("org.freedesktop.DBus.Properties.Get"), {interface, name});
}

// playerctl, the client behind many desktops' media keys and panels, aimed at us.
QString playerctl(const QStringList& args)
{
    return run(QStringLiteral("playerctl"), QStringList{"--player=lumeno"} + args);
}

// A sound server of the test's own with one silent sink, which pactl changes as the
// desktop's sound settings would. False when the server is not installed or won't start.
bool startSoundServer(QProcess& server, const QTemporaryDir& dir)
{
    if (QStandardPaths::findExecutable("pulseaudio").isEmpty()) {
        return false;
    }
    QFile config(dir.filePath("client.conf"));
    if (!config.open(QIODevice::WriteOnly) || config.write("autospawn = no\n") < 0) {
        return false;
    }
    config.close();
    qputenv("PULSE_CLIENTCONFIG", config.fileName().toUtf8());
    qputenv("PULSE_SERVER", ("unix:" + dir.filePath("native")).toUtf8());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH"}) {
        env.insert(name, dir.path());
    }
    server.setProcessEnvironment(env);
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(
        "pulseaudio",
        {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--realtime=no",
         "--high-priority=no", "--load=module-null-sink sink_name=lumeno_mpris",
         "--load=module-native-protocol-unix auth-anonymous=1 socket=" + dir.filePath("native")});
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && server.state() != QProcess::NotRunning) {
        if (run("pactl", {"get-sink-volume", "lumeno_mpris"}).contains("front-left")) {
            return true;
        }
        QTest::qWait(100);
    }
    return false;
}

// The number in a reply such as "(<int64 1234>,)" or "(<0.5>,)".
double number(const QString& reply)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("<(?:int64 )?([-0-9.e]+)>")).match(reply);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}
} // namespace

class TestMpris : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void identifiesItself();
    void commandsReachThePlayerAndPropertiesFollow();
    void windowClicksReachTheBusWithoutPolling();
    void volumeBothWays();
    void playOrderBothWays();
    void playerctlDrivesEverything();
    void tagsNameWhatPlays();
    void capabilitiesSayWhatCommandsDo();
    void previousAfterAnAdvancePlaysTheEndedFile();
    void volumeFollowsTheSystemVolume();
    void dvdPositionIsTheTitleTime();
    void raiseAndQuit();

private:
    WindowTestSupport support;
    PlayerRemote* remote = nullptr;
    Platform::MprisService* service = nullptr;
    QProcess monitor; // every signal the player sends, as another client sees it
};

void TestMpris::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"),
             "run under dbus-run-session (a private bus)");
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Lumeno")); // as the program does
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lumeno.Lumeno"));
    support.start();
    remote = new PlayerRemote(Frm_PlayerControl);
    service = new Platform::MprisService(remote);
    QVERIFY(service->publish(QDBusConnection::sessionBus()));
    monitor.start(QStringLiteral("gdbus"),
                  {"monitor", "--session", "--dest", kDest, "--object-path", kPath});
    QVERIFY(monitor.waitForStarted());
    QTest::qWait(300); // the monitor's match rule is in place
}

void TestMpris::cleanupTestCase()
{
    monitor.kill();
    monitor.waitForFinished();
    delete service;
    delete remote;
    support.finish();
}

void TestMpris::identifiesItself()
{
    const QString root = QStringLiteral("org.mpris.MediaPlayer2");
    QCOMPARE(busProperty("Identity", root), QStringLiteral("(<'Lumeno'>,)"));
    QCOMPARE(busProperty("DesktopEntry", root), QStringLiteral("(<'org.lumeno.Lumeno'>,)"));
    QCOMPARE(busProperty("CanRaise", root), QStringLiteral("(<true>,)"));
    QCOMPARE(busProperty("HasTrackList", root), QStringLiteral("(<false>,)"));
    QVERIFY(busProperty("SupportedMimeTypes", root).contains("audio/mpeg"));
    const QString all =
        gdbusCall(QStringLiteral("org.freedesktop.DBus.Properties.GetAll"), {kPlayer});
    for (const char* name :
         {"PlaybackStatus", "Metadata", "Volume", "Position", "CanGoNext", "CanControl", "Rate"}) {
        QVERIFY2(all.contains(QLatin1String(name)), name);
    }
    QCOMPARE(busProperty("PlaybackStatus"), QStringLiteral("(<'Stopped'>,)"));
    QVERIFY(busProperty("Metadata").contains("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
}

void TestMpris::commandsReachThePlayerAndPropertiesFollow()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    support.reset();
    WindowTestSupport::setPlaylist({media("audio.wav"), media("audio.mp3")});

    QCOMPARE(command("Play"), QStringLiteral("()"));
    QCOMPARE(p->FCurrentIndex, 0);
    QVERIFY(p->ToolPause->isEnabled());
    QCOMPARE(busProperty("PlaybackStatus"), QStringLiteral("(<'Playing'>,)"));
    QTRY_VERIFY_WITH_TIMEOUT(busProperty("Metadata").contains("'mpris:length': <int64 "), 5000);
    const QString metadata = busProperty("Metadata");
    QVERIFY2(metadata.contains("'xesam:title': <'" + p->FCurrentItem->Name + "'>"),
             qPrintable(metadata));
    QVERIFY(metadata.contains(QUrl::fromLocalFile(media("audio.wav")).toString()));
    const double before = number(busProperty("Position"));
    QTest::qWait(700);
    QVERIFY(before >= 0);
    QVERIFY(number(busProperty("Position")) > before + 300000); // microseconds

    QCOMPARE(command("PlayPause"), QStringLiteral("()"));
    QVERIFY(p->FPaused);
    QCOMPARE(busProperty("PlaybackStatus"), QStringLiteral("(<'Paused'>,)"));
    QCOMPARE(busProperty("CanPlay"), QStringLiteral("(<true>,)"));
    command("PlayPause");
    QVERIFY(!p->FPaused);
    QCOMPARE(busProperty("PlaybackStatus"), QStringLiteral("(<'Playing'>,)"));

    // dbus-send, as a media-key daemon might.
    run(QStringLiteral("dbus-send"),
        {"--session", "--print-reply", "--dest=" + kDest, kPath, kPlayer + ".Next"});
    QCOMPARE(p->FCurrentIndex, 1);
    QVERIFY(busProperty("Metadata").contains("audio.mp3"));
    QCOMPARE(busProperty("CanGoPrevious"), QStringLiteral("(<true>,)"));
    command("Previous");
    QCOMPARE(p->FCurrentIndex, 0);
    QVERIFY(busProperty("Metadata").contains("audio.wav"));

    command("Pause");
    QVERIFY(p->FPaused);
    command("Stop");
    QVERIFY(!p->ToolStop->isEnabled());
    QCOMPARE(busProperty("PlaybackStatus"), QStringLiteral("(<'Stopped'>,)"));
    // Pause while stopped is the disabled button: nothing happens.
    command("Pause");
    QVERIFY(!p->FPaused);
    QVERIFY(support.dialogs->shown.isEmpty());

    // Each change was announced to other clients, in order.
    QTRY_VERIFY_WITH_TIMEOUT(monitor.bytesAvailable() > 0, 3000);
    QTest::qWait(500);
    const QString seen = QString::fromUtf8(monitor.readAll());
    const QStringList order{"'PlaybackStatus': <'Playing'>", "'PlaybackStatus': <'Paused'>",
                            "'PlaybackStatus': <'Playing'>", "'PlaybackStatus': <'Stopped'>"};
    qsizetype at = 0;
    for (const QString& step : order) {
        at = seen.indexOf(step, at);
        QVERIFY2(at >= 0, qPrintable(step + " missing in:\n" + seen));
        at += 1;
    }
    QVERIFY(seen.contains("org.freedesktop.DBus.Properties.PropertiesChanged"));
    QVERIFY(seen.contains("audio.mp3")); // the Metadata change on Next
}

// Whether the service looks at the player on a timer now.
static bool servicePolls(QObject* service)
{
    for (QTimer* t : service->findChildren<QTimer*>()) {
        if (t->isActive() && !t->isSingleShot()) {
            return true;
        }
    }
    return false;
}

void TestMpris::windowClicksReachTheBusWithoutPolling()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    support.reset();
    WindowTestSupport::setPlaylist({media("long12.avi")});
    QTest::qWait(300);
    monitor.readAll();
    QString seen;
    const auto announced = [&seen, this](const char* text) {
        seen += QString::fromUtf8(monitor.readAll());
        return seen.contains(QLatin1String(text));
    };

    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(announced("'PlaybackStatus': <'Playing'>"), 3000);
    QVERIFY(servicePolls(service)); // playing: the track and its length can change by themselves
    seen.clear();
    QTest::mouseClick(p->ToolPause, Qt::LeftButton);
    QVERIFY(p->FPaused);
    QTRY_VERIFY_WITH_TIMEOUT(announced("'PlaybackStatus': <'Paused'>"), 3000);
    QVERIFY(!servicePolls(service)); // paused: nothing wakes the player for the bus
    // A paused track can still be paused: the capability stays.
    QVERIFY(!seen.contains("'CanPause': <false>"));
    seen.clear();
    QTest::mouseClick(p->ToolStop, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(announced("'PlaybackStatus': <'Stopped'>"), 3000);
    QVERIFY(!servicePolls(service));
    QCOMPARE(busProperty("PlaybackStatus"), QStringLiteral("(<'Stopped'>,)"));
}

void TestMpris::volumeBothWays()
{
    QSlider* slider = Frm_PlayerControl->Track_Volume;
    gdbusCall(QStringLiteral("org.freedesktop.DBus.Properties.Set"), {kPlayer, "Volume", "<0.5>"});
    QCOMPARE(slider->value(), 50);
    gdbusCall(QStringLiteral("org.freedesktop.DBus.Properties.Set"), {kPlayer, "Volume", "<7.0>"});
    QCOMPARE(slider->value(), 100); // out of range is clamped
    slider->setValue(80);           // moved in the window: the bus hears of it
    QCOMPARE(number(busProperty("Volume")), 0.8);
    QString seen;
    QTRY_VERIFY_WITH_TIMEOUT(
        (seen += QString::fromUtf8(monitor.readAll())).contains("'Volume': <0.8"), 3000);
}

void TestMpris::playOrderBothWays()
{
    TRadioGroup* order = Frm_PlayerControl->rad_play;
    const QString set = QStringLiteral("org.freedesktop.DBus.Properties.Set");
    gdbusCall(set, {kPlayer, "LoopStatus", "<'Playlist'>"});
    QCOMPARE(order->itemIndex(), 1);
    QVERIFY(DM->Repeat1->isChecked());
    QCOMPARE(busProperty("LoopStatus"), QStringLiteral("(<'Playlist'>,)"));
    gdbusCall(set, {kPlayer, "Shuffle", "<true>"});
    QCOMPARE(order->itemIndex(), 2);
    QVERIFY(DM->Shuffle1->isChecked() && !DM->Repeat1->isChecked());
    QCOMPARE(busProperty("LoopStatus"), QStringLiteral("(<'None'>,)"));
    gdbusCall(set, {kPlayer, "LoopStatus", "<'Track'>"}); // not offered: no change
    QCOMPARE(order->itemIndex(), 2);
    gdbusCall(set, {kPlayer, "Shuffle", "<false>"});
    QCOMPARE(order->itemIndex(), 0);
    QCOMPARE(busProperty("Shuffle"), QStringLiteral("(<false>,)"));

    DM->Repeat1->trigger(); // chosen in the video window's menu
    QString seen;
    QTRY_VERIFY_WITH_TIMEOUT(
        (seen += QString::fromUtf8(monitor.readAll())).contains("'LoopStatus': <'Playlist'>"),
        3000);
    DM->Continue1->trigger();
}

void TestMpris::playerctlDrivesEverything()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    support.reset();
    WindowTestSupport::setPlaylist({media("long12.avi"), media("audio.mp3")});
    QCOMPARE(run(QStringLiteral("playerctl"), {"--list-all"}), QStringLiteral("lumeno"));
    QCOMPARE(playerctl({"status"}), QStringLiteral("Stopped"));
    QCOMPARE(playerctl({"play"}), QString());
    QCOMPARE(playerctl({"status"}), QStringLiteral("Playing"));
    QTRY_VERIFY_WITH_TIMEOUT(playerctl({"metadata", "mpris:length"}) == "12000000", 5000);
    const QString metadata = playerctl({"metadata"});
    QVERIFY2(metadata.contains(QRegularExpression("lumeno mpris:trackid +'/\\S+")) &&
                 metadata.contains(QRegularExpression("lumeno xesam:title +long12.avi")),
             qPrintable(metadata));
    QCOMPARE(playerctl({"play-pause"}), QString());
    QVERIFY(p->FPaused);
    QCOMPARE(playerctl({"status"}), QStringLiteral("Paused"));
    playerctl({"play-pause"});
    QCOMPARE(playerctl({"status"}), QStringLiteral("Playing"));
    QTest::qWait(1200);
    QVERIFY(playerctl({"position"}).toDouble() > 1.0); // seconds
    QCOMPARE(playerctl({"stop"}), QString());
    QCOMPARE(playerctl({"status"}), QStringLiteral("Stopped"));
    QVERIFY(!p->ToolStop->isEnabled());
    QCOMPARE(busProperty("CanSeek"), QStringLiteral("(<false>,)"));
    playerctl({"play"}); // a stopped track starts again from its beginning
    QVERIFY(playerctl({"position"}).toDouble() < 1.0);
    playerctl({"next"});
    QCOMPARE(p->FCurrentIndex, 1);
    QVERIFY(playerctl({"metadata", "xesam:url"}).endsWith("audio.mp3"));
    playerctl({"previous"});
    QCOMPARE(p->FCurrentIndex, 0);
    playerctl({"volume", "0.4"});
    QCOMPARE(p->Track_Volume->value(), 40);
    QCOMPARE(playerctl({"volume"}).toDouble(), 0.4);
    playerctl({"loop", "Playlist"});
    QCOMPARE(p->rad_play->itemIndex(), 1);
    QCOMPARE(playerctl({"loop"}), QStringLiteral("Playlist"));
    playerctl({"shuffle", "On"});
    QCOMPARE(p->rad_play->itemIndex(), 2);
    QCOMPARE(playerctl({"shuffle"}), QStringLiteral("On"));
    playerctl({"shuffle", "Off"});
    QCOMPARE(p->rad_play->itemIndex(), 0);
    // Seeking within a file, told to clients; the position is read, never announced.
    QCOMPARE(busProperty("CanSeek"), QStringLiteral("(<true>,)"));
    monitor.readAll();
    QCOMPARE(playerctl({"position", "8"}), QString());
    QVERIFY(qAbs(playerctl({"position"}).toDouble() - 8.0) < 0.5);
    playerctl({"position", "3-"});
    QVERIFY(qAbs(playerctl({"position"}).toDouble() - 5.0) < 0.5);
    QString seen;
    QTRY_VERIFY_WITH_TIMEOUT(
        (seen += QString::fromUtf8(monitor.readAll())).count(".Player.Seeked (int64 ") == 2, 3000);
    QVERIFY(seen.contains("Seeked (int64 8000000,)") && !seen.contains("Position"));
    // A position meant for another track is ignored; past the end is the next track.
    gdbusCall(kPlayer + ".SetPosition", {"/org/lumeno/track/tother", "1000000"});
    QVERIFY(playerctl({"position"}).toDouble() > 4.5);
    playerctl({"position", "30+"});
    QCOMPARE(p->FCurrentIndex, 1);
    playerctl({"stop"});
    QVERIFY(support.dialogs->shown.isEmpty());
}

void TestMpris::tagsNameWhatPlays()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    support.reset();
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    WindowTestSupport::setPlaylist({media("tagged.mp3"), media("audio.mp3")});
    monitor.readAll();
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(p->pnl_jdl->text(), QString("Test Artist - Test Song"), 2500);
    QTest::mouseClick(p->ToolPause, Qt::LeftButton);
    QCOMPARE(Frm_playlist->Lst_playlist->line(0), QString("01 tagged.mp3"));
    const auto field = [](const char* name) { return playerctl({"metadata", name}); };
    QCOMPARE(field("xesam:title"), QString("Test Song"));
    QCOMPARE(field("xesam:artist"), QString("Test Artist"));
    QCOMPARE(field("xesam:album"), QString("Test Album"));
    QCOMPARE(field("xesam:trackNumber"), QString("7"));
    QCOMPARE(field("mpris:length").toLongLong() / 100000, 30); // 3.0 s in microseconds
    // The cover is a picture file in the cache folder.
    const QString art = QUrl(field("mpris:artUrl")).toLocalFile();
    QCOMPARE(QFileInfo(art).path(), cache.path() + "/Lumeno");
    QFile picture(art);
    QVERIFY(picture.open(QIODevice::ReadOnly));
    QVERIFY(picture.read(2) == QByteArray("\xff\xd8")); // JPEG
    QString seen;
    QTRY_VERIFY_WITH_TIMEOUT(
        (seen += QString::fromUtf8(monitor.readAll())).contains("'xesam:title': <'Test Song'>"),
        3000);

    // A file without tags keeps its name, and says nothing of artist or cover.
    QTest::mouseClick(p->ToolStop, Qt::LeftButton);
    QTest::mouseClick(p->ToolNext, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(p->pnl_jdl->text(), QString("audio.mp3"), 2500);
    QCOMPARE(field("xesam:title"), QString("audio.mp3"));
    const QString metadata = playerctl({"metadata"});
    QVERIFY2(!metadata.contains("xesam:artist") && !metadata.contains("mpris:artUrl"),
             qPrintable(metadata));
    QTest::mouseClick(p->ToolStop, Qt::LeftButton);
    qunsetenv("XDG_CACHE_HOME");
}

void TestMpris::capabilitiesSayWhatCommandsDo()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    support.reset();
    const auto can = [](const char* name) { return busProperty(name) == "(<true>,)"; };
    // Nothing to play: Play does nothing, no message box waits for the bus's caller.
    QVERIFY(!can("CanPlay") && !can("CanPause") && !can("CanGoNext") && !can("CanGoPrevious"));
    QVERIFY(can("CanControl"));
    command("Play");
    QVERIFY(support.dialogs->shown.isEmpty() && !p->FCurrentItem);
    QVERIFY(busProperty("SupportedMimeTypes", "org.mpris.MediaPlayer2")
                .contains("'x-content/video-dvd'")); // as the desktop entry lists

    WindowTestSupport::setPlaylist({media("long12.avi"), media("audio.wav"), media("audio.mp3")});
    p->ToolPrev->setEnabled(false); // as at start
    p->ToolNext->setEnabled(true);
    QVERIFY(can("CanPlay") && can("CanGoNext"));
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    // Playing, a track can still be played and paused, whatever the greyed buttons say.
    QVERIFY(can("CanPlay") && can("CanPause") && can("CanGoNext") && !can("CanGoPrevious"));
    QTest::mouseClick(p->ToolPause, Qt::LeftButton);
    QVERIFY(can("CanPlay") && can("CanPause"));
    QTest::mouseClick(p->ToolNext, Qt::LeftButton);
    QTest::mouseClick(p->ToolNext, Qt::LeftButton);
    QCOMPARE(p->FCurrentIndex, 2);
    // The last line: Next is still clickable, but would change no track.
    QVERIFY(p->ToolNext->isEnabled() && !can("CanGoNext") && can("CanGoPrevious"));
    // A line added meanwhile is a track Next reaches, told to clients at once.
    monitor.readAll();
    TPlaylistOps::AddFiles({media("audio.wma")}, p->FPlaylistItems, Frm_playlist->Lst_playlist);
    QString seen;
    QTRY_VERIFY_WITH_TIMEOUT(
        (seen += QString::fromUtf8(monitor.readAll())).contains("'CanGoNext': <true>"), 3000);
    QVERIFY(!seen.contains("Position")); // the position is read, never announced
    command("Stop");
}

void TestMpris::previousAfterAnAdvancePlaysTheEndedFile()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    support.reset();
    WindowTestSupport::setPlaylist({media("audio.wav"), media("audio.mp3"), media("long12.avi")});
    p->ToolPrev->setEnabled(false); // as at start
    p->ToolNext->setEnabled(true);
    playerctl({"play"});
    QCOMPARE(busProperty("CanGoPrevious"), QStringLiteral("(<false>,)"));
    QTRY_COMPARE_WITH_TIMEOUT(p->FCurrentIndex, 1, 8000); // the first ended by itself
    QCOMPARE(busProperty("CanGoPrevious"), QStringLiteral("(<true>,)"));
    QCOMPARE(busProperty("CanGoNext"), QStringLiteral("(<true>,)"));
    playerctl({"previous"});
    QCOMPARE(p->FCurrentIndex, 0);
    QVERIFY(playerctl({"metadata", "xesam:url"}).endsWith("audio.wav"));
    QCOMPARE(playerctl({"status"}), QStringLiteral("Playing"));
    playerctl({"stop"});
}

void TestMpris::volumeFollowsTheSystemVolume()
{
    QTemporaryDir dir;
    QProcess server;
    if (!startSoundServer(server, dir)) {
        server.kill();
        server.waitForFinished();
        qunsetenv("PULSE_SERVER");
        QSKIP("no sound server of the test's own (package pulseaudio)");
    }
    // The player's mixer is that server's, through ALSA's pulse plugin.
    qputenv("LUMENO_MIXER_DEVICE", "pulse");
    DM->Audio1->Mixer()->openDevice(0);
    QSlider* slider = Frm_PlayerControl->Track_Volume;
    slider->setValue(30);
    QCOMPARE(playerctl({"volume"}).toDouble(), 0.3);
    monitor.readAll();
    run("pactl", {"set-sink-volume", "lumeno_mpris", "70%"}); // changed outside the player
    QString seen;
    const QRegularExpression announced(QStringLiteral("'Volume': <0\\.(7|69999)"));
    QTRY_VERIFY_WITH_TIMEOUT((seen += QString::fromUtf8(monitor.readAll())).contains(announced),
                             3000);
    QCOMPARE(playerctl({"volume"}).toDouble(), 0.7);
    QCOMPARE(slider->value(), 30); // the slider took the system volume only at start
    // The slider's own value, yet the system volume moves back to it.
    playerctl({"volume", "0.3"});
    QVERIFY(run("pactl", {"get-sink-volume", "lumeno_mpris"}).contains("/  30% /"));

    qputenv("LUMENO_MIXER_DEVICE", WindowTestSupport::kNoMixer);
    DM->Audio1->Mixer()->openDevice(0);
    server.terminate();
    server.waitForFinished();
    qunsetenv("PULSE_SERVER");
}

void TestMpris::dvdPositionIsTheTitleTime()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    support.reset();
    WindowTestSupport::setPlaylist({media("dvd/VIDEO_TS/VIDEO_TS.IFO")});
    Frm_viddisplay->show();
    Frm_viddisplay->resize(360, 288);
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    DM->MenuRoot1->trigger();
    QTest::qWait(700);
    // The root menu's first button starts title 1, nine seconds long.
    TDSVideoWindowEx2* video = Frm_viddisplay->DSVideoWindowEx21;
    QTRY_VERIFY(!video->VideoRect().isEmpty());
    const QRect picture = video->VideoRect();
    const QPoint button(picture.x() + 200 * picture.width() / 720,
                        picture.y() + 250 * picture.height() / 576);
    QTest::mouseMove(video, button);
    QTest::mouseClick(video, Qt::LeftButton, {}, button);
    QTRY_VERIFY_WITH_TIMEOUT(p->lbl_elepased->text() == QStringLiteral("0:00:02 / 0:00:09"), 8000);
    QTRY_COMPARE(number(busProperty("Position")), p->TrackBar1->value() * 1e6);
    QCOMPARE(playerctl({"metadata", "mpris:length"}), QStringLiteral("9000000"));
    QTRY_VERIFY_WITH_TIMEOUT(p->lbl_elepased->text().startsWith("0:00:04"), 4000);
    // playerctl adds the time its own call took.
    QTRY_VERIFY(qAbs(playerctl({"position"}).toDouble() - p->TrackBar1->value()) < 0.2);
    command("Stop");
    Frm_viddisplay->hide();
}

void TestMpris::raiseAndQuit()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    p->hide();
    gdbusCall(QStringLiteral("org.mpris.MediaPlayer2.Raise"));
    QVERIFY(p->isVisible());
    QCOMPARE(gdbusCall(QStringLiteral("org.mpris.MediaPlayer2.Quit")), QStringLiteral("()"));
    QTRY_VERIFY(!p->isVisible());
}

QTEST_MAIN(TestMpris)
#include "test_mpris.moc"
