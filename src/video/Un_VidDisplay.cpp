// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/Un_VidDisplay.h"

#include "datamodule/Un_dm.h"
#include "engine/TColorControl.h"
#include "engine/TDSVideoWindowEx2.h"
#include "player/Un_Mediactr.h"

#include <QHash>
#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

TFrm_viddisplay* Frm_viddisplay = nullptr;

TFrm_viddisplay::TFrm_viddisplay(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Video Display - Lumeno"));
    // Minimise and maximise, no close box: the window lives as long as the program.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinMaxButtonsHint);
    setGeometry(285, 206, 430, 279);

    DSVideoWindowEx21 = new TDSVideoWindowEx2(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DSVideoWindowEx21);
    DSVideoWindowEx21->setAspectRatio(rmStretched);
    DSVideoWindowEx21->setAutoHideCursor(3000);
    DSVideoWindowEx21->setDigitalZoom(0);
    DSVideoWindowEx21->setFullScreenTopMost(true);
    TColorControl* colors = DSVideoWindowEx21->ColorControl();
    colors->setBrightness(750);
    colors->setContrast(10000);
    colors->setHue(0);
    colors->setSaturation(10000);
    colors->setSharpness(5);
    colors->setGamma(1);
    colors->setColorEnable(true);
    DSVideoWindowEx21->setNoScreenSaver(true);
    DSVideoWindowEx21->setColor(Qt::black);
    DSVideoWindowEx21->setPopupMenu(DM->Popup_Display);
    DSVideoWindowEx21->setFilterGraph(DM->FilterGraph1);
    DSVideoWindowEx21->OnOverlayVisible = [this](TDSVideoWindowEx2* s, bool v) {
        DSVideoWindowEx21OverlayVisible(s, v);
    };
    DSVideoWindowEx21->OnMouseMove = [this](TDSVideoWindowEx2*, Qt::MouseButtons,
                                            Qt::KeyboardModifiers, int x,
                                            int y) { DSVideoWindowEx21MouseMove(x, y); };
    DSVideoWindowEx21->OnMouseUp = [this](TDSVideoWindowEx2*, Qt::MouseButton b,
                                          Qt::KeyboardModifiers, int x,
                                          int y) { DSVideoWindowEx21MouseUp(b, x, y); };
    DSVideoWindowEx21->OnKeyDown = [this](TDSVideoWindowEx2*, QKeyEvent* key) {
        DSVideoWindowEx21KeyDown(key);
    };
    // The menu's shortcuts work while the video has the keyboard focus.
    addActions({DM->Increase1, DM->Decrease1});
}

void TFrm_viddisplay::DSVideoWindowEx21OverlayVisible(TDSVideoWindowEx2*, bool Visible)
{
    QPalette background = palette();
    background.setColor(QPalette::Window,
                        Visible ? DSVideoWindowEx21->ColorKey() : DSVideoWindowEx21->Color());
    setPalette(background);
    setAutoFillBackground(true);
}

void TFrm_viddisplay::DSVideoWindowEx21MouseMove(int X, int Y)
{
    if (!DM->FilterGraph1->Active()) {
        return;
    }
    if (const std::shared_ptr<IDvdControl2> dvd = DM->FilterGraph1->QueryDvdControl2()) {
        const QPoint at = DSVideoWindowEx21->navigationPoint(QPoint(X, Y));
        dvd->SelectAtPosition(at.x(), at.y());
    }
}

void TFrm_viddisplay::DSVideoWindowEx21MouseUp(Qt::MouseButton, int X, int Y)
{
    if (!DM->FilterGraph1->Active()) {
        return;
    }
    if (const std::shared_ptr<IDvdControl2> dvd = DM->FilterGraph1->QueryDvdControl2()) {
        const QPoint at = DSVideoWindowEx21->navigationPoint(QPoint(X, Y));
        dvd->ActivateAtPosition(at.x(), at.y());
    }
}

void TFrm_viddisplay::DSVideoWindowEx21KeyDown(QKeyEvent* Key)
{
    const Qt::KeyboardModifiers mods =
        Key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (DSVideoWindowEx21->FullScreen() && Key->key() == Qt::Key_Escape) {
        Frm_PlayerControl->ToolFullScreenClick();
    } else if (mods == Qt::ControlModifier && Key->key() == Qt::Key_Z) {
        DM->Increase1Click();
    } else if (mods == Qt::ControlModifier && Key->key() == Qt::Key_X) {
        DM->Decrease1Click();
    } else if (mods == Qt::NoModifier) {
        dvdMenuKey(Key->key());
    }
}

void TFrm_viddisplay::dvdMenuKey(int key)
{
    // What the mouse does on a disc's menu, the arrow keys and Enter do without one.
    if (!DM->FilterGraph1->Active()) {
        return;
    }
    const std::shared_ptr<IDvdControl2> dvd = DM->FilterGraph1->QueryDvdControl2();
    if (!dvd) {
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        dvd->ActivateButton();
        return;
    }
    static const QHash<int, DVD_RELATIVE_BUTTON> directions{
        {Qt::Key_Up, DVD_Relative_Upper},
        {Qt::Key_Down, DVD_Relative_Lower},
        {Qt::Key_Left, DVD_Relative_Left},
        {Qt::Key_Right, DVD_Relative_Right},
    };
    if (const auto it = directions.constFind(key); it != directions.constEnd())
        dvd->SelectRelativeButton(*it);
}

void TFrm_viddisplay::ToolFullScreenSwitch()
{
    TFrm_PlayerControl* player = Frm_PlayerControl;
    QString text;
    if (player->FFullScreen) {
        DSVideoWindowEx21->NormalPlayback();
        text = QStringLiteral("Full Screen");
        player->FFullScreen = false;
    } else {
        DSVideoWindowEx21->StartFullScreen();
        text = QStringLiteral("Normal Screen");
        player->FFullScreen = true;
    }
    player->ToolFullScreen->setToolTip(text);
    DM->FullScreen1->setText(text);
}
