// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/Un_Mediactr.h"

#include "about/Un_About.h"
#include "datamodule/Icons.h"
#include "datamodule/Un_dm.h"
#include "engine/TDSTrackBar.h"
#include "engine/TMediaPlayer.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/HandOver.h"
#include "platform/SystemConfig.h"
#include "player/TRadioGroup.h"
#include "playlist/FileGathering.h"
#include "playlist/PlaylistOps.h"
#include "playlist/Un_Playlist.h"
#include "video/Un_VidDisplay.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TFrm_PlayerControl* Frm_PlayerControl = nullptr;

namespace {
constexpr int kBandHeightTitle = 33;
constexpr int kBandHeightBars = 30;
constexpr int kBandHeightTools = 30;
constexpr int kBandHeightOrder = 40;
} // namespace

TFrm_PlayerControl::TFrm_PlayerControl(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TFrm_PlayerControl"));
    setWindowTitle(QStringLiteral("Player Control - Lumeno"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setGeometry(284, 484, 430, 171);
    createBands();
    MediaPlayer = new TMediaPlayer(this);
    MediaPlayer->OnNotify = [this](TMediaPlayer*) { MediaPlayerNotify(); };
    m_commandLineFiles = Platform::absolutePaths(QCoreApplication::arguments().mid(1));
    FormCreate();
}

TFrm_PlayerControl::~TFrm_PlayerControl() = default;

QToolButton* TFrm_PlayerControl::toolButton(const QString& hint, int image, bool enabled,
                                            void (TFrm_PlayerControl::*handler)())
{
    auto* button = new QToolButton(ToolControl);
    button->setToolTip(hint);
    // The button shows only its picture: a screen reader names it by its hint.
    button->setAccessibleName(hint);
    button->setIcon(Icons::transportIcon(image));
    button->setEnabled(enabled);
    button->setCursor(Qt::PointingHandCursor);
    button->setAutoRaise(true);
    button->setFixedHeight(23);
    connect(button, &QToolButton::clicked, this, handler);
    ToolControl->addWidget(button);
    return button;
}

void TFrm_PlayerControl::createToolBar()
{
    ToolControl = new QToolBar(CoolBar1);
    ToolControl->setFixedHeight(kBandHeightTools);
    ToolControl->setIconSize(QSize(16, 16));
    ToolControl->setStyleSheet(QStringLiteral("QToolBar { border: 0px; spacing: 0px; }"));
    auto separator = [this](int width) {
        auto* gap = new QWidget(ToolControl);
        gap->setFixedWidth(width);
        ToolControl->addWidget(gap);
        return gap;
    };
    ToolPrev = toolButton(QStringLiteral("Prev Tract"), Icons::kPrevious, false,
                          &TFrm_PlayerControl::ToolPrevClick);
    ToolPlay =
        toolButton(QStringLiteral("Play"), Icons::kPlay, true, &TFrm_PlayerControl::ToolPlayClick);
    ToolPause = toolButton(QStringLiteral("Pause"), Icons::kPause, false,
                           &TFrm_PlayerControl::ToolPauseClick);
    ToolStop =
        toolButton(QStringLiteral("Stop"), Icons::kStop, false, &TFrm_PlayerControl::ToolStopClick);
    ToolNext = toolButton(QStringLiteral("Next Tract"), Icons::kNext, true,
                          &TFrm_PlayerControl::ToolNextClick);
    ToolButton6 = separator(14);
    ToolFullScreen = toolButton(QStringLiteral("Full Screen"), Icons::kFullScreen, true,
                                &TFrm_PlayerControl::ToolFullScreenClick);
    ToolButton1 = toolButton(QStringLiteral("Playlist"), Icons::kPlaylist, true,
                             &TFrm_PlayerControl::ToolButton1Click);
    ToolButton2 = separator(8);
    Tool_help =
        toolButton(QStringLiteral("Help"), Icons::kHelp, true, &TFrm_PlayerControl::Tool_helpClick);
    ToolAbout = toolButton(QStringLiteral("About"), Icons::kAbout, true,
                           &TFrm_PlayerControl::ToolAboutClick);
    ToolControl->installEventFilter(this);
    ToolPlay->installEventFilter(this);
}

void TFrm_PlayerControl::createBands()
{
    CoolBar1 = new QWidget(this);
    auto* bands = new QVBoxLayout(CoolBar1);
    bands->setContentsMargins(4, 2, 4, 2);
    bands->setSpacing(2);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(CoolBar1);

    pnl_jdl = new QLabel(QStringLiteral("Lumeno"), CoolBar1);
    pnl_jdl->setFrameShape(QFrame::Panel);
    pnl_jdl->setFrameShadow(QFrame::Sunken);
    pnl_jdl->setAlignment(Qt::AlignCenter);
    pnl_jdl->setMinimumHeight(kBandHeightTitle);
    pnl_jdl->setStyleSheet(
        QStringLiteral("QLabel { background: #101820; color: #7fd0ff; font-weight: bold; }"));
    bands->addWidget(pnl_jdl);

    Panel1 = new QFrame(CoolBar1);
    Panel1->setFixedHeight(kBandHeightBars);
    Panel1->installEventFilter(this);
    auto* bars = new QHBoxLayout(Panel1);
    bars->setContentsMargins(8, 2, 8, 2);
    DSTrackBar1 = new TDSTrackBar(Panel1);
    DSTrackBar1->setFilterGraph(DM->FilterGraph1);
    DSTrackBar1->OnTimer = [this](TDSTrackBar* s, quint32 c, quint32 d) {
        DSTrackBar1Timer(s, c, d);
        resumeTick(c, d); // the same once-a-second tick keeps the resume point
    };
    DSTrackBar1->setAccessibleName(QStringLiteral("Position"));
    TrackBar1 = new QSlider(Qt::Horizontal, Panel1);
    TrackBar1->setAccessibleName(QStringLiteral("Position"));
    TrackBar1->setTickPosition(QSlider::NoTicks);
    TrackBar1->hide();
    connect(TrackBar1, &QSlider::valueChanged, this, &TFrm_PlayerControl::TrackBar1Change);
    lbl_elepased = new TTimeLabel(QStringLiteral("00:00 / 00:00"), Panel1);
    bars->addWidget(DSTrackBar1, 1);
    bars->addWidget(TrackBar1, 1);
    bars->addWidget(lbl_elepased);
    bands->addWidget(Panel1);

    createToolBar();
    bands->addWidget(ToolControl);

    auto* lastRow = new QHBoxLayout();
    rad_play = new TRadioGroup(
        QStringLiteral("Play Order"),
        {QStringLiteral("Continue"), QStringLiteral("Repeat"), QStringLiteral("Shuffle")}, 3,
        CoolBar1);
    rad_play->setItemIndex(0);
    rad_play->setFixedHeight(kBandHeightOrder);
    Panel2 = new QFrame(CoolBar1);
    Panel2->setFixedHeight(kBandHeightOrder);
    auto* volumeRow = new QHBoxLayout(Panel2);
    volumeRow->setContentsMargins(4, 0, 4, 0);
    Label1 = new QLabel(QStringLiteral("Volume"), Panel2);
    Track_Volume = new QSlider(Qt::Horizontal, Panel2);
    Track_Volume->setRange(0, 100);
    Track_Volume->setTickInterval(10);
    Track_Volume->setTickPosition(QSlider::NoTicks);
    Track_Volume->setValue(30);
    connect(Track_Volume, &QSlider::valueChanged, this, &TFrm_PlayerControl::Track_VolumeChange);
    Label1->setBuddy(Track_Volume); // names the slider for a screen reader
    cmb_mute = new QCheckBox(QStringLiteral("Mute"), Panel2);
    connect(cmb_mute, &QCheckBox::toggled, this, &TFrm_PlayerControl::cmb_muteClick);
    volumeRow->addWidget(Label1);
    volumeRow->addWidget(Track_Volume, 1);
    volumeRow->addWidget(cmb_mute);
    lastRow->addWidget(rad_play, 207);
    lastRow->addWidget(Panel2, 209);
    bands->addLayout(lastRow);
}

// ---------------------------------------------------------------- creation and start-up

void TFrm_PlayerControl::FormCreate()
{
    FPaused = false;
    FCurrentIndex = -1;
    FFullScreen = false;
    ToolPlay->setEnabled(true);
    ToolPause->setEnabled(false);
    ToolStop->setEnabled(false);
    FMediaExtensions.clear();
    FDiscPlaylists.clear();
    FPlaylistItems.clear();
    FPlaylists.clear();
    // The playlist window does not exist yet; the store needs nothing of it.
    try {
        TPlaylistStore::OpenPlaylistStore(FPlaylists, FSettings);
        m_storeOpened = true;
        forgetLeftoverDiscPlaylists();
        openResumeStore();
    } catch (const std::exception& error) {
        Platform::handleException(error);
    }
}

void TFrm_PlayerControl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

// ---------------------------------------------------------------- hand-over

void TFrm_PlayerControl::WMCopyData(quint32 dwData, const QByteArray& lpData)
{
    if ((dwData & 0xFF) == 0) {
        PlayReceivedFile(QString::fromUtf8(lpData));
    }
}

void TFrm_PlayerControl::PlayReceivedFile(const QString& fileName)
{
    // The first of what arrived plays: the file, or the first track of a disc folder.
    const int first = int(FCommandFiles.size());
    if (takeCommandFiles({fileName}))
        playCommandFiles(first);
}

bool TFrm_PlayerControl::takeCommandFiles(const QStringList& files)
{
    QStringList refused;
    bool taken = false;
    QStringList entries;
    for (const QString& file : files) {
        // The desktop opens a DVD or Video CD by handing over its folder.
        const QStringList disc =
            QFileInfo(file).isDir() ? TFileGathering::discFolderFiles(file) : QStringList();
        entries += disc.isEmpty() ? QStringList{file} : disc;
    }
    for (const QString& file : std::as_const(entries)) {
        if (TPlaylistOps::hasLineBreak(file)) {
            refused << TPlaylistOps::lineBreakMessage(file);
        } else {
            FCommandFiles << file;
            taken = true;
        }
    }
    if (!refused.isEmpty())
        Platform::dialogs().message(this, refused.join(u'\n'));
    return taken;
}

void TFrm_PlayerControl::playCommandFiles(int lineToMark)
{
    TListBox* list = Frm_playlist->Lst_playlist;
    // Chosen without loading: the files take the place of "Default" on screen.
    {
        const QSignalBlocker quiet(Frm_playlist->cmb_playlist);
        Frm_playlist->cmb_playlist->setCurrentIndex(0);
    }
    list->clear();
    QCoreApplication::processEvents();
    list->clear();
    FPlaylistItems.clear();
    TPlaylistOps::AddFiles(FCommandFiles, FPlaylistItems, list);
    QCoreApplication::processEvents();
    list->setSelected(lineToMark < 0 ? list->count() - 1 : lineToMark, true);
    ToolPlayClick();
}

// ---------------------------------------------------------------- window commands

bool TFrm_PlayerControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ToolControl && event->type() == QEvent::Resize) {
        ToolControlResize();
    } else if (watched == ToolPlay && (event->type() == QEvent::MouseButtonRelease ||
                                       event->type() == QEvent::KeyRelease)) {
        // Shift+Play starts from the beginning; the button clicks on the release.
        m_playShift = static_cast<QInputEvent*>(event)->modifiers() & Qt::ShiftModifier;
    } else if (watched == Panel1 && event->type() == QEvent::MouseButtonPress) {
        Panel1MouseDown(static_cast<QMouseEvent*>(event));
    }
    return QWidget::eventFilter(watched, event);
}

void TFrm_PlayerControl::ToolControlResize()
{
    const int width = ToolControl->width() / 11;
    for (QToolButton* b : {ToolPrev, ToolPlay, ToolPause, ToolStop, ToolNext, ToolFullScreen,
                           ToolButton1, Tool_help, ToolAbout}) {
        b->setFixedWidth(width);
    }
}

void TFrm_PlayerControl::ToolButton1Click()
{
    Frm_playlist->show();
    Frm_playlist->raise();
    ToolButton1->setEnabled(false);
}

void TFrm_PlayerControl::Tool_helpClick()
{
    const QString help = Platform::dataFile(QStringLiteral("Help.html"));
    if (help.isEmpty()) {
        Platform::dialogs().message(
            this, QStringLiteral("The help document (Help.html) is not installed with Lumeno."));
    } else if (!Platform::dialogs().openDocument(help)) {
        Platform::dialogs().message(
            this,
            QStringLiteral("No program could be started to show the help document:\n") + help);
    }
}

void TFrm_PlayerControl::ToolAboutClick()
{
    frm_about->show();
    frm_about->raise();
}

void TFrm_PlayerControl::ToolFullScreenClick()
{
    Frm_viddisplay->ToolFullScreenSwitch();
}

// ---------------------------------------------------------------- time display

void TFrm_PlayerControl::DSTrackBar1Timer(TDSTrackBar*, quint32, quint32)
{
    if (FCurrentItem) {
        pnl_jdl->setText(playingTitle());
    }
    const std::shared_ptr<IMediaSeeking> seeking = DM->FilterGraph1->QueryMediaSeeking();
    if (!seeking) {
        return;
    }
    std::int64_t position = 0, duration = 0;
    if (Failed(seeking->GetCurrentPosition(position))) {
        return;
    }
    // One new text a tick: the position alone only when the length is not known.
    if (Failed(seeking->GetDuration(duration))) {
        lbl_elepased->setText(formatHms(position));
        return;
    }
    lbl_elepased->setText(elapsedText(position, duration));
}

QString TFrm_PlayerControl::elapsedText(std::int64_t position, std::int64_t duration)
{
    // Streams that misstate their length run past it; never show more than the total.
    if (duration > 0 && position > duration) {
        position = duration;
    }
    return formatHms(position) + QStringLiteral(" / ") + formatHms(duration);
}

QString TFrm_PlayerControl::formatHms(std::int64_t units)
{
    const qint64 s = units / 10000000;
    return QString::asprintf("%d:%2.2d:%2.2d", int(s / 3600), int((s % 3600) / 60), int(s % 60));
}

QString TFrm_PlayerControl::FormatMinSec(qint64 Milliseconds)
{
    const qint64 minutes = Milliseconds / 60000;
    const qint64 seconds = Milliseconds / 1000 - minutes * 60;
    auto two = [](qint64 v) {
        return v < 10 ? QStringLiteral("0") + QString::number(v) : QString::number(v);
    };
    return two(minutes) + QLatin1Char(':') + two(seconds);
}
