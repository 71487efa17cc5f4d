// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The player control window: the program's main window, the entry being played, and
// the commands that open, run and stop it.

#include "engine/DSTypes.h"
#include "engine/MediaTags.h"
#include "platform/Drives.h"
#include "platform/IniFile.h"
#include "player/DiscPlaylistRecord.h"
#include "player/ResumeStore.h"
#include "player/TTimeLabel.h"
#include "playlist/PlaylistStore.h"
#include "playlist/Tfile.h"

#include <QByteArray>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QMouseEvent;
class QSlider;
class QTimer;
class QToolBar;
class QToolButton;
class TDSTrackBar;
class TMediaPlayer;
class TRadioGroup;
struct CdText;
class DiscNames;
namespace Platform {
class DriveSource;
class HandOverReceiver;
} // namespace Platform

class TFrm_PlayerControl : public QWidget {
    Q_OBJECT
public:
    explicit TFrm_PlayerControl(QWidget* parent = nullptr);
    ~TFrm_PlayerControl() override;

    // Controls
    QWidget* CoolBar1;
    QLabel* pnl_jdl;
    QFrame* Panel1;
    TTimeLabel* lbl_elepased;
    TDSTrackBar* DSTrackBar1;
    QSlider* TrackBar1;
    QToolBar* ToolControl;
    QToolButton* ToolPrev;
    QToolButton* ToolPlay;
    QToolButton* ToolPause;
    QToolButton* ToolStop;
    QToolButton* ToolNext;
    QWidget* ToolButton6;
    QToolButton* ToolFullScreen;
    QToolButton* ToolButton1;
    QWidget* ToolButton2;
    QToolButton* Tool_help;
    QToolButton* ToolAbout;
    TRadioGroup* rad_play;
    QFrame* Panel2;
    QLabel* Label1;
    QSlider* Track_Volume;
    QCheckBox* cmb_mute;
    TMediaPlayer* MediaPlayer;

    // State shared with the playlist window, the data module and the video window
    QStringList FCommandFiles;
    bool FFullScreen = false;
    bool FTrackUpdating = false;
    TFileList FPlaylistItems;
    bool FPaused = false;
    TfilePtr FCurrentItem;
    int FCurrentIndex = -1;
    QStringList FMediaExtensions;
    QStringList FDiscPlaylists;
    TPlaylistFileList FPlaylists;
    IniFile FSettings;
    // Takes the files of later starts; closed first when the window closes.
    Platform::HandOverReceiver* FReceiver = nullptr;

    // Creation, first showing, hand-over
    void FormCreate();
    void FormShow();
    void WMCopyData(quint32 dwData, const QByteArray& lpData);
    void PlayReceivedFile(const QString& fileName);
    // The files the start-up plays, already absolute; by default the program's own
    // arguments.
    void setCommandLineFiles(const QStringList& files) { m_commandLineFiles = files; }
    // Closed (and saved) already, and the program's exit code from that: 1 when a save
    // failed.
    bool hasClosed() const { return m_closed; }
    int closeResult() const { return m_closeResult; }

    // Play pipeline
    void ToolPlayClick();
    void OpenInFilterGraph(const QString& FileName);
    void OpenCdTrack(TMediaPlayer* player, const QString& FileName);
    int get_track() const;

    // Transport
    void ToolPauseClick();
    void ToolStopClick();
    void ToolNextClick();
    void ToolPrevClick();
    void MediaPlayerNotify();
    void SetCdVolume(TMediaPlayer* player, int Value);

    // Names for what plays: tags of a file or CD-Text of a track (empty for a DVD),
    // and the title panel's text from them, else the entry's Name.
    MediaTags playingTags() const;
    QString playingTitle() const;
    // An audio CD track's line in its automatic playlist: "03 - Title" when known.
    static QString cdEntryName(const CdText& text, int track, const QString& name);
    // The names of the audio CD at root: its CD-Text or cue titles, else what
    // MusicBrainz gave (asked now when lookUp and not yet known).
    CdText discTrackNames(const QString& root, bool lookUp) const;
    DiscNames& discNames() const;

    // Removable media
    static bool IsDvdRoot(const QString& Root);
    static bool IsVideoCdRoot(const QString& Root);
    void BuildDiscPlaylists(const QString& Folder, QStringList& Names, QStringList& Extensions);
    void WMDeviceChange(int wParam);
    // The drives and their notices; without a source there are no drives. Not owned.
    void setDriveSource(Platform::DriveSource* source);
    // The .ist file of an automatic playlist: the name made safe as a file name.
    static QString discPlaylistPath(const QString& folder, const QString& name);
    // A medium's playlist name: its label, with control characters made visible
    // blanks, and its drive letter.
    static QString discPlaylistName(const QString& label, QChar letter);

    // Window commands
    void ToolControlResize();
    void ToolButton1Click();
    void Tool_helpClick();
    void ToolAboutClick();
    void ToolFullScreenClick();

    // Time display
    void DSTrackBar1Timer(TDSTrackBar* Sender, quint32 CurrentPos, quint32 StopPos);
    static QString FormatMinSec(qint64 Milliseconds);
    // Media time in 100-ns units as "%d:%2.2d:%2.2d".
    static QString formatHms(std::int64_t units);
    // The time label's text: elapsed (never past the total) " / " total.
    static QString elapsedText(std::int64_t position, std::int64_t duration);
    static quint16 mixerValue(int sliderPosition);
    void TrackBar1Change();
    void Track_VolumeChange();
    void cmb_muteClick();
    void ShowVolumeOverlay();
    // The transient volume bar over the video, or null before the first change.
    QWidget* volumeOverlay() const { return m_volumeOverlay; }
    void Panel1MouseDown(QMouseEvent* event);

    // Resume: long media files continue where they stopped, each named playlist focuses
    // the line it played last.
    // Opens the focused entry afresh from its beginning (the video menu's item).
    void playFromStart();
    // Focuses the line the chosen playlist played last, without playing it.
    void focusRememberedLine();
    // The file came to its end: nothing to come back to.
    void forgetFinishedFile();
    // The audio CD's once-a-second share of the device tick: keeps the disc's place.
    void cdResumeTick(qint64 elapsedMs, qint64 lengthMs);
    // DVDs: each second of a title.
    void dvdResumeTick(int title, qint64 nowMs, qint64 totalMs);

    // The kind of an entry: the lower-cased text from the last "." of its path.
    static QString kindOf(const QString& path);
    // The messages for a DVD render result, and whether the DVD starts anyway.
    struct DvdRenderReaction {
        QStringList messages;
        bool start = false;
    };
    static DvdRenderReaction dvdRenderReaction(HRESULT hr, const AM_DVD_RENDERSTATUS& status,
                                               const QString& vpeText);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createBands();
    void createToolBar();
    QToolButton* toolButton(const QString& hint, int image, bool enabled,
                            void (TFrm_PlayerControl::*handler)());
    void enableTransport(bool play, bool pause, bool stop);
    void setPlayingState();
    void setStoppedState();
    // Sets the CD bar's range without taking the move of its value for a seek.
    void setCdBarRange(int maximum);
    void redirectDvdPart();
    void startDvd();
    // False when a save failed (already reported).
    bool FormClose();
    // Shows every file given so far in place of the list, marks one line (-1: the
    // last) and presses Play.
    void playCommandFiles(int lineToMark);
    // Appends to FCommandFiles what a playlist can hold; the rest is refused with a
    // message. False when nothing was appended.
    bool takeCommandFiles(const QStringList& files);
    // Frames answered but not handled when the window closes join the list to be saved.
    void takePendingHandOvers();
    void readMixerAtStart();
    // Start-up: the automatic playlists of the media present join the selector.
    void addDiscPlaylistsAtStart();
    // Close: the automatic playlists and their files go.
    void dropDiscPlaylists();
    void joinDiscPlaylists(const QString& folder);
    void discArrived(const QString& folder);
    void discsRemoved();
    void dropDiscPlaylist(const QString& name);
    bool isUserPlaylist(const QString& path) const;
    // Names from MusicBrainz rename the disc's automatic playlist entries.
    void discNamesArrived(const QString& root);
    void renameCdEntries(const TFileList& entries, const CdText& text) const;
    // Handles the notices held so far with one rescan, or holds them on while media
    // are being opened or stopped.
    void handleDeviceNotices();
    // Start-up: automatic playlist files a run left behind without its close go.
    void forgetLeftoverDiscPlaylists();

    void openResumeStore();
    void rememberPositionAt(qint64 positionMs, qint64 durationMs);
    void rememberPosition();
    // Before what plays is stopped or closed: its point is kept and written.
    void leaveResumePoint();
    void resumeTick(quint32 currentMs, quint32 stopMs);
    bool takeFromStartRequest();
    void seekToResumePoint(const QString& FileName);
    void rememberPlaylistLine();
    // Audio CD tracks: the place is kept per disc, by its table of contents.
    void redirectToRememberedTrack(const QString& discBefore);
    qint64 cdResumeOffset(const QString& trackPath);
    void startDvdResume(const QString& FileName);

    bool m_shown = false;
    QPointer<Platform::DriveSource> m_drives;
    // The drives as the latest scan found them: a disc that plays was scanned first
    // (at start-up or on its arrival), so opening a file need not look again.
    QList<Platform::DriveInfo> m_scannedDrives;
    // The automatic playlists this run put into the selector, the ones a removal or
    // the close may take out again.
    QStringList m_autoPlaylists;
    // The automatic playlist files on disk, remembered across runs.
    DiscPlaylistRecord m_discRecord;
    mutable DiscNames* m_discNames = nullptr; // made on first use
    QList<int> m_heldNotices;
    bool m_noticeRetry = false;
    bool m_closed = false;
    int m_closeResult = 0;
    bool m_storeOpened = false;
    QStringList m_commandLineFiles;
    bool m_openFailed = false; // the last fresh open showed an error
    QPointer<QWidget> m_volumeOverlay; // owned by the window showing the picture
    QTimer* m_volumeOverlayTimer = nullptr;
    ResumeStore m_resume;
    QString m_resumePath;       // the media file opened last, empty for discs
    bool m_resumeReady = false; // its position is where the user is, not the open's
    bool m_openFromStart = false;
    bool m_playFromStart = false;
    bool m_playShift = false; // Shift held on the Play button's last press
    QString m_resumeNotice;
    int m_resumeNoticeTicks = 0;
    QString m_cdResumeDisc; // the disc ID of the CD track opened last, else empty
    int m_cdResumeTrack = 0;
    qint64 m_cdResumeSecond = -1; // the tick acts once a second of the track
    QString m_cdTitleText;        // the title panel's text under the notice
    // A DVD goes back to its place in two steps: into the title once the disc opened,
    // then to the time once that title plays.
    enum class DvdResumeStage { None, ToTime };
    QString m_dvdResumeDisc;
    DvdResumeStage m_dvdResumeStage = DvdResumeStage::None;
    ResumeStore::DiscPlace m_dvdResumePlace;
    qint64 m_dvdResumeSecond = -1;
};

extern TFrm_PlayerControl* Frm_PlayerControl;
