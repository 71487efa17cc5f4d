// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/GstGraph.h"

#include "platform/DvdDecryption.h"
#include "platform/Responsive.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QUrl>

#include <gst/base/gstbasetransform.h>
#include <gst/gst.h>
#include <gst/pbutils/missing-plugins.h>

#include <cstring>

namespace {

GstElement* sinkFromEnvironment(const char* variable)
{
    const QByteArray description = qgetenv(variable);
    if (description.isEmpty()) {
        return nullptr;
    }
    GError* error = nullptr;
    GstElement* sink = gst_parse_bin_from_description(description.constData(), TRUE, &error);
    if (!sink) {
        g_clear_error(&error);
        sink = gst_parse_launch(description.constData(), &error);
    }
    g_clear_error(&error);
    return sink;
}

// Sets up libav's video decoders as the graph makes them.
// - Left to decode straight into the graph's buffers, they keep the pictures they still
//   refer to, so the decoder base class copies every picture into newly allocated memory
//   before passing it on (a fresh 3 MB allocation, with its page faults, for each 1080p
//   picture). Decoding into libav's own recycled buffers instead costs one copy into a
//   recycled buffer of the graph: a tenth less CPU on 1080p H.264 and MPEG-4, the same
//   pictures.
// - MPEG-4 part 2 and its relatives (DivX, Xvid, H.263) are cheap to decode, and libav
//   decodes them in parallel only frame by frame, whose hand-over between threads costs
//   more than it spreads (7 % more CPU on 1080p MPEG-4). Their slices may still be spread.
void setUpElement(GstElement*, GstElement* element, gpointer)
{
    GstElementFactory* factory = gst_element_get_factory(element);
    const gchar* kind =
        factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (!kind || !std::strstr(kind, "Decoder") || !std::strstr(kind, "Video"))
        return;
    GObjectClass* type = G_OBJECT_GET_CLASS(element);
    const GParamSpec* direct = g_object_class_find_property(type, "direct-rendering");
    if (direct && direct->value_type == G_TYPE_BOOLEAN)
        g_object_set(element, "direct-rendering", FALSE, nullptr);
    const QByteArray name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
    const bool cheap =
        name == "avdec_mpeg4" || name.startsWith("avdec_msmpeg4") || name.startsWith("avdec_h263");
    if (cheap && g_object_class_find_property(type, "thread-type"))
        gst_util_set_object_arg(G_OBJECT(element), "thread-type", "slice");
}

// A picture larger than this is no cover but a damaged or hostile tag.
constexpr gsize kMaxCoverBytes = 16 * 1024 * 1024;

QString tagString(const GstTagList* list, const char* tag)
{
    gchar* value = nullptr;
    if (!gst_tag_list_get_string(list, tag, &value) || !value) {
        return QString();
    }
    const QString text = QString::fromUtf8(value).trimmed();
    g_free(value);
    return text;
}

void takeCover(const GstTagList* list, const char* tag, MediaTags& tags)
{
    GstSample* sample = nullptr;
    if (!gst_tag_list_get_sample(list, tag, &sample) || !sample) {
        return;
    }
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        if (map.size > 0 && map.size <= kMaxCoverBytes) {
            tags.coverImage = QByteArray(reinterpret_cast<const char*>(map.data), int(map.size));
            const GstCaps* caps = gst_sample_get_caps(sample);
            const GstStructure* s =
                caps && gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
            tags.coverMime = s ? QString::fromUtf8(gst_structure_get_name(s)) : QString();
        }
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
}

MediaTags tagsFromList(const GstTagList* list)
{
    MediaTags tags;
    tags.title = tagString(list, GST_TAG_TITLE);
    tags.artist = tagString(list, GST_TAG_ARTIST);
    tags.album = tagString(list, GST_TAG_ALBUM);
    guint track = 0;
    if (gst_tag_list_get_uint(list, GST_TAG_TRACK_NUMBER, &track) && track < 10000) {
        tags.trackNumber = int(track);
    }
    takeCover(list, GST_TAG_IMAGE, tags);
    if (tags.coverImage.isEmpty()) {
        takeCover(list, GST_TAG_PREVIEW_IMAGE, tags);
    }
    return tags;
}

} // namespace

// ---------------------------------------------------------------- MediaEventQueue

void MediaEventQueue::setReceiver(QObject* receiver)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_receiver = receiver;
}

void MediaEventQueue::setNotify(bool on)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_notify = on;
    if (!on) {
        m_events.clear();
    }
}

void MediaEventQueue::push(const GraphEvent& ev)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_notify) {
        return;
    }
    m_events.push_back(ev);
    if (m_receiver) {
        QCoreApplication::postEvent(m_receiver, new QEvent(QEvent::Type(kNotifyEventType)));
    }
}

bool MediaEventQueue::pop(GraphEvent& ev)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_notify || m_events.empty()) {
        return false;
    }
    ev = m_events.front();
    m_events.pop_front();
    return true;
}

void MediaEventQueue::beginRender()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_tags != MediaTags()) {
        m_tags = MediaTags();
        announceTags();
    }
    m_rendering = true;
    m_renderError = S_OK;
    m_renderErrorGeneric = false;
    m_renderErrorText.clear();
    m_missingDecoder.clear();
}

void MediaEventQueue::endRender()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_rendering = false;
    // The outcome has been read; a later pause or run must not report it again.
    m_renderError = S_OK;
    m_renderErrorGeneric = false;
    m_renderErrorText.clear();
}

bool MediaEventQueue::rendering() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_rendering;
}

void MediaEventQueue::recordError(HRESULT hr, const QString& text, bool generic)
{
    std::lock_guard<std::mutex> guard(m_lock);
    // The first specific error is the cause; later ones follow from it.
    if (m_renderError == S_OK || (m_renderErrorGeneric && !generic)) {
        m_renderError = hr;
        m_renderErrorText = text;
        m_renderErrorGeneric = generic;
    }
}

void MediaEventQueue::recordMissingDecoder(const QString& what)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_missingDecoder.isEmpty()) {
        m_missingDecoder = what;
    }
}

HRESULT MediaEventQueue::renderError() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_renderError;
}

QString MediaEventQueue::renderErrorText() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_renderErrorText;
}

QString MediaEventQueue::missingDecoder() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_missingDecoder;
}

void MediaEventQueue::mergeTags(const MediaTags& incoming)
{
    std::lock_guard<std::mutex> guard(m_lock);
    MediaTags merged = m_tags;
    const auto take = [](QString& field, const QString& value) {
        if (!value.isEmpty()) {
            field = value;
        }
    };
    take(merged.title, incoming.title);
    take(merged.artist, incoming.artist);
    take(merged.album, incoming.album);
    if (incoming.trackNumber > 0) {
        merged.trackNumber = incoming.trackNumber;
    }
    if (!incoming.coverImage.isEmpty()) {
        merged.coverImage = incoming.coverImage;
        merged.coverMime = incoming.coverMime;
    }
    // Decoders repeat their tags (bitrate and the like) all along; only news counts.
    if (merged != m_tags) {
        m_tags = merged;
        announceTags();
    }
}

MediaTags MediaEventQueue::tags() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_tags;
}

void MediaEventQueue::announceTags()
{
    if (m_notify && m_receiver) {
        QCoreApplication::postEvent(m_receiver, new QEvent(QEvent::Type(kTagsEventType)));
    }
}

void MediaEventQueue::noteClock(GstClock* clock, bool& changed)
{
    std::lock_guard<std::mutex> guard(m_lock);
    // The pipeline announces its clock on every start; only a different clock than the
    // one it ran with before is a change of clock.
    changed = m_lastClock != nullptr && clock != m_lastClock;
    m_lastClock = clock;
}

void MediaEventQueue::notePauseRequested(bool on)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_pauseRequested = on;
}

bool MediaEventQueue::takePauseRequested()
{
    std::lock_guard<std::mutex> guard(m_lock);
    const bool was = m_pauseRequested;
    m_pauseRequested = false;
    return was;
}

// ---------------------------------------------------------------- DurationCache

namespace {
constexpr std::int64_t kDurationTrustMs = 5000;
std::int64_t monotonicMs()
{
    return g_get_monotonic_time() / 1000;
}
} // namespace

bool DurationCache::get(std::int64_t& ns) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_ns < 0 || monotonicMs() - m_storedAtMs >= kDurationTrustMs) {
        return false;
    }
    ns = m_ns;
    return true;
}

std::uint64_t DurationCache::generation() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_generation;
}

void DurationCache::store(std::uint64_t generation, std::int64_t ns)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (generation == m_generation) {
        m_ns = ns;
        m_storedAtMs = monotonicMs();
    }
}

void DurationCache::forget()
{
    std::lock_guard<std::mutex> hold(m_lock);
    ++m_generation;
    m_ns = -1;
}

// ---------------------------------------------------------------- GstGraph

GstGraph::GstGraph() : m_events(std::make_shared<MediaEventQueue>())
{
    m_playbin = gst_element_factory_make("playbin", nullptr);
    if (!m_playbin) {
        return;
    }
    gst_object_ref_sink(m_playbin);
    if (GstElement* video = sinkFromEnvironment("LUMENO_VIDEO_SINK")) {
        g_object_set(m_playbin, "video-sink", video, nullptr);
    }
    setAudioPath(sinkFromEnvironment("LUMENO_AUDIO_SINK"));
    g_signal_connect(m_playbin, "element-setup", G_CALLBACK(setUpElement), nullptr);
    GstBus* bus = gst_element_get_bus(m_playbin);
    gst_bus_set_sync_handler(
        bus,
        [](GstBus* b, GstMessage* m, gpointer self) -> GstBusSyncReply {
            return GstBusSyncReply(busSyncHandler(b, m, self));
        },
        this, nullptr);
    gst_object_unref(bus);
}

GstGraph::~GstGraph()
{
    if (!m_playbin) {
        return;
    }
    m_events->setNotify(false);
    gst_element_set_state(m_playbin, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(m_playbin);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_playbin);
    if (m_panorama) {
        gst_object_unref(m_panorama);
    }
    if (m_volume) {
        gst_object_unref(m_volume);
    }
}

namespace {

// audiopanorama copies every buffer, also with the balance centred, where its output is
// its stereo input unchanged. While that holds it is told to pass buffers on as they are
// (mono input always goes through it: it makes the two channels). The caps and the
// balance change on different threads, hence the lock. Kept as the filter's own data.
struct CentredBalance {
    explicit CentredBalance(GstElement* filter) : panorama(filter) {}

    GstElement* panorama; // not owned: this lives as long as the filter
    std::mutex lock;
    bool stereoIn = false;

    static GQuark quark() { return g_quark_from_static_string("lumeno-centred-balance"); }
    static void release(gpointer data) { delete static_cast<CentredBalance*>(data); }

    // With the lock held.
    void apply()
    {
        gfloat pan = 0;
        g_object_get(panorama, "panorama", &pan, nullptr);
        gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(panorama), stereoIn && pan == 0);
    }

    static GstPadProbeReturn onCaps(GstPad*, GstPadProbeInfo* info, gpointer data)
    {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) {
            return GST_PAD_PROBE_OK;
        }
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        gint channels = 0;
        gst_structure_get_int(gst_caps_get_structure(caps, 0), "channels", &channels);
        auto* self = static_cast<CentredBalance*>(data);
        std::lock_guard<std::mutex> hold(self->lock);
        self->stereoIn = channels == 2;
        self->apply();
        return GST_PAD_PROBE_OK;
    }
};

void watchCentredBalance(GstElement* panorama)
{
    auto* self = new CentredBalance(panorama);
    g_object_set_qdata_full(G_OBJECT(panorama), CentredBalance::quark(), self,
                            CentredBalance::release);
    GstPad* in = gst_element_get_static_pad(panorama, "sink");
    gst_pad_add_probe(in, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, CentredBalance::onCaps, self,
                      nullptr);
    gst_object_unref(in);
}

} // namespace

void setBalance(GstElement* panorama, float pan)
{
    auto* self = static_cast<CentredBalance*>(
        g_object_get_qdata(G_OBJECT(panorama), CentredBalance::quark()));
    std::lock_guard<std::mutex> hold(self->lock);
    g_object_set(panorama, "panorama", pan, nullptr);
    self->apply();
}

void GstGraph::setAudioPath(GstElement* sink)
{
    // Balance is a panorama filter in the audio path; without it balance is only stored.
    if (GstElement* panorama = gst_element_factory_make("audiopanorama", nullptr)) {
        watchCentredBalance(panorama);
        m_panorama = GST_ELEMENT(gst_object_ref_sink(panorama));
        g_object_set(m_playbin, "audio-filter", m_panorama, nullptr);
    }
    // The volume is a volume element of the graph's own right before the sink, where
    // playbin puts the one it makes for its "volume"; but GStreamer 1.22's playbin never
    // frees that one (an element and its pads, some 4 KB for every graph made). At full
    // volume it passes buffers on untouched, as playbin's does.
    GstElement* volume = gst_element_factory_make("volume", nullptr);
    if (!sink) {
        sink = gst_element_factory_make("autoaudiosink", nullptr);
    }
    if (volume && sink) {
        GstElement* out = gst_bin_new("audio-out");
        gst_bin_add_many(GST_BIN(out), volume, sink, nullptr);
        GstPad* in = gst_element_get_static_pad(volume, "sink");
        if (gst_element_link(volume, sink) &&
            gst_element_add_pad(out, gst_ghost_pad_new("sink", in))) {
            m_volume = GST_ELEMENT(gst_object_ref(volume));
            // GST_PLAY_FLAG_SOFT_VOLUME off: playbin makes no volume element of its own.
            guint flags = 0;
            g_object_get(m_playbin, "flags", &flags, nullptr);
            g_object_set(m_playbin, "flags", flags & ~guint(1 << 4), nullptr);
            g_object_set(m_playbin, "audio-sink", out, nullptr);
        } else {
            gst_object_unref(gst_object_ref_sink(out));
        }
        gst_object_unref(in);
        return;
    }
    if (volume) {
        gst_object_unref(gst_object_ref_sink(volume));
    }
    if (sink) {
        g_object_set(m_playbin, "audio-sink", sink, nullptr);
    }
}

int GstGraph::busSyncHandler(GstBus*, GstMessage* msg, void* self)
{
    static_cast<GstGraph*>(self)->onBusMessage(msg);
    // A dropped message is the handler's to release; kept, it would hold its source
    // element and with it the whole graph after the graph is gone.
    gst_message_unref(msg);
    return GST_BUS_DROP;
}

void GstGraph::onBusMessage(GstMessage* msg)
{
    const bool fromPipeline = GST_MESSAGE_SRC(msg) == GST_OBJECT(m_playbin);
    switch (GST_MESSAGE_TYPE(msg)) {
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gst_message_parse_error(msg, &error, nullptr);
        gchar* uri = nullptr;
        g_object_get(m_playbin, "current-uri", &uri, nullptr);
        const HRESULT hr =
            hresultFromGstError(error->domain, error->code, QString::fromUtf8(uri ? uri : ""));
        g_free(uri);
        const QString text = QString::fromUtf8(error->message);
        // "Internal data stream error" only says that streaming stopped; the element that
        // knows why usually reports after it.
        const bool generic =
            error->domain == GST_STREAM_ERROR && error->code == GST_STREAM_ERROR_FAILED;
        g_error_free(error);
        if (m_events->rendering()) {
            m_events->recordError(hr, text, generic);
        } else {
            m_events->push({EC_ERRORABORT, hr, 0});
        }
        break;
    }
    case GST_MESSAGE_EOS:
        if (!m_events->rendering()) {
            m_events->push({EC_COMPLETE, S_OK, 0});
        }
        break;
    case GST_MESSAGE_TAG: {
        GstTagList* list = nullptr;
        gst_message_parse_tag(msg, &list);
        if (list) {
            m_events->mergeTags(tagsFromList(list));
            gst_tag_list_unref(list);
        }
        break;
    }
    case GST_MESSAGE_NEW_CLOCK:
        if (fromPipeline) {
            GstClock* clock = nullptr;
            gst_message_parse_new_clock(msg, &clock);
            bool changed = false;
            m_events->noteClock(clock, changed);
            if (changed) {
                m_events->push({EC_CLOCK_CHANGED, 0, 0});
            }
        }
        break;
    case GST_MESSAGE_DURATION_CHANGED:
    case GST_MESSAGE_STREAM_START:
        m_duration->forget();
        break;
    case GST_MESSAGE_ASYNC_DONE: // prerolled, or a seek is done
        if (fromPipeline) {
            m_duration->forget();
        }
        break;
    case GST_MESSAGE_STATE_CHANGED:
        if (fromPipeline) {
            GstState oldState, newState, pending;
            gst_message_parse_state_changed(msg, &oldState, &newState, &pending);
            if (newState <= GST_STATE_READY) { // stopped, or a new render begins
                m_duration->forget();
            }
            if (newState == GST_STATE_PAUSED && pending == GST_STATE_VOID_PENDING &&
                m_events->takePauseRequested()) {
                m_events->push({EC_PAUSED, S_OK, 0});
            }
        }
        break;
    case GST_MESSAGE_ELEMENT:
        if (gst_is_missing_plugin_message(msg)) {
            gchar* detail = gst_missing_plugin_message_get_installer_detail(msg);
            gchar* what = gst_missing_plugin_message_get_description(msg);
            if (detail && g_strrstr(detail, "|decoder-")) {
                m_events->recordMissingDecoder(QString::fromUtf8(what ? what : "decoder"));
            }
            g_free(detail);
            g_free(what);
        }
        break;
    default:
        break;
    }
}

HRESULT GstGraph::waitForState(int timeoutMs, bool& settled)
{
    // An element that fails while prerolling posts an error but leaves the state change
    // pending, so wait in short steps and stop at the first error.
    constexpr int kStepMs = 40;
    QElapsedTimer clock;
    clock.start();
    settled = false;
    GstStateChangeReturn ret = GST_STATE_CHANGE_ASYNC;
    while (true) {
        GstState state, pending;
        ret =
            gst_element_get_state(m_playbin, &state, &pending, GstClockTime(kStepMs) * GST_MSECOND);
        if (ret != GST_STATE_CHANGE_ASYNC || m_events->renderError() != S_OK ||
            clock.elapsed() >= timeoutMs) {
            break;
        }
    }
    if (ret == GST_STATE_CHANGE_FAILURE) {
        // The error message may still be on its way from the streaming thread.
        for (int i = 0; i < 10 && m_events->renderError() == S_OK; ++i) {
            g_usleep(25000);
        }
        const HRESULT hr = m_events->renderError();
        return hr != S_OK ? hr : E_FAIL;
    }
    settled = ret != GST_STATE_CHANGE_ASYNC;
    return m_events->renderError();
}

HRESULT GstGraph::renderUri(const QString& uri, int timeoutMs)
{
    if (!m_playbin) {
        return E_FAIL;
    }
    // Opening a file can take seconds; the windows keep painting meanwhile.
    HRESULT hr = S_OK;
    Platform::runResponsively([&]() { hr = renderNow(uri, timeoutMs); });
    m_lastRender = hr;
    return hr;
}

HRESULT GstGraph::renderNow(const QString& uri, int timeoutMs)
{
    gst_element_set_state(m_playbin, GST_STATE_NULL);
    g_object_set(m_playbin, "uri", uri.toUtf8().constData(), nullptr);
    m_events->beginRender();
    HRESULT hr = S_OK;
    if (gst_element_set_state(m_playbin, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        hr = m_events->renderError() != S_OK ? m_events->renderError() : VFW_E_CANNOT_RENDER;
    } else {
        bool settled = false;
        hr = waitForState(timeoutMs, settled);
        if (Succeeded(hr) && !settled) {
            // A demuxer's error can be swallowed while the decoder bin is still trying
            // it; then the graph just never gets ready. With no stream found in all that
            // time the file is not one we can read.
            hr = streamCount() == 0 ? VFW_E_INVALID_FILE_FORMAT : VFW_E_TIMEOUT;
        }
    }
    if (Succeeded(hr) && m_events->renderError() != S_OK) {
        hr = m_events->renderError();
    }
    if (Succeeded(hr) && !m_events->missingDecoder().isEmpty()) {
        hr = VFW_E_UNSUPPORTED_STREAM;
    }
    if (Succeeded(hr) && streamCount() == 0) {
        hr = VFW_E_CANNOT_RENDER;
    }
    m_events->endRender();
    if (Failed(hr)) {
        // Left empty, as a graph whose render failed: nothing to preroll again later.
        gst_element_set_state(m_playbin, GST_STATE_NULL);
        g_object_set(m_playbin, "uri", nullptr, nullptr);
    }
    return hr;
}

bool GstGraph::hasSource() const
{
    // "uri" names the next stream to play; the one playing now is "current-uri".
    gchar* next = nullptr;
    gchar* current = nullptr;
    g_object_get(m_playbin, "uri", &next, "current-uri", &current, nullptr);
    const bool set = (next && *next) || (current && *current);
    g_free(next);
    g_free(current);
    return set;
}

int GstGraph::streamCount() const
{
    gint audio = 0, video = 0;
    g_object_get(m_playbin, "n-audio", &audio, "n-video", &video, nullptr);
    return audio + video;
}

HRESULT GstGraph::run()
{
    if (!m_playbin) {
        return E_FAIL;
    }
    m_events->notePauseRequested(false);
    switch (gst_element_set_state(m_playbin, GST_STATE_PLAYING)) {
    case GST_STATE_CHANGE_FAILURE: {
        const HRESULT hr = m_events->renderError();
        return hr != S_OK ? hr : E_FAIL;
    }
    case GST_STATE_CHANGE_ASYNC:
        return S_FALSE;
    default:
        return S_OK;
    }
}

HRESULT GstGraph::pause()
{
    if (!m_playbin) {
        return E_FAIL;
    }
    if (!hasSource()) {
        return S_OK; // an empty graph pauses trivially
    }
    m_events->notePauseRequested(true);
    switch (gst_element_set_state(m_playbin, GST_STATE_PAUSED)) {
    case GST_STATE_CHANGE_FAILURE:
        return E_FAIL;
    case GST_STATE_CHANGE_ASYNC: {
        // A running graph pauses at once; give the sinks a moment to say so.
        bool settled = false;
        HRESULT hr = S_OK;
        Platform::runResponsively([&]() { hr = waitForState(500, settled); });
        return Failed(hr) ? hr : (settled ? S_OK : S_FALSE);
    }
    default:
        return S_OK;
    }
}

HRESULT GstGraph::stop()
{
    if (!m_playbin) {
        return E_FAIL;
    }
    m_events->notePauseRequested(false);
    return gst_element_set_state(m_playbin, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE ? E_FAIL
                                                                                         : S_OK;
}

void GstGraph::clear()
{
    if (!m_playbin) {
        return;
    }
    gst_element_set_state(m_playbin, GST_STATE_NULL);
    g_object_set(m_playbin, "uri", nullptr, nullptr);
}

HRESULT GstGraph::addVideoFilter(GstElement* sink)
{
    if (!m_playbin || !sink) {
        return E_POINTER;
    }
    // A renderer left inside a graph that was not torn down cleanly is taken out of it
    // first; otherwise the new graph would play without picture.
    if (GstObject* parent = gst_object_get_parent(GST_OBJECT(sink))) {
        const bool freed =
            GST_IS_BIN(parent) &&
            gst_element_set_state(sink, GST_STATE_NULL) != GST_STATE_CHANGE_FAILURE &&
            gst_bin_remove(GST_BIN(parent), sink);
        gst_object_unref(parent);
        if (!freed) {
            return VFW_E_WRONG_STATE;
        }
    }
    g_object_set(m_playbin, "video-sink", sink, nullptr);
    return S_OK;
}

HRESULT GstGraph::removeVideoFilter(GstElement* sink)
{
    if (!m_playbin || !sink) {
        return E_POINTER;
    }
    gst_element_set_state(m_playbin, GST_STATE_NULL);
    GstElement* current = nullptr;
    g_object_get(m_playbin, "video-sink", &current, nullptr);
    if (current == sink) {
        g_object_set(m_playbin, "video-sink", nullptr, nullptr);
    }
    if (current) {
        gst_object_unref(current);
    }
    // The play sink keeps its renderer as a child until it rebuilds; take it out now so
    // the element can join the next graph.
    if (GstObject* parent = gst_object_get_parent(GST_OBJECT(sink))) {
        if (GST_IS_BIN(parent)) {
            gst_element_set_state(sink, GST_STATE_NULL);
            gst_bin_remove(GST_BIN(parent), sink);
        }
        gst_object_unref(parent);
    }
    return S_OK;
}

// ---------------------------------------------------------------- error mapping

QString localPathOfUri(const QString& uri)
{
    const QUrl url(uri);
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

HRESULT hresultFromGstError(unsigned domainQuark, int code, const QString& uri)
{
    const GQuark domain = GQuark(domainQuark);
    if (domain == GST_RESOURCE_ERROR) {
        if (code == GST_RESOURCE_ERROR_NOT_FOUND || code == GST_RESOURCE_ERROR_OPEN_READ ||
            code == GST_RESOURCE_ERROR_OPEN_READ_WRITE) {
            const QString path = localPathOfUri(uri);
            if (!path.isEmpty() && QFileInfo::exists(path)) {
                return QFileInfo(path).isReadable() ? E_FAIL : E_ACCESSDENIED;
            }
            return E_FILE_NOT_FOUND;
        }
        if (code == GST_RESOURCE_ERROR_READ) {
            // The DVD source reads scrambled sectors of an encrypted disc only through
            // libdvdcss; without it a read failure has that one likely cause.
            if (uri.startsWith(QLatin1String("dvd:")) && !Platform::dvdDecryptionAvailable()) {
                return E_DVD_ENCRYPTED;
            }
            return VFW_E_INVALID_FILE_FORMAT;
        }
        return E_FAIL;
    }
    if (domain == GST_STREAM_ERROR) {
        switch (code) {
        case GST_STREAM_ERROR_TYPE_NOT_FOUND:
        case GST_STREAM_ERROR_WRONG_TYPE:
            return VFW_E_UNKNOWN_FILE_TYPE;
        case GST_STREAM_ERROR_CODEC_NOT_FOUND:
            return VFW_E_UNSUPPORTED_STREAM;
        case GST_STREAM_ERROR_DEMUX:
        case GST_STREAM_ERROR_DECODE:
        case GST_STREAM_ERROR_FORMAT:
        case GST_STREAM_ERROR_FAILED:
            return VFW_E_INVALID_FILE_FORMAT;
        default:
            return E_FAIL;
        }
    }
    if (domain == GST_CORE_ERROR && code == GST_CORE_ERROR_MISSING_PLUGIN) {
        return VFW_E_UNSUPPORTED_STREAM;
    }
    return E_FAIL;
}
