// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up and close as a user meets them: what the windows show and what the close
// leaves on disk, with the profile's files in good and in bad shape. This binary is also
// a player run killed by the test (--killed-run-child).
#include "../TestFiles.h"
#include "FakeDrives.h"
#include "RecordingDialogs.h"
#include "app/Program.h"
#include "datamodule/Un_dm.h"
#include "engine/TFilterGraph.h"
#include "platform/Signals.h"
#include "player/Un_Mediactr.h"
#include "playlist/Un_Playlist.h"
#include "playlist/Un_playlist_entry.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <gst/gst.h>
#include <sys/resource.h>

namespace {

// A file size limit makes every save fail in its final flush, as a full disk does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit small = m_saved;
        small.rlim_cur = bytes;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};

// A short silent WAV: a medium's file that really plays.
QByteArray silentWav()
{
    constexpr quint32 kRate = 8000, kSamples = 800;
    QByteArray bytes;
    const auto u32 = [&bytes](quint32 v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&bytes](quint16 v) { bytes.append(reinterpret_cast<const char*>(&v), 2); };
    bytes += "RIFF";
    u32(36 + kSamples);
    bytes += "WAVEfmt ";
    u32(16), u16(1), u16(1), u32(kRate), u32(kRate), u16(1), u16(8);
    bytes += "data";
    u32(kSamples);
    return bytes + QByteArray(kSamples, char(0x80));
}

// A running player with a stick labelled MUSIC in D, a stick SAFE in E; says "ready"
// once the start-up wrote the automatic playlists, then waits to be killed.
int killedRunChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    RecordingDialogs dialogs;
    FakeDrives drives;
    drives.put(FakeDrives::medium('D', "MUSIC", QString::fromLocal8Bit(argv[2])));
    drives.put(FakeDrives::medium('E', "SAFE", QString::fromLocal8Bit(argv[2])));
    createApplicationObjects();
    Frm_PlayerControl->setCommandLineFiles({});
    Frm_PlayerControl->setDriveSource(&drives);
    Frm_PlayerControl->show();
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}

} // namespace

class TestStartClose : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { gst_init(nullptr, nullptr); }
    void init();
    void cleanup();

    void defaultIsSavedByTheChosenItemNotTheTypedText();
    void aFailedChoiceKeepsThePreviousPlaylist();
    void eachCloseWriteIsTriedOnItsOwn();
    void aStoreThatNeverOpenedIsNotWrittenOver();
    void aFullDiskKeepsTheOldFilesAndIsReported();
    void lineBreaksInNamesAreRefusedWhereTheyComeIn();
    void namesAreCutOnlyAtSlashes();
    void playlistDialogsNameThisPlayersFiles();
    void aKilledRunLeavesNoStaleDiscPlaylist();
    void aDvdFolderOnTheCommandLinePlaysTheDisc();
    // Last: after a termination request the process shows no dialog any more.
    void aTerminationRequestClosesAnOpenFileDialogAndSaves();

private:
    // The program's objects made as at start-up, on the profile prepared so far.
    void startPlayer(Platform::DriveSource* drives = nullptr, const QStringList& files = {});
    void closePlayer();
    QStringList listLines() const { return Frm_playlist->Lst_playlist->lines(); }

    std::unique_ptr<QTemporaryDir> m_profile;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    QString m_data; // <profile>/Lumeno
    QString m_pl;   // the playlist folder
    bool m_running = false;
};

void TestStartClose::init()
{
    m_profile = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_profile->path().toUtf8());
    qputenv("LUMENO_MIXER_DEVICE", "null"); // never this machine's own volume
    m_data = m_profile->path() + "/Lumeno";
    m_pl = m_data + "/Playlist";
    // Every start here opens media afresh, never where an earlier start left it.
    writeBytes(m_data + "/resume.ini", "[Resume]\nEnabled=false\n[Places]\n[End]\n");
    m_dialogs = std::make_unique<RecordingDialogs>();
}

void TestStartClose::cleanup()
{
    if (m_running) {
        closePlayer();
    }
    m_dialogs.reset();
}

void TestStartClose::startPlayer(Platform::DriveSource* drives, const QStringList& files)
{
    createApplicationObjects();
    Frm_PlayerControl->setCommandLineFiles(files);
    Frm_PlayerControl->setDriveSource(drives);
    Frm_PlayerControl->show();
    m_running = true;
}

void TestStartClose::closePlayer()
{
    Frm_PlayerControl->close();
    QVERIFY(Frm_PlayerControl->hasClosed());
    destroyApplicationObjects();
    m_running = false;
}

void TestStartClose::defaultIsSavedByTheChosenItemNotTheTypedText()
{
    startPlayer();
    QCOMPARE(Frm_playlist->cmb_playlist->currentText(), QString("Default"));
    m_dialogs->openAnswer = {"/m/one.mp3", "/m/two.mp3"};
    DM->Add_fileClick();
    QCOMPARE(listLines(), (QStringList{"01 one.mp3", "02 two.mp3"}));
    // One keystroke in the name box, never confirmed.
    QTest::keyClicks(Frm_playlist->cmb_playlist->lineEdit(), "x");
    QCOMPARE(Frm_playlist->cmb_playlist->currentText(), QString("Defaultx"));
    closePlayer();
    QCOMPARE(bytesOf(m_pl + "/Default.ist"), QByteArray("one.mp3\r\n/m/one.mp3\r\n"
                                                        "two.mp3\r\n/m/two.mp3\r\n"));
}

void TestStartClose::aFailedChoiceKeepsThePreviousPlaylist()
{
    writeBytes(m_pl + "/Default.ist", "a.mp3\r\n/m/a.mp3\r\n");
    writeBytes(m_pl + "/Rock.ist", "r.mp3\r\n/m/r.mp3\r\n");
    startPlayer();
    QComboBox* names = Frm_playlist->cmb_playlist;
    QCOMPARE(names->count(), 2);
    QCOMPARE(names->currentText(), QString("Default"));
    QFile::remove(m_pl + "/Rock.ist"); // gone after the start

    QTest::keyClick(names->lineEdit(), Qt::Key_Down); // the user chooses "Rock"
    QCOMPARE(m_dialogs->shown.size(), 1);
    QVERIFY(m_dialogs->shown.first().contains("Rock.ist"));
    QCOMPARE(names->currentIndex(), 0);
    QCOMPARE(names->currentText(), QString("Default"));
    QCOMPARE(listLines(), QStringList{"01 a.mp3"});

    m_dialogs->openAnswer = {"/m/b.mp3"};
    DM->Add_fileClick();
    closePlayer();
    QCOMPARE(bytesOf(m_pl + "/Default.ist"),
             QByteArray("a.mp3\r\n/m/a.mp3\r\nb.mp3\r\n/m/b.mp3\r\n"));
    QVERIFY(bytesOf(m_data + "/indo.ini")
                .contains("last playlist=" + m_pl.toUtf8() + "/Default.ist\r\n"));
}

void TestStartClose::eachCloseWriteIsTriedOnItsOwn()
{
    writeBytes(m_pl + "/Rock.ist", "");
    startPlayer();
    // Room for the small files but not for the settings file, the largest of the three.
    const qint64 iniSize = QFileInfo(m_data + "/indo.ini").size();
    QVERIFY(QFileInfo(m_pl + "/Playlist.dat").size() < iniSize - 60);
    const QByteArray ini = bytesOf(m_data + "/indo.ini");
    m_dialogs->openAnswer = {"/m/kept.mp3"};
    DM->Add_fileClick();
    {
        const FileSizeLimit nearlyFull(rlim_t(iniSize - 1));
        Frm_PlayerControl->close();
    }
    QCOMPARE(Frm_PlayerControl->closeResult(), 1);
    QCOMPARE(m_dialogs->shown.size(), 1);
    QVERIFY(m_dialogs->shown.first().contains("indo.ini"));
    QCOMPARE(bytesOf(m_data + "/indo.ini"), ini);
    QCOMPARE(bytesOf(m_pl + "/Default.ist"), QByteArray("kept.mp3\r\n/m/kept.mp3\r\n"));
    QCOMPARE(bytesOf(m_pl + "/Playlist.dat"), "Default\r\n" + m_pl.toUtf8() +
                                                  "/Default.ist\r\nRock\r\n" + m_pl.toUtf8() +
                                                  "/Rock.ist\r\n");
}

void TestStartClose::aStoreThatNeverOpenedIsNotWrittenOver()
{
    // A settings file naming a playlist folder elsewhere, and the usual playlist folder
    // unusable: the store fails to open at start.
    const QString elsewhere = m_profile->path() + "/elsewhere";
    const QByteArray index = "Default\r\n" + elsewhere.toUtf8() + "/Default.ist\r\n";
    const QByteArray ini = "[playlist]\r\nplaylist directory=" + elsewhere.toUtf8() +
                           "\r\nlast playlist=" + elsewhere.toUtf8() + "/Default.ist\r\n";
    writeBytes(elsewhere + "/Playlist.dat", index);
    writeBytes(elsewhere + "/Default.ist", "a.mp3\r\n/m/a.mp3\r\n");
    writeBytes(m_data + "/indo.ini", ini);
    writeBytes(m_pl, "not a folder");
    startPlayer();
    QCOMPARE(Frm_PlayerControl->FPlaylists.size(), 0);
    closePlayer();
    QCOMPARE(bytesOf(m_data + "/indo.ini"), ini + "[Application]\r\nApplication Path=" +
                                                QCoreApplication::applicationDirPath().toUtf8() +
                                                "/\r\nData Path=" + m_data.toUtf8() + "\r\n");
    QCOMPARE(bytesOf(elsewhere + "/Playlist.dat"), index);
    QCOMPARE(bytesOf(elsewhere + "/Default.ist"), QByteArray("a.mp3\r\n/m/a.mp3\r\n"));
}

void TestStartClose::aFullDiskKeepsTheOldFilesAndIsReported()
{
    writeBytes(m_pl + "/Default.ist", "old.mp3\r\n/m/old.mp3\r\n");
    startPlayer();
    const QByteArray ini = bytesOf(m_data + "/indo.ini");
    const QByteArray index = bytesOf(m_pl + "/Playlist.dat");
    QVERIFY(ini.size() > 100);
    m_dialogs->openAnswer = {"/m/new.mp3"};
    DM->Add_fileClick();
    {
        const FileSizeLimit full(16);
        Frm_PlayerControl->close();
    }
    QCOMPARE(Frm_PlayerControl->closeResult(), 1);
    QCOMPARE(bytesOf(m_data + "/indo.ini"), ini);
    QCOMPARE(bytesOf(m_pl + "/Playlist.dat"), index);
    QCOMPARE(bytesOf(m_pl + "/Default.ist"), QByteArray("old.mp3\r\n/m/old.mp3\r\n"));
    QCOMPARE(m_dialogs->shown.size(), 1);
    QVERIFY2(m_dialogs->shown.first().startsWith("error: "), qPrintable(m_dialogs->shown.first()));
    for (const char* file : {"indo.ini", "Playlist.dat", "Default.ist"}) {
        QVERIFY2(m_dialogs->shown.first().contains(file), file);
    }
}

void TestStartClose::lineBreaksInNamesAreRefusedWhereTheyComeIn()
{
    startPlayer();
    TFrm_PlayerControl* p = Frm_PlayerControl;
    m_dialogs->openAnswer = {"/m/a.mp3", "/m/two\nlines.mp3", "/m/cr\r.mp3", "/m/c.mp3"};
    DM->Add_fileClick();
    QCOMPARE(listLines(), (QStringList{"01 a.mp3", "02 c.mp3"}));
    QCOMPARE(m_dialogs->shown.size(), 1);
    QVERIFY(m_dialogs->shown.first().contains("line break"));
    QVERIFY(m_dialogs->shown.first().contains("/m/two lines.mp3"));

    // Handed over by a later start: refused before it joins the files received.
    p->WMCopyData(0, "/m/hand\nover.mp3");
    QCOMPARE(m_dialogs->shown.size(), 2);
    QVERIFY(p->FCommandFiles.isEmpty());
    QCOMPARE(listLines(), (QStringList{"01 a.mp3", "02 c.mp3"}));

    // A playlist file named with a line break is neither written nor listed.
    m_dialogs->saveAnswer = m_pl + "/Party\nNight.ist";
    DM->MenuItem2Click();
    QCOMPARE(m_dialogs->shown.size(), 3);
    QCOMPARE(Frm_playlist->cmb_playlist->count(), 1);
    QCOMPARE(QDir(m_pl).entryList({"*.ist"}), QStringList{"Default.ist"});

    // The entry dialog keeps a pasted line break out of the entry.
    Frm_playlist_entry->EditFile(p->FPlaylistItems.at(1));
    Frm_playlist_entry->Edt_new->setText("/m/c\n.mp3");
    QTest::mouseClick(Frm_playlist_entry->Btn_ok, Qt::LeftButton);
    QCOMPARE(m_dialogs->shown.size(), 4);
    QCOMPARE(p->FPlaylistItems.at(1)->Path, QString("/m/c.mp3"));

    closePlayer();
    QCOMPARE(bytesOf(m_pl + "/Default.ist"),
             QByteArray("a.mp3\r\n/m/a.mp3\r\nc.mp3\r\n/m/c.mp3\r\n"));
}

void TestStartClose::namesAreCutOnlyAtSlashes()
{
    const QString live = m_profile->path() + "/Live: 1\\2.ist";
    writeBytes(live, "");
    startPlayer();
    m_dialogs->openAnswer = {"/m/01: Intro.mp3", "/m/AC\\DC - T.N.T.mp3"};
    DM->Add_fileClick();
    QCOMPARE(listLines(), (QStringList{"01 01: Intro.mp3", "02 AC\\DC - T.N.T.mp3"}));
    m_dialogs->openAnswer = {live};
    DM->MenuItem1Click();
    QCOMPARE(Frm_playlist->cmb_playlist->currentText(), QString("Live: 1\\2"));
}

void TestStartClose::playlistDialogsNameThisPlayersFiles()
{
    startPlayer();
    m_dialogs.reset(); // the program's own file dialogs
    QStringList filters;
    const auto readAndCancel = [&filters]() {
        QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* shown = dialog->findChild<QComboBox*>("fileTypeCombo");
        filters << (shown ? shown->currentText() : "<no filter box>");
        dialog->reject();
    };
    QTimer::singleShot(0, this, readAndCancel);
    DM->MenuItem1Click();
    QTimer::singleShot(0, this, readAndCancel);
    DM->MenuItem2Click();
    QCOMPARE(filters, (QStringList{"Lumeno Playlist (*.ist)", "Lumeno Playlist (*.ist)"}));
    m_dialogs = std::make_unique<RecordingDialogs>();
}

void TestStartClose::aKilledRunLeavesNoStaleDiscPlaylist()
{
    // The user's own playlist SAFE(E), saved before; a stick MUSIC in the killed run.
    writeBytes(m_pl + "/SAFE(E).ist", "mine.mp3\r\n/m/mine.mp3\r\n");
    writeBytes(m_pl + "/Playlist.dat", "Default\r\n" + m_pl.toUtf8() +
                                           "/Default.ist\r\nSAFE(E)\r\n" + m_pl.toUtf8() +
                                           "/SAFE(E).ist\r\n");
    QTemporaryDir sticks;
    writeBytes(sticks.filePath("first/first.wav"), silentWav());
    writeBytes(sticks.filePath("second/second.wav"), silentWav());
    QProcess run;
    run.start(QCoreApplication::applicationFilePath(),
              {"--killed-run-child", sticks.filePath("first")});
    QVERIFY(run.waitForStarted());
    while (!run.canReadLine() && run.waitForReadyRead(20000)) {
    }
    QCOMPARE(run.readLine().trimmed(), QByteArray("ready"));
    QVERIFY(QFileInfo::exists(m_pl + "/MUSIC(D).ist"));
    ::kill(pid_t(run.processId()), SIGKILL);
    QVERIFY(run.waitForFinished());
    QCOMPARE(run.exitStatus(), QProcess::CrashExit);

    // The next start, with the first stick taken out: its list is gone, the user's stays.
    FakeDrives drives;
    startPlayer(&drives);
    QStringList lines;
    for (int i = 0; i < Frm_playlist->cmb_playlist->count(); ++i)
        lines << Frm_playlist->cmb_playlist->itemText(i);
    QCOMPARE(lines, (QStringList{"Default", "SAFE(E)"}));
    QVERIFY(!QFileInfo::exists(m_pl + "/MUSIC(D).ist"));
    QCOMPARE(bytesOf(m_pl + "/SAFE(E).ist"), QByteArray("mine.mp3\r\n/m/mine.mp3\r\n"));

    // Another stick labelled MUSIC lists and plays its own file.
    drives.insert(FakeDrives::medium('D', "MUSIC", sticks.filePath("second")));
    QCOMPARE(Frm_playlist->cmb_playlist->currentText(), QString("MUSIC(D)"));
    QCOMPARE(listLines(), QStringList{"01 second.wav"});
    QCOMPARE(m_dialogs->shown, QStringList());
    closePlayer();
    QVERIFY(!bytesOf(m_pl + "/Playlist.dat").contains("MUSIC"));
    QVERIFY(!QFileInfo::exists(m_pl + "/MUSIC(D).ist"));
}

void TestStartClose::aDvdFolderOnTheCommandLinePlaysTheDisc()
{
    const QString dvd = QStringLiteral(LUMENO_MEDIA_DIR "/dvd");
    startPlayer(nullptr, {dvd});
    QCOMPARE(listLines(), QStringList{"01 VIDEO_TS.IFO"});
    QCOMPARE(Frm_PlayerControl->FCurrentItem->Path, dvd + "/VIDEO_TS/VIDEO_TS.IFO");
    QCOMPARE(DM->FilterGraph1->Mode(), TFilterGraph::gmDVD);
    QVERIFY(DM->FilterGraph1->Active());
    QCOMPARE(m_dialogs->shown, QStringList());
    closePlayer();
}

void TestStartClose::aTerminationRequestClosesAnOpenFileDialogAndSaves()
{
    QVERIFY(Platform::onTerminationRequest(closeOnTerminationRequest));
    startPlayer();
    m_dialogs->openAnswer = {"/m/a.mp3"};
    DM->Add_fileClick();
    m_dialogs.reset(); // the program's own file dialog, left open by the user
    QTimer::singleShot(0, this, [] {
        QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
        std::raise(SIGTERM);
    });
    DM->Add_fileClick(); // returns once the request has closed the dialog
    QVERIFY(Frm_PlayerControl->hasClosed());
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(bytesOf(m_pl + "/Default.ist"), QByteArray("a.mp3\r\n/m/a.mp3\r\n"));
    QCOMPARE(Frm_PlayerControl->FPlaylistItems.size(), 1);
    destroyApplicationObjects();
    m_running = false;
}

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--killed-run-child") == 0)
        return killedRunChild(argc, argv);
    QApplication app(argc, argv);
    TestStartClose test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_startclose.moc"
