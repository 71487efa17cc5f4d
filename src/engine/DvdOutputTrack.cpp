// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DvdOutputTrack.h"

#include <algorithm>

namespace {

// The demuxer splits what the source reads in the source's own streaming thread: the
// source's title and chapter there are those of the data passing, which carries the
// time stamps the source's raw sectors lack.
constexpr const char* kDemuxer = "dvddemux";

void watchDemuxerPad(GstPad* pad, const std::shared_ptr<DvdOutputTrack>& track)
{
    // The picture's stream alone: one time line, and every cell has pictures.
    if (!g_str_has_prefix(GST_OBJECT_NAME(pad), "video")) {
        return;
    }
    auto note = [](GstPad* p, GstPadProbeInfo* info, gpointer data) {
        DvdOutputTrack& played = **static_cast<std::shared_ptr<DvdOutputTrack>*>(data);
        if (GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            (info->type & GST_PAD_PROBE_TYPE_BUFFER) && buffer) {
            played.read(p, buffer);
        } else if (GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
                   event && GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
            played.flushed();
        }
        return GST_PAD_PROBE_OK;
    };
    // The track goes with the last probe: a callback may run while a probe is removed.
    gst_pad_add_probe(
        pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH), note,
        new std::shared_ptr<DvdOutputTrack>(track),
        [](gpointer data) { delete static_cast<std::shared_ptr<DvdOutputTrack>*>(data); });
}

} // namespace

std::shared_ptr<DvdOutputTrack> DvdOutputTrack::watch(GstElement* pipeline, GstElement* source)
{
    GstElement* demuxer = gst_bin_get_by_name(GST_BIN(pipeline), kDemuxer);
    if (!demuxer) {
        return nullptr;
    }
    auto track = std::make_shared<DvdOutputTrack>(source);
    GstIterator* it = gst_element_iterate_src_pads(demuxer);
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        watchDemuxerPad(GST_PAD(g_value_get_object(&item)), track);
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    auto added = [](GstElement*, GstPad* pad, gpointer data) {
        watchDemuxerPad(pad, *static_cast<std::shared_ptr<DvdOutputTrack>*>(data));
    };
    g_signal_connect_data(
        demuxer, "pad-added", G_CALLBACK(+added), new std::shared_ptr<DvdOutputTrack>(track),
        [](gpointer data, GClosure*) {
            delete static_cast<std::shared_ptr<DvdOutputTrack>*>(data);
        },
        GConnectFlags(0));
    gst_object_unref(demuxer);
    return track;
}

DvdOutputTrack::DvdOutputTrack(GstElement* source) : m_source(GST_ELEMENT(gst_object_ref(source)))
{
    gst_segment_init(&m_segment, GST_FORMAT_TIME);
}

DvdOutputTrack::~DvdOutputTrack()
{
    gst_object_unref(m_source);
}

void DvdOutputTrack::shown(GstClockTime now, int& title, int& chapter)
{
    std::lock_guard<std::mutex> guard(m_lock);
    while (!m_changes.empty() && GST_CLOCK_TIME_IS_VALID(now) && m_changes.front().at <= now) {
        title = m_changes.front().title;
        chapter = m_changes.front().chapter;
        m_changes.pop_front();
    }
}

void DvdOutputTrack::flushed()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_changes.clear();
    m_title = m_chapter = -1; // what follows the flush is announced afresh
    m_lastAt = 0;
    m_offset = 0;
    m_segmentKnown = false;
}

GstClockTime DvdOutputTrack::outputTime(const GstSegment& now, GstClockTime ts)
{
    if (now.format != GST_FORMAT_TIME || !GST_CLOCK_TIME_IS_VALID(ts)) {
        return GST_CLOCK_TIME_NONE;
    }
    const GstClockTime raw = gst_segment_to_running_time(&now, GST_FORMAT_TIME, ts);
    if (!GST_CLOCK_TIME_IS_VALID(raw)) {
        return GST_CLOCK_TIME_NONE;
    }
    const bool fresh = m_segmentKnown && (now.start != m_segment.start ||
                                          now.time != m_segment.time || now.base != m_segment.base);
    if (fresh) {
        m_offset = m_lastAt > raw ? m_lastAt - raw : 0;
    }
    m_segment = now;
    m_segmentKnown = true;
    return raw + m_offset;
}

void DvdOutputTrack::read(GstPad* pad, GstBuffer* buffer)
{
    const GstFormat titles = gst_format_get_by_nick("title");
    const GstFormat chapters = gst_format_get_by_nick("chapter");
    gint64 t = -1, c = -1;
    const bool known = gst_element_query_position(m_source, titles, &t) &&
                       gst_element_query_position(m_source, chapters, &c);
    const GstClockTime ts =
        GST_BUFFER_PTS_IS_VALID(buffer) ? GST_BUFFER_PTS(buffer) : GST_BUFFER_DTS(buffer);
    std::lock_guard<std::mutex> guard(m_lock);
    if (GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0)) {
        const GstSegment* now = nullptr;
        gst_event_parse_segment(event, &now);
        const GstClockTime at = outputTime(*now, ts);
        if (GST_CLOCK_TIME_IS_VALID(at)) {
            m_lastAt = at;
        }
        gst_event_unref(event);
    }
    if (known && (t != m_title || c != m_chapter)) {
        // What follows a title (a menu) may restart the time line, yet it comes out
        // after what came before it.
        const GstClockTime at =
            std::max(m_lastAt, m_changes.empty() ? m_lastAt : m_changes.back().at);
        m_lastAt = at;
        m_changes.push_back({at, int(t), int(c)});
        m_title = int(t);
        m_chapter = int(c);
    }
}
