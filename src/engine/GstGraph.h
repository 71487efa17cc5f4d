// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One playback graph over a GStreamer playbin: building it from a file or a DVD
// folder, running it, and the queue of events it raises for the GUI thread.

#include "engine/GraphInterfaces.h"
#include "engine/MediaTags.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;
typedef struct _GstClock GstClock;

// One graph event, as the dispatcher sees it.
struct GraphEvent {
    int code;
    std::intptr_t param1;
    std::intptr_t param2;
};

// Filled on GStreamer's threads, drained on the GUI thread. Each queued event is
// announced to the receiver by one posted QEvent, so a handler never runs on a
// streaming thread.
class MediaEventQueue {
public:
    static constexpr int kNotifyEventType = 0x8001 + 1000; // QEvent::User range
    static constexpr int kTagsEventType = kNotifyEventType + 1;

    void setReceiver(QObject* receiver);
    void setNotify(bool on);
    void push(const GraphEvent& ev);
    bool pop(GraphEvent& ev);

    // Render bookkeeping, read once the render has settled.
    void beginRender();
    void endRender();
    bool rendering() const;
    void recordError(HRESULT hr, const QString& text, bool generic);
    void recordMissingDecoder(const QString& what);
    HRESULT renderError() const;
    QString renderErrorText() const;
    QString missingDecoder() const;

    // Takes what one tag message says over the tags so far; the receiver hears of a
    // change by one posted kTagsEventType. A new render starts without tags.
    void mergeTags(const MediaTags& incoming);
    MediaTags tags() const;

    void noteClock(GstClock* clock, bool& changed);
    void notePauseRequested(bool on);
    bool takePauseRequested();

private:
    void announceTags(); // with m_lock held
    mutable std::mutex m_lock;
    std::deque<GraphEvent> m_events;
    QObject* m_receiver = nullptr;
    bool m_notify = true;
    bool m_rendering = false;
    HRESULT m_renderError = S_OK;
    bool m_renderErrorGeneric = false;
    QString m_renderErrorText;
    QString m_missingDecoder;
    GstClock* m_lastClock = nullptr; // compared only, never dereferenced
    bool m_pauseRequested = false;
    MediaTags m_tags;
};

// Sets the balance of a graph's balance filter (panorama()), which lets centred stereo
// through untouched and has to know when the balance changes.
void setBalance(GstElement* panorama, float pan);

// The media's length. Asking playbin for it goes through every sink and on up to the
// demuxer, so a player that shows the length every second asks once and keeps the answer
// until the graph's bus reports that it may have changed (a new stream, a changed
// duration, a finished preroll or seek, a stop), as GStreamer's guidance for players has it. An
// answer is also asked again after a few seconds, for elements that change it without a word.
class DurationCache {
public:
    // The kept length in ns, if there is one still to be trusted.
    bool get(std::int64_t& ns) const;
    // Taken before asking the graph, and handed back with the answer: an answer that a
    // change overtook is not kept.
    std::uint64_t generation() const;
    void store(std::uint64_t generation, std::int64_t ns);
    void forget();

private:
    mutable std::mutex m_lock;
    std::uint64_t m_generation = 0;
    std::int64_t m_ns = -1;
    std::int64_t m_storedAtMs = 0;
};

class GstGraph {
public:
    GstGraph();
    ~GstGraph();
    GstGraph(const GstGraph&) = delete;
    GstGraph& operator=(const GstGraph&) = delete;

    bool valid() const { return m_playbin != nullptr; }
    GstElement* element() const { return m_playbin; }
    GstElement* panorama() const { return m_panorama; }
    // The element whose "volume" is the graph's volume: the volume filter, or playbin.
    GstElement* volume() const { return m_volume ? m_volume : m_playbin; }
    const std::shared_ptr<MediaEventQueue>& events() const { return m_events; }
    const std::shared_ptr<DurationCache>& duration() const { return m_duration; }

    // Builds the graph for uri and waits (at most timeoutMs) until it is ready to run.
    HRESULT renderUri(const QString& uri, int timeoutMs);
    // What the last render came to, also when a caller reports it in its own terms.
    HRESULT lastRenderResult() const { return m_lastRender; }
    bool hasSource() const;
    HRESULT run();
    HRESULT pause();
    HRESULT stop();
    // Back to an empty graph: stopped, no source; the renderers set on it stay.
    void clear();

    HRESULT addVideoFilter(GstElement* sink);
    HRESULT removeVideoFilter(GstElement* sink);

    int streamCount() const;

private:
    HRESULT renderNow(const QString& uri, int timeoutMs);
    HRESULT waitForState(int timeoutMs, bool& settled);
    static int busSyncHandler(GstBus* bus, GstMessage* msg, void* self);
    void onBusMessage(GstMessage* msg);
    // The balance filter, and the volume ahead of sink (the usual one when null).
    void setAudioPath(GstElement* sink);

    GstElement* m_playbin = nullptr;
    GstElement* m_panorama = nullptr;
    GstElement* m_volume = nullptr;
    HRESULT m_lastRender = S_OK;
    std::shared_ptr<MediaEventQueue> m_events;
    std::shared_ptr<DurationCache> m_duration = std::make_shared<DurationCache>();
};

// Maps a GStreamer error (domain, code) and the source it came from to a result code.
HRESULT hresultFromGstError(unsigned domainQuark, int code, const QString& uri);

// Text of the current playbin URI's local file, or empty.
QString localPathOfUri(const QString& uri);
