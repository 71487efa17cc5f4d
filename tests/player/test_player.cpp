// SPDX-License-Identifier: GPL-3.0-or-later
// The player window as a user meets it: Play, the play order, failures and hand-over.
#include "WindowTestSupport.h"
#include "app/Program.h"
#include "datamodule/Un_dm.h"
#include "engine/GstGraph.h"
#include "engine/TDSTrackBar.h"
#include "engine/TDSVideoWindowEx2.h"
#include "player/TRadioGroup.h"
#include "player/Un_Mediactr.h"
#include "playlist/PlaylistOps.h"
#include "playlist/Un_Playlist.h"
#include "video/Un_VidDisplay.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <gst/gst.h>

class TestPlayer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void windowLayout();
    void playsFocusedLine();
    void missingFileAndEmptyList();
    void resumeAfterPauseDoesNotReopen();
    void continueAndRepeatAdvance();
    void continueStopsAtFocusedLastLine();
    void shuffleReachesEveryLine();
    void fileEndAdvancesByPlayOrder();
    void vobRedirectsToDiscIfo();
    void dvdVolumePlaysInDvdMode();
    void dvdMenuButtonAndPositionBar();
    void dvdRenderResultsGiveTheirMessages();
    void failedOpenLeavesGraphEmpty();
    void nextAndPreviousStates();
    void receivedFilesReplaceListAndLastPlays();
    void popupMenuPositionsAndPlayOrderItems();
    void doubleClickAndKeysInTheList();

private:
    static void setPlaylist(const QStringList& paths) { WindowTestSupport::setPlaylist(paths); }
    WindowTestSupport m_support;
    RecordingDialogs*& m_dialogs = m_support.dialogs;
};

void TestPlayer::initTestCase()
{
    m_support.start();
    QVERIFY(QFileInfo::exists(media("audio.wav")));
}

void TestPlayer::cleanupTestCase()
{
    m_support.finish();
}

void TestPlayer::init()
{
    m_support.reset();
}

void TestPlayer::windowLayout()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    QCOMPARE(p->windowTitle(), QString("Player Control - Lumeno"));
    QVERIFY(!(p->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(p->pnl_jdl->text(), QString("Lumeno"));
    QCOMPARE(p->lbl_elepased->text(), QString("00:00 / 00:00"));
    QVERIFY(p->TrackBar1->isHidden());
    const QStringList hints{"Prev Tract",  "Play",     "Pause", "Stop", "Next Tract",
                            "Full Screen", "Playlist", "Help",  "About"};
    const QList<QToolButton*> buttons{p->ToolPrev,    p->ToolPlay,  p->ToolPause,
                                      p->ToolStop,    p->ToolNext,  p->ToolFullScreen,
                                      p->ToolButton1, p->Tool_help, p->ToolAbout};
    for (int i = 0; i < buttons.size(); ++i) {
        QCOMPARE(buttons[i]->toolTip(), hints[i]);
        QCOMPARE(buttons[i]->cursor().shape(), Qt::PointingHandCursor);
    }
    QCOMPARE(p->rad_play->itemIndex(), 0);
    QCOMPARE(p->Track_Volume->maximum(), 100);
    p->ToolControl->resize(418, p->ToolControl->height());
    p->ToolControlResize();
    QCOMPARE(p->ToolPlay->width(), 38);
}

void TestPlayer::playsFocusedLine()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({media("audio.wav"), media("long12.avi"), media("audio.mp3")});
    Frm_playlist->Lst_playlist->setItemIndex(1);
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    QCOMPARE(p->FCurrentIndex, 1);
    QCOMPARE(p->FCurrentItem->Path, media("long12.avi"));
    QCOMPARE(p->pnl_jdl->text(), QString("Opening Media ... "));
    QVERIFY(playingUri().endsWith("long12.avi"));
    QCOMPARE(graphState(), GST_STATE_PLAYING);
    QVERIFY(!p->ToolPlay->isEnabled() && p->ToolPause->isEnabled() && p->ToolStop->isEnabled());
    QVERIFY(!DM->Play1->isEnabled() && DM->Pause1->isEnabled() && DM->Stop1->isEnabled());
    QVERIFY(p->DSTrackBar1->isVisibleTo(p) && p->TrackBar1->isHidden());
    // A second later the title names the entry and the time shows.
    QTRY_COMPARE_WITH_TIMEOUT(p->pnl_jdl->text(), QString("long12.avi"), 3000);
    QVERIFY(p->lbl_elepased->text().endsWith(" / 0:00:12"));
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestPlayer::missingFileAndEmptyList()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    p->ToolPlayClick(); // nothing ever played, empty list
    QCOMPARE(m_dialogs->shown, (QStringList{"beep", "warning: Playlist Empty !!!"}));
    QVERIFY(p->ToolPlay->isEnabled() && !p->ToolStop->isEnabled());

    m_dialogs->shown.clear();
    setPlaylist({media("no-such.mp3"), media("audio.wav")});
    p->ToolPlayClick();
    QCOMPARE(m_dialogs->shown, QStringList{"warning: File Not found !!!"});
    QCOMPARE(p->FCurrentIndex, 0);
    QVERIFY(p->ToolPlay->isEnabled()); // buttons keep their states
    QVERIFY(!DM->FilterGraph1->Active());

    // A folder is not a file to play.
    m_dialogs->shown.clear();
    setPlaylist({QStringLiteral(LUMENO_MEDIA_DIR)});
    p->ToolPlayClick();
    QCOMPARE(m_dialogs->shown, QStringList{"warning: File Not found !!!"});

    // An empty list after something played opens that entry again.
    m_dialogs->shown.clear();
    setPlaylist({media("audio.wav")});
    p->ToolPlayClick();
    p->ToolStopClick();
    setPlaylist({});
    p->ToolPlayClick();
    QVERIFY(m_dialogs->shown.isEmpty());
    QVERIFY(playingUri().endsWith("audio.wav"));
}

void TestPlayer::resumeAfterPauseDoesNotReopen()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({media("long12.avi"), media("audio.wav")});
    p->ToolPlayClick();
    GstElement* pipeline = DM->FilterGraph1->pipeline();
    QTest::qWait(1200);
    p->ToolPauseClick();
    QVERIFY(p->FPaused);
    QVERIFY(p->ToolPlay->isEnabled() && !p->ToolPause->isEnabled() && p->ToolStop->isEnabled());
    std::int64_t paused = 0;
    QCOMPARE(DM->FilterGraph1->QueryMediaSeeking()->GetCurrentPosition(paused), S_OK);
    // Another line chosen meanwhile does not play: Play resumes the paused entry.
    Frm_playlist->Lst_playlist->setItemIndex(1);
    p->ToolPlayClick();
    QCOMPARE(DM->FilterGraph1->pipeline(), pipeline);
    QVERIFY(playingUri().endsWith("long12.avi"));
    QVERIFY(!p->FPaused);
    std::int64_t resumed = 0;
    QCOMPARE(DM->FilterGraph1->QueryMediaSeeking()->GetCurrentPosition(resumed), S_OK);
    QVERIFY(resumed >= paused && paused > 5000000);
}

void TestPlayer::continueAndRepeatAdvance()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    TListBox* list = Frm_playlist->Lst_playlist;
    // Missing files keep the advance quick: each Play stops at its warning.
    setPlaylist({"/nowhere/a.mp3", "/nowhere/b.mp3", "/nowhere/c.mp3"});
    p->FCurrentIndex = 0;
    list->setSelected(0, true);
    Frm_playlist->PlayNextByOrder();
    QCOMPARE(p->FCurrentIndex, 1);
    QVERIFY(list->selected(1) && !list->selected(0));
    QCOMPARE(list->itemIndex(), 1);
    Frm_playlist->PlayNextByOrder();
    QCOMPARE(p->FCurrentIndex, 2);
    // Continue at the last line stops.
    p->ToolStop->setEnabled(true);
    Frm_playlist->PlayNextByOrder();
    QCOMPARE(p->FCurrentIndex, 2);
    QVERIFY(!p->ToolStop->isEnabled() && p->ToolPlay->isEnabled());
    // Repeat wraps to the first line.
    p->rad_play->setItemIndex(1);
    Frm_playlist->PlayNextByOrder();
    QCOMPARE(p->FCurrentIndex, 0);
    QCOMPARE(list->itemIndex(), 0);
    QCOMPARE(p->FCurrentItem->Path, QString("/nowhere/a.mp3"));
    // An empty list only stops.
    setPlaylist({});
    p->ToolStop->setEnabled(true);
    Frm_playlist->PlayNextByOrder();
    QVERIFY(!p->ToolStop->isEnabled());
}

void TestPlayer::continueStopsAtFocusedLastLine()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    TListBox* list = Frm_playlist->Lst_playlist;
    setPlaylist({"/n/1.mp3", "/n/2.mp3", "/n/3.mp3", "/n/4.mp3", "/n/5.mp3", "/n/6.mp3"});
    p->FCurrentIndex = 2; // line 2 plays, the user moved the focus to the last line
    list->setItemIndex(5);
    m_dialogs->shown.clear();
    Frm_playlist->PlayNextByOrder();
    QCOMPARE(p->FCurrentIndex, 2);
    QVERIFY(m_dialogs->shown.isEmpty()); // nothing was opened
}

void TestPlayer::shuffleReachesEveryLine()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    p->rad_play->setItemIndex(2);
    setPlaylist({"/n/1.mp3", "/n/2.mp3", "/n/3.mp3", "/n/4.mp3", "/n/5.mp3"});
    QSet<int> drawn;
    for (int i = 0; i < 200 && drawn.size() < 5; ++i) {
        Frm_playlist->PlayNextByOrder();
        QCOMPARE(Frm_playlist->Lst_playlist->itemIndex(), p->FCurrentIndex);
        drawn.insert(p->FCurrentIndex);
    }
    QCOMPARE(drawn.size(), 5); // the last line too
    setPlaylist({"/n/only.mp3"});
    Frm_playlist->PlayNextByOrder();
    QCOMPARE(p->FCurrentIndex, 0);
}

void TestPlayer::fileEndAdvancesByPlayOrder()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({media("audio.wav"), media("song.mid")});
    p->ToolPlayClick();
    QCOMPARE(p->FCurrentIndex, 0);
    QTRY_COMPARE_WITH_TIMEOUT(p->FCurrentIndex, 1, 8000);
    QTRY_VERIFY_WITH_TIMEOUT(playingUri().endsWith("song.mid"), 3000);
    // Continue after the last entry: stopped.
    QTRY_VERIFY_WITH_TIMEOUT(p->ToolPlay->isEnabled() && !p->ToolStop->isEnabled(), 10000);
    QCOMPARE(p->FCurrentIndex, 1);
}

void TestPlayer::vobRedirectsToDiscIfo()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    QTemporaryDir disc;
    const QString folder = disc.filePath("VIDEO_TS");
    QVERIFY(QDir().mkpath(folder));
    for (const QString& name : QDir(media("dvd/VIDEO_TS")).entryList(QDir::Files)) {
        QVERIFY(QFile::copy(media("dvd/VIDEO_TS/") + name, folder + "/" + name));
    }
    setPlaylist({folder + "/VTS_01_1.VOB"});
    p->ToolPlayClick();
    QCOMPARE(p->FCurrentItem->Path, folder + "/VIDEO_TS.IFO"); // the name as found, one "/"
    QCOMPARE(DM->FilterGraph1->Mode(), TFilterGraph::gmDVD);
    QVERIFY(Frm_playlist->btn_DVD->isEnabled() && DM->DVDMenu1->isEnabled());
    QVERIFY(p->TrackBar1->isVisibleTo(p) && p->DSTrackBar1->isHidden());

    // Without a disc index beside it a .vob is an ordinary file.
    QTemporaryDir loose;
    QVERIFY(QFile::copy(media("mpeg2_ps.mpeg"), loose.filePath("clip.vob")));
    setPlaylist({loose.filePath("clip.vob")});
    p->ToolPlayClick();
    QCOMPARE(p->FCurrentItem->Path, loose.filePath("clip.vob"));
    QCOMPARE(DM->FilterGraph1->Mode(), TFilterGraph::gmNormal);
    QVERIFY(!Frm_playlist->btn_DVD->isEnabled());
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestPlayer::dvdVolumePlaysInDvdMode()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({media("dvd/VIDEO_TS/VIDEO_TS.IFO")});
    p->ToolPlayClick();
    QVERIFY2(m_dialogs->shown.isEmpty(), qPrintable(m_dialogs->shown.join('|')));
    QVERIFY(DM->FilterGraph1->QueryDvdControl2());
    QTRY_COMPARE_WITH_TIMEOUT(graphState(), GST_STATE_PLAYING, 5000);
    // The end of a DVD's media never advances the list.
    const int before = p->FCurrentIndex;
    DM->FilterGraph1GraphComplete(DM->FilterGraph1, S_OK, nullptr);
    QCOMPARE(p->FCurrentIndex, before);
}

void TestPlayer::dvdMenuButtonAndPositionBar()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({media("dvd/VIDEO_TS/VIDEO_TS.IFO")});
    p->ToolPlayClick();
    QTRY_COMPARE_WITH_TIMEOUT(graphState(), GST_STATE_PLAYING, 5000);
    QTest::qWait(500);
    // The disc opens in its menu; a click on its first button (at 100..300 x 200..300 of
    // the 720 x 576 picture) over the video window starts title 1.
    QVERIFY(DM->FilterGraph1->QueryDvdControl2());
    TDSVideoWindowEx2* video = Frm_viddisplay->DSVideoWindowEx21;
    Frm_viddisplay->resize(360, 288);
    QTRY_VERIFY(!video->VideoRect().isEmpty() && video->VideoRect().width() < 400);
    const QRect picture = video->VideoRect();
    const QPoint button(picture.x() + 200 * picture.width() / 720,
                        picture.y() + 250 * picture.height() / 576);
    QVERIFY(qAbs(video->navigationPoint(button).x() - 200) <= 3);
    QVERIFY(qAbs(video->navigationPoint(button).y() - 250) <= 3);
    QTest::mouseMove(video, button);
    QTest::mouseClick(video, Qt::LeftButton, {}, button);
    auto position = []() {
        gint64 ns = -1;
        gst_element_query_position(DM->FilterGraph1->pipeline(), GST_FORMAT_TIME, &ns);
        return ns;
    };
    auto duration = []() {
        gint64 ns = -1;
        gst_element_query_duration(DM->FilterGraph1->pipeline(), GST_FORMAT_TIME, &ns);
        return ns;
    };
    // Title 1 runs 9 s; the menu it came from is a one-second still.
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(duration() - 9 * GST_SECOND) < GST_SECOND / 2, 5000);
    // The bar moved by the program itself does not seek.
    p->FTrackUpdating = true;
    p->TrackBar1->setMaximum(9);
    p->TrackBar1->setValue(7);
    p->FTrackUpdating = false;
    QVERIFY(position() < 5 * GST_SECOND);
    // The user's move jumps within the title.
    p->TrackBar1->setValue(6);
    QTRY_VERIFY_WITH_TIMEOUT(position() >= 6 * GST_SECOND, 3000);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestPlayer::dvdRenderResultsGiveTheirMessages()
{
    using R = TFrm_PlayerControl;
    AM_DVD_RENDERSTATUS s;
    QVERIFY(R::dvdRenderReaction(S_OK, s, "").start);
    QVERIFY(R::dvdRenderReaction(S_OK, s, "").messages.isEmpty());
    R::DvdRenderReaction r = R::dvdRenderReaction(VFW_E_DVD_RENDERFAIL, s, "");
    QVERIFY(!r.start);
    QCOMPARE(r.messages.size(), 1);
    QVERIFY(r.messages[0].startsWith("Some basic error occurred in building the graph.\rPossib"));
    QCOMPARE(
        R::dvdRenderReaction(VFW_E_DVD_DECNOTENOUGH, s, "").messages,
        QStringList{"There isn't enough hardware or software decoders to decode all streams."});
    QCOMPARE(R::dvdRenderReaction(E_INVALIDARG, s, "").messages, QStringList{"Invalid Argument."});
    QVERIFY(R::dvdRenderReaction(E_FAIL, s, "").messages.isEmpty()); // other codes: silent
    s.bNoLine21In = true;
    r = R::dvdRenderReaction(S_FALSE, s, "");
    QVERIFY(r.start && r.messages.isEmpty());
    s.bDvdVolUnknown = true;
    r = R::dvdRenderReaction(S_FALSE, s, "");
    QVERIFY(r.start);
    QCOMPARE(r.messages, QStringList{"No DVD volume is specified or isn't found."});
    AM_DVD_RENDERSTATUS t;
    t.hrVPEStatus = E_FAIL;
    t.bNoLine21Out = true;
    t.iNumStreamsFailed = 2;
    r = R::dvdRenderReaction(S_FALSE, t, "vpe text");
    QCOMPARE(
        r.messages,
        (QStringList{"vpe text", "The video decoder can't be shown as closed "
                                 "captioning on video due to a problem with graph building."}));
    t.bNoLine21Out = false;
    QCOMPARE(R::dvdRenderReaction(S_FALSE, t, "v").messages.last(),
             QString("Can't render one or more stream."));

    // Through the window: a disc folder that is gone.
    TFrm_PlayerControl* p = Frm_PlayerControl;
    QTemporaryDir gone;
    QFile ifo(gone.filePath("VIDEO_TS.IFO"));
    QVERIFY(ifo.open(QIODevice::WriteOnly));
    ifo.close();
    setPlaylist({gone.filePath("VIDEO_TS.IFO")});
    QFile::remove(gone.filePath("VIDEO_TS.IFO"));
    // The existence check happens first, so take the path away after it: play the
    // graph directly the way Play does.
    p->FCurrentItem = p->FPlaylistItems[0];
    p->OpenInFilterGraph(gone.filePath("VIDEO_TS.IFO"));
    QCOMPARE(m_dialogs->shown,
             QStringList{"error: The specified DVD volume to be played does not exist."});
    QCOMPARE(p->pnl_jdl->text(), QString("Lumeno"));
}

void TestPlayer::failedOpenLeavesGraphEmpty()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({media("corrupt.avi")});
    p->ToolPlayClick();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown[0],
             "error: " + DM->FilterGraph1->GetErrorText(VFW_E_INVALID_FILE_FORMAT));
    QCOMPARE(p->pnl_jdl->text(), QString("Lumeno"));
    QVERIFY(p->ToolPlay->isEnabled() && !p->ToolPause->isEnabled() && !p->ToolStop->isEnabled());
    QVERIFY(DM->Play1->isEnabled() && !DM->Stop1->isEnabled());
    QVERIFY(DM->FilterGraph1->Active()); // left active and empty
    // Stop works as usual afterwards, and the next file plays.
    p->ToolStopClick();
    QVERIFY(p->ToolPlay->isEnabled());
    setPlaylist({media("audio.wav")});
    p->ToolPlayClick();
    QCOMPARE(graphState(), GST_STATE_PLAYING);
}

void TestPlayer::nextAndPreviousStates()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    setPlaylist({"/n/1.mp3", "/n/2.mp3", "/n/3.mp3"});
    p->FCurrentIndex = 2;
    p->ToolNextClick(); // at the last line: disables itself, plays nothing
    QVERIFY(!p->ToolNext->isEnabled() && !DM->Next1->isEnabled());
    QVERIFY(p->ToolPrev->isEnabled() && DM->Previous1->isEnabled());
    m_dialogs->shown.clear();
    p->ToolPrevClick();
    QCOMPARE(p->FCurrentIndex, 1);
    QCOMPARE(m_dialogs->shown, QStringList{"warning: File Not found !!!"}); // it tried line 1
    QVERIFY(p->ToolNext->isEnabled() && DM->Next1->isEnabled());
    p->ToolPrevClick();
    QCOMPARE(p->FCurrentIndex, 0);
    p->ToolPrevClick();
    QCOMPARE(p->FCurrentIndex, 0);
    QVERIFY(!p->ToolPrev->isEnabled() && !DM->Previous1->isEnabled());
    // Nothing played yet: Next goes to line 0.
    p->FCurrentIndex = -1;
    p->ToolNextClick();
    QCOMPARE(p->FCurrentIndex, 0);
}

void TestPlayer::receivedFilesReplaceListAndLastPlays()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    p->FCommandFiles = {media("audio.mp3")};
    setPlaylist({"/n/other.mp3"});
    p->WMCopyData(0x101, media("audio.wma").toUtf8()); // low byte not 0: ignored
    QCOMPARE(p->FCommandFiles.size(), 1);
    p->WMCopyData(0, media("audio.wav").toUtf8());
    QCOMPARE(Frm_playlist->Lst_playlist->lines(), (QStringList{"01 audio.mp3", "02 audio.wav"}));
    QCOMPARE(p->FCurrentIndex, 1);
    QVERIFY(playingUri().endsWith("audio.wav"));
    QCOMPARE(Frm_playlist->cmb_playlist->currentIndex(),
             Frm_playlist->cmb_playlist->count() > 0 ? 0 : -1);
    // Received while paused: the list is rebuilt, the paused entry resumes.
    p->ToolPauseClick();
    p->WMCopyData(0, media("song.mid").toUtf8());
    QCOMPARE(Frm_playlist->Lst_playlist->count(), 3);
    QVERIFY(playingUri().endsWith("audio.wav"));
    QVERIFY(!p->FPaused);
}

void TestPlayer::popupMenuPositionsAndPlayOrderItems()
{
    const QList<QAction*> items = DM->Popup_Display->actions();
    QCOMPARE(items.size(), 17); // resume's "Play from Beginning" goes after the fixed ones
    QVERIFY(items[15]->isSeparator());
    QCOMPARE(items[16], DM->PlayFromStart1);
    QCOMPARE(items[0], DM->Play1);
    QCOMPARE(items[1], DM->Pause1);
    QCOMPARE(items[2], DM->Stop1);
    QCOMPARE(items[3], DM->Next1);
    QCOMPARE(items[4], DM->Previous1);
    QVERIFY(items[5]->isSeparator());
    QCOMPARE(items[6], DM->DVDMenu1);
    QCOMPARE(items[6]->text(), QString("DVD Menu"));
    QCOMPARE(items[8], DM->FullScreen1);
    QCOMPARE(items[14], DM->About1);
    DM->Repeat1->trigger();
    QVERIFY(DM->Repeat1->isChecked() && !DM->Continue1->isChecked() && !DM->Shuffle1->isChecked());
    QCOMPARE(Frm_PlayerControl->rad_play->itemIndex(), 1);
    DM->Continue1->trigger();
    QCOMPARE(Frm_PlayerControl->rad_play->itemIndex(), 0);
    // Include Subfolder flips at each click: checked, unchecked, checked.
    QVERIFY(DM->Include_Subfolder->isChecked());
    DM->Include_Subfolder->trigger();
    QVERIFY(!DM->Include_Subfolder->isChecked());
    DM->Include_Subfolder->trigger();
    QVERIFY(DM->Include_Subfolder->isChecked());
    // The menu's Play acts like the button, even while the button is disabled.
    setPlaylist({media("audio.wav")});
    Frm_PlayerControl->ToolPlay->setEnabled(false);
    DM->Play1->setEnabled(true);
    DM->Play1->trigger();
    QVERIFY(playingUri().endsWith("audio.wav"));
}

void TestPlayer::doubleClickAndKeysInTheList()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    TListBox* list = Frm_playlist->Lst_playlist;
    setPlaylist({media("audio.wav"), media("audio.mp3"), media("audio.wav"), media("song.mid")});
    Frm_playlist->show();
    list->resize(217, 345);
    const QRect last = list->visualRect(list->model()->index(3, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, last.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, last.center());
    QCOMPARE(p->FCurrentIndex, 3);
    QVERIFY(playingUri().endsWith("song.mid"));
    QVERIFY(!p->ToolNext->isEnabled() && p->ToolPrev->isEnabled());
    const QRect first = list->visualRect(list->model()->index(0, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(p->FCurrentIndex, 0);
    QVERIFY(p->ToolNext->isEnabled() && !p->ToolPrev->isEnabled());
    // Shift+Delete removes duplicates (the last of each path stays), Delete the selection.
    QTest::keyClick(list, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(list->lines(), (QStringList{"01 audio.mp3", "02 audio.wav", "03 song.mid"}));
    list->setSelected(1, true);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->lines(), (QStringList{"01 audio.mp3", "02 song.mid"}));
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(list->selected(0) && list->selected(1));
    QTest::keyClick(list, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(list->count(), 0);
    QVERIFY(p->FPlaylistItems.isEmpty());
}

QTEST_MAIN(TestPlayer)
#include "test_player.moc"
