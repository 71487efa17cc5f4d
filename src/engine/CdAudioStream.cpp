// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CdAudioStream.h"

#include "engine/CdAudioDisc.h"
#include "platform/Responsive.h"

#include <QLoggingCategory>

#include <algorithm>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

namespace {

Q_LOGGING_CATEGORY(lcCdStream, "lumeno.cdstream", QtWarningMsg)

// A third of a second per buffer: short enough for a quick pause, long enough
// that a real drive is not asked for every sector.
constexpr int kChunkSectors = 25;

QByteArray sinkDescription()
{
    for (const char* variable : {"LUMENO_CD_AUDIO_SINK", "LUMENO_AUDIO_SINK"}) {
        const QByteArray description = qgetenv(variable);
        if (!description.trimmed().isEmpty())
            return description;
    }
    return QByteArrayLiteral("autoaudiosink");
}

GstClockTime samplesToTime(std::int64_t samples)
{
    return gst_util_uint64_scale(guint64(samples), GST_SECOND, kCdSampleRate);
}

void setStateOrWarn(GstElement* pipeline, GstState state)
{
    if (gst_element_set_state(pipeline, state) == GST_STATE_CHANGE_FAILURE)
        qCWarning(lcCdStream, "CD audio pipeline refused state %s",
                  gst_element_state_get_name(state));
}

} // namespace

struct CdAudioStreamCallbacks {
    static void needData(GstAppSrc* src, guint, gpointer self)
    {
        static_cast<CdAudioStream*>(self)->feed(src);
    }
    static GstBusSyncReply busMessage(GstBus*, GstMessage* message, gpointer self)
    {
        static_cast<CdAudioStream*>(self)->handleBusMessage(message);
        // Nothing else reads this bus; dropping keeps it from filling up. A dropped
        // message is the handler's to release: it holds its source, and so the pipeline.
        gst_message_unref(message);
        return GST_BUS_DROP;
    }
};

CdAudioStream::CdAudioStream(QObject* context, EndHandler onEnd)
    : m_context(context), m_onEnd(std::move(onEnd))
{
}

CdAudioStream::~CdAudioStream()
{
    stop();
    if (!m_pipeline)
        return;
    if (GstBus* bus = gst_element_get_bus(m_pipeline)) {
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
    }
    gst_object_unref(m_volume);
    gst_object_unref(m_pipeline);
}

bool CdAudioStream::ensurePipeline(QString* error)
{
    if (m_pipeline)
        return true;
    GError* gerror = nullptr;
    if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, &gerror)) {
        *error = QStringLiteral("GStreamer could not be started: %1.")
                     .arg(QString::fromUtf8(gerror ? gerror->message : "unknown reason"));
        g_clear_error(&gerror);
        return false;
    }
    const QByteArray description =
        "appsrc name=cdsrc ! audioconvert ! audioresample ! volume name=cdvolume ! " +
        sinkDescription();
    GstElement* pipeline = gst_parse_launch(description.constData(), &gerror);
    GstElement* src = pipeline ? gst_bin_get_by_name(GST_BIN(pipeline), "cdsrc") : nullptr;
    GstElement* volume = pipeline ? gst_bin_get_by_name(GST_BIN(pipeline), "cdvolume") : nullptr;
    GstBus* bus = pipeline ? gst_element_get_bus(pipeline) : nullptr;
    if (gerror || !src || !volume || !bus) {
        *error = QStringLiteral("The CD audio output \"%1\" could not be built: %2.")
                     .arg(QString::fromLocal8Bit(sinkDescription()),
                          QString::fromUtf8(gerror ? gerror->message : "element missing"));
        g_clear_error(&gerror);
        for (GstElement* e : {src, volume, pipeline}) {
            if (e)
                gst_object_unref(e);
        }
        if (bus)
            gst_object_unref(bus);
        return false;
    }

    GstAppSrc* appsrc = GST_APP_SRC(src);
    GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "rate",
                                        G_TYPE_INT, kCdSampleRate, "channels", G_TYPE_INT, 2,
                                        "layout", G_TYPE_STRING, "interleaved", nullptr);
    gst_app_src_set_caps(appsrc, caps);
    gst_caps_unref(caps);
    gst_app_src_set_stream_type(appsrc, GST_APP_STREAM_TYPE_STREAM);
    g_object_set(src, "format", GST_FORMAT_TIME, nullptr);
    GstAppSrcCallbacks callbacks = {};
    callbacks.need_data = &CdAudioStreamCallbacks::needData;
    gst_app_src_set_callbacks(appsrc, &callbacks, this, nullptr);
    gst_object_unref(src);

    gst_bus_set_sync_handler(bus, &CdAudioStreamCallbacks::busMessage, this, nullptr);
    gst_object_unref(bus);
    m_pipeline = pipeline;
    m_volume = volume;
    g_object_set(m_volume, "volume", m_amplitude, nullptr);
    return true;
}

bool CdAudioStream::start(const CdAudioDisc* disc, std::int64_t fromSample, std::int64_t toSample,
                          QString* error)
{
    stop();
    if (!ensurePipeline(error))
        return false;
    m_disc = disc;
    m_from = fromSample;
    m_to = toSample;
    m_next = fromSample;
    m_ended = false;
    m_failed = false;
    ++m_run;
    m_running = true;
    if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        stop();
        *error = QStringLiteral("The CD audio output could not be started.");
        return false;
    }
    return true;
}

bool CdAudioStream::pause()
{
    if (!active() || m_ended)
        return false;
    return gst_element_set_state(m_pipeline, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
}

bool CdAudioStream::resume()
{
    if (!active() || m_ended)
        return false;
    return gst_element_set_state(m_pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

void CdAudioStream::stop(bool keepPainting)
{
    if (!active())
        return;
    // Returns once the streaming thread has left, so the disc is free again.
    if (keepPainting)
        Platform::runResponsively([this]() { setStateOrWarn(m_pipeline, GST_STATE_NULL); });
    else
        setStateOrWarn(m_pipeline, GST_STATE_NULL);
    m_running = false;
    ++m_run;
    {
        std::lock_guard<std::mutex> guard(m_endLock);
        m_ended = true;
    }
    m_endSignal.notify_all();
}

void CdAudioStream::waitForEnd()
{
    std::unique_lock<std::mutex> lock(m_endLock);
    m_endSignal.wait(lock, [this] { return !active() || m_ended.load(); });
}

CdAudioStream::State CdAudioStream::state() const
{
    if (!active() || m_ended)
        return State::Stopped;
    GstState current = GST_STATE_VOID_PENDING;
    GstState pending = GST_STATE_VOID_PENDING;
    if (gst_element_get_state(m_pipeline, &current, &pending, 0) == GST_STATE_CHANGE_FAILURE)
        return State::Stopped;
    // A change still under way counts as done, as the device reports its target.
    const GstState target = pending != GST_STATE_VOID_PENDING ? pending : current;
    if (target == GST_STATE_PLAYING)
        return State::Playing;
    return target == GST_STATE_PAUSED ? State::Paused : State::Stopped;
}

std::int64_t CdAudioStream::position() const
{
    if (m_ended && !m_failed)
        return m_to;
    gint64 played = 0;
    if (!m_pipeline || !gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &played) ||
        played < 0)
        return m_from;
    const auto samples =
        std::int64_t(gst_util_uint64_scale(guint64(played), kCdSampleRate, GST_SECOND));
    return std::min(m_to, m_from + samples);
}

void CdAudioStream::setVolume(double amplitude)
{
    m_amplitude = amplitude;
    if (m_volume)
        g_object_set(m_volume, "volume", m_amplitude, nullptr);
}

void CdAudioStream::feed(GstAppSrc* src)
{
    if (m_next >= m_to)
        return;
    const std::int64_t firstLsn = m_next / kCdSamplesPerSector;
    const std::int64_t firstSample = firstLsn * kCdSamplesPerSector;
    const std::int64_t end = std::min(m_to, firstSample + kChunkSectors * kCdSamplesPerSector);
    const int sectors = int((end - firstSample + kCdSamplesPerSector - 1) / kCdSamplesPerSector);

    GstBuffer* buffer = gst_buffer_new_allocate(
        nullptr, gsize(sectors) * kCdSamplesPerSector * kCdBytesPerSample, nullptr);
    GstMapInfo map;
    bool read = false;
    if (buffer && gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        read = m_disc->readSectors(int(firstLsn), sectors, map.data);
        gst_buffer_unmap(buffer, &map);
    }
    if (!read) {
        if (buffer)
            gst_buffer_unref(buffer);
        GST_ELEMENT_ERROR(src, RESOURCE, READ,
                          ("Sectors %d to %d of the CD could not be read.", int(firstLsn),
                           int(firstLsn) + sectors - 1),
                          (nullptr));
        return;
    }
    // A start inside a sector and an end inside one are cut to the sample.
    gst_buffer_resize(buffer, gssize(m_next - firstSample) * kCdBytesPerSample,
                      gssize(end - m_next) * kCdBytesPerSample);
    GST_BUFFER_PTS(buffer) = samplesToTime(m_next - m_from);
    GST_BUFFER_DURATION(buffer) = samplesToTime(end - m_from) - samplesToTime(m_next - m_from);
    m_next = end;
    // A refusal here means the pipeline is flushing or failing; it reports that itself.
    if (gst_app_src_push_buffer(src, buffer) != GST_FLOW_OK)
        return;
    if (m_next >= m_to && gst_app_src_end_of_stream(src) != GST_FLOW_OK)
        qCDebug(lcCdStream, "end of CD range not accepted");
}

void CdAudioStream::handleBusMessage(GstMessage* message)
{
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
        finish(false, QString());
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        const QString text = QString::fromUtf8(error ? error->message : "unknown error");
        g_clear_error(&error);
        g_free(debug);
        finish(true, text);
    }
}

void CdAudioStream::finish(bool failed, const QString& message)
{
    {
        std::lock_guard<std::mutex> guard(m_endLock);
        if (m_ended)
            return;
        m_failed = failed;
        m_ended = true;
    }
    m_endSignal.notify_all();
    const unsigned run = m_run;
    QMetaObject::invokeMethod(
        m_context,
        [this, run, failed, message] {
            if (run == m_run)
                m_onEnd(failed, message);
        },
        Qt::QueuedConnection);
}
