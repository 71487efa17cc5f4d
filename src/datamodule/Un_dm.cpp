// SPDX-License-Identifier: GPL-3.0-or-later
#include "datamodule/Un_dm.h"

#include "datamodule/Icons.h"
#include "engine/TAudio.h"
#include "engine/TMediaPlayer.h"
#include "platform/Dialogs.h"
#include "platform/Responsive.h"
#include "player/TRadioGroup.h"
#include "player/Un_Mediactr.h"
#include "playlist/FileGathering.h"
#include "playlist/PlaylistOps.h"
#include "playlist/PlaylistStore.h"
#include "playlist/Un_Playlist.h"
#include "playlist/Un_playlist_entry.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTimer>
#include <climits>

TDM* DM = nullptr;

TDM::TDM(QObject* parent) : QObject(parent)
{
    ImageList = Icons::transportImages();
    ImageList2 = Icons::volumeBarImages();

    FilterGraph1 = new TFilterGraph(this);
    FilterGraph1->setGraphEdit(true);
    FilterGraph1->setLinearVolume(true);
    FilterGraph1->OnGraphComplete = [this](TFilterGraph* s, HRESULT r, void* renderer) {
        FilterGraph1GraphComplete(s, r, renderer);
    };
    bindDvdEvents();
    // Some encrypted discs play their menus and fail only at a title; without the
    // decryption library that is said then, as it is when the disc fails to open.
    FilterGraph1->OnDSEvent = [](TFilterGraph*, int event, std::intptr_t param1, std::intptr_t) {
        if (event == EC_ERRORABORT && HRESULT(param1) == E_DVD_ENCRYPTED) {
            Platform::dialogs().error(Frm_PlayerControl, mediaErrorText(E_DVD_ENCRYPTED));
        }
    };

    Audio1 = new TAudio(this);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1);
    connect(Timer1, &QTimer::timeout, this, &TDM::Timer1Timer);

    createDisplayMenu();
    createPlaylistMenus();
    DataModuleCreate();
}

TDM::~TDM()
{
    delete Popup_Display;
    delete Popup_DVD;
    delete DVDMenu1Menu;
    delete Popup_Add;
    delete Popup_Rem;
    delete Popup_Sel;
    delete Popup_List;
    delete Popup_playlist;
}

QAction* TDM::item(QMenu* menu, const QString& caption, void (TDM::*handler)(), int image)
{
    QAction* action = menu->addAction(caption);
    if (image >= 0) {
        action->setIcon(Icons::transportIcon(image));
    }
    if (handler) {
        connect(action, &QAction::triggered, this, handler);
    }
    return action;
}

void TDM::createDisplayMenu()
{
    Popup_Display = new QMenu();
    Play1 = item(Popup_Display, QStringLiteral("Play"), &TDM::Play1Click, Icons::kPlay);
    Pause1 = item(Popup_Display, QStringLiteral("Pause"), &TDM::Pause1Click, Icons::kPause);
    Pause1->setEnabled(false);
    Stop1 = item(Popup_Display, QStringLiteral("Stop"), &TDM::Stop1Click, Icons::kStop);
    Stop1->setEnabled(false);
    Next1 = item(Popup_Display, QStringLiteral("Next"), &TDM::Next1Click, Icons::kNext);
    Previous1 =
        item(Popup_Display, QStringLiteral("Previous"), &TDM::Previous1Click, Icons::kPrevious);
    Popup_Display->addSeparator();
    createDvdMenus();
    DVDMenu1 = Popup_Display->addMenu(DVDMenu1Menu);
    DVDMenu1->setEnabled(false);
    Popup_Display->addSeparator();
    FullScreen1 = item(Popup_Display, QStringLiteral("Full Screen"), &TDM::FullScreen1Click,
                       Icons::kFullScreen);
    Popup_Display->addSeparator();

    QMenu* order = Popup_Display->addMenu(QStringLiteral("Play Order"));
    PlayOrder1 = order->menuAction();
    Continue1 = order->addAction(QStringLiteral("Continue"));
    Repeat1 = order->addAction(QStringLiteral("Repeat"));
    Shuffle1 = order->addAction(QStringLiteral("Shuffle"));
    for (QAction* a : {Continue1, Repeat1, Shuffle1}) {
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a]() { Continue1Click(a); });
    }
    Continue1->setChecked(true);

    QMenu* volume = Popup_Display->addMenu(QStringLiteral("Volume"));
    Volume1 = volume->menuAction();
    Increase1 = item(volume, QStringLiteral("Increase"), &TDM::Increase1Click);
    Increase1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Decrease1 = item(volume, QStringLiteral("Decrease"), &TDM::Decrease1Click);
    Decrease1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    Popup_Display->addSeparator();
    Help1 = item(Popup_Display, QStringLiteral("Help"), &TDM::Help1Click, Icons::kHelp);
    About1 = item(Popup_Display, QStringLiteral("About"), &TDM::About1Click, Icons::kAbout);
    // Last, so that every item before keeps its position.
    Popup_Display->addSeparator();
    PlayFromStart1 = item(Popup_Display, QStringLiteral("Play from Beginning"),
                          &TDM::PlayFromStart1Click, Icons::kPlay);
}

void TDM::createPlaylistMenus()
{
    Popup_Add = new QMenu();
    Add_file = item(Popup_Add, QStringLiteral("Add File(s)"), &TDM::Add_fileClick);
    Popup_Add->addSeparator();
    Add_Folder = item(Popup_Add, QStringLiteral("Add Folder"), &TDM::Add_FolderClick);
    Include_Subfolder = Popup_Add->addAction(QStringLiteral("Include Subfolder"));
    Include_Subfolder->setCheckable(true);
    Include_Subfolder->setChecked(true);
    // The handler owns the check mark: undo Qt's own toggle before it runs.
    connect(Include_Subfolder, &QAction::triggered, this, [this](bool checked) {
        Include_Subfolder->setChecked(!checked);
        Include_SubfolderClick();
    });

    Popup_Rem = new QMenu();
    RemoveSelected1 =
        item(Popup_Rem, QStringLiteral("Remove Selected\tDel"), &TDM::RemoveSelected1Click);
    CropSelected1 =
        item(Popup_Rem, QStringLiteral("Crop Selected\tCtrl+Del"), &TDM::CropSelected1Click);
    ClearPlaylist1 = item(Popup_Rem, QStringLiteral("Clear Playlist\tShift+Ctrl+Del"),
                          &TDM::ClearPlaylist1Click);
    QMenu* remove = Popup_Rem->addMenu(QStringLiteral("Remove..."));
    Remove1 = remove->menuAction();
    Removemissile1 = item(remove, QStringLiteral("Remove missing files from playlist \tAlt+Del"),
                          &TDM::Removemissile1Click);
    RemoveDuplicateEntry1 = item(remove, QStringLiteral("Remove Duplicate Entries\tShift+Del"),
                                 &TDM::RemoveDuplicateEntry1Click);

    Popup_Sel = new QMenu();
    SelectAll1 = item(Popup_Sel, QStringLiteral("Select All\tCtrl+A"), &TDM::SelectAll1Click);
    SelectNone1 = item(Popup_Sel, QStringLiteral("Select None"), &TDM::SelectNone1Click);
    InvertSelection1 =
        item(Popup_Sel, QStringLiteral("Invert Selection\tCtrl+I"), &TDM::InvertSelection1Click);

    Popup_List = new QMenu();
    MenuItem1 = item(Popup_List, QStringLiteral("Open playlist\tCtrl+O"), &TDM::MenuItem1Click);
    MenuItem2 = item(Popup_List, QStringLiteral("Save playlist"), &TDM::MenuItem2Click);
    Newplaylistclear1 = item(Popup_List, QStringLiteral("New playlist (clear)\tCtrl+N"),
                             &TDM::Newplaylistclear1Click);

    Popup_playlist = new QMenu();
    RemoveSelected2 =
        item(Popup_playlist, QStringLiteral("Remove Selected\tDel"), &TDM::RemoveSelected1Click);
    CropSelected2 =
        item(Popup_playlist, QStringLiteral("Crop Selected\tCtrl+Del"), &TDM::CropSelected1Click);
    Popup_playlist->addSeparator();
    PlaylistEntry1 =
        item(Popup_playlist, QStringLiteral("Playlist Entry"), &TDM::PlaylistEntry1Click);
}

void TDM::DataModuleCreate()
{
    FTitleChanged = false;
    FCurTitle = FPrevTitle = FCurChapter = 0;
}

// ---------------------------------------------------------------- media events

void TDM::FilterGraph1GraphComplete(TFilterGraph*, HRESULT, void*)
{
    const TfilePtr current = Frm_PlayerControl->FCurrentItem;
    if (current && TFrm_PlayerControl::kindOf(current->Path) != QLatin1String(".ifo")) {
        Frm_PlayerControl->forgetFinishedFile();
        Frm_playlist->PlayNextByOrder();
    }
}

void TDM::Timer1Timer()
{
    if (Platform::insideResponsiveWait()) {
        return; // the device is being stopped or media opened: no advance from here
    }
    TFrm_PlayerControl* player = Frm_PlayerControl;
    TMediaPlayer* device = player->MediaPlayer;
    const int mode = device->Mode();
    if (mode == mpPlaying) {
        player->FTrackUpdating = true;
        try {
            device->SetTimeFormat(MCI_FORMAT_MILLISECONDS);
            const int track = player->get_track();
            const qint64 elapsed = qAbs(device->TrackPosition(track) - device->Position());
            player->TrackBar1->setValue(int(qMin<qint64>(elapsed, INT_MAX)));
            const QString caption = player->lbl_elepased->text();
            player->lbl_elepased->setText(TFrm_PlayerControl::FormatMinSec(elapsed) +
                                          QLatin1Char(' ') + caption.mid(caption.length() / 2));
            player->cdResumeTick(elapsed, player->TrackBar1->maximum());
            device->SetTimeFormat(MCI_FORMAT_MSF);
        } catch (...) {
            player->FTrackUpdating = false;
            throw;
        }
        player->FTrackUpdating = false;
        if (player->TrackBar1->value() == player->TrackBar1->maximum()) {
            player->ToolStopClick();
            Frm_playlist->PlayNextByOrder();
        }
    } else if (mode == mpStopped && Frm_playlist->Lst_playlist->count() >= 1) {
        Frm_playlist->PlayNextByOrder();
    }
}

// ---------------------------------------------------------------- display menu

void TDM::Play1Click()
{
    Frm_PlayerControl->ToolPlayClick();
}
void TDM::Pause1Click()
{
    Frm_PlayerControl->ToolPauseClick();
}
void TDM::Stop1Click()
{
    Frm_PlayerControl->ToolStopClick();
}
void TDM::Next1Click()
{
    Frm_PlayerControl->ToolNextClick();
}
void TDM::Previous1Click()
{
    Frm_PlayerControl->ToolPrevClick();
}
void TDM::FullScreen1Click()
{
    Frm_PlayerControl->ToolFullScreenClick();
}
void TDM::Help1Click()
{
    Frm_PlayerControl->Tool_helpClick();
}
void TDM::About1Click()
{
    Frm_PlayerControl->ToolAboutClick();
}

void TDM::PlayFromStart1Click()
{
    Frm_PlayerControl->playFromStart();
}

void TDM::Continue1Click(QAction* Sender)
{
    const QList<QAction*> order{Continue1, Repeat1, Shuffle1};
    Sender->setChecked(true);
    const int i = int(order.indexOf(Sender));
    for (int k = 0; k < order.size(); ++k) {
        if (k != i) {
            order[k]->setChecked(false);
        }
    }
    Frm_PlayerControl->rad_play->setItemIndex(i);
}

void TDM::Increase1Click()
{
    QSlider* volume = Frm_PlayerControl->Track_Volume;
    volume->setValue(volume->value() + 10);
}

void TDM::Decrease1Click()
{
    QSlider* volume = Frm_PlayerControl->Track_Volume;
    volume->setValue(volume->value() - 10);
}

// ---------------------------------------------------------------- playlist menus

void TDM::PlaylistEntry1Click()
{
    TListBox* list = Frm_playlist->Lst_playlist;
    const int line = list->itemIndex();
    if (line < 0 || line >= Frm_PlayerControl->FPlaylistItems.size()) {
        return;
    }
    Frm_playlist_entry->EditFile(Frm_PlayerControl->FPlaylistItems[line]);
    Frm_playlist_entry->exec();
}

void TDM::Include_SubfolderClick()
{
    Include_Subfolder->setChecked(!Include_Subfolder->isChecked());
}

void TDM::RemoveSelected1Click()
{
    TPlaylistOps::RemoveSelectedFiles(Frm_PlayerControl->FPlaylistItems,
                                      Frm_playlist->Lst_playlist);
}

void TDM::CropSelected1Click()
{
    TPlaylistOps::CropSelectedFiles(Frm_PlayerControl->FPlaylistItems, Frm_playlist->Lst_playlist);
}

void TDM::ClearPlaylist1Click()
{
    TPlaylistOps::ClearPlaylist(Frm_PlayerControl->FPlaylistItems, Frm_playlist->Lst_playlist);
}

void TDM::Removemissile1Click()
{
    TPlaylistOps::RemoveMissingFiles(Frm_PlayerControl->FPlaylistItems, Frm_playlist->Lst_playlist);
}

void TDM::RemoveDuplicateEntry1Click()
{
    TPlaylistOps::RemoveDuplicateFiles(Frm_PlayerControl->FPlaylistItems,
                                       Frm_playlist->Lst_playlist);
}

void TDM::SelectAll1Click()
{
    TPlaylistOps::SelectAll(Frm_playlist->Lst_playlist);
}
void TDM::SelectNone1Click()
{
    TPlaylistOps::SelectNone(Frm_playlist->Lst_playlist);
}
void TDM::InvertSelection1Click()
{
    TPlaylistOps::InvertSelection(Frm_playlist->Lst_playlist);
}

// ---------------------------------------------------------------- storage and gathering

void TDM::MenuItem1Click()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    TPlaylistStore::openPlaylistCommand(Frm_playlist, p->FSettings, p->FPlaylists,
                                        Frm_playlist->cmb_playlist, p->FPlaylistItems,
                                        Frm_playlist->Lst_playlist);
}

void TDM::MenuItem2Click()
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    TPlaylistStore::savePlaylistCommand(Frm_playlist, p->FSettings, p->FPlaylists,
                                        Frm_playlist->cmb_playlist, p->FPlaylistItems);
}

void TDM::Newplaylistclear1Click()
{
    TPlaylistStore::newPlaylistCommand(
        Frm_playlist->cmb_playlist, Frm_PlayerControl->FPlaylistItems, Frm_playlist->Lst_playlist);
}

void TDM::Add_fileClick()
{
    TFileGathering::Add_fileClick(Frm_playlist->gatherView(), Frm_PlayerControl->FPlaylistItems);
}

void TDM::Add_FolderClick()
{
    TFileGathering::Add_FolderClick(Frm_playlist->gatherView(), Frm_PlayerControl->FPlaylistItems,
                                    Include_Subfolder->isChecked(),
                                    Frm_PlayerControl->FMediaExtensions);
}
