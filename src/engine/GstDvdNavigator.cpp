// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/GstDvdNavigator.h"

#include "engine/DvdOutputTrack.h"

#include "engine/GstGraph.h"
#include "platform/Locale.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gst/base/gstbasesrc.h>
#include <gst/gst.h>
#include <gst/video/navigation.h>

#include <atomic>
#include <chrono>

namespace {

// Named inside the DVD bin: the selector that picks one subpicture stream.
constexpr const char* kSubpictureSelector = "subpselect";
constexpr int kMaxSubpictureStreams = 32;

void setDvdDevice(GstElement*, GstElement* source, gpointer device)
{
    // The address would carry the folder percent-encoded, which the DVD source does
    // not decode; the device property takes the path as it is.
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "device")) {
        g_object_set(source, "device", static_cast<const char*>(device), nullptr);
    }
}

void freeDevice(gpointer device, GClosure*)
{
    g_free(device);
}

GstElement* findByFactory(GstElement* bin, const char* factory)
{
    if (!GST_IS_BIN(bin)) {
        return nullptr;
    }
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(bin));
    GValue item = G_VALUE_INIT;
    GstElement* found = nullptr;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* f = gst_element_get_factory(element);
        if (f && g_strcmp0(GST_OBJECT_NAME(f), factory) == 0) {
            found = GST_ELEMENT(gst_object_ref(element));
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

// The selector's input fed by the demuxer's pad of subpicture stream physical.
GstPad* selectorInput(GstElement* selector, int physical)
{
    const QByteArray wanted = QByteArray("subpicture_") + QByteArray::number(0x20 + physical, 16);
    GstIterator* it = gst_element_iterate_sink_pads(selector);
    GValue item = G_VALUE_INIT;
    GstPad* found = nullptr;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* pad = GST_PAD(g_value_get_object(&item));
        if (GstPad* peer = gst_pad_get_peer(pad)) {
            if (wanted == GST_OBJECT_NAME(peer)) {
                found = GST_PAD(gst_object_ref(pad));
            }
            gst_object_unref(peer);
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

// The element that reads the disc: the one source inside the DVD bin.
GstElement* dvdSource(GstElement* pipeline)
{
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    GstElement* found = nullptr;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        if (GST_IS_BASE_SRC(element)) {
            found = GST_ELEMENT(gst_object_ref(element));
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

constexpr const char* kForcedOnly = "lumeno-forced-only";
// Sent after a change of subpicture stream through the selector's new input, behind what
// the old stream had already sent downstream and ahead of the new stream's data.
constexpr const char* kStreamChanged = "lumeno-subpicture-stream-changed";

// The subpicture renderer keeps each line it has read until the line's end, which can be
// seconds away. A flush-stop alone drops them without the flushing state that would
// refuse the next data; the segment it clears is given back.
void dropHeldSubpictures(GstPad* pad)
{
    GstEvent* segment = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    gst_pad_send_event(pad, gst_event_new_flush_stop(FALSE));
    if (segment) {
        gst_pad_send_event(pad, segment);
    }
}

// On the renderer's subpicture input, in the stream's own thread and order: at a change of
// stream the old stream's lines go (those already queued for the renderer come before the
// mark, the new stream's after it). The source also restates the subpicture track (forced
// pictures only: subtitles off) at each title start, possibly after the player's own word;
// the player's is kept.
GstPadProbeReturn watchSubpictureEvents(GstPad* pad, GstPadProbeInfo* info, gpointer)
{
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    // The renderer passes what it does not know on to the picture's way out, where it
    // waits for the picture thread's lock; that thread takes it again frame after frame,
    // and the subtitle stream stood still for seconds behind a stream's tags restated at a
    // change of stream. The picture has its own tags and its own stream start.
    if (event && GST_EVENT_TYPE(event) == GST_EVENT_TAG) {
        return GST_PAD_PROBE_DROP;
    }
    if (event && GST_EVENT_TYPE(event) == GST_EVENT_STREAM_START) {
        if (GstEvent* started = gst_pad_get_sticky_event(pad, GST_EVENT_STREAM_START, 0)) {
            gst_event_unref(started);
            return GST_PAD_PROBE_DROP;
        }
    }
    const GstStructure* s = event ? gst_event_get_structure(event) : nullptr;
    if (s && gst_structure_has_name(s, kStreamChanged)) {
        dropHeldSubpictures(pad);
        return GST_PAD_PROBE_DROP;
    }
    if (!s || !gst_structure_has_name(s, "application/x-gst-dvd") ||
        g_strcmp0(gst_structure_get_string(s, "event"), "dvd-set-subpicture-track") != 0) {
        return GST_PAD_PROBE_OK;
    }
    const gboolean forced = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(pad), kForcedOnly)) != 0;
    event = gst_event_make_writable(event);
    gst_structure_set(gst_event_writable_structure(event), "forced-only", G_TYPE_BOOLEAN, forced,
                      nullptr);
    GST_PAD_PROBE_INFO_DATA(info) = event;
    return GST_PAD_PROBE_OK;
}

// Makes input the selector's active one; after a change, the mark follows the old data.
void selectSubpictureInput(GstElement* selector, GstPad* input)
{
    GstPad* active = nullptr;
    g_object_get(selector, "active-pad", &active, nullptr);
    g_object_set(selector, "active-pad", input, nullptr);
    if (active && active != input) {
        gst_pad_send_event(input, gst_event_new_custom(GST_EVENT_CUSTOM_DOWNSTREAM,
                                                       gst_structure_new_empty(kStreamChanged)));
    }
    if (active) {
        gst_object_unref(active);
    }
}

GstPadProbeReturn holdData(GstPad*, GstPadProbeInfo*, gpointer)
{
    return GST_PAD_PROBE_OK; // a blocking probe: the data waits until the probe goes
}

// The probe's flag lives on the heap and goes with the probe: a callback may still be
// running on the streaming thread when the probe is removed.
GstPadProbeReturn noteFlush(GstPad*, GstPadProbeInfo*, gpointer flushed)
{
    (*static_cast<std::shared_ptr<std::atomic<bool>>*>(flushed))->store(true);
    return GST_PAD_PROBE_OK;
}

void freeFlushFlag(gpointer flushed)
{
    delete static_cast<std::shared_ptr<std::atomic<bool>>*>(flushed);
}

std::int64_t steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

QString dvdVideoFolder(const QString& path)
{
    if (path.isEmpty()) {
        return QString();
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        return QString();
    }
    const QDir folder = info.isDir() ? QDir(path) : info.dir();
    for (const QString& name : folder.entryList(QDir::Files)) {
        if (name.compare(QLatin1String("video_ts.ifo"), Qt::CaseInsensitive) == 0) {
            return folder.absolutePath();
        }
    }
    return QString();
}

GstDvdNavigator::GstDvdNavigator(GstGraph* graph) : m_graph(graph) {}

GstDvdNavigator::~GstDvdNavigator()
{
    detach();
}

void GstDvdNavigator::detach()
{
    if (m_graph && m_graph->valid() && m_sourceSetup != 0) {
        g_signal_handler_disconnect(m_graph->element(), m_sourceSetup);
    }
    m_sourceSetup = 0;
    m_graph = nullptr;
}

HRESULT GstDvdNavigator::RenderDvdVideoVolume(const QString& path, int, AM_DVD_RENDERSTATUS& status,
                                              int timeoutMs)
{
    status = AM_DVD_RENDERSTATUS();
    if (!m_graph || !m_graph->valid()) {
        return VFW_E_DVD_RENDERFAIL;
    }
    QString folder;
    if (!path.isEmpty()) {
        folder = dvdVideoFolder(path);
        if (folder.isEmpty()) {
            status.bDvdVolInvalid = true;
            return S_FALSE;
        }
    }
    if (m_sourceSetup != 0) {
        g_signal_handler_disconnect(m_graph->element(), m_sourceSetup);
        m_sourceSetup = 0;
    }
    if (!folder.isEmpty()) {
        m_device = QFile::encodeName(folder);
        m_sourceSetup =
            g_signal_connect_data(m_graph->element(), "source-setup", G_CALLBACK(setDvdDevice),
                                  g_strdup(m_device.constData()), freeDevice, GConnectFlags(0));
    }
    const HRESULT hr = m_graph->renderUri(QStringLiteral("dvd://"), timeoutMs);
    if (Failed(hr)) {
        if (path.isEmpty()) {
            status.bDvdVolUnknown = true;
            return S_FALSE;
        }
        return VFW_E_DVD_RENDERFAIL;
    }
    m_volume = readDvdVolume(folder.isEmpty() ? QStringLiteral("/dev/dvd") : folder);
    m_rate = 1.0;
    m_rewindSpeed = 0;
    m_lastTitle = 0;
    m_playedTitle = m_playedChapter = -1;
    m_durationTitle = 0;
    watchOutput();
    status.iNumStreamsAttempted = m_graph->streamCount();
    return S_OK;
}

void GstDvdNavigator::watchOutput()
{
    // Probes of an earlier graph keep their own track.
    m_played.reset();
    if (GstElement* source = dvdSource(m_graph->element())) {
        m_played = DvdOutputTrack::watch(m_graph->element(), source);
        gst_object_unref(source);
    }
}

void GstDvdNavigator::endScan()
{
    if (m_rate == 1.0 && !rewinding()) {
        return;
    }
    m_rate = 1.0;
    m_rewindSpeed = 0;
    if (notify) {
        notify(EC_DVD_PLAYBACK_RATE_CHANGE, 10000, 0);
    }
}

// ---------------------------------------------------------------- moving around

HRESULT GstDvdNavigator::sendNavigation(GstEvent* event)
{
    if (!m_graph || !m_graph->valid()) {
        gst_event_unref(event);
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    // Sent to the whole graph, the event would go up from the audio sink too and the source
    // would carry out each command twice; the second jump's flush can drop what the first
    // one sent, such as a menu's buttons. The way up from the video sink alone also maps a
    // pointer from the frames shown to the disc's own pixels.
    GstElement* video = nullptr;
    g_object_get(m_graph->element(), "video-sink", &video, nullptr);
    const gboolean sent = gst_element_send_event(video ? video : m_graph->element(), event);
    if (video) {
        gst_object_unref(video);
    }
    return sent ? S_OK : VFW_E_DVD_OPERATION_INHIBITED;
}

HRESULT GstDvdNavigator::seekTime(double rate, std::int64_t ns, bool flush)
{
    if (!m_graph || !m_graph->valid()) {
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    const GstSeekFlags flags = flush ? GST_SEEK_FLAG_FLUSH : GST_SEEK_FLAG_NONE;
    // The source's segment ends where the cell it reads ends, in its own time stamps, not
    // in title time; keeping that end would put it before a later start and fail the
    // seek half-way, flushed and silent. The title plays on to its end.
    if (!gst_element_seek(m_graph->element(), rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                          std::max<std::int64_t>(ns, 0), GST_SEEK_TYPE_SET, GST_CLOCK_TIME_NONE)) {
        return VFW_E_DVD_OPERATION_INHIBITED;
    }
    m_rate = rate;
    return S_OK;
}

HRESULT GstDvdNavigator::seekIn(const char* format, std::int64_t value)
{
    if (!m_graph || !m_graph->valid()) {
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    // The source does not come back from a seek made while it holds a menu's still
    // picture; from a menu, jumpFromMenu() leads the way.
    if (!inTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    return seekInFormat(format, value);
}

HRESULT GstDvdNavigator::seekInFormat(const char* format, std::int64_t value)
{
    // The DVD source registers these formats; they count titles and chapters from 1.
    const GstFormat f = gst_format_get_by_nick(format);
    if (f == GST_FORMAT_UNDEFINED) {
        return VFW_E_DVD_OPERATION_INHIBITED;
    }
    if (!gst_element_seek(m_graph->element(), 1.0, f, GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, value,
                          GST_SEEK_TYPE_NONE, -1)) {
        return VFW_E_DVD_OPERATION_INHIBITED;
    }
    m_rate = 1.0;
    return S_OK;
}

HRESULT GstDvdNavigator::ShowMenu(DVD_MENU_ID menu)
{
    endScan();
    const GstNavigationCommand command = menu == DVD_MENU_Title
                                             ? GST_NAVIGATION_COMMAND_DVD_TITLE_MENU
                                             : GST_NAVIGATION_COMMAND_DVD_ROOT_MENU;
    return sendNavigation(gst_navigation_event_new_command(command));
}

HRESULT GstDvdNavigator::PlayForwards(double speed)
{
    if (speed <= 0) {
        return E_INVALIDARG;
    }
    if (!m_graph || !m_graph->valid()) {
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    // A seek made while the source holds a menu's still picture never completes.
    if (!inTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    const bool wasRewinding = rewinding();
    m_rewindSpeed = 0;
    if (speed == m_rate && !wasRewinding) {
        return S_OK; // spare the pipeline a flushing seek
    }
    gint64 now = 0;
    if (!gst_element_query_position(m_graph->element(), GST_FORMAT_TIME, &now)) {
        // A rewind's last jump may not have settled, and the graph then knows no position:
        // it goes on from where that jump goes, not from the title's start.
        now = wasRewinding ? m_rewindLandingNs : 0;
    }
    return seekTime(speed, now, true);
}

HRESULT GstDvdNavigator::PlayBackwards(double speed)
{
    if (speed <= 0) {
        return E_INVALIDARG;
    }
    if (!m_graph || !m_graph->valid()) {
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    if (!inTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    gint64 now = 0;
    if (!gst_element_query_position(m_graph->element(), GST_FORMAT_TIME, &now)) {
        now = 0;
    }
    if (m_rate != 1.0) {
        const HRESULT hr = seekTime(1.0, now, true);
        if (Failed(hr)) {
            return hr;
        }
    }
    m_rewindSpeed = speed;
    m_rewindFromNs = m_rewindLandingNs = now;
    m_rewindStartMs = steadyMs();
    return S_OK;
}

// Counted from where the rewind began, not from where the last jump landed: a jump lands
// on the time map's entry before its target, which would add up.
std::int64_t GstDvdNavigator::rewoundTo() const
{
    const std::int64_t covered = std::int64_t(m_rewindSpeed * double(steadyMs() - m_rewindStartMs));
    return m_rewindFromNs - covered * GST_MSECOND;
}

bool GstDvdNavigator::stepBackward()
{
    if (!rewinding()) {
        return false;
    }
    const std::int64_t target = rewoundTo();
    m_rewindLandingNs = std::max<std::int64_t>(target, 0);
    seekTime(1.0, m_rewindLandingNs, true);
    if (target <= 0) {
        endScan(); // the start of the title: play on from there
    }
    return rewinding();
}

HRESULT GstDvdNavigator::PlayChapterInTitle(int title, int chapter, unsigned)
{
    int chapters = 0;
    if (Failed(GetNumberOfChapters(title, chapters)) || chapter < 1 || chapter > chapters) {
        return E_INVALIDARG;
    }
    endScan();
    const int now = titleNow();
    HRESULT hr = S_OK;
    if (now < 1) {
        hr = jumpFromMenu(title, chapter);
    } else {
        if (now != title) {
            hr = seekIn("title", title);
        }
        if (Succeeded(hr) && (now == title || chapter != 1)) {
            hr = seekIn("chapter", chapter);
        }
    }
    reapplySubpicture();
    return hr;
}

// A menu's still picture holds the DVD source until a user action ends it, and a title
// seek made meanwhile never completes. So the still is ended as the remote's Menu key
// would (resuming a title, or restarting the menu), the source's output is held so that
// it cannot reach the still again, and the title seek is made while it waits.
HRESULT GstDvdNavigator::jumpFromMenu(int title, int chapter)
{
    if (!m_graph || !m_graph->valid()) {
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    GstElement* source = dvdSource(m_graph->element());
    GstPad* pad = source ? gst_element_get_static_pad(source, "src") : nullptr;
    if (source) {
        gst_object_unref(source);
    }
    if (!pad) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    auto flushed = std::make_shared<std::atomic<bool>>(false);
    const gulong hold =
        gst_pad_add_probe(pad,
                          GstPadProbeType(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER |
                                          GST_PAD_PROBE_TYPE_BUFFER_LIST),
                          holdData, nullptr, nullptr);
    const gulong watch =
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_FLUSH, noteFlush,
                          new std::shared_ptr<std::atomic<bool>>(flushed), freeFlushFlag);
    HRESULT hr = sendNavigation(gst_navigation_event_new_command(GST_NAVIGATION_COMMAND_DVD_MENU));
    gst_pad_remove_probe(pad, watch);
    // Without the flush the command changed nothing and the still goes on: no seek then.
    if (Succeeded(hr) && !flushed->load()) {
        hr = VFW_E_DVD_OPERATION_INHIBITED;
    }
    if (Succeeded(hr)) {
        hr = seekInFormat("title", title);
    }
    // Until the output moves on, the source may still answer for the menu and refuse a
    // chapter of "no title": the chapter is sought while the output still waits.
    if (Succeeded(hr) && chapter != 1) {
        hr = seekInFormat("chapter", chapter);
    }
    gst_pad_remove_probe(pad, hold);
    gst_object_unref(pad);
    return hr;
}

HRESULT GstDvdNavigator::PlayAtTime(const tagDVD_HMSF_TIMECODE& time, unsigned flags)
{
    if (!m_graph || !m_graph->valid()) {
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    if (!inTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    m_rewindSpeed = 0;
    const std::int64_t seconds =
        std::int64_t(time.bHours) * 3600 + std::int64_t(time.bMinutes) * 60 + time.bSeconds;
    return seekTime(1.0, seconds * GST_SECOND, flags & DVD_CMD_FLAG_Flush);
}

HRESULT GstDvdNavigator::SelectAtPosition(int x, int y)
{
    return sendNavigation(gst_navigation_event_new_mouse_move(x, y, GST_NAVIGATION_MODIFIER_NONE));
}

HRESULT GstDvdNavigator::ActivateAtPosition(int x, int y)
{
    const HRESULT hr = sendNavigation(
        gst_navigation_event_new_mouse_button_press(1, x, y, GST_NAVIGATION_MODIFIER_NONE));
    if (Failed(hr)) {
        return hr;
    }
    return sendNavigation(
        gst_navigation_event_new_mouse_button_release(1, x, y, GST_NAVIGATION_MODIFIER_NONE));
}

HRESULT GstDvdNavigator::SelectRelativeButton(DVD_RELATIVE_BUTTON button)
{
    GstNavigationCommand command;
    switch (button) {
    case DVD_Relative_Upper:
        command = GST_NAVIGATION_COMMAND_UP;
        break;
    case DVD_Relative_Lower:
        command = GST_NAVIGATION_COMMAND_DOWN;
        break;
    case DVD_Relative_Left:
        command = GST_NAVIGATION_COMMAND_LEFT;
        break;
    case DVD_Relative_Right:
        command = GST_NAVIGATION_COMMAND_RIGHT;
        break;
    default:
        return E_INVALIDARG;
    }
    return sendNavigation(gst_navigation_event_new_command(command));
}

HRESULT GstDvdNavigator::ActivateButton()
{
    return sendNavigation(gst_navigation_event_new_command(GST_NAVIGATION_COMMAND_ACTIVATE));
}

HRESULT GstDvdNavigator::SetOption(DVD_OPTION_FLAG flag, bool value)
{
    switch (flag) {
    case DVD_NotifyParentalLevelChange:
        m_notifyParentalLevel = value;
        return S_OK;
    case DVD_HMSF_TimeCodeEvents:
        m_hmsfTimeEvents = value;
        return S_OK;
    }
    return E_INVALIDARG;
}

bool GstDvdNavigator::option(DVD_OPTION_FLAG flag) const
{
    return flag == DVD_HMSF_TimeCodeEvents ? m_hmsfTimeEvents : m_notifyParentalLevel;
}

// ---------------------------------------------------------------- subpictures

HRESULT GstDvdNavigator::SelectSubpictureStream(int stream, unsigned)
{
    const DvdTitleInfo* title = currentTitle();
    if (!title) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    if (stream < 0 || stream >= title->subpictures.size() ||
        title->subpictures.at(stream).physical < 0) {
        return E_INVALIDARG;
    }
    m_subpictureStream = stream;
    applySubpicture();
    if (notify) {
        notify(EC_DVD_SUBPICTURE_STREAM_CHANGE, stream, m_subpictureOn);
    }
    return S_OK;
}

HRESULT GstDvdNavigator::SetSubpictureState(bool on, unsigned)
{
    if (!currentTitle()) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    m_subpictureOn = on;
    applySubpicture();
    if (notify) {
        notify(EC_DVD_SUBPICTURE_STREAM_CHANGE, m_subpictureStream, on);
    }
    return S_OK;
}

void GstDvdNavigator::reapplySubpicture()
{
    if (currentTitle()) {
        applySubpicture();
    }
}

void GstDvdNavigator::applySubpicture()
{
    const DvdTitleInfo* title = currentTitle();
    GstElement* pipeline = m_graph && m_graph->valid() ? m_graph->element() : nullptr;
    if (!title || !pipeline || m_subpictureStream >= title->subpictures.size()) {
        return;
    }
    const int physical = title->subpictures.at(m_subpictureStream).physical;
    // The subtitle overlay passes the video through when it was set up before the
    // subpicture stream announced itself; announcing it again puts the renderer in.
    if (GstElement* renderer = findByFactory(pipeline, "dvdspu")) {
        gst_object_unref(renderer);
    } else if (GstElement* bin = findByFactory(pipeline, "subtitleoverlay")) {
        if (GstPad* pad = gst_element_get_static_pad(bin, "subtitle_sink")) {
            if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
                gst_pad_send_event(pad, gst_event_new_caps(caps));
                gst_caps_unref(caps);
            }
            gst_object_unref(pad);
        }
        gst_object_unref(bin);
    }
    // The overlay shows only the disc's forced pictures (menus) unless told otherwise;
    // that is how a DVD turns subtitles off. Its watch is in place before a stream change.
    if (GstElement* overlay = findByFactory(pipeline, "dvdspu")) {
        if (GstPad* pad = gst_element_get_static_pad(overlay, "subpicture")) {
            if (!g_object_get_data(G_OBJECT(pad), "lumeno-kept")) {
                g_object_set_data(G_OBJECT(pad), "lumeno-kept", GINT_TO_POINTER(1));
                gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, watchSubpictureEvents,
                                  nullptr, nullptr);
            }
            g_object_set_data(G_OBJECT(pad), kForcedOnly, GINT_TO_POINTER(m_subpictureOn ? 0 : 1));
            GstStructure* s = gst_structure_new(
                "application/x-gst-dvd", "event", G_TYPE_STRING, "dvd-set-subpicture-track",
                "logical-id", G_TYPE_INT, m_subpictureStream, "physical-id", G_TYPE_INT, physical,
                "forced-only", G_TYPE_BOOLEAN, gboolean(!m_subpictureOn), nullptr);
            gst_pad_send_event(pad, gst_event_new_custom(GST_EVENT_CUSTOM_DOWNSTREAM_OOB, s));
            gst_object_unref(pad);
        }
        gst_object_unref(overlay);
    }
    if (GstElement* selector = gst_bin_get_by_name(GST_BIN(pipeline), kSubpictureSelector)) {
        if (GstPad* input = selectorInput(selector, physical)) {
            selectSubpictureInput(selector, input);
            gst_object_unref(input);
        }
        gst_object_unref(selector);
    }
}

// ---------------------------------------------------------------- information

bool GstDvdNavigator::location(Location& where) const
{
    if (!m_graph || !m_graph->valid()) {
        return false;
    }
    const GstFormat titles = gst_format_get_by_nick("title");
    const GstFormat chapters = gst_format_get_by_nick("chapter");
    gint64 title = -1, chapter = -1, time = -1;
    // Asked of the source itself: on their way through the graph the questions can meet
    // an element that answers for a stream of its own.
    GstElement* source = dvdSource(m_graph->element());
    const bool known = source && titles != GST_FORMAT_UNDEFINED &&
                       chapters != GST_FORMAT_UNDEFINED &&
                       gst_element_query_position(source, titles, &title) &&
                       gst_element_query_position(source, chapters, &chapter);
    if (source) {
        gst_object_unref(source);
    }
    if (!known) {
        return false;
    }
    gst_element_query_position(m_graph->element(), GST_FORMAT_TIME, &time);
    where.title = int(title);
    where.chapter = int(chapter);
    where.timeNs = std::max<gint64>(time, 0);
    m_lastTitle = where.title;
    return true;
}

bool GstDvdNavigator::playedLocation(Location& where)
{
    if (!m_graph || !m_graph->valid()) {
        return false;
    }
    Location read;
    location(read); // keeps the source's own title at hand for the commands
    const GstClockTime now = gst_element_get_current_running_time(m_graph->element());
    const int titleBefore = m_playedTitle;
    if (m_played) {
        m_played->shown(now, m_playedTitle, m_playedChapter);
    }
    if (m_playedTitle < 0) {
        return false;
    }
    // A scan does not outlive its title: what follows plays at normal speed.
    if (titleBefore >= 0 && titleBefore != m_playedTitle && (m_rate != 1.0 || rewinding())) {
        endScan();
    }
    gint64 time = -1;
    gst_element_query_position(m_graph->element(), GST_FORMAT_TIME, &time);
    where.title = m_playedTitle;
    where.chapter = m_playedChapter;
    where.timeNs = std::max<gint64>(time, 0);
    return true;
}

int GstDvdNavigator::titleNow() const
{
    // The source does not answer while a seek or a state change holds it; the title
    // it last told stands until it answers again.
    Location where;
    return location(where) ? where.title : m_lastTitle;
}

bool GstDvdNavigator::inTitle() const
{
    return titleNow() >= 1;
}

const DvdTitleInfo* GstDvdNavigator::currentTitle() const
{
    const int title = titleNow();
    if (title < 1 || title > m_volume.titles.size()) {
        return nullptr;
    }
    return &m_volume.titles.at(title - 1);
}

HRESULT GstDvdNavigator::GetDVDVolumeInfo(int& volumes, int& volume, int& side, int& titles)
{
    volumes = volume = side = 1;
    titles = 0;
    if (!m_graph || !m_volume.valid) {
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    titles = int(m_volume.titles.size());
    return S_OK;
}

HRESULT GstDvdNavigator::GetNumberOfChapters(int title, int& chapters)
{
    chapters = 0;
    if (!m_graph || !m_volume.valid) {
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    if (title < 1 || title > m_volume.titles.size()) {
        return E_INVALIDARG;
    }
    chapters = m_volume.titles.at(title - 1).chapters;
    return S_OK;
}

HRESULT GstDvdNavigator::GetTitleAttributes(int title, DVD_MenuAttributes& menu,
                                            DVD_TitleAttributes& attributes)
{
    if (!m_graph || !m_volume.valid) {
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    if (title < 1 || title > m_volume.titles.size()) {
        return E_INVALIDARG;
    }
    const DvdTitleInfo& info = m_volume.titles.at(title - 1);
    menu.fSubpicturePresent = info.menuSubpicture;
    attributes.ulNumberOfSubpictureStreams = int(info.subpictures.size());
    return S_OK;
}

HRESULT GstDvdNavigator::GetSubpictureLanguage(int stream, int& lcid)
{
    lcid = 0;
    const DvdTitleInfo* title = currentTitle();
    if (!title) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    if (stream < 0 || stream >= kMaxSubpictureStreams) {
        return E_INVALIDARG;
    }
    // Past the title's last stream the answer is "no language", which ends a scan; a
    // stream the title set declares but this title does not carry is not there.
    if (stream < title->subpictures.size()) {
        if (title->subpictures.at(stream).physical < 0) {
            return E_INVALIDARG;
        }
        lcid = Platform::lcidFromIsoCode(title->subpictures.at(stream).language);
    }
    return S_OK;
}

HRESULT GstDvdNavigator::GetCurrentSubpicture(int& available, int& current, bool& disabled)
{
    available = current = 0;
    disabled = true;
    const DvdTitleInfo* title = currentTitle();
    if (!title) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    available = int(title->subpictures.size());
    current = m_subpictureStream;
    disabled = !m_subpictureOn;
    return S_OK;
}

HRESULT GstDvdNavigator::GetTotalTitleTime(tagDVD_HMSF_TIMECODE& total, unsigned& flags)
{
    total = tagDVD_HMSF_TIMECODE();
    flags = 0;
    // The source answers for what it reads, which near a title's end is already the
    // next title or menu; the output's title keeps the length last read for it.
    const int now = titleNow();
    const int shown = m_playedTitle >= 0 ? m_playedTitle : now;
    gint64 ns = -1;
    if (!m_graph || !m_graph->valid() || shown < 1) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    if (now == shown && gst_element_query_duration(m_graph->element(), GST_FORMAT_TIME, &ns) &&
        ns >= 0) {
        m_durationTitle = shown;
        m_durationNs = ns;
    } else if (m_durationTitle == shown) {
        ns = m_durationNs;
    } else {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    const gint64 seconds = ns / GST_SECOND;
    total.bHours = std::uint8_t(std::min<gint64>(seconds / 3600, 255));
    total.bMinutes = std::uint8_t(seconds / 60 % 60);
    total.bSeconds = std::uint8_t(seconds % 60);
    total.bFrames = std::uint8_t(ns % GST_SECOND * 25 / GST_SECOND);
    flags = 0x40000000; // 25 frames a second, as the time events say
    return S_OK;
}
