// SPDX-License-Identifier: GPL-3.0-or-later
// Inserted discs and drives as the user meets them: their playlists appear in the
// selector, arrivals play, removals stop and tidy up, the close deletes them.
#include "FakeDrives.h"
#include "WindowTestSupport.h"
#include "datamodule/Un_dm.h"
#include "engine/TFilterGraph.h"
#include "engine/TMediaPlayer.h"
#include "platform/Responsive.h"
#include "player/Un_Mediactr.h"
#include "playlist/PlaylistStore.h"
#include "playlist/TListBox.h"
#include "playlist/Un_Playlist.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QToolButton>
#include <QtTest>

#include <gst/gst.h>

using Platform::DriveKind;

namespace {

QStringList selectorLines()
{
    QStringList lines;
    const QComboBox* names = Frm_playlist->cmb_playlist;
    for (int i = 0; i < names->count(); ++i)
        lines << names->itemText(i);
    return lines;
}

QString selected()
{
    return Frm_playlist->cmb_playlist->currentText();
}

QStringList shownPaths()
{
    QStringList paths;
    for (const TfilePtr& file : Frm_PlayerControl->FPlaylistItems)
        paths << file->Path;
    return paths;
}

QStringList pathsIn(const QString& istFile)
{
    TFileList files;
    TPlaylistStore::LoadPlaylistFile(files, istFile);
    QStringList paths;
    for (const TfilePtr& file : files)
        paths << file->Path;
    return paths;
}

QString playlistFolder()
{
    return Frm_PlayerControl->FSettings.ReadString("playlist", "playlist directory", QString());
}

QString ist(const QString& fileName)
{
    return playlistFolder() + '/' + fileName;
}

bool makeFile(const QString& path, const QString& copyOf = QString())
{
    QDir().mkpath(QFileInfo(path).path());
    if (!copyOf.isEmpty())
        return QFile::copy(copyOf, path);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("not media") > 0;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class TestRemovable : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void mediaPresentAtStartAreListedNotPlayed();
    void stickArrivalPlaysItsMediaAndRemovalStops();
    void audioCdImageArrivesAndLeaves();
    void cueSheetTitlesNameTheTracks();
    void arrivalWhilePausedResumesThePausedEntry();
    void removalWhileSavedPlaylistShownKeepsIt();
    void sameLabelsAndBadCharacters();
    void removalAfterOtherNoticeStillTidiesUp();
    void savedPlaylistOfTheSameNameIsKept();
    void noticesWaitWhileMediaOpen();
    void noticeDuringARescanListsTheMediumOnce();
    void fileNameWithLineBreakIsLeftOutQuietly();
    void discFoldersPlayAsTheirDiscs();
    void closeDeletesAutomaticPlaylists();

private:
    QString makeStick();
    WindowTestSupport m_support;
    FakeDrives m_drives;
    QTemporaryDir m_trees;
};

void TestRemovable::initTestCase()
{
    QVERIFY(QFileInfo::exists(media("dvd/VIDEO_TS/VIDEO_TS.IFO")));
    m_support.start();
    // A Video CD with its folder names in lower case, a stick holding only pictures,
    // a DVD, and a card reader without a card.
    const QString vcd = m_trees.filePath("vcd");
    QVERIFY(makeFile(vcd + "/mpegav/AVSEQ01.DAT", media("MPEGAV/AVSEQ01.DAT")));
    QVERIFY(makeFile(vcd + "/Vcd/INFO.VCD"));
    QVERIFY(makeFile(vcd + "/photo.mp3")); // outside the stream folder: not gathered
    const QString pictures = m_trees.filePath("pictures");
    QVERIFY(makeFile(pictures + "/DCIM/p1.jpg"));
    m_drives.put(FakeDrives::medium('E', "MOVIE", media("dvd"), DriveKind::CdRom));
    m_drives.put(FakeDrives::medium('F', "VIDEOCD", vcd, DriveKind::CdRom));
    m_drives.put(FakeDrives::medium('D', "CAMERA", pictures));
    m_drives.put({'L', DriveKind::Removable, false, QString(), QString()});
    Frm_PlayerControl->setDriveSource(&m_drives);
    Frm_PlayerControl->show(); // the first showing runs the start-up
    QVERIFY(QTest::qWaitForWindowExposed(Frm_PlayerControl) || Frm_PlayerControl->isVisible());
}

void TestRemovable::cleanupTestCase()
{
    m_support.finish();
}

void TestRemovable::init()
{
    m_support.reset();
}

QString TestRemovable::makeStick()
{
    const QString stick = m_trees.filePath("stick");
    if (!QFileInfo::exists(stick)) {
        makeFile(stick + "/Music/song.mp3", media("audio.mp3"));
        makeFile(stick + "/Music/Live/take.WAV", media("audio.wav"));
        makeFile(stick + "/Pictures/cover.jpg");
        makeFile(stick + "/Pictures/scan.png");
        makeFile(stick + "/readme.txt");
    }
    return stick;
}

void TestRemovable::mediaPresentAtStartAreListedNotPlayed()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    // In drive order; the picture stick and the empty reader give no playlist.
    QCOMPARE(selectorLines(), (QStringList{"Default", "MOVIE(E)", "VIDEOCD(F)"}));
    QCOMPARE(p->FDiscPlaylists, (QStringList{"MOVIE(E)", "VIDEOCD(F)"}));
    QCOMPARE(selected(), QString("Default"));
    QVERIFY(!DM->FilterGraph1->Active());
    QVERIFY(p->ToolPlay->isEnabled());

    // The DVD lists only its volume's IFO, so Play takes the DVD path.
    QCOMPARE(pathsIn(ist("MOVIE(E).ist")), QStringList{media("dvd/VIDEO_TS/VIDEO_TS.IFO")});
    QCOMPARE(pathsIn(ist("VIDEOCD(F).ist")),
             QStringList{m_trees.filePath("vcd/mpegav/AVSEQ01.DAT")});
    QVERIFY(!QFileInfo::exists(ist("CAMERA(D).ist")));
    QVERIFY(TFrm_PlayerControl::IsDvdRoot(media("dvd")));
    QVERIFY(!TFrm_PlayerControl::IsVideoCdRoot(media("dvd")));
    QVERIFY(TFrm_PlayerControl::IsVideoCdRoot(m_trees.filePath("vcd")));
    QVERIFY(!TFrm_PlayerControl::IsDvdRoot(m_trees.filePath("missing")));

    // Chosen by the user, the Video CD's playlist shows and plays its stream.
    const int line = selectorLines().indexOf("VIDEOCD(F)");
    Frm_playlist->cmb_playlist->setCurrentIndex(line);
    emit Frm_playlist->cmb_playlist->activated(line);
    QCOMPARE(Frm_playlist->Lst_playlist->count(), 1);
    p->ToolPlayClick();
    QVERIFY(playingUri().endsWith("AVSEQ01.DAT"));
    p->ToolStopClick();
    Frm_playlist->cmb_playlist->setCurrentIndex(0);
    emit Frm_playlist->cmb_playlist->activated(0);
}

void TestRemovable::stickArrivalPlaysItsMediaAndRemovalStops()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    const QString stick = makeStick();
    m_drives.insert(FakeDrives::medium('G', "STICK", stick));

    QCOMPARE(selected(), QString("STICK(G)"));
    QCOMPARE(selectorLines().last(), QString("STICK(G)"));
    // Every folder searched, pictures and other files left out.
    const QStringList music{stick + "/Music/Live/take.WAV", stick + "/Music/song.mp3"};
    QCOMPARE(sorted(shownPaths()), music);
    QCOMPARE(sorted(pathsIn(ist("STICK(G).ist"))), music);
    QCOMPARE(Frm_playlist->Lst_playlist->count(), 2);
    QCOMPARE(p->FCurrentIndex, 0);
    QVERIFY(playingUri().endsWith(QUrl::fromLocalFile(shownPaths().first()).toEncoded()));
    QCOMPARE(graphState(), GST_STATE_PLAYING);
    QVERIFY(!p->ToolPlay->isEnabled() && p->ToolStop->isEnabled());

    const TFileList defaultEntries = [] {
        TFileList files;
        TPlaylistStore::LoadPlaylistFile(files, Frm_PlayerControl->FPlaylists.first().Path);
        return files;
    }();
    m_drives.eject('G');
    QVERIFY(graphState() != GST_STATE_PLAYING);
    QVERIFY(p->ToolPlay->isEnabled() && !p->ToolStop->isEnabled());
    QCOMPARE(selected(), QString("Default"));
    QCOMPARE(p->FPlaylistItems.size(), defaultEntries.size());
    QVERIFY(!selectorLines().contains("STICK(G)"));
    QVERIFY(!QFileInfo::exists(ist("STICK(G).ist")));
    QCOMPARE(p->FPlaylists.size(), selectorLines().size());
    QVERIFY(m_support.dialogs->shown.isEmpty());
}

void TestRemovable::audioCdImageArrivesAndLeaves()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    const QString disc = media("cd/disc.cue");
    m_drives.insert(FakeDrives::medium('H', "Audio CD", disc, DriveKind::CdRom));
    QCOMPARE(selected(), QString("Audio CD(H)"));
    QCOMPARE(shownPaths(),
             (QStringList{disc + "/Track01.cda", disc + "/Track02.cda", disc + "/Track03.cda"}));
    QVERIFY(Frm_playlist->Lst_playlist->line(0).endsWith("Track01.cda"));
    QCOMPARE(p->MediaPlayer->Mode(), mpPlaying);
    QCOMPARE(p->FCurrentItem->Path, disc + "/Track01.cda");

    m_drives.eject('H');
    QCOMPARE(p->MediaPlayer->Mode(), mpStopped);
    QCOMPARE(selected(), QString("Default"));
    QVERIFY(!QFileInfo::exists(ist("Audio CD(H).ist")));
}

void TestRemovable::cueSheetTitlesNameTheTracks()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    const QString disc = media("cd/titled/disc.cue");
    m_drives.insert(FakeDrives::medium('I', "Audio CD", disc, DriveKind::CdRom));
    QCOMPARE(selected(), QString("Audio CD(I)"));
    // Lines and the playlist file name the titled tracks; the paths stay track files.
    const QStringList paths{disc + "/Track01.cda", disc + "/Track02.cda", disc + "/Track03.cda"};
    QCOMPARE(shownPaths(), paths);
    QCOMPARE(pathsIn(ist("Audio CD(I).ist")), paths);
    TListBox* lines = Frm_playlist->Lst_playlist;
    QCOMPARE((QStringList{lines->line(0), lines->line(1), lines->line(2)}),
             (QStringList{"01 First Song", "02 Second Sông", "03 Track03.cda"}));
    // The title panel names the track with its performer, else the disc's.
    QCOMPARE(p->MediaPlayer->Mode(), mpPlaying);
    QCOMPARE(p->pnl_jdl->text(), QString("Singer One - First Song"));
    p->ToolNextClick();
    QTRY_COMPARE(p->pnl_jdl->text(), QString("Disc Artist - Second Sông"));
    p->ToolNextClick();
    QTRY_COMPARE(p->pnl_jdl->text(), QString("Track03.cda"));
    m_drives.eject('I');
    QCOMPARE(p->MediaPlayer->Mode(), mpStopped);
}

void TestRemovable::arrivalWhilePausedResumesThePausedEntry()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    WindowTestSupport::setPlaylist({media("long12.avi")});
    p->ToolPlayClick();
    p->ToolPauseClick();
    QVERIFY(p->FPaused);

    m_drives.insert(FakeDrives::medium('G', "STICK", makeStick()));
    // The stick's playlist is shown, but Play went on with the paused file.
    QCOMPARE(selected(), QString("STICK(G)"));
    QCOMPARE(p->FPlaylistItems.size(), 2);
    QVERIFY(!p->FPaused);
    QCOMPARE(p->FCurrentItem->Path, media("long12.avi"));
    QVERIFY(playingUri().endsWith("long12.avi"));
    QCOMPARE(graphState(), GST_STATE_PLAYING);

    m_drives.eject('G');
    QCOMPARE(selected(), QString("Default"));
    QVERIFY(!QFileInfo::exists(ist("STICK(G).ist")));
}

void TestRemovable::removalWhileSavedPlaylistShownKeepsIt()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    m_drives.insert(FakeDrives::medium('G', "STICK", makeStick()));
    const QString stickFile = p->FCurrentItem->Path;
    // The user saves a list of their own (below the stick's line) and opens it.
    WindowTestSupport::setPlaylist({media("audio.wav"), media("audio.mp3")});
    m_support.dialogs->saveAnswer = ist("Mine.ist");
    TPlaylistStore::savePlaylistCommand(Frm_playlist, p->FSettings, p->FPlaylists,
                                        Frm_playlist->cmb_playlist, p->FPlaylistItems);
    QCOMPARE(selected(), QString("Mine"));
    const int stickLine = selectorLines().indexOf("STICK(G)");
    QCOMPARE(selectorLines().indexOf("Mine"), stickLine + 1);

    m_drives.eject('G');
    QCOMPARE(selected(), QString("Mine"));
    QCOMPARE(Frm_playlist->cmb_playlist->currentIndex(), stickLine);
    QCOMPARE(shownPaths(), (QStringList{media("audio.wav"), media("audio.mp3")}));
    QCOMPARE(p->FPlaylists.at(stickLine).Path, ist("Mine.ist"));
    QVERIFY(!QFileInfo::exists(ist("STICK(G).ist")));
    QVERIFY(QFileInfo::exists(ist("Mine.ist")));
    // Its own list was not the one shown, so what plays goes on.
    QCOMPARE(p->FCurrentItem->Path, stickFile);
    QCOMPARE(graphState(), GST_STATE_PLAYING);
}

void TestRemovable::sameLabelsAndBadCharacters()
{
    const QString stick = makeStick();
    m_drives.insert(FakeDrives::medium('I', "X", stick));
    m_drives.insert(FakeDrives::medium('J', "X", stick));
    m_drives.insert(FakeDrives::medium('K', "AC/DC\nLive", stick));
    QVERIFY(selectorLines().contains("X(I)"));
    QVERIFY(selectorLines().contains("X(J)"));
    // The name keeps the slash and shows the line break as a blank; the file stays
    // in the playlist folder.
    QCOMPARE(selected(), QString("AC/DC Live(K)"));
    QCOMPARE(Frm_PlayerControl->FPlaylists.last().Path, ist("AC_DC Live(K).ist"));
    QCOMPARE(pathsIn(ist("AC_DC Live(K).ist")).size(), 2);
    QCOMPARE(pathsIn(ist("X(I).ist")).size(), 2);
    QCOMPARE(pathsIn(ist("X(J).ist")).size(), 2);

    m_drives.eject('I');
    QVERIFY(!selectorLines().contains("X(I)"));
    QVERIFY(selectorLines().contains("X(J)"));
    QVERIFY(!QFileInfo::exists(ist("X(I).ist")));
    QVERIFY(QFileInfo::exists(ist("X(J).ist")));
    m_drives.take('J');
    m_drives.eject('K');
    QVERIFY(!QFileInfo::exists(ist("X(J).ist")));
    QVERIFY(!QFileInfo::exists(ist("AC_DC Live(K).ist")));
    QCOMPARE(selected(), QString("Default"));

    // A label too long for a file name is cut, the drive letter kept.
    const QString longName = TFrm_PlayerControl::discPlaylistName(QString(300, QChar(0xe9)), 'M');
    const QString path = TFrm_PlayerControl::discPlaylistPath("/tmp", longName);
    QVERIFY(path.endsWith("(M).ist"));
    QVERIFY(QFileInfo(path).fileName().toUtf8().size() <= 255);
}

void TestRemovable::removalAfterOtherNoticeStillTidiesUp()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    m_drives.insert(FakeDrives::medium('G', "STICK", makeStick()));
    p->ToolStopClick();
    // The stick is gone, but the first notice is of another kind: only the rescan runs.
    m_drives.take('G');
    emit m_drives.deviceChange(Platform::kDbtDevNodesChanged);
    QVERIFY(!p->FDiscPlaylists.contains("STICK(G)"));
    QVERIFY(selectorLines().contains("STICK(G)"));
    emit m_drives.deviceChange(Platform::kDbtDeviceRemoveComplete);
    QVERIFY(!selectorLines().contains("STICK(G)"));
    QVERIFY(!QFileInfo::exists(ist("STICK(G).ist")));
    QCOMPARE(selected(), QString("Default"));
}

void TestRemovable::savedPlaylistOfTheSameNameIsKept()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    WindowTestSupport::setPlaylist({media("audio.wav")});
    m_support.dialogs->saveAnswer = ist("SAFE(N).ist");
    TPlaylistStore::savePlaylistCommand(Frm_playlist, p->FSettings, p->FPlaylists,
                                        Frm_playlist->cmb_playlist, p->FPlaylistItems);
    QCOMPARE(selected(), QString("SAFE(N)"));

    m_drives.insert(FakeDrives::medium('N', "SAFE", makeStick()));
    QCOMPARE(pathsIn(ist("SAFE(N).ist")), QStringList{media("audio.wav")});
    QCOMPARE(selectorLines().count("SAFE(N)"), 1);
    m_drives.eject('N');
    QVERIFY(selectorLines().contains("SAFE(N)"));
    QCOMPARE(pathsIn(ist("SAFE(N).ist")), QStringList{media("audio.wav")});
    p->ToolStopClick();
    Frm_playlist->cmb_playlist->setCurrentIndex(0);
    emit Frm_playlist->cmb_playlist->activated(0);
}

void TestRemovable::noticesWaitWhileMediaOpen()
{
    // A stick comes during a wait of the kind a render or a CD stop makes (work on a
    // helper thread, the windows painting), and the system follows the arrival with a
    // node notice.
    const int looksBefore = m_drives.looks;
    QStringList linesMeanwhile{"not looked"};
    int looksMeanwhile = -1;
    QTimer::singleShot(0, this, [this] {
        m_drives.insert(FakeDrives::medium('G', "STICK", makeStick()));
        emit m_drives.deviceChange(Platform::kDbtDevNodesChanged);
    });
    QTimer::singleShot(100, this, [&] {
        linesMeanwhile = selectorLines();
        looksMeanwhile = m_drives.looks;
    });
    Platform::runResponsively([] { QThread::msleep(600); });
    QVERIFY(!linesMeanwhile.contains("STICK(G)") && !linesMeanwhile.contains("not looked"));
    QCOMPARE(looksMeanwhile, looksBefore);

    // Afterwards one rescan serves both, and the arrival plays.
    QTRY_COMPARE(selected(), QString("STICK(G)"));
    QCOMPARE(m_drives.looks, looksBefore + 1);
    QVERIFY(playingUri().endsWith(".mp3") || playingUri().endsWith(".WAV"));
    m_drives.eject('G');
    QCOMPARE(selected(), QString("Default"));
    QVERIFY(!QFileInfo::exists(ist("STICK(G).ist")));
}

void TestRemovable::noticeDuringARescanListsTheMediumOnce()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    // The arrival's rescan lets events run while it searches; a node notice comes then.
    m_drives.onNextLook = [this] {
        QTimer::singleShot(0, this,
                           [this] { emit m_drives.deviceChange(Platform::kDbtDevNodesChanged); });
    };
    const int looksBefore = m_drives.looks;
    m_drives.insert(FakeDrives::medium('G', "STICK", makeStick()));
    QCOMPARE(m_drives.looks, looksBefore + 2);
    QCOMPARE(p->FDiscPlaylists.count("STICK(G)"), 1);
    QCOMPARE(selectorLines().count("STICK(G)"), 1);
    QCOMPARE(p->FPlaylists.size(), selectorLines().size());

    m_drives.eject('G');
    QVERIFY(!selectorLines().contains("STICK(G)"));
    QCOMPARE(p->FPlaylists.size(), selectorLines().size());
}

void TestRemovable::fileNameWithLineBreakIsLeftOutQuietly()
{
    const QString stick = m_trees.filePath("odd");
    QVERIFY(makeFile(stick + "/good.wav", media("audio.wav")));
    QVERIFY(makeFile(stick + "/two\nlines.mp3", media("audio.mp3")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("two lines\\.mp3.*line break"));
    m_drives.insert(FakeDrives::medium('O', "ODD", stick));
    QCOMPARE(selected(), QString("ODD(O)"));
    QCOMPARE(shownPaths(), QStringList{stick + "/good.wav"});
    QVERIFY(playingUri().endsWith("good.wav"));
    QCOMPARE(m_support.dialogs->shown, QStringList());
    m_drives.eject('O');
}

void TestRemovable::discFoldersPlayAsTheirDiscs()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    const QString ifo = media("dvd/VIDEO_TS/VIDEO_TS.IFO");
    const auto playsTheDvd = [&] {
        return p->FCurrentItem && p->FCurrentItem->Path == ifo &&
               DM->FilterGraph1->Mode() == TFilterGraph::gmDVD && graphState() == GST_STATE_PLAYING;
    };
    // A DVD arrives and plays; then the desktop's "Open with" hands over its mount folder.
    m_drives.insert(FakeDrives::medium('P', "FILM", media("dvd"), DriveKind::CdRom));
    QVERIFY(playsTheDvd());
    p->WMCopyData(0, media("dvd").toUtf8());
    QVERIFY(playsTheDvd());
    QCOMPARE(shownPaths().last(), ifo);
    QVERIFY(Frm_playlist->btn_DVD->isEnabled());

    // A Video CD's folder plays its first track.
    p->WMCopyData(0, m_trees.filePath("vcd").toUtf8());
    QCOMPARE(shownPaths().last(), m_trees.filePath("vcd/mpegav/AVSEQ01.DAT"));
    QVERIFY(playingUri().endsWith("AVSEQ01.DAT"));
    QCOMPARE(m_support.dialogs->shown, QStringList());

    // Dropped on the list, the DVD folder gives its volume, not its parts.
    p->ToolStopClick();
    WindowTestSupport::setPlaylist({});
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(media("dvd"))});
    QWidget* target = Frm_playlist->Lst_playlist->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    QCOMPARE(shownPaths(), QStringList{ifo});
    p->ToolPlayClick();
    QVERIFY(playsTheDvd());
    p->ToolStopClick();
    m_drives.eject('P');
    QCOMPARE(m_support.dialogs->shown, QStringList());
}

void TestRemovable::closeDeletesAutomaticPlaylists()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    m_drives.insert(FakeDrives::medium('G', "STICK", makeStick()));
    QCOMPARE(selected(), QString("STICK(G)"));
    p->close();
    for (const char* name : {"MOVIE(E).ist", "VIDEOCD(F).ist", "STICK(G).ist"})
        QVERIFY2(!QFileInfo::exists(ist(name)), name);
    QFile index(ist("Playlist.dat"));
    QVERIFY(index.open(QIODevice::ReadOnly));
    const QByteArray saved = index.readAll();
    QVERIFY(saved.contains("Default"));
    QVERIFY(saved.contains("Mine") && saved.contains("SAFE(N)"));
    QVERIFY(!saved.contains("(E)") && !saved.contains("(F)") && !saved.contains("(G)"));
    QCOMPARE(p->FSettings.ReadString("playlist", "last playlist", QString()), ist("Default.ist"));

    // A notice after the close writes nothing back.
    const int looks = m_drives.looks;
    m_drives.insert(FakeDrives::medium('R', "LATE", makeStick()));
    QCoreApplication::processEvents();
    QCOMPARE(m_drives.looks, looks);
    for (const char* name : {"MOVIE(E).ist", "VIDEOCD(F).ist", "STICK(G).ist", "LATE(R).ist"})
        QVERIFY2(!QFileInfo::exists(ist(name)), name);
}

QTEST_MAIN(TestRemovable)
#include "test_removable.moc"
