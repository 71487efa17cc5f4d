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
    QMenu* Popup_DVD;

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

    bool FTitleChanged = false;

private:
    void createDisplayMenu();
    void createPlaylistMenus();
    QAction* item(QMenu* menu, const QString& caption, void (TDM::*handler)(), int image = -1);
};

extern TDM* DM;
