// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TDSTrackBar.h"

#include "engine/TFilterGraph.h"
#include "platform/Errors.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <climits>

namespace {

constexpr std::int64_t kUnitsPerMs = 10000; // 100-ns units

int clampToInt(quint32 value)
{
    return int(std::min<quint32>(value, INT_MAX));
}

} // namespace

TDSTrackBar::TDSTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::NoTicks);
    // No range until the graph reports one, so an early click cannot seek.
    setRange(0, 0);
    connect(&FTimer, &QTimer::timeout, this, &TDSTrackBar::poll);
    // Keys, the wheel and assistive tools move the value without a mouse release: each
    // such move seeks at once. A mouse drag seeks only when the button comes up.
    connect(this, &QAbstractSlider::valueChanged, this, [this] {
        if (!m_selfMoving && !m_mouseHeld) {
            seekToValue();
        }
    });
}

TDSTrackBar::~TDSTrackBar()
{
    FTimerActive = false;
    FTimer.stop();
    setFilterGraph(nullptr);
}

void TDSTrackBar::setFilterGraph(TFilterGraph* value)
{
    if (value == FFilterGraph) {
        return;
    }
    if (FFilterGraph) {
        disconnect(FGraphDestroyed);
        FFilterGraph->removeGraphControl(this);
    }
    forgetGraph();
    FFilterGraph = value;
    if (!value) {
        return;
    }
    value->addGraphControl(this);
    // A graph destroyed while still set is forgotten without detaching from it.
    FGraphDestroyed = connect(value, &QObject::destroyed, this, [this] { forgetGraph(); });
    // Attached to a graph that is already active: it will not announce activation again.
    if (value->Active()) {
        FMediaSeeking = value->QueryMediaSeeking();
    }
}

void TDSTrackBar::forgetGraph()
{
    FMediaSeeking.reset();
    FFilterGraph = nullptr;
}

void TDSTrackBar::setTimerInterval(quint32 value)
{
    FTimerInterval = value;
    updateTimer();
}

void TDSTrackBar::setTimerActive(bool value)
{
    FTimerActive = value;
    updateTimer();
}

void TDSTrackBar::updateTimer()
{
    FTimer.stop();
    if (FTimerInterval != 0 && FTimerActive) {
        FTimer.start(int(std::min<quint32>(FTimerInterval, INT_MAX)));
    }
}

// ---------------------------------------------------------------- graph notifications

void TDSTrackBar::GraphControlEvent(int Op, int Param)
{
    switch (Op) {
    case 0:
        setTimerActive(isEnabled());
        break;
    case 1:
    case 2:
        setTimerActive(false);
        break;
    case 7:
        if (Param == 1 && FFilterGraph) {
            FMediaSeeking = FFilterGraph->QueryMediaSeeking();
        } else if (Param == 0) {
            FMediaSeeking.reset();
        }
        break;
    default:
        break;
    }
}

void TDSTrackBar::GraphDSEvent(int Event, std::intptr_t, std::intptr_t)
{
    if (Event != EC_CLOCK_CHANGED || !FMediaSeeking) {
        return;
    }
    // The stop position is passed without positioning, so a failed duration query does
    // not matter: the rewind happens either way.
    std::int64_t duration = 0;
    FMediaSeeking->GetDuration(duration);
    std::int64_t start = 0;
    FMediaSeeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &duration,
                                AM_SEEKING_NoPositioning);
}

// ---------------------------------------------------------------- poll

void TDSTrackBar::poll()
{
    if (!FMediaSeeking || FDragging || FTimerInterval == 0) {
        return;
    }
    std::int64_t duration = 0, current = 0;
    if (Failed(FMediaSeeking->GetDuration(duration)) ||
        Failed(FMediaSeeking->GetCurrentPosition(current))) {
        return;
    }
    // Milliseconds kept to their low 32 bits, as the event reports them.
    const quint32 currentMs = quint32(current / kUnitsPerMs);
    const quint32 stopMs = quint32(duration / kUnitsPerMs);
    m_selfMoving = true;
    setMinimum(0);
    setMaximum(clampToInt(stopMs / FTimerInterval));
    setValue(clampToInt(currentMs / FTimerInterval));
    m_selfMoving = false;
    if (!OnTimer) {
        return;
    }
    try {
        OnTimer(this, currentMs, stopMs);
    } catch (const std::exception& error) {
        Platform::handleException(error);
    }
}

// ---------------------------------------------------------------- mouse

int TDSTrackBar::valueAtPosition(const QPoint& pos) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The handle's centre goes under the pointer, as when the handle itself is dragged.
    const int first = groove.x();
    const int last = groove.right() - handle.width() + 1;
    return QStyle::sliderValueFromPosition(minimum(), maximum(),
                                           pos.x() - handle.width() / 2 - first, last - first,
                                           option.upsideDown);
}

void TDSTrackBar::mousePressEvent(QMouseEvent* event)
{
    m_mouseHeld = true;
    if (event->button() == Qt::LeftButton && maximum() > minimum()) {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QPoint pos = event->position().toPoint();
        const auto hit = style()->hitTestComplexControl(QStyle::CC_Slider, &option, pos, this);
        if (hit != QStyle::SC_SliderHandle) {
            // A click on the groove would only page one step toward the pointer; a seek bar
            // is expected to go where it was clicked. With the handle moved under the
            // pointer, the slider's own handling below starts an ordinary handle drag.
            setValue(valueAtPosition(pos));
        }
    }
    QSlider::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        FDragging = true;
    }
}

void TDSTrackBar::mouseReleaseEvent(QMouseEvent* event)
{
    QSlider::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        seekToValue();
    }
    FDragging = false;
    m_mouseHeld = event->buttons() != Qt::NoButton;
}

void TDSTrackBar::seekToValue()
{
    if (!FMediaSeeking || maximum() == 0) {
        return;
    }
    std::int64_t stop = 0;
    if (Succeeded(FMediaSeeking->GetStopPosition(stop))) {
        // Multiplied before dividing so the truncation of stop / Max cannot move the target.
        std::int64_t target = stop * value() / maximum();
        FMediaSeeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, &stop,
                                    AM_SEEKING_NoPositioning);
    }
}
