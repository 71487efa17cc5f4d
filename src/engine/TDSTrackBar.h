// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The seek bar of media files: follows a filter graph's position while it plays and
// seeks it when the user lets go of the thumb.

#include "engine/GraphInterfaces.h"

#include <QSlider>
#include <QTimer>
#include <functional>
#include <memory>

class TFilterGraph;

class TDSTrackBar : public QSlider, public IGraphListener {
    Q_OBJECT
public:
    explicit TDSTrackBar(QWidget* parent = nullptr);
    ~TDSTrackBar() override;

    TFilterGraph* FilterGraph() const { return FFilterGraph; }
    void setFilterGraph(TFilterGraph* value);
    // Poll period in milliseconds and the size of one bar step; 0 stops polling.
    quint32 TimerInterval() const { return FTimerInterval; }
    void setTimerInterval(quint32 value);

    // Fired after every poll, positions in milliseconds; unassigned is skipped.
    std::function<void(TDSTrackBar* Sender, quint32 CurrentPos, quint32 StopPos)> OnTimer;

    bool TimerActive() const { return FTimerActive; }
    bool Dragging() const { return FDragging; }
    bool HoldsMediaSeeking() const { return FMediaSeeking != nullptr; }

    void GraphControlEvent(int Op, int Param) override;
    void GraphDSEvent(int Event, std::intptr_t Param1, std::intptr_t Param2) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setTimerActive(bool value);
    void updateTimer();
    void poll();
    void forgetGraph();
    int valueAtPosition(const QPoint& pos) const;
    // Seeks the graph to the bar's value as a share of its range.
    void seekToValue();

    TFilterGraph* FFilterGraph = nullptr;
    QMetaObject::Connection FGraphDestroyed;
    quint32 FTimerInterval = 1000;
    std::shared_ptr<IMediaSeeking> FMediaSeeking;
    bool FTimerActive = false;
    bool FDragging = false;
    // The poll's own moves, and moves while a mouse button is held, are no request to
    // seek: the mouse seeks on its release.
    bool m_selfMoving = false;
    bool m_mouseHeld = false;
    QTimer FTimer{this}; // a child, so that a look over the program finds it
};
