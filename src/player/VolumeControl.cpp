// SPDX-License-Identifier: GPL-3.0-or-later
// The volume slider and the Mute box: system mixer, media graph and the bar on the video.
#include "player/Un_Mediactr.h"

#include "datamodule/Un_dm.h"
#include "engine/TAudio.h"
#include "engine/TDSVideoWindowEx2.h"
#include "engine/TMixerSettings.h"
#include "video/Un_VidDisplay.h"

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QTimer>

#include <cfenv>
#include <cmath>

namespace {
constexpr int kOverlayMs = 200;
}

quint16 TFrm_PlayerControl::mixerValue(int sliderPosition)
{
    // 655.35 is not exact in binary: held in extended precision the products of the
    // slider's steps fall just below the halves (50 gives 32767), which stored values
    // and other programs' readings rely on.
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double product = static_cast<long double>(sliderPosition) * 655.35L;
    const long value = std::lrint(product);
    std::fesetround(oldMode);
    return quint16(qBound(0L, value, 65535L));
}

void TFrm_PlayerControl::Track_VolumeChange()
{
    const int v = Track_Volume->value();
    const bool m = cmb_mute->isChecked();
    const quint16 level = mixerValue(v);
    DM->Audio1->Mixer()->SetVolume(0, 0, level, level, m);
    DM->FilterGraph1->setVolume(v * 100);
    ShowVolumeOverlay();
}

void TFrm_PlayerControl::cmb_muteClick()
{
    const quint16 level = mixerValue(Track_Volume->value());
    DM->Audio1->Mixer()->SetVolume(0, 0, level, level, cmb_mute->isChecked());
}

void TFrm_PlayerControl::ShowVolumeOverlay()
{
    TDSVideoWindowEx2* video = Frm_viddisplay->DSVideoWindowEx21;
    const int v = Track_Volume->value();
    const int w = int(v * 1.04);
    const QList<QPixmap>& bar = DM->ImageList2;
    // The bar is its own small window over the video, so it shows above a picture the
    // video sink draws natively as well as above one the widget paints.
    QPixmap picture(208, 38);
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        p.drawPixmap(QRect(0, 0, 208, 38), bar.at(0), QRect(0, 0, 104, 23));
        if (w > 0) {
            p.drawPixmap(QRect(0, 0, 2 * w, 38), bar.at(1), QRect(0, 0, w, 23));
        }
    }
    // Owned by the window showing the picture (the video window or the full-screen one):
    // Wayland shows such a small window only tied to a parent, and places it relative to it.
    if (m_volumeOverlay && m_volumeOverlay->parentWidget() != video->window()) {
        m_volumeOverlay->setParent(video->window(), m_volumeOverlay->windowFlags());
    }
    if (!m_volumeOverlay) {
        auto* overlay = new QLabel(video->window(), Qt::ToolTip | Qt::FramelessWindowHint);
        overlay->setAttribute(Qt::WA_TranslucentBackground);
        overlay->setAttribute(Qt::WA_ShowWithoutActivating);
        m_volumeOverlay = overlay;
    }
    if (!m_volumeOverlayTimer) {
        m_volumeOverlayTimer = new QTimer(this);
        m_volumeOverlayTimer->setSingleShot(true);
        connect(m_volumeOverlayTimer, &QTimer::timeout, this, [this]() {
            if (m_volumeOverlay) {
                m_volumeOverlay->hide();
            }
            Frm_viddisplay->DSVideoWindowEx21->update();
        });
    }
    auto* overlay = static_cast<QLabel*>(m_volumeOverlay.data());
    overlay->setPixmap(picture);
    overlay->setFixedSize(picture.size());
    const int h = video->height();
    overlay->move(video->mapToGlobal(QPoint(10, h - 65)));
    if (video->isVisible()) {
        overlay->show();
        overlay->raise();
    }
    // It goes by itself; the interface stays responsive meanwhile.
    m_volumeOverlayTimer->start(kOverlayMs);
}
