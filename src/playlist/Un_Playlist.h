// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The playlist window: the named playlists, the numbered entries and the buttons that
// open the command menus.

#include "playlist/FileGathering.h"
#include "playlist/TListBox.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QMenu;
class QPushButton;

class TFrm_playlist : public QWidget {
    Q_OBJECT
public:
    explicit TFrm_playlist(QWidget* parent = nullptr);

    QComboBox* cmb_playlist;
    TListBox* Lst_playlist;
    QPushButton* btn_add;
    QPushButton* btn_rem;
    QPushButton* btn_sel;
    QPushButton* btn_list;
    QPushButton* btn_DVD;
    QLabel* Pnl_Action;

    void PlayNextByOrder();
    // Takes the mark off a line; line -1 takes it off every line.
    void unmarkLine(int line);
    TGatherView gatherView();

    void Lst_playlistDblClick();
    void Lst_playlistKeyDown(QKeyEvent* event);
    void Lst_playlistMouseDown(QMouseEvent* event);
    void cmb_playlistChange(int index);
    void FormClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* menuButton(const QString& caption, int left, QMenu* menu, int factor);
    void playLine(int line);

    int m_choiceBeforeInput = -1; // cmb_playlist's choice before the user's latest input
};

extern TFrm_playlist* Frm_playlist;
