// SPDX-License-Identifier: GPL-3.0-or-later
// The CD audio device on a real BIN/CUE image (3 tracks of 3, 4 and 5 s) read by
// libcdio and played through GStreamer.
#include "engine/CdAudioDisc.h"
#include "engine/TMediaPlayer.h"
#include "platform/FileSystem.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <gst/gst.h>

namespace {

const QString kCdDir = QStringLiteral(LUMENO_MEDIA_DIR "/cd");
const QString kCue = kCdDir + QStringLiteral("/disc.cue");

struct Notice {
    TMPNotifyValues value;
    TMPModes mode;
};

// Records every notice with the mode the device reports while handling it.
struct NoticeLog {
    explicit NoticeLog(TMediaPlayer& player)
    {
        player.OnNotify = [this](TMediaPlayer* sender) {
            notices.push_back({sender->NotifyValue(), sender->Mode()});
        };
    }
    QList<TMPNotifyValues> values() const
    {
        QList<TMPNotifyValues> list;
        for (const Notice& n : notices)
            list << n.value;
        return list;
    }
    QList<Notice> notices;
};

void openTrack(TMediaPlayer& player, int track, int timeFormat = MCI_FORMAT_MILLISECONDS)
{
    player.FileName = kCue + QStringLiteral("/Track%1.cda").arg(track, 2, 10, QLatin1Char('0'));
    player.Open();
    player.SetTimeFormat(timeFormat);
}

QString openError(TMediaPlayer& player, const QString& fileName)
{
    player.FileName = fileName;
    try {
        player.Open();
    } catch (const EMCIDeviceError& e) {
        return QString::fromStdString(e.what());
    }
    return QString();
}

bool copyImage(const QString& toDir, bool withBin)
{
    return QFile::copy(kCue, toDir + "/disc.cue") &&
           (!withBin || QFile::copy(kCdDir + "/disc.bin", toDir + "/disc.bin"));
}

// What the generator wrote for track n: its raw file, or the same sine recomputed.
struct ExpectedTrack {
    QVector<qint16> samples; // interleaved stereo
    int tolerance = 0;
    int edge = 0; // samples at each end left out of the comparison
};

ExpectedTrack expectedTrack(int n, int frames)
{
    ExpectedTrack expected;
    expected.samples.resize(frames * 2);
    QFile raw(kCdDir + QStringLiteral("/t%1.raw").arg(n));
    if (raw.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = raw.readAll();
        memcpy(expected.samples.data(), bytes.constData(),
               size_t(std::min<qint64>(bytes.size(), expected.samples.size() * 2)));
        return expected;
    }
    // The generator's noise-shaped dither rings at both ends of a track.
    expected.tolerance = 4;
    expected.edge = 256;
    const double freq[] = {0, 440, 660, 880};
    for (int i = 0; i < frames; ++i)
        expected.samples[2 * i] = expected.samples[2 * i + 1] =
            qint16(std::lround(16384 * std::sin(2 * M_PI * freq[n] * i / kCdSampleRate)));
    return expected;
}

bool matches(const qint16* actual, const ExpectedTrack& expected, double scale, int slack)
{
    const int count = expected.samples.size();
    for (int i = expected.edge; i < count - expected.edge; ++i) {
        const int want = int(std::lround(expected.samples[i] * scale));
        if (std::abs(actual[i] - want) > expected.tolerance + slack) {
            qWarning("sample %d is %d, expected %d", i, actual[i], want);
            return false;
        }
    }
    return true;
}

} // namespace

class TestCdAudio : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        gst_init(nullptr, nullptr);
        QVERIFY2(QFile::exists(kCue), "run the make_media fixture first");
        registerCdTrackFiles();
    }

    void tableOfContentsInEveryTimeFormat()
    {
        TMediaPlayer player;
        player.FileName = kCue + "/Track02.cda";
        player.Open();
        QVERIFY(player.DeviceID() != 0);
        QCOMPARE(player.TimeFormat(), MCI_FORMAT_TMSF);
        QVERIFY(player.Capabilities() & mpCanPlay);
        QVERIFY(!(player.Capabilities() & mpCanEject));
        QCOMPARE(player.Position(), MCI_MAKE_TMSF(2, 0, 0, 0)); // opened at its track
        QCOMPARE(player.TrackPosition(3), MCI_MAKE_TMSF(3, 0, 0, 0));
        QCOMPARE(player.TrackLength(3), MCI_MAKE_MSF(0, 5, 0));

        player.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        QCOMPARE(player.Tracks(), 3);
        QCOMPARE(player.Length(), 12000);
        const int starts[] = {0, 3000, 7000};
        const int lengths[] = {3000, 4000, 5000};
        for (int t = 1; t <= 3; ++t) {
            QCOMPARE(player.TrackPosition(t), starts[t - 1]);
            QCOMPARE(player.TrackLength(t), lengths[t - 1]);
        }

        player.SetTimeFormat(MCI_FORMAT_MSF);
        QCOMPARE(player.TrackPosition(2), MCI_MAKE_MSF(0, 3, 0));
        QCOMPARE(player.TrackPosition(3), MCI_MAKE_MSF(0, 7, 0));
        QCOMPARE(player.Length(), MCI_MAKE_MSF(0, 12, 0));

        // Positions given in one format read back in another.
        player.Seek(MCI_MAKE_MSF(0, 5, 30));
        player.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        QCOMPARE(player.Position(), 5400);
        player.SetTimeFormat(MCI_FORMAT_TMSF);
        player.Seek(MCI_MAKE_TMSF(3, 0, 1, 15));
        QCOMPARE(player.Position(), MCI_MAKE_TMSF(3, 0, 1, 15));
        player.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        QCOMPARE(player.Position(), 8200);

        // Bad requests only set the error.
        QCOMPARE(player.TrackLength(4), 0);
        QCOMPARE(player.Error(), kMciErrOutOfRange);
        QCOMPARE(player.Seek(12001), kMciErrOutOfRange);
        player.SetTimeFormat(1);
        QCOMPARE(player.Error(), kMciErrBadTimeFormat);
        QCOMPARE(player.TimeFormat(), MCI_FORMAT_MILLISECONDS);
    }

    void sectorsMatchTheGeneratedTracks()
    {
        QString error;
        std::unique_ptr<CdAudioDisc> disc = CdAudioDisc::open(kCue, &error);
        QVERIFY2(disc, qPrintable(error));
        QCOMPARE(disc->toc().leadOutLsn, 900);
        for (int n = 2; n <= 3; ++n) {
            const CdTrack* track = disc->toc().track(n);
            QVERIFY(track && track->audio);
            const int sectors = track->endLsn - track->startLsn;
            QVector<qint16> read(sectors * kCdSamplesPerSector * 2);
            QVERIFY(disc->readSectors(track->startLsn, sectors, read.data()));
            QVERIFY(matches(read.data(), expectedTrack(n, sectors * kCdSamplesPerSector), 1.0, 0));
        }
        QVector<char> past(2352);
        QVERIFY(!disc->readSectors(900, 1, past.data()));
    }

    void playedAudioIsTheRangeAtTheSetVolume()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("out.raw");
        qputenv("LUMENO_CD_AUDIO_SINK", "filesink location=" + out.toLocal8Bit());
        TMediaPlayer player;
        NoticeLog log(player);
        openTrack(player, 2);
        QCOMPARE(player.setAudioVolume(500), kMciNoError);
        player.SetStartPos(player.TrackPosition(2));
        player.SetEndPos(player.TrackPosition(3));
        const std::uint32_t result = player.Play(); // the output is built here
        qunsetenv("LUMENO_CD_AUDIO_SINK");
        QCOMPARE(result, kMciNoError);
        QTRY_COMPARE(log.values(), QList<TMPNotifyValues>{nvSuccessful});
        QCOMPARE(player.Position(), 7000);

        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray played = file.readAll();
        const int frames = 4 * kCdSampleRate;
        QCOMPARE(played.size(), frames * kCdBytesPerSample);
        // Halving an integer sample may round either way.
        QVERIFY(matches(reinterpret_cast<const qint16*>(played.constData()),
                        expectedTrack(2, frames), 0.5, 1));
    }

    void aBrokenOutputFailsThePlay()
    {
        qputenv("LUMENO_CD_AUDIO_SINK", "filesink location=/nonexistent-dir/out.raw");
        TMediaPlayer player;
        NoticeLog log(player);
        openTrack(player, 1);
        QTest::ignoreMessage(QtWarningMsg, "The CD audio output could not be started.");
        const std::uint32_t result = player.Play();
        qunsetenv("LUMENO_CD_AUDIO_SINK");
        QVERIFY(result != kMciNoError);
        QCOMPARE(player.Error(), result);
        QTRY_COMPARE(log.values(), QList<TMPNotifyValues>{nvFailure});
        QCOMPARE(player.Mode(), mpStopped);
    }

    void positionAdvancesInRealTime()
    {
        TMediaPlayer player;
        openTrack(player, 2);
        player.SetStartPos(player.TrackPosition(2));
        QCOMPARE(player.Play(), kMciNoError);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(player.Mode(), mpPlaying);
        QTest::qWait(1000);
        const int position = player.Position();
        QVERIFY2(std::abs(position - 3000 - int(clock.elapsed())) < 300,
                 qPrintable(QString::number(position)));
        player.SetTimeFormat(MCI_FORMAT_TMSF);
        QCOMPARE(player.Position() & 0xFFFF, MCI_MAKE_TMSF(2, 0, 0, 0));
        player.SetTimeFormat(MCI_FORMAT_MILLISECONDS);

        player.Stop();
        QCOMPARE(player.Mode(), mpStopped);
        const int stoppedAt = player.Position();
        QTest::qWait(200);
        QCOMPARE(player.Position(), stoppedAt);
    }

    void pauseAndResume()
    {
        TMediaPlayer player;
        openTrack(player, 1);
        player.SetStartPos(3000);
        player.Play();
        QTest::qWait(400);
        player.PauseOrResume();
        QCOMPARE(player.Mode(), mpPaused);
        const int pausedAt = player.Position();
        QVERIFY(pausedAt > 3200);
        QTest::qWait(400);
        QVERIFY(std::abs(player.Position() - pausedAt) < 30);

        player.PauseOrResume();
        QCOMPARE(player.Mode(), mpPlaying);
        QTest::qWait(400);
        QVERIFY(player.Position() > pausedAt + 250);

        // Resuming a stopped device plays from where it stopped.
        player.Stop();
        const int stoppedAt = player.Position();
        player.PauseOrResume();
        QCOMPARE(player.Mode(), mpStopped);
        player.Resume();
        QCOMPARE(player.Mode(), mpPlaying);
        QTest::qWait(300);
        QVERIFY(player.Position() > stoppedAt + 150);
        QVERIFY(player.Position() < stoppedAt + 600);
    }

    void noticesReportHowCommandsEnded()
    {
        TMediaPlayer player;
        NoticeLog log(player);
        openTrack(player, 1);

        player.SetStartPos(3000);
        player.Play();
        player.Stop();
        QVERIFY(log.notices.isEmpty()); // never inside the command itself
        QTRY_COMPARE(log.values(), QList<TMPNotifyValues>{nvAborted});
        QCOMPARE(log.notices[0].mode, mpStopped);

        log.notices.clear();
        player.SetStartPos(3000);
        player.Play();
        player.SetStartPos(7000);
        player.Play();
        QTRY_COMPARE(log.values(), QList<TMPNotifyValues>{nvSuperseded});
        QCOMPARE(log.notices[0].mode, mpPlaying);

        log.notices.clear();
        player.SetNotify(true);
        player.PauseOrResume();
        QTRY_COMPARE(log.values(), (QList<TMPNotifyValues>{nvSuperseded, nvSuccessful}));
        QCOMPARE(log.notices[1].mode, mpPaused);

        log.notices.clear();
        QElapsedTimer clock;
        clock.start();
        player.SetStartPos(11000);
        player.Play();
        QTRY_COMPARE_WITH_TIMEOUT(log.values(), QList<TMPNotifyValues>{nvSuccessful}, 5000);
        QVERIFY(clock.elapsed() >= 900);
        QCOMPARE(log.notices[0].mode, mpStopped);
        QCOMPARE(player.Position(), 12000);

        // Stop and Seek notify only when asked, and then at once.
        log.notices.clear();
        player.Stop();
        player.SetNotify(true);
        player.Seek(5000);
        QTRY_COMPARE(log.values(), QList<TMPNotifyValues>{nvSuccessful});
        QCOMPARE(player.Mode(), mpStopped);
    }

    void oneShotOverridesApplyToOneCommand()
    {
        TMediaPlayer player;
        NoticeLog log(player);
        openTrack(player, 1);

        player.SetNotify(false);
        player.SetStartPos(11700);
        player.Play();
        QTRY_COMPARE(player.Mode(), mpStopped);
        QTest::qWait(100);
        QVERIFY(log.notices.isEmpty());
        player.SetStartPos(11700);
        player.Play();
        QTRY_COMPARE(log.values(), QList<TMPNotifyValues>{nvSuccessful});

        // A waiting Play returns at the end; its notice still comes through the loop.
        log.notices.clear();
        QElapsedTimer clock;
        clock.start();
        player.SetWait(true);
        player.SetStartPos(11700);
        player.Play();
        QVERIFY(clock.elapsed() >= 250);
        QCOMPARE(player.Mode(), mpStopped);
        QCOMPARE(player.Position(), 12000);
        QVERIFY(log.notices.isEmpty());
        QTRY_COMPARE(log.values(), QList<TMPNotifyValues>{nvSuccessful});

        // StartPos is used once: the next Play starts where the device was put.
        player.Seek(2000);
        player.Play();
        QTest::qWait(100);
        QVERIFY(player.Position() < 2500);
        player.Stop();
    }

    void playAtTheEndRewindsUnlessAStartIsGiven()
    {
        TMediaPlayer player;
        NoticeLog log(player);
        openTrack(player, 3);
        player.Seek(12000);
        player.SetStartPos(12000);
        player.Play();
        QTRY_COMPARE(log.values(), QList<TMPNotifyValues>{nvSuccessful});
        QCOMPARE(player.Position(), 12000);

        player.Play();
        QCOMPARE(player.Mode(), mpPlaying);
        QVERIFY(player.Position() < 500);
        player.Stop();

        player.AutoRewind = false;
        player.Seek(12000);
        player.Play();
        QCOMPARE(player.Mode(), mpStopped);
        QCOMPARE(player.Position(), 12000);
    }

    void aClosedDeviceRefusesCommands()
    {
        TMediaPlayer player;
        const std::function<void()> needOpen[] = {
            [&] { player.Play(); },          [&] { player.Stop(); },
            [&] { player.PauseOrResume(); }, [&] { player.Resume(); },
            [&] { player.Seek(0); },         [&] { player.Rewind(); },
            [&] { player.TrackLength(1); },  [&] { player.Length(); },
            [&] { player.Tracks(); }};
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(player.DeviceID(), 0u);
            for (const auto& command : needOpen) {
                try {
                    command();
                    QFAIL("a command ran on a closed device");
                } catch (const EMCIDeviceError& e) {
                    QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("No MCI device open"));
                }
            }
            // Status and format calls fail quietly.
            const TMPModes mode = player.Mode();
            QVERIFY(mode != mpStopped && mode != mpPlaying && mode != mpPaused);
            QVERIFY(player.Error() != kMciNoError);
            QCOMPARE(player.Position(), 0);
            QCOMPARE(player.TrackPosition(1), 0);
            player.SetTimeFormat(MCI_FORMAT_MSF);
            QVERIFY(player.Error() != kMciNoError);
            QVERIFY(player.setAudioVolume(100) != kMciNoError);
            openTrack(player, 1);
            player.Close();
        }
    }

    void openFailuresLeaveTheDeviceClosed()
    {
        QTemporaryDir noBin, garbage;
        QVERIFY(copyImage(noBin.path(), false));
        QFile junk(garbage.filePath("disc.cue"));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a cue sheet\n\x01\x02") > 0);
        junk.close();
        const QString noBinCue = noBin.filePath("disc.cue");
        const QString garbageCue = garbage.filePath("disc.cue");
        const QList<QPair<QString, QString>> cases = {
            {noBinCue + "/Track01.cda", "The CD image " + noBinCue + " could not be opened."},
            {garbageCue + "/Track01.cda", "The CD image " + garbageCue + " could not be opened."},
            {kCue + "/Track09.cda", "Track 9 is not on the disc."},
            {kCue + "/notes.txt", "The file " + kCue + "/notes.txt is not an audio CD track."},
            {noBin.path() + "/Track01.cda",
             noBin.path() + " is neither a CD drive nor a CD image."}};
        TMediaPlayer player;
        for (const auto& c : cases) {
            openTrack(player, 1); // a failed Open also closes what was open
            QCOMPARE(openError(player, c.first), c.second);
            QCOMPARE(player.DeviceID(), 0u);
            QVERIFY_THROWS_EXCEPTION(EMCIDeviceError, player.Play());
        }
    }

    void unshareableOpenKeepsOthersOut()
    {
        TMediaPlayer first, second;
        openTrack(first, 1);
        QVERIFY(openError(second, kCue + "/Track02.cda").contains("in use"));
        first.Close();
        first.Shareable = second.Shareable = true;
        openTrack(first, 1);
        openTrack(second, 2);
        QVERIFY(first.DeviceID() != second.DeviceID());
    }

    void trackFilesExistWhileTheDiscHoldsThem()
    {
        QTemporaryDir dir;
        QVERIFY(copyImage(dir.path(), true));
        const QString root = dir.filePath("disc.cue");
        QVERIFY(Platform::fileExists(root + "/Track02.cda"));
        QVERIFY(Platform::fileExists(root + "/track03.CDA"));
        QVERIFY(!Platform::fileExists(root + "/Track09.cda"));
        QVERIFY(!Platform::fileExists(root + "/Track00.cda"));
        QVERIFY(!Platform::fileExists(dir.filePath("Track01.cda")));
        QCOMPARE(
            TMediaPlayer::trackFiles(root),
            (QStringList{root + "/Track01.cda", root + "/Track02.cda", root + "/Track03.cda"}));

        QVERIFY(QFile::remove(root) && QFile::remove(dir.filePath("disc.bin")));
        QVERIFY(!Platform::fileExists(root + "/Track02.cda"));
        QVERIFY(!TMediaPlayer::trackFileExists(root + "/Track02.cda"));
        QVERIFY(TMediaPlayer::trackFiles(root).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCdAudio)
#include "test_cdaudio.moc"
