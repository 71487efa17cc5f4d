// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The data module: the components the windows share (media graph, CD poll timer,
// menus, images) and the handlers that wire them to the player.

#include "engine/TFilterGraph.h"

#include <QList>
#include <QObject>
#include <QPixmap>

class QAction;
class QMenu;
class QTimer;
class TAudio;

class TDM : public QObject {
    Q_OBJECT
public:
    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    TFilterGraph* FilterGraph1;
    TAudio* Audio1;
    QTimer* Timer1;
    QList<QPixmap> ImageList;
    QList<QPixmap> ImageList2;

    // The video window's context menu; other code finds its items by position.
    QMenu* Popup_Display;
    QAction* Play1;
    QAction* Pause1;
    QAction* Stop1;
    QAction* Next1;
    QAction* Previous1;
    QAction* DVDMenu1;
    QAction* FullScreen1;
    QAction* PlayOrder1;
    QAction* Continue1;
    QAction* Repeat1;
    QAction* Shuffle1;
    QAction* Volume1;
    QAction* Increase1;
    QAction* Decrease1;
    QAction* Help1;
    QAction* About1;
    QAction* PlayFromStart1; // after About1: starts the entry over instead of resuming
    QMenu* Popup_DVD;

    // The two DVD menus: Popup_DVD (the playlist window's DVD button) and the submenu
    // DVDMenu1 of Popup_Display carry the same items at the same positions.
    QMenu* DVDMenu1Menu;
    QAction* MenuRoot1;
    QAction* MenuRoot2;
    QAction* itleMenu1;
    QAction* itle1;
    QMenu* GoTo1;
    QMenu* GoTo2;
    QMenu* PlaySpeed1;
    QMenu* PlaySpeed2;
    QAction* Fast1;
    QAction* FastPorward1;
    QAction* Rewind1;
    QAction* Rewind2;
    QMenu* Subtitle1;
    QMenu* Subtitle2;
    QAction* Enable1;
    QAction* Enabled1;

    // The playlist window's menus.
    QMenu* Popup_Add;
    QAction* Add_file;
    QAction* Add_Folder;
    QAction* Include_Subfolder;
    QMenu* Popup_Rem;
    QAction* RemoveSelected1;
    QAction* CropSelected1;
    QAction* ClearPlaylist1;
    QAction* Remove1;
    QAction* Removemissile1;
    QAction* RemoveDuplicateEntry1;
    QMenu* Popup_Sel;
    QAction* SelectAll1;
    QAction* SelectNone1;
    QAction* InvertSelection1;
    QMenu* Popup_List;
    QAction* MenuItem1;
    QAction* MenuItem2;
    QAction* Newplaylistclear1;
    QMenu* Popup_playlist;
    QAction* RemoveSelected2;
    QAction* CropSelected2;
    QAction* PlaylistEntry1;

    void DataModuleCreate();
    void FilterGraph1GraphComplete(TFilterGraph* Sender, HRESULT Result, void* Renderer);
    void Timer1Timer();
    void Play1Click();
    void Pause1Click();
    void Stop1Click();
    void Next1Click();
    void Previous1Click();
    void FullScreen1Click();
    void Help1Click();
    void About1Click();
    void PlayFromStart1Click();
    void Continue1Click(QAction* Sender);
    void Increase1Click();
    void Decrease1Click();
    void PlaylistEntry1Click();
    void Include_SubfolderClick();
    void RemoveSelected1Click();
    void CropSelected1Click();
    void ClearPlaylist1Click();
    void Removemissile1Click();
    void RemoveDuplicateEntry1Click();
    void SelectAll1Click();
    void SelectNone1Click();
    void InvertSelection1Click();
    void MenuItem1Click();
    void MenuItem2Click();
    void Newplaylistclear1Click();
    void Add_fileClick();
    void Add_FolderClick();

    // DVD navigation
    void BuildDvdGoToMenus();
    void BuildDvdSubtitleMenus();
    void FilterGraph1DVDTitleChange(TFilterGraph* Sender, int title);
    void FilterGraph1DVDChapterStart(TFilterGraph* Sender, int chapter);
    void FilterGraph1DVDSubpictureStreamChange(TFilterGraph* Sender, int SubNum, int lcid,
                                               const QString& Lang);
    // The bar moves within a title only; a menu has no time line to seek in.
    void FilterGraph1DVDDomainChange(TFilterGraph* Sender, int domain);
    // A scan that ended by itself leaves the player playing, not paused.
    void FilterGraph1DVDPlaybackRateChange(TFilterGraph* Sender, double rate);
    void FilterGraph1DVDCurrentHMSFTime(TFilterGraph* Sender,
                                        const tagDVD_HMSF_TIMECODE& HMSFTimeCode,
                                        const tagDVD_TIMECODE& TimeCode);
    void MenuRoot1Click();
    void itleMenu1Click();
    void Fast1Click();
    void Rewind1Click();
    void Enable1Click(QAction* Sender);
    void DvdSubtitleItemClick(QAction* Sender);
    void DvdChapterItemClick(QAction* Sender);

    bool FTitleChanged = false;
    int FCurTitle = 0;
    int FPrevTitle = 0;
    int FCurChapter = 0;

private:
    void createDvdMenus();
    void fillDvdMenu(QMenu* menu, bool accelerators);
    void bindDvdEvents();
    void setTitleChecked(int title, bool checked);
    void setChapterChecked(int title, int chapter, bool checked);
    void createDisplayMenu();
    void createPlaylistMenus();
    QAction* item(QMenu* menu, const QString& caption, void (TDM::*handler)(), int image = -1);
};

extern TDM* DM;
