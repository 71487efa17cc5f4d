// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plays a range of an audio CD: an appsrc fed with raw sectors on GStreamer's
// streaming thread, then audioconvert ! audioresample ! volume ! the audio sink.
// The end of the range or a failure reaches the GUI thread as a queued call.

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

class CdAudioDisc;
typedef struct _GstElement GstElement;
typedef struct _GstAppSrc GstAppSrc;
typedef struct _GstMessage GstMessage;

class CdAudioStream {
public:
    enum class State { Stopped, Playing, Paused };
    // failed: the range did not play to its end; message says why.
    using EndHandler = std::function<void(bool failed, const QString& message)>;

    // Ends are delivered through context's event loop.
    CdAudioStream(QObject* context, EndHandler onEnd);
    ~CdAudioStream();
    CdAudioStream(const CdAudioStream&) = delete;
    CdAudioStream& operator=(const CdAudioStream&) = delete;

    // Plays disc samples [fromSample, toSample) counted from LSN 0. The disc must
    // outlive the playback (stop() ends it).
    bool start(const CdAudioDisc* disc, std::int64_t fromSample, std::int64_t toSample,
               QString* error);
    bool pause();
    bool resume();
    // keepPainting: a sector read under way may take seconds on a scratched disc; the
    // windows repaint while it ends (not while the program is being torn down).
    void stop(bool keepPainting = false);
    // Blocks until the range has played out or failed.
    void waitForEnd();

    // Stopped once the range has ended, even before the end is delivered.
    State state() const;
    bool active() const { return m_pipeline && m_running; }
    // The range has played out or failed, and the end may still be on its way.
    bool ended() const { return active() && m_ended; }
    bool failed() const { return m_failed; }
    // Where the sink is, in disc samples; the range's end once it has ended.
    std::int64_t position() const;
    void setVolume(double amplitude);

private:
    bool ensurePipeline(QString* error);
    void feed(GstAppSrc* src);
    void handleBusMessage(GstMessage* message);
    void finish(bool failed, const QString& message);
    friend struct CdAudioStreamCallbacks;

    QObject* m_context;
    EndHandler m_onEnd;
    GstElement* m_pipeline = nullptr;
    GstElement* m_volume = nullptr;
    double m_amplitude = 1.0;
    bool m_running = false;

    // Written while the pipeline is down, then read by the streaming thread only.
    const CdAudioDisc* m_disc = nullptr;
    std::int64_t m_from = 0;
    std::int64_t m_to = 0;
    std::int64_t m_next = 0;

    // Each start or stop begins a new run; an end queued by an older run is dropped.
    std::atomic<unsigned> m_run{0};
    std::atomic<bool> m_ended{false};
    std::atomic<bool> m_failed{false};
    std::mutex m_endLock;
    std::condition_variable m_endSignal;
};
