// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The video display window: the picture of the media graph, full screen, DVD menu
// pointing and keys, and the volume keys.

#include <QWidget>

class TDSVideoWindowEx2;
class QKeyEvent;

class TFrm_viddisplay : public QWidget {
    Q_OBJECT
public:
    explicit TFrm_viddisplay(QWidget* parent = nullptr);

    TDSVideoWindowEx2* DSVideoWindowEx21;

    void DSVideoWindowEx21OverlayVisible(TDSVideoWindowEx2* Sender, bool Visible);
    void DSVideoWindowEx21MouseMove(int X, int Y);
    void DSVideoWindowEx21MouseUp(Qt::MouseButton Button, int X, int Y);
    void DSVideoWindowEx21KeyDown(QKeyEvent* Key);
    // The Full Screen command, reached from the tool bar, the menu and Esc.
    void ToolFullScreenSwitch();

private:
    void dvdMenuKey(int key);
};

extern TFrm_viddisplay* Frm_viddisplay;
