// SPDX-License-Identifier: GPL-3.0-or-later
// Playback after faults: failed opens, CD tracks of different lengths, failing commands,
// and a window that keeps painting while media open.
#include "WindowTestSupport.h"
#include "engine/TMediaPlayer.h"
#include "platform/Errors.h"
#include "playlist/Un_playlist_entry.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {
QString track(int n)
{
    return media(QStringLiteral("cd/disc.cue/Track%1.cda").arg(n, 2, 10, QLatin1Char('0')));
}

// Milliseconds into the current track, as the device reports them.
int cdOffset(int trackNumber)
{
    TMediaPlayer* device = Frm_PlayerControl->MediaPlayer;
    device->SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    const int offset = device->Position() - device->TrackPosition(trackNumber);
    device->SetTimeFormat(MCI_FORMAT_MSF);
    return offset;
}

// Records when a widget was painted and what a label read then.
class PaintLog : public QObject {
public:
    explicit PaintLog(QWidget* widget) : m_widget(widget)
    {
        widget->installEventFilter(this);
        clock.start();
    }
    QList<qint64> times;
    QStringList texts;
    QElapsedTimer clock;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_widget && event->type() == QEvent::Paint) {
            times << clock.elapsed();
            if (auto* label = qobject_cast<QLabel*>(m_widget)) {
                texts << label->text();
            }
        }
        return false;
    }

private:
    QWidget* m_widget;
};
} // namespace

class TestKeepPlaying : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void failedOpenOffersPlayAgain_data();
    void failedOpenOffersPlayAgain();
    void stopAndPauseAfterFailedCdOpen();
    void cdBarEditedEntryFailsQuietly();
    void shorterNextTrackIsNotSkipped();
    void clickOnTimeLabelDoesNotSkip();
    void elapsedNeverPassesTotal();
    void windowPaintsWhileMediaOpen();

private:
    static void setPlaylist(const QStringList& paths) { WindowTestSupport::setPlaylist(paths); }
    void expectStopped();
    WindowTestSupport m_support;
    RecordingDialogs*& m_dialogs = m_support.dialogs;
    QStringList m_reported;
};

void TestKeepPlaying::initTestCase()
{
    m_support.start();
    Platform::setExceptionHandler([this](const QString& message) { m_reported << message; });
    QVERIFY(QFileInfo::exists(media("cd/disc.cue")));
}

void TestKeepPlaying::cleanupTestCase()
{
    Platform::setExceptionHandler({});
    m_support.finish();
}

void TestKeepPlaying::init()
{
    m_support.reset();
    m_reported.clear();
}

void TestKeepPlaying::expectStopped()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    QVERIFY(p->ToolPlay->isEnabled() && !p->ToolPause->isEnabled() && !p->ToolStop->isEnabled());
    QVERIFY(DM->Play1->isEnabled() && !DM->Pause1->isEnabled() && !DM->Stop1->isEnabled());
    QVERIFY(!p->FPaused);
}

void TestKeepPlaying::failedOpenOffersPlayAgain_data()
{
    QTest::addColumn<QString>("bad");
    QTest::addColumn<QString>("shown");
    QTest::newRow("corrupt") << media("corrupt.avi")
                             << "error: " +
                                    DM->FilterGraph1->GetErrorText(VFW_E_INVALID_FILE_FORMAT);
    QTest::newRow("truncated") << media("truncated.mpg")
                               << "error: " +
                                      DM->FilterGraph1->GetErrorText(VFW_E_INVALID_FILE_FORMAT);
    QTest::newRow("text") << media("text.mp3")
                          << "error: " + DM->FilterGraph1->GetErrorText(VFW_E_UNKNOWN_FILE_TYPE);
    QTest::newRow("missing") << "/nonexistent/gone.mp3"
                             << "warning: File Not found !!!";
}

void TestKeepPlaying::failedOpenOffersPlayAgain()
{
    QFETCH(QString, bad);
    QFETCH(QString, shown);
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({media("long12.avi"), bad, media("audio.wav")});
    p->ToolPlayClick();
    QTRY_VERIFY_WITH_TIMEOUT(p->lbl_elepased->text().startsWith("0:00:01"), 3000);
    p->ToolNextClick(); // from a playing file to the bad one
    QCOMPARE(m_dialogs->shown, QStringList{shown});
    QCOMPARE(p->FCurrentIndex, 1);
    expectStopped();
    if (!bad.startsWith("/nonexistent")) {
        QCOMPARE(p->pnl_jdl->text(), QString("Lumeno"));
        QCOMPARE(p->lbl_elepased->text(), QString("00:00 / 00:00"));
    }
    // A pause that still reaches the graph (the display menu's key while it was enabled)
    // finds nothing to pause and no error of the failed open.
    p->ToolPauseClick();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QVERIFY2(m_reported.isEmpty(), qPrintable(m_reported.join('|')));
    // Play is offered again and plays the next good line.
    Frm_playlist->Lst_playlist->setItemIndex(2);
    p->ToolStopClick();
    QVERIFY(p->ToolPlay->isEnabled());
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QCOMPARE(p->FCurrentIndex, 2);
    QVERIFY(!p->ToolPlay->isEnabled() && p->ToolStop->isEnabled());
    QCOMPARE(m_dialogs->shown.size(), 1);
}

void TestKeepPlaying::stopAndPauseAfterFailedCdOpen()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    // Another player holds the disc and does not share it: the open fails.
    TMediaPlayer other;
    other.DeviceType = dtCDAudio;
    other.FileName = track(1);
    other.Open();
    setPlaylist({track(1), track(2)});
    p->ToolPlayClick();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QVERIFY2(m_dialogs->shown[0].startsWith("message: Could not Play Media:\n\r"),
             qPrintable(m_dialogs->shown[0]));
    QCOMPARE(p->pnl_jdl->text(), QString("Lumeno"));
    expectStopped();
    // Stop works as usual.
    p->ToolStopClick();
    QVERIFY(m_reported.isEmpty());
    expectStopped();
    // A pause reaching the closed device reports the device's error instead of unwinding
    // through the message loop.
    p->ToolPauseClick();
    QCOMPARE(m_reported, QStringList{"No MCI device open"});
    other.Close();
    p->ToolStopClick();
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QCOMPARE(p->MediaPlayer->Mode(), mpPlaying);
    p->ToolStopClick();
}

void TestKeepPlaying::cdBarEditedEntryFailsQuietly()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({track(3)});
    p->ToolPlayClick();
    QCOMPARE(p->MediaPlayer->Mode(), mpPlaying);
    // The playing entry gets a path that names no track, through the entry dialog.
    Frm_playlist_entry->EditFile(p->FPlaylistItems[0]);
    Frm_playlist_entry->Edt_new->setText("/tmp/Track.cda");
    QTest::mouseClick(Frm_playlist_entry->Btn_ok, Qt::LeftButton);
    QCOMPARE(p->FCurrentItem->Path, QString("/tmp/Track.cda"));
    // Moving the bar cannot seek; it says nothing, as seeking by mouse on a CD does.
    p->TrackBar1->setValue(2500);
    QVERIFY(m_dialogs->shown.isEmpty() && m_reported.isEmpty());
    p->ToolStopClick();
}

void TestKeepPlaying::shorterNextTrackIsNotSkipped()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    // 5 s, then 3 s, then 4 s: each next track is shorter than where the last one ended.
    setPlaylist({track(3), track(1), track(2)});
    p->ToolPlayClick();
    QTRY_VERIFY_WITH_TIMEOUT(p->TrackBar1->value() >= 3300, 5000);
    p->ToolNextClick(); // late in a long track
    QCOMPARE(p->FCurrentIndex, 1);
    QTest::qWait(800);
    QCOMPARE(p->FCurrentIndex, 1);
    QVERIFY2(cdOffset(1) < 1500, qPrintable(QString::number(cdOffset(1))));
    QCOMPARE(p->TrackBar1->maximum(), 3000);
    // And at the natural end of the 3 s track into the 4 s one.
    QTRY_COMPARE_WITH_TIMEOUT(p->FCurrentIndex, 2, 4000);
    QTest::qWait(800);
    QCOMPARE(p->FCurrentIndex, 2);
    QVERIFY2(cdOffset(2) < 1500, qPrintable(QString::number(cdOffset(2))));
    p->ToolStopClick();
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestKeepPlaying::clickOnTimeLabelDoesNotSkip()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    p->show(); // the bars and the label get their real places
    QVERIFY(QTest::qWaitForWindowExposed(p));
    setPlaylist({track(1), track(2)});
    p->ToolPlayClick();
    QTest::qWait(300);
    QVERIFY(p->lbl_elepased->geometry().left() > p->TrackBar1->geometry().right());
    // The label takes no clicks itself: they reach the panel around the bars.
    QTest::mouseClick(p->Panel1, Qt::LeftButton, {}, p->lbl_elepased->geometry().center());
    QTest::qWait(500);
    QCOMPARE(p->FCurrentIndex, 0);
    QCOMPARE(p->MediaPlayer->Mode(), mpPlaying);
    QVERIFY(cdOffset(1) < 2000);
    p->ToolStopClick();
    p->hide();
}

void TestKeepPlaying::elapsedNeverPassesTotal()
{
    const qint64 second = 10000000;
    QCOMPARE(TFrm_PlayerControl::elapsedText(3 * second, 2 * second), QString("0:00:02 / 0:00:02"));
    QCOMPARE(TFrm_PlayerControl::elapsedText(65 * second, 5530 * second),
             QString("0:01:05 / 1:32:10"));
    // An unknown total leaves the elapsed time as it is.
    QCOMPARE(TFrm_PlayerControl::elapsedText(3 * second, 0), QString("0:00:03 / 0:00:00"));
}

void TestKeepPlaying::windowPaintsWhileMediaOpen()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    // An audio output that takes its time to get ready, like a sound server waking up.
    const QByteArray sink = qgetenv("LUMENO_AUDIO_SINK");
    qputenv("LUMENO_AUDIO_SINK", "identity sleep-time=1200000 ! fakesink sync=true");
    p->show();
    QVERIFY(QTest::qWaitForWindowExposed(p));
    m_dialogs->shown.clear();
    // Something asks for a repaint all the time, as a window being uncovered would.
    QTimer nudge;
    nudge.setInterval(20);
    connect(&nudge, &QTimer::timeout, p->pnl_jdl, qOverload<>(&QWidget::update));
    nudge.start();
    PaintLog log(p->pnl_jdl);
    setPlaylist({media("audio.wav")});
    p->ToolPlayClick();
    const qint64 took = log.clock.elapsed();
    nudge.stop();
    qputenv("LUMENO_AUDIO_SINK", sink);
    QVERIFY2(m_dialogs->shown.isEmpty(), qPrintable(m_dialogs->shown.join('|')));
    QVERIFY2(took >= 1000, qPrintable(QString::number(took)));
    QVERIFY(!p->ToolPlay->isEnabled() && p->ToolStop->isEnabled()); // it did open
    QVERIFY(log.texts.contains("Opening Media ... "));
    qint64 longest = log.times.isEmpty() ? took : log.times.first();
    for (int i = 1; i < log.times.size(); ++i) {
        longest = qMax(longest, log.times[i] - log.times[i - 1]);
    }
    QVERIFY2(longest < 100,
             qPrintable(QString("open %1 ms, longest gap %2 ms").arg(took).arg(longest)));
    p->ToolStopClick();
    p->hide();
}

QTEST_MAIN(TestKeepPlaying)
#include "test_keepplaying.moc"
