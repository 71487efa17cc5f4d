// SPDX-License-Identifier: GPL-3.0-or-later
// The system mixer against a real sound server: a private PulseAudio daemon with a null
// sink, reached through ALSA's pulse plugin as device "default", checked with pactl.
#include "engine/TAudio.h"
#include "engine/TMixerSettings.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <alsa/asoundlib.h>
#include <cmath>
#include <csignal>
#include <sys/prctl.h>

namespace {

const QString kSink = QStringLiteral("lumeno_test");

// What the sink holds for a 0..65535 mixer value (the server's scale is 0..65536).
int sinkValue(int mixerValue)
{
    return int(std::lround(mixerValue * 65536.0 / 65535.0));
}
int mixerValue(int sinkValue)
{
    return int(std::lround(sinkValue * 65535.0 / 65536.0));
}

struct Reading {
    bool ok = false;
    quint16 left = 1, right = 1;
    bool mute = false;
    quint8 flags = 0xFF;
};

Reading read(TAudio& audio)
{
    Reading r;
    r.ok = audio.Mixer()->GetVolume(0, 0, r.left, r.right, r.mute, r.flags);
    return r;
}

} // namespace

// QSKIP leaves the calling function, so this cannot be a helper function.
#define REQUIRE_SERVER()                                                                           \
    do {                                                                                           \
        if (m_server.state() != QProcess::Running) {                                               \
            QSKIP(qPrintable(m_noServerReason));                                                   \
        }                                                                                          \
    } while (false)

class TestMixer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void lineTableOfServerMixer();
    void setVolumeAndMuteReachSink();
    void getVolumeReadsOutsideChange();
    void outsideChangesAreNotified();
    void monoLineTakesLeftOnly();
    void reopeningAnotherDevice();
    void serverGoneReportsControlErrors();
    void withoutServerBothFail();

private:
    bool startServer();
    bool pulsePluginReachesServer();
    void stopServer();
    QString pactl(const QStringList& args);
    QList<int> sinkVolume(const QString& sink = kSink);
    bool sinkMuted();

    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_noServerReason;
};

void TestMixer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Everything the daemon and the client libraries touch lives in the private folder,
    // so the test neither needs nor disturbs a sound server of the machine.
    const QString run = m_dir.filePath("run"), home = m_dir.filePath("home");
    QVERIFY(QDir().mkpath(run) && QDir().mkpath(home));
    QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", run.toUtf8());
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
    qputenv("PULSE_RUNTIME_PATH", (run + "/pulse").toUtf8());
    qputenv("PULSE_STATE_PATH", m_dir.filePath("state").toUtf8());
    qputenv("PULSE_SERVER", ("unix:" + run + "/native").toUtf8());
    QFile client(m_dir.filePath("client.conf"));
    QVERIFY(client.open(QIODevice::WriteOnly));
    client.write("autospawn = no\n");
    client.close();
    qputenv("PULSE_CLIENTCONFIG", client.fileName().toUtf8());
    // ALSA's "default" goes to the pulse plugin whether or not the system hook that does
    // so for a running server is installed; without a server it then has no mixer.
    QFile asoundrc(home + "/.asoundrc");
    QVERIFY(asoundrc.open(QIODevice::WriteOnly));
    asoundrc.write("pcm.!default { type pulse }\nctl.!default { type pulse }\n");
    asoundrc.close();
    if (startServer() && !pulsePluginReachesServer()) {
        m_noServerReason = "ALSA's pulse plugin (libasound2-plugins) does not reach the server";
        stopServer();
    }
}

bool TestMixer::pulsePluginReachesServer()
{
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, "default", 0) < 0) {
        return false;
    }
    const bool pulse = snd_ctl_type(ctl) == SND_CTL_TYPE_EXT;
    return snd_ctl_close(ctl) >= 0 && pulse;
}

void TestMixer::cleanupTestCase()
{
    stopServer();
}

bool TestMixer::startServer()
{
    const QString daemon = QStandardPaths::findExecutable("pulseaudio");
    if (daemon.isEmpty() || QStandardPaths::findExecutable("pactl").isEmpty()) {
        m_noServerReason = "pulseaudio or pactl is not installed";
        return false;
    }
    const QString socket = qEnvironmentVariable("PULSE_SERVER").mid(5);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    // The daemon never exits on its own; it must not outlive a crashed test either.
    m_server.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_server.start(daemon,
                   {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                    "--realtime=no", "--high-priority=no", "--log-target=stderr",
                    "--load=module-null-sink sink_name=" + kSink,
                    "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket});
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_server.state() != QProcess::NotRunning) {
        if (pactl({"get-sink-volume", kSink}).contains("front-left")) {
            return true;
        }
        QTest::qWait(100);
    }
    m_server.kill();
    m_server.waitForFinished(3000);
    m_noServerReason = "the PulseAudio daemon did not start: " +
                       QString::fromLocal8Bit(m_server.readAll()).right(400).simplified();
    return false;
}

void TestMixer::stopServer()
{
    if (m_server.state() == QProcess::NotRunning) {
        return;
    }
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished(3000);
    }
}

QString TestMixer::pactl(const QStringList& args)
{
    QProcess p;
    p.start("pactl", args);
    p.waitForFinished(5000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

QList<int> TestMixer::sinkVolume(const QString& sink)
{
    QList<int> values;
    static const QRegularExpression raw(R"(:\s*(\d+)\s*/)");
    for (const auto& m : raw.globalMatch(pactl({"get-sink-volume", sink}))) {
        values << m.captured(1).toInt();
    }
    return values;
}

bool TestMixer::sinkMuted()
{
    return pactl({"get-sink-mute", kSink}).contains("yes");
}

void TestMixer::lineTableOfServerMixer()
{
    REQUIRE_SERVER();
    TAudio audio;
    QVERIFY(audio.Mixer()->MixerOpen());
    const auto& lines = audio.Mixer()->Lines();
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines[0].Destination, -1);
    QCOMPARE(lines[0].Source, -1);
    QCOMPARE(lines[0].Name, QStringLiteral("PulseAudio"));
    QCOMPARE(lines[0].Flags, 0);
    QCOMPARE(lines[1].Destination, 0);
    QCOMPARE(lines[1].Source, 0);
    QCOMPARE(lines[1].Name, QStringLiteral("Master"));
    QVERIFY(lines[1].IsPlayback && lines[1].HasControls && !lines[1].Mono);
    QCOMPARE(lines[1].Flags, 0); // stereo, with a mute control
    // The server's recording side is the next destination, not a source of the output.
    const auto capture = std::find_if(lines.begin(), lines.end(),
                                      [](const TMixerLine& l) { return l.Name == "Capture"; });
    QVERIFY(capture != lines.end());
    QCOMPARE(capture->Destination, 1);
    QCOMPARE(capture->Source, 0);
    QVERIFY(!capture->IsPlayback);
}

void TestMixer::setVolumeAndMuteReachSink()
{
    REQUIRE_SERVER();
    TAudio audio;
    TMixerSettings* mixer = audio.Mixer();
    QVERIFY(mixer->SetVolume(0, 0, 19660, 19660, false));
    QCOMPARE(sinkVolume(), QList<int>({sinkValue(19660), sinkValue(19660)}));
    QVERIFY(!sinkMuted());
    // Muting sends the volume too and leaves it as it is.
    QVERIFY(mixer->SetVolume(0, 0, 32767, 32767, true));
    QCOMPARE(sinkVolume(), QList<int>({sinkValue(32767), sinkValue(32767)}));
    QVERIFY(sinkMuted());
    QVERIFY(mixer->SetVolume(0, 0, 65535, 0, false));
    QCOMPARE(sinkVolume(), QList<int>({65536, 0}));
    const Reading r = read(audio);
    QVERIFY(r.ok);
    QCOMPARE(r.left, 65535);
    QCOMPARE(r.right, 0);
    QVERIFY(!r.mute);
    QCOMPARE(r.flags, 0);
    QVERIFY(!mixer->SetVolume(0, 7, 100, 100, false));           // no such line
    QVERIFY(!mixer->SetVolume(0xFFFF, 0xFFFF, 100, 100, false)); // the head is no line
    QVERIFY(audio.LastError().isEmpty());
}

void TestMixer::getVolumeReadsOutsideChange()
{
    REQUIRE_SERVER();
    TAudio audio;
    pactl({"set-sink-volume", kSink, "40000"});
    pactl({"set-sink-mute", kSink, "1"});
    QTRY_VERIFY(read(audio).left == mixerValue(40000) && read(audio).mute);
    pactl({"set-sink-volume", kSink, "20000", "30000"});
    pactl({"set-sink-mute", kSink, "0"});
    QTRY_VERIFY(read(audio).right == mixerValue(30000) && !read(audio).mute);
    QCOMPARE(read(audio).left, mixerValue(20000));
}

void TestMixer::outsideChangesAreNotified()
{
    REQUIRE_SERVER();
    TAudio audio;
    QVERIFY(audio.Mixer()->SetVolume(0, 0, 10000, 10000, false));
    QList<QPair<int, int>> told;
    Reading seen;
    audio.OnMixerChange = [&](TAudio* sender, quint16 destination, quint16 source) {
        QCOMPARE(sender, &audio);
        told << qMakePair(int(destination), int(source));
        seen = read(*sender); // reading from inside the handler is allowed
    };
    pactl({"set-sink-volume", kSink, "50000"});
    QTRY_VERIFY(!told.isEmpty());
    QCOMPARE(told.first(), qMakePair(0, 0));
    QVERIFY(seen.ok);
    QCOMPARE(seen.left, mixerValue(50000));
    told.clear();
    // The program's own change is not an outside one.
    QVERIFY(audio.Mixer()->SetVolume(0, 0, 20000, 20000, true));
    QTest::qWait(500);
    QVERIFY(told.isEmpty());
    pactl({"set-sink-mute", kSink, "0"});
    QTRY_COMPARE(told, (QList<QPair<int, int>>{{0, 0}}));
    QVERIFY(!seen.mute);
}

void TestMixer::monoLineTakesLeftOnly()
{
    REQUIRE_SERVER();
    const QString mono = "lumeno_mono";
    pactl(
        {"load-module", "module-null-sink", "sink_name=" + mono, "channels=1", "channel_map=mono"});
    pactl({"set-default-sink", mono});
    {
        TAudio audio;
        QVERIFY(audio.Mixer()->SetVolume(0, 0, 30000, 5000, false));
        QCOMPARE(sinkVolume(mono), QList<int>({sinkValue(30000)}));
        const Reading r = read(audio);
        QVERIFY(r.ok);
        QCOMPARE(r.left, 30000);
        QCOMPARE(r.right, 30000);
        QCOMPARE(r.flags, TMixerLine::kFlagMonoVolume);
    }
    pactl({"set-default-sink", kSink});
}

void TestMixer::reopeningAnotherDevice()
{
    REQUIRE_SERVER();
    TAudio audio;
    audio.setMixerDeviceID(9); // a card that is not there
    QCOMPARE(audio.MixerDeviceID(), 9);
    QVERIFY(audio.Mixer()->MixerOpen()); // a failed reopening does not reset it ...
    QVERIFY(!audio.Mixer()->SetVolume(0, 0, 100, 100, false)); // ... but no line is left
    QVERIFY(!read(audio).ok);
    QVERIFY(audio.LastError().isEmpty());
    audio.setMixerDeviceID(0);
    QVERIFY(audio.Mixer()->SetVolume(0, 0, 26214, 26214, false));
    QCOMPARE(sinkVolume(), QList<int>({sinkValue(26214), sinkValue(26214)}));
}

void TestMixer::serverGoneReportsControlErrors()
{
    REQUIRE_SERVER();
    TAudio audio;
    QVERIFY(audio.Mixer()->SetVolume(0, 0, 12345, 12345, false));
    stopServer();
    QTest::qWait(300); // the notifier sees the dead connection and must not spin on it
    QVERIFY(!audio.Mixer()->SetVolume(0, 0, 54321, 54321, false));
    QCOMPARE(audio.LastError(), QStringLiteral("Volume SetControlError in Mixer"));
    QVERIFY(!read(audio).ok);
    QCOMPARE(audio.LastError(), QStringLiteral("Volume GetControlError in Mixer"));
}

void TestMixer::withoutServerBothFail()
{
    stopServer();
    qputenv("PULSE_SERVER", ("unix:" + m_dir.filePath("nowhere")).toUtf8());
    TAudio audio;
    QVERIFY(!audio.Mixer()->MixerOpen());
    QVERIFY(audio.Mixer()->Lines().empty());
    QVERIFY(!audio.Mixer()->SetVolume(0, 0, 19660, 19660, false));
    const Reading r = read(audio);
    QVERIFY(!r.ok);
    // Nothing is touched and nothing is reported.
    QCOMPARE(r.left, 1);
    QCOMPARE(r.flags, 0xFF);
    QVERIFY(audio.LastError().isEmpty());
}

QTEST_GUILESS_MAIN(TestMixer)
#include "test_mixer.moc"
