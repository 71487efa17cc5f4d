// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/Un_Playlist.h"

#include "datamodule/Un_dm.h"
#include "player/TRadioGroup.h"
#include "player/Un_Mediactr.h"
#include "playlist/PlaylistStore.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRandomGenerator>
#include <QToolButton>
#include <QUrl>

TFrm_playlist* Frm_playlist = nullptr;

TFrm_playlist::TFrm_playlist(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Playlist - Lumeno"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setGeometry(715, 206, 232, 414);
    setMinimumSize(200, 200);

    cmb_playlist = new QComboBox(this);
    cmb_playlist->setEditable(true);
    cmb_playlist->setInsertPolicy(QComboBox::NoInsert);
    cmb_playlist->setGeometry(8, 0, 217, 21);
    connect(cmb_playlist, &QComboBox::activated, this, &TFrm_playlist::cmb_playlistChange);
    // The box has changed its choice by the time it reports it; a choice that fails to
    // load needs the one before, seen as the user's input arrives.
    cmb_playlist->installEventFilter(this);
    cmb_playlist->lineEdit()->installEventFilter(this);

    Lst_playlist = new TListBox(this);
    Lst_playlist->setGeometry(8, 24, 217, 345);
    Lst_playlist->setAccessibleName(QStringLiteral("Playlist"));
    Lst_playlist->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Lst_playlist, &QWidget::customContextMenuRequested, this,
            [](const QPoint&) { DM->Popup_playlist->popup(QCursor::pos()); });
    connect(Lst_playlist, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex&) { Lst_playlistDblClick(); });
    Lst_playlist->installEventFilter(this);
    Lst_playlist->viewport()->installEventFilter(this);
    Lst_playlist->viewport()->setAcceptDrops(true);

    btn_add = menuButton(QStringLiteral("Add"), 8, DM->Popup_Add, 20);
    btn_rem = menuButton(QStringLiteral("Rem"), 41, DM->Popup_Rem, 22);
    btn_sel = menuButton(QStringLiteral("Sel"), 74, DM->Popup_Sel, 23);
    btn_list = menuButton(QStringLiteral("List"), 107, DM->Popup_List, 23);
    btn_DVD = menuButton(QStringLiteral("DVD"), 140, DM->Popup_DVD, 17);
    btn_DVD->setEnabled(false);

    Pnl_Action = new QLabel(QStringLiteral("Action"), this);
    Pnl_Action->setGeometry(24, 192, 185, 41);
    Pnl_Action->setAlignment(Qt::AlignCenter);
    Pnl_Action->setFrameShape(QFrame::Panel);
    Pnl_Action->setFrameShadow(QFrame::Raised);
    Pnl_Action->setAutoFillBackground(true);
    Pnl_Action->hide();

    setTabOrder(cmb_playlist, Lst_playlist);
    setTabOrder(Lst_playlist, btn_add);
    setTabOrder(btn_add, btn_list);
    setTabOrder(btn_list, btn_sel);
    setTabOrder(btn_sel, btn_rem);
    setTabOrder(btn_rem, btn_DVD); // the action panel between them takes no focus
}

void TFrm_playlist::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Margins kept from the designed client area of 232 x 414: the name box follows the
    // right edge, the list both edges, the buttons the bottom.
    const int w = width();
    const int h = height();
    cmb_playlist->setGeometry(8, 0, w - 15, 21);
    Lst_playlist->setGeometry(8, 24, w - 15, h - 69);
    for (QPushButton* b : {btn_add, btn_rem, btn_sel, btn_list, btn_DVD}) {
        b->move(b->x(), h - 34);
    }
}

QPushButton* TFrm_playlist::menuButton(const QString& caption, int left, QMenu* menu, int factor)
{
    auto* button = new QPushButton(caption, this);
    button->setGeometry(left, 380, 33, 25);
    button->setCursor(Qt::PointingHandCursor);
    connect(button, &QPushButton::clicked, this, [menu, factor]() {
        // Opens above the pointer, by a fixed height per top-level item (separators count).
        const int items = int(menu->actions().size());
        const QPoint at = QCursor::pos() - QPoint(0, items * factor);
        menu->popup(at);
    });
    return button;
}

bool TFrm_playlist::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cmb_playlist || watched == cmb_playlist->lineEdit()) {
        const QEvent::Type type = event->type();
        if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress || type == QEvent::Wheel) {
            m_choiceBeforeInput = cmb_playlist->currentIndex();
        }
        return QWidget::eventFilter(watched, event);
    }
    if (watched == Lst_playlist && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete ||
            (key->modifiers() == Qt::ControlModifier &&
             (key->key() == Qt::Key_A || key->key() == Qt::Key_I))) {
            Lst_playlistKeyDown(key);
            return true;
        }
        // Enter plays the focused line, as a double click does, for those without a mouse.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            Lst_playlistDblClick();
            return true;
        }
    }
    if (watched == Lst_playlist->viewport() &&
        (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData()->hasUrls()) {
            drag->acceptProposedAction();
            return true;
        }
    }
    if (watched == Lst_playlist->viewport() && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        QStringList paths;
        for (const QUrl& url : drop->mimeData()->urls()) {
            if (url.isLocalFile()) {
                paths << url.toLocalFile();
            }
        }
        drop->acceptProposedAction();
        TFileGathering::dropFiles(paths, Frm_PlayerControl->FPlaylistItems, Lst_playlist);
        return true;
    }
    if (watched == Lst_playlist->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            Lst_playlistMouseDown(mouse);
            return true; // the press must not replace the selection
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFrm_playlist::Lst_playlistKeyDown(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (event->key() == Qt::Key_A && mods == Qt::ControlModifier) {
        DM->SelectAll1Click();
    } else if (event->key() == Qt::Key_I && mods == Qt::ControlModifier) {
        DM->InvertSelection1Click();
    } else if (event->key() == Qt::Key_Delete) {
        if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
            DM->ClearPlaylist1Click();
        } else if (mods == Qt::AltModifier) {
            DM->Removemissile1Click();
        } else if (mods == Qt::ControlModifier) {
            DM->CropSelected1Click();
        } else if (mods == Qt::ShiftModifier) {
            DM->RemoveDuplicateEntry1Click();
        } else {
            DM->RemoveSelected1Click();
        }
    }
}

void TFrm_playlist::Lst_playlistMouseDown(QMouseEvent* event)
{
    const QModelIndex index = Lst_playlist->indexAt(event->position().toPoint());
    if (index.isValid()) {
        Lst_playlist->setSelected(index.row(), true);
    }
}

void TFrm_playlist::Lst_playlistDblClick()
{
    const int line = Lst_playlist->itemIndex();
    if (line < 0) {
        return;
    }
    TFrm_PlayerControl* player = Frm_PlayerControl;
    player->ToolPrev->setEnabled(line != 0);
    player->ToolNext->setEnabled(line != Lst_playlist->count() - 1);
    QCoreApplication::processEvents();
    player->FCurrentIndex = line;
    player->FCurrentItem = player->FPlaylistItems.value(line);
    player->ToolPlayClick();
}

void TFrm_playlist::cmb_playlistChange(int index)
{
    TFrm_PlayerControl* p = Frm_PlayerControl;
    const int before = m_choiceBeforeInput;
    m_choiceBeforeInput = -1;
    if (TPlaylistStore::choosePlaylistCommand(this, p->FPlaylists, index, p->FPlaylistItems,
                                              Lst_playlist, p->FCurrentIndex)) {
        p->focusRememberedLine();
        return;
    }
    // The list still shows the old entries: name their playlist again, so that the
    // close saves (or leaves) the right file.
    if (before >= 0 && before < cmb_playlist->count()) {
        cmb_playlist->setCurrentIndex(before);
    }
}

TGatherView TFrm_playlist::gatherView()
{
    TGatherView view;
    view.window = this;
    view.actionPanel = Pnl_Action;
    view.actionCaption = Pnl_Action;
    view.playlistNames = cmb_playlist;
    view.list = Lst_playlist;
    return view;
}

void TFrm_playlist::closeEvent(QCloseEvent* event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TFrm_playlist::FormClose()
{
    Frm_PlayerControl->ToolButton1->setEnabled(true);
}

void TFrm_playlist::unmarkLine(int line)
{
    if (line < 0) {
        Lst_playlist->selectNone();
    } else {
        Lst_playlist->setSelected(line, false);
    }
}

void TFrm_playlist::playLine(int line)
{
    TFrm_PlayerControl* player = Frm_PlayerControl;
    unmarkLine(player->FCurrentIndex);
    player->FCurrentIndex = line;
    Lst_playlist->setSelected(line, true);
    Lst_playlist->setItemIndex(line);
    player->FCurrentItem = player->FPlaylistItems.value(line);
    player->ToolPlayClick();
    // An advance is a step onwards like Next by hand: the way back is open from here.
    DM->Previous1->setEnabled(true);
    player->ToolPrev->setEnabled(true);
}

void TFrm_playlist::PlayNextByOrder()
{
    TFrm_PlayerControl* player = Frm_PlayerControl;
    const int n = Lst_playlist->count();
    if (n == 0) {
        player->ToolStopClick();
        return;
    }
    switch (player->rad_play->itemIndex()) {
    case 0:
    case 1:
        // The focused line decides; an entry index past the list (lines removed while it
        // played) counts as the end of the list.
        if (Lst_playlist->itemIndex() < n - 1 && player->FCurrentIndex + 1 < n) {
            playLine(player->FCurrentIndex + 1);
        } else if (player->rad_play->itemIndex() == 1) {
            playLine(0);
        } else {
            player->ToolStopClick();
            // The end of the list as Next by hand finds it: no way on, the way back open.
            player->ToolNext->setEnabled(false);
            DM->Next1->setEnabled(false);
            player->ToolPrev->setEnabled(true);
            DM->Previous1->setEnabled(true);
        }
        break;
    case 2:
        // Every line can come next, the one that just ended included.
        playLine(int(QRandomGenerator::global()->bounded(n)));
        break;
    default:
        break;
    }
}
