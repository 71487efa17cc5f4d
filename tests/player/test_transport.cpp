// SPDX-License-Identifier: GPL-3.0-or-later
// Transport, time and volume through the player window: audio CD tracks from a BIN/CUE
// image, media files, and the volume controls.
#include "WindowTestSupport.h"
#include "app/Program.h"
#include "datamodule/Un_dm.h"
#include "engine/TAudio.h"
#include "engine/TDSTrackBar.h"
#include "engine/TDSVideoWindowEx2.h"
#include "engine/TMediaPlayer.h"
#include "engine/TMixerSettings.h"
#include "player/TRadioGroup.h"
#include "player/TTimeLabel.h"
#include "player/Un_Mediactr.h"
#include "playlist/PlaylistOps.h"
#include "playlist/Un_Playlist.h"
#include "video/Un_VidDisplay.h"

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <gst/gst.h>

namespace {
QString track(int n)
{
    return media(QStringLiteral("cd/disc.cue/Track%1.cda").arg(n, 2, 10, QLatin1Char('0')));
}

qint64 graphPosition()
{
    std::int64_t now = -1;
    if (auto seeking = DM->FilterGraph1->QueryMediaSeeking()) {
        seeking->GetCurrentPosition(now);
    }
    return now;
}
} // namespace

class TestTransport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void audioCdPlaysTrackAfterTrack();
    void cdPauseResumeStopAndEnds();
    void cdEntryWithoutDiscIsNotFound();
    void transportOnMediaFiles();
    void advanceOpensTheWayBack();
    void addFilesTakesTheWholeAudioCd();
    void droppedFilesAndFoldersJoinTheList();
    void timeTexts();
    void timeLabelKeepsTheBarStill();
    void volumeSliderAndOverlay();
    void noTimerRunsWhileIdle();

private:
    static void setPlaylist(const QStringList& paths) { WindowTestSupport::setPlaylist(paths); }
    WindowTestSupport m_support;
    RecordingDialogs*& m_dialogs = m_support.dialogs;
};

void TestTransport::initTestCase()
{
    m_support.start();
    QVERIFY(QFileInfo::exists(media("cd/disc.cue")));
}

void TestTransport::cleanupTestCase()
{
    m_support.finish();
}

void TestTransport::init()
{
    m_support.reset();
}

void TestTransport::audioCdPlaysTrackAfterTrack()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({track(1), track(2), track(3)});
    // The first CD play of the run: nothing notified went before it.
    p->ToolPlayClick();
    QVERIFY2(m_dialogs->shown.isEmpty(), qPrintable(m_dialogs->shown.join('|')));
    QCOMPARE(p->MediaPlayer->Mode(), mpPlaying);
    QVERIFY(p->TrackBar1->isVisibleTo(p) && p->DSTrackBar1->isHidden());
    QCOMPARE(p->TrackBar1->maximum(), 3000);
    QCOMPARE(p->pnl_jdl->text(), QString("Track01.cda"));
    QCOMPARE(p->lbl_elepased->text(), QString("00:00 / 00:03"));
    QVERIFY(DM->Timer1->isActive());
    QTest::qWait(1300);
    QCOMPARE(p->FCurrentIndex, 0); // still the first track: it plays to its end
    QCOMPARE(p->lbl_elepased->text(), QString("00:01 / 00:03"));
    QVERIFY(p->TrackBar1->value() >= 1000 && p->TrackBar1->value() < 2500);
    QTRY_COMPARE_WITH_TIMEOUT(p->FCurrentIndex, 1, 4000);
    QTRY_COMPARE_WITH_TIMEOUT(p->TrackBar1->maximum(), 4000, 2000);
    QCOMPARE(p->pnl_jdl->text(), QString("Track02.cda"));
    QTRY_COMPARE_WITH_TIMEOUT(p->FCurrentIndex, 2, 6000);
    QTRY_COMPARE_WITH_TIMEOUT(p->lbl_elepased->text().right(5), QString("00:05"), 2000);
    // The last track ends with the disc: the device stops and the poll with it. (Whether
    // the buttons show Stop depends on whether the poll saw the end before the device's
    // notice did, as on the original device.)
    QTRY_COMPARE_WITH_TIMEOUT(p->MediaPlayer->Mode(), mpStopped, 8000);
    QTRY_VERIFY(!DM->Timer1->isActive());
    QCOMPARE(p->FCurrentIndex, 2);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestTransport::cdPauseResumeStopAndEnds()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({track(1), track(2), track(3)});
    Frm_playlist->Lst_playlist->setItemIndex(2);
    p->ToolPlayClick();
    QCOMPARE(p->FCurrentIndex, 2);
    QTest::qWait(700);
    p->ToolPauseClick();
    QTRY_COMPARE(p->MediaPlayer->Mode(), mpPaused);
    QVERIFY(p->FPaused && !DM->Timer1->isActive());
    QVERIFY(p->ToolPlay->isEnabled() && !p->ToolPause->isEnabled() && p->ToolStop->isEnabled());
    QVERIFY(DM->Play1->isEnabled() && !DM->Pause1->isEnabled() && DM->Stop1->isEnabled());
    const int pausedAt = p->TrackBar1->value();
    QTest::qWait(400);
    QCOMPARE(p->TrackBar1->value(), pausedAt); // frozen while paused
    // Moving the bar while paused does not seek.
    p->TrackBar1->setValue(4000);
    p->ToolPlayClick(); // resume
    QCOMPARE(p->MediaPlayer->Mode(), mpPlaying);
    QVERIFY(DM->Timer1->isActive() && !p->FPaused);
    QTest::qWait(300);
    QVERIFY(p->TrackBar1->value() < 2000);
    // Next at the last line: disables itself, plays nothing new.
    p->ToolNextClick();
    QVERIFY(!p->ToolNext->isEnabled() && !DM->Next1->isEnabled());
    QCOMPARE(p->FCurrentIndex, 2);
    p->ToolStopClick();
    QTRY_COMPARE(p->MediaPlayer->Mode(), mpStopped);
    QVERIFY(p->ToolPlay->isEnabled() && !p->ToolPause->isEnabled() && !p->ToolStop->isEnabled());
    // Previous from line 0 disables itself.
    p->FCurrentIndex = 0;
    p->ToolPrevClick();
    QVERIFY(!p->ToolPrev->isEnabled() && !DM->Previous1->isEnabled());
    QVERIFY(p->ToolNext->isEnabled());
    // A click beside the bar seeks within the track and plays.
    p->FCurrentItem = p->FPlaylistItems[2];
    p->FCurrentIndex = 2;
    QTest::mouseClick(p->Panel1, Qt::LeftButton, {}, QPoint(p->TrackBar1->width() / 2, 2));
    QTRY_COMPARE(p->MediaPlayer->Mode(), mpPlaying);
    p->MediaPlayer->SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    const int offset = p->MediaPlayer->Position() - p->MediaPlayer->TrackPosition(3);
    p->MediaPlayer->SetTimeFormat(MCI_FORMAT_MSF);
    QVERIFY2(offset >= 2000 && offset < 3500, qPrintable(QString::number(offset)));
    p->ToolStopClick();
}

void TestTransport::cdEntryWithoutDiscIsNotFound()
{
    QTemporaryDir disc;
    QVERIFY(QFile::copy(media("cd/disc.cue"), disc.filePath("disc.cue")));
    QVERIFY(QFile::copy(media("cd/disc.bin"), disc.filePath("disc.bin")));
    const QString entry = disc.filePath("disc.cue/Track02.cda");
    setPlaylist({entry});
    QFile::remove(disc.filePath("disc.cue"));
    QFile::remove(disc.filePath("disc.bin"));
    Frm_PlayerControl->ToolPlayClick();
    QCOMPARE(m_dialogs->shown, QStringList{"warning: File Not found !!!"});
    // Remove missing files takes it out while the disc is gone.
    DM->Removemissile1Click();
    QCOMPARE(Frm_playlist->Lst_playlist->count(), 0);
}

void TestTransport::transportOnMediaFiles()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({media("audio.wav"), media("long12.avi"), media("audio.mp3")});
    Frm_playlist->Lst_playlist->setItemIndex(1);
    p->ToolPlayClick();
    QTest::qWait(1000);
    p->ToolPauseClick();
    const qint64 paused = graphPosition();
    QTest::qWait(400);
    QCOMPARE(graphPosition(), paused); // pause keeps the position
    QVERIFY(paused > 5000000);
    p->ToolStopClick();
    QVERIFY(!p->FPaused);
    QVERIFY(p->ToolPlay->isEnabled() && !p->ToolStop->isEnabled() && !DM->Stop1->isEnabled());
    p->ToolNextClick();
    QCOMPARE(p->FCurrentIndex, 2);
    QCOMPARE(p->FCurrentItem->Path, media("audio.mp3"));
    QVERIFY(Frm_playlist->Lst_playlist->selected(2) && !Frm_playlist->Lst_playlist->selected(1));
    QVERIFY(!p->ToolPlay->isEnabled() && p->ToolPause->isEnabled());
    p->ToolPrevClick();
    p->ToolPrevClick();
    QCOMPARE(p->FCurrentIndex, 0);
    QCOMPARE(p->FCurrentItem->Path, media("audio.wav"));
    QVERIFY(p->ToolNext->isEnabled() && p->ToolPrev->isEnabled());
    // A click on the panel while a media file plays does nothing.
    QTest::mouseClick(p->Panel1, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(p->FCurrentIndex, 0);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestTransport::advanceOpensTheWayBack()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({media("audio.wav"), media("audio.mp3"), media("audio.wma")});
    p->ToolPrev->setEnabled(false); // as at start
    p->ToolNext->setEnabled(true);
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QVERIFY(!p->ToolPrev->isEnabled());
    // The first file ends by itself: the second plays, and the way back is open as
    // after a Next by hand, on the button and in the video window's menu.
    QTRY_COMPARE_WITH_TIMEOUT(p->FCurrentIndex, 1, 8000);
    QVERIFY(p->ToolPrev->isEnabled() && DM->Previous1->isEnabled());
    QVERIFY(p->ToolNext->isEnabled());
    QTest::mouseClick(p->ToolPrev, Qt::LeftButton);
    QCOMPARE(p->FCurrentIndex, 0);
    QTRY_COMPARE(playingUri(), QUrl::fromLocalFile(media("audio.wav")).toString());
    // The last file ends by itself: as Next at the last line, nothing lies ahead.
    QTest::mouseClick(p->ToolNext, Qt::LeftButton);
    QTest::mouseClick(p->ToolNext, Qt::LeftButton);
    QCOMPARE(p->FCurrentIndex, 2);
    QVERIFY(p->ToolNext->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!p->ToolStop->isEnabled(), 8000);
    QVERIFY(!p->ToolNext->isEnabled() && !DM->Next1->isEnabled() && p->ToolPrev->isEnabled());
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestTransport::addFilesTakesTheWholeAudioCd()
{
    setPlaylist({media("audio.wav")});
    Frm_playlist->cmb_playlist->addItem("Party"); // another name shown, not loaded
    Frm_playlist->cmb_playlist->setCurrentIndex(Frm_playlist->cmb_playlist->count() - 1);
    m_dialogs->openAnswer = {track(2)};
    DM->Add_file->trigger();
    QVERIFY(m_dialogs->asked.last().contains("Audio CD (*.cda)|*.cda"));
    QCOMPARE(Frm_playlist->Lst_playlist->lines(),
             (QStringList{"01 audio.wav", "02 Track01.cda", "03 Track02.cda", "04 Track03.cda"}));
    QCOMPARE(Frm_playlist->cmb_playlist->currentIndex(), 0);
    QVERIFY(Frm_playlist->Pnl_Action->isHidden());
    Frm_playlist->cmb_playlist->removeItem(Frm_playlist->cmb_playlist->count() - 1);
    // An ordinary file is added alone.
    m_dialogs->openAnswer = {media("audio.mp3")};
    DM->Add_file->trigger();
    QCOMPARE(Frm_playlist->Lst_playlist->line(4), QString("05 audio.mp3"));
    m_dialogs->openAnswer.clear(); // Cancel adds nothing
    DM->Add_file->trigger();
    QCOMPARE(Frm_playlist->Lst_playlist->count(), 5);
}

void TestTransport::droppedFilesAndFoldersJoinTheList()
{
    QTemporaryDir folder;
    QFile::copy(media("audio.wav"), folder.filePath("b.wav"));
    QFile::copy(media("audio.mp3"), folder.filePath("a.txt"));
    setPlaylist({});
    TListBox* list = Frm_playlist->Lst_playlist;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(media("song.mid")), QUrl::fromLocalFile(folder.path())});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &drop);
    // A dropped file goes in as it is, a dropped folder with all its files: no filter.
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->line(0), QString("01 song.mid"));
    QStringList fromFolder{list->line(1).mid(3), list->line(2).mid(3)};
    fromFolder.sort();
    QCOMPARE(fromFolder, (QStringList{"a.txt", "b.wav"}));
    QCOMPARE(Frm_PlayerControl->FPlaylistItems.size(), 3);
}

void TestTransport::timeTexts()
{
    QCOMPARE(TFrm_PlayerControl::formatHms(3725LL * 10000000), QString("1:02:05"));
    QCOMPARE(TFrm_PlayerControl::formatHms(7200LL * 10000000), QString("2:00:00"));
    QCOMPARE(TFrm_PlayerControl::formatHms(59999999), QString("0:00:05"));
    QCOMPARE(TFrm_PlayerControl::FormatMinSec(225000), QString("03:45"));
    QCOMPARE(TFrm_PlayerControl::FormatMinSec(6000000), QString("100:00"));
    QCOMPARE(TFrm_PlayerControl::FormatMinSec(83999), QString("01:23"));
    QCOMPARE(TFrm_PlayerControl::mixerValue(30), quint16(19660));
    QCOMPARE(TFrm_PlayerControl::mixerValue(50), quint16(32767));
    QCOMPARE(TFrm_PlayerControl::mixerValue(100), quint16(65535));
    QCOMPARE(TFrm_PlayerControl::mixerValue(0), quint16(0));
}

// The clock's new text every second neither lays the window out again nor moves the bar;
// a text of another shape, or another font, gives the label the room it needs.
void TestTransport::timeLabelKeepsTheBarStill()
{
    QWidget panel;
    auto* row = new QHBoxLayout(&panel);
    auto* bar = new QSlider(Qt::Horizontal, &panel);
    auto* clock = new TTimeLabel(QStringLiteral("00:00 / 00:00"), &panel);
    row->addWidget(bar, 1);
    row->addWidget(clock);
    panel.resize(420, 40);
    panel.show();
    const auto fits = [clock] {
        return clock->width() >= clock->fontMetrics().horizontalAdvance(clock->text());
    };
    const auto settle = [] { QCoreApplication::sendPostedEvents(); };
    clock->setText(QStringLiteral("0:00:01 / 0:04:56"));
    settle();
    const QRect barAt = bar->geometry();
    int layouts = 0;
    struct Counter : QObject {
        int* count;
        explicit Counter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            *count += e->type() == QEvent::LayoutRequest;
            return false;
        }
    } counter(&layouts);
    panel.installEventFilter(&counter);
    for (const char* text : {"0:00:02 / 0:04:56", "0:11:11 / 0:04:56", "0:48:59 / 0:04:56"}) {
        clock->setText(QString::fromLatin1(text));
        settle();
        QVERIFY2(fits(), text);
        QCOMPARE(bar->geometry(), barAt);
    }
    QCOMPARE(layouts, 0);
    clock->setText(QStringLiteral("10:00:00 / 12:30:00"));
    settle();
    QVERIFY(fits());
    QVERIFY(bar->width() < barAt.width());
    QFont large = clock->font();
    large.setPointSizeF(large.pointSizeF() * 2);
    clock->setFont(large);
    settle();
    QVERIFY(fits());
    QCOMPARE(clock->text(), QStringLiteral("10:00:00 / 12:30:00"));
}

void TestTransport::volumeSliderAndOverlay()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    // The slider drives a mixer of the test's own, never this machine's volume.
    QCOMPARE(TMixerSettings::alsaDeviceName(0), QByteArray(WindowTestSupport::kNoMixer));
    Frm_viddisplay->show();
    QSlider* volume = p->Track_Volume;
    QSignalSpy changes(volume, &QSlider::valueChanged);
    volume->setValue(70);
    QCOMPARE(DM->FilterGraph1->Volume(), 7000);
    QVERIFY(!DM->Audio1->Mixer()->MixerOpen());
    QWidget* overlay = p->volumeOverlay();
    QVERIFY(overlay && overlay->isVisible());
    QCOMPARE(overlay->size(), QSize(208, 38));
    const QPoint corner = Frm_viddisplay->DSVideoWindowEx21->mapToGlobal(
        QPoint(10, Frm_viddisplay->DSVideoWindowEx21->height() - 65));
    QCOMPARE(overlay->pos(), corner);
    const QImage bar = overlay->grab().toImage();
    // 70 fills 2 x trunc(70 x 1.04) = 144 pixels of the 208.
    QVERIFY(bar.pixelColor(140, 19) != bar.pixelColor(150, 19));
    QTRY_VERIFY_WITH_TIMEOUT(!overlay->isVisible(), 1000);
    // Steps of ten from the menu; the slider clamps, an unchanged value runs nothing.
    volume->setValue(95);
    changes.clear();
    DM->Increase1Click();
    QCOMPARE(volume->value(), 100);
    QCOMPARE(changes.size(), 1);
    QCOMPARE(DM->FilterGraph1->Volume(), 10000);
    DM->Increase1Click();
    QCOMPARE(changes.size(), 1);
    volume->setValue(5);
    DM->Decrease1Click();
    DM->Decrease1Click();
    QCOMPARE(volume->value(), 0);
    QCOMPARE(DM->FilterGraph1->Volume(), 0);
    volume->setValue(30);
}

// Every timer of the program that is running now, by its slot's owner and interval.
static QStringList runningTimers()
{
    QList<QObject*> roots{DM};
    for (QWidget* w : QApplication::topLevelWidgets()) {
        roots << w;
    }
    QStringList running;
    for (QObject* root : roots) {
        for (QTimer* t : root->findChildren<QTimer*>()) {
            if (t->isActive()) {
                running << QStringLiteral("%1 %2 ms")
                               .arg(QString::fromLatin1(t->parent()->metaObject()->className()))
                               .arg(t->interval());
            }
        }
    }
    return running;
}

void TestTransport::noTimerRunsWhileIdle()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    TDSVideoWindowEx2* video = Frm_viddisplay->DSVideoWindowEx21;
    Frm_viddisplay->show();
    setPlaylist({media("long12.avi")});
    Frm_playlist->Lst_playlist->setItemIndex(0);
    p->ToolPlayClick();
    QTRY_VERIFY(p->DSTrackBar1->maximum() > 0); // the seek bar's poll shows the time
    QVERIFY(!runningTimers().isEmpty());

    // Paused: the cursor still hides once, then nothing ticks.
    QTest::mouseMove(video, QPoint(20, 20));
    p->ToolPauseClick();
    QTRY_VERIFY_WITH_TIMEOUT(video->CursorHidden(), 5000);
    QCOMPARE(runningTimers(), QStringList());
    const QString shown = p->lbl_elepased->text();
    QTest::qWait(1200);
    QCOMPARE(p->lbl_elepased->text(), shown);

    // Stopped, the mouse over the picture: it shows, and no timer waits for a renderer.
    p->ToolStopClick();
    QTest::mouseMove(video, QPoint(30, 30));
    QVERIFY(!video->CursorHidden());
    QTest::qWait(3500);
    QCOMPARE(runningTimers(), QStringList());

    // Playing again brings the time back.
    p->ToolPlayClick();
    QTRY_VERIFY(p->lbl_elepased->text() != shown);
    p->ToolStopClick();
}

QTEST_MAIN(TestTransport)
#include "test_transport.moc"
