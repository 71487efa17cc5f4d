// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/VideoRenderer.h"

#include "engine/SwscaleConvert.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gst/video/videooverlay.h>

#include <mutex>

namespace {

// 32-bit pixels laid out as QImage::Format_RGB32 expects them in memory.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
const char* const kFrameCaps = "video/x-raw,format=BGRx";
#else
const char* const kFrameCaps = "video/x-raw,format=xRGB";
#endif

// A bin that answers its sink's request for a window itself, on the thread that asks,
// so an X sink never opens a window of its own whatever graph the bin is in and however
// often the graph takes it down to NULL (which makes the sink forget its window).
struct VideoBin {
    GstBin bin;
    gpointer windowHandle;
};

void (*s_parentHandleMessage)(GstBin*, GstMessage*) = nullptr;

void videoBinHandleMessage(GstBin* bin, GstMessage* message)
{
    if (gst_is_video_overlay_prepare_window_handle_message(message) &&
        GST_IS_VIDEO_OVERLAY(GST_MESSAGE_SRC(message))) {
        const auto handle =
            guintptr(g_atomic_pointer_get(&reinterpret_cast<VideoBin*>(bin)->windowHandle));
        if (handle != 0) {
            gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(GST_MESSAGE_SRC(message)),
                                                handle);
            gst_message_unref(message);
            return;
        }
    }
    s_parentHandleMessage(bin, message);
}

void videoBinClassInit(gpointer klass, gpointer)
{
    s_parentHandleMessage = GST_BIN_CLASS(g_type_class_peek_parent(klass))->handle_message;
    GST_BIN_CLASS(klass)->handle_message = videoBinHandleMessage;
}

GType videoBinType()
{
    static const GType type =
        g_type_register_static_simple(GST_TYPE_BIN, "LumenoVideoBin", sizeof(GstBinClass),
                                      videoBinClassInit, sizeof(VideoBin), nullptr, GTypeFlags(0));
    return type;
}

GstElement* makeElement(const char* factory)
{
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (!element) {
        qWarning("video renderer: GStreamer element %s is missing", factory);
    }
    return element;
}

void dropFloating(std::initializer_list<GstElement*> elements)
{
    for (GstElement* e : elements) {
        if (e) {
            gst_object_unref(gst_object_ref_sink(e));
        }
    }
}

// The X sinks prefer frames of their window's size, and everything upstream would then
// scale to it, so the bin would never see the native picture it crops for the zoom and
// measures for the letterbox. The bin scales itself: tell upstream any size will do.
//
// Working that answer out means asking every converter and scaler of the chain and then
// simplifying a dozen structures, about 6 ms, and a file's start asks some twenty times.
// Without the sizes the answer depends only on what the sink takes (the size filters and
// the crop change sizes alone), so it is kept until the sink's caps change.
struct AnySizeCaps {
    GstPad* sinkPad = nullptr;
    std::mutex lock;
    GstCaps* sinkCaps = nullptr; // what the sink took when the answer was worked out
    GstCaps* any = nullptr;

    ~AnySizeCaps()
    {
        gst_clear_caps(&sinkCaps);
        gst_clear_caps(&any);
        gst_clear_object(&sinkPad);
    }
    static GQuark quark() { return g_quark_from_static_string("lumeno-any-size-caps"); }
    static void release(gpointer data) { delete static_cast<AnySizeCaps*>(data); }
};

GstCaps* anySizeCaps(GstPad* pad, GstObject* parent)
{
    GstQuery* unfiltered = gst_query_new_caps(nullptr);
    GstCaps* any = nullptr;
    if (gst_pad_query_default(pad, parent, unfiltered)) {
        GstCaps* inner = nullptr;
        gst_query_parse_caps_result(unfiltered, &inner);
        if (inner) {
            any = gst_caps_copy(inner);
            for (guint i = 0; i < gst_caps_get_size(any); ++i) {
                gst_structure_remove_fields(gst_caps_get_structure(any, i), "width", "height",
                                            "pixel-aspect-ratio", nullptr);
            }
            any = gst_caps_simplify(any);
        }
    }
    gst_query_unref(unfiltered);
    return any;
}

gboolean anySizeCapsQuery(GstPad* pad, GstObject* parent, GstQuery* query)
{
    if (GST_QUERY_TYPE(query) != GST_QUERY_CAPS) {
        return gst_pad_query_default(pad, parent, query);
    }
    auto* cache =
        static_cast<AnySizeCaps*>(g_object_get_qdata(G_OBJECT(pad), AnySizeCaps::quark()));
    GstCaps* sinkCaps = cache ? gst_pad_query_caps(cache->sinkPad, nullptr) : nullptr;
    GstCaps* any = nullptr;
    if (sinkCaps) {
        std::lock_guard<std::mutex> hold(cache->lock);
        if (cache->sinkCaps && gst_caps_is_equal(sinkCaps, cache->sinkCaps)) {
            any = gst_caps_ref(cache->any);
        }
    }
    if (!any) {
        any = anySizeCaps(pad, parent);
        if (any && sinkCaps) {
            std::lock_guard<std::mutex> hold(cache->lock);
            gst_caps_replace(&cache->sinkCaps, sinkCaps);
            gst_caps_replace(&cache->any, any);
        }
    }
    if (sinkCaps) {
        gst_caps_unref(sinkCaps);
    }
    if (!any) {
        return FALSE;
    }
    GstCaps* filter = nullptr;
    gst_query_parse_caps(query, &filter);
    if (filter) {
        GstCaps* both = gst_caps_intersect_full(filter, any, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(any);
        any = both;
    }
    gst_query_set_caps_result(query, any);
    gst_caps_unref(any);
    return TRUE;
}

// The libswscale converter ahead of videoconvert, which then has nothing left to do for
// the usual formats and still converts every other one.
GstElement* makeFastConverter()
{
    if (!SwscaleConvert::registerElement())
        return nullptr;
    return gst_element_factory_make(SwscaleConvert::kFactory, nullptr);
}

bool addGhostSink(GstElement* bin, GstElement* first)
{
    GstPad* target = gst_element_get_static_pad(first, "sink");
    if (!target) {
        return false;
    }
    GstPad* ghost = gst_ghost_pad_new("sink", target);
    gst_object_unref(target);
    return ghost && gst_element_add_pad(bin, ghost);
}

// Puts the elements given (null ones skipped) into the bin one after the other, the
// first behind the bin's sink pad. On failure the bin is left empty.
bool linkChain(GstElement* bin, std::initializer_list<GstElement*> chain)
{
    GstElement* previous = nullptr;
    GstElement* first = nullptr;
    bool linked = true;
    for (GstElement* e : chain) {
        if (!e) {
            continue;
        }
        gst_object_ref(e);
        gst_bin_add(GST_BIN(bin), e);
        // By the pads' names, comparing only their templates: linking by element would
        // ask both elements for every caps they take, which through the converters' long
        // format lists costs the window about 25 ms at every start. The formats
        // themselves are agreed when the first frame comes.
        linked = linked && (!previous || gst_element_link_pads_full(
                                             previous, "src", e, "sink",
                                             GstPadLinkCheck(GST_PAD_LINK_CHECK_HIERARCHY |
                                                             GST_PAD_LINK_CHECK_TEMPLATE_CAPS)));
        previous = e;
        first = first ? first : e;
    }
    linked = linked && first && addGhostSink(bin, first);
    for (GstElement* e : chain) {
        if (e) {
            if (!linked) {
                gst_bin_remove(GST_BIN(bin), e);
            }
            gst_object_unref(e);
        }
    }
    return linked;
}

bool hasProperty(GstElement* element, const char* name)
{
    return element && g_object_class_find_property(G_OBJECT_GET_CLASS(element), name);
}

// A sink counts only if it can open its device: an Xv sink without a free port, or a
// GL sink without a GL display, fails here instead of in the middle of a render.
GstElement* probeNativeSink()
{
    for (const char* factory : {"xvimagesink", "ximagesink", "glimagesink"}) {
        GstElement* sink = gst_element_factory_make(factory, nullptr);
        if (!sink) {
            continue;
        }
        gst_object_ref_sink(sink);
        // The widget keeps the mouse and the keys, and tells the sink when to redraw. Left
        // to itself an X sink polls the display twenty times a second, paused or not, from
        // a thread it starts at READY; going back to NULL here would wait for that
        // thread's sleep to end, up to 50 ms more before the first picture.
        if (GST_IS_VIDEO_OVERLAY(sink)) {
            gst_video_overlay_handle_events(GST_VIDEO_OVERLAY(sink), FALSE);
        }
        if (hasProperty(sink, "handle-expose")) {
            g_object_set(sink, "handle-expose", FALSE, nullptr);
        }
        const bool opens = gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
        gst_element_set_state(sink, GST_STATE_NULL);
        if (opens && GST_IS_VIDEO_OVERLAY(sink)) {
            return sink;
        }
        gst_object_unref(sink);
    }
    return nullptr;
}

// A frame that stays mapped as long as an image shows it: the picture is handed to the
// GUI thread without copying its 8 MB (1080p) once more. The mapping holds its own
// reference to the buffer, not to the sample: the sink fills its sample object again
// for the next preroll, which it can only do when nobody else holds it.
struct MappedFrame {
    GstVideoFrame frame;
};

void releaseMappedFrame(void* data)
{
    auto* mapped = static_cast<MappedFrame*>(data);
    gst_video_frame_unmap(&mapped->frame);
    delete mapped;
}

// Takes the sample over.
QImage imageFromSample(GstSample* sample)
{
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    auto* mapped = new MappedFrame{};
    const bool ok = caps && buffer && gst_video_info_from_caps(&info, caps) &&
                    gst_video_frame_map(&mapped->frame, &info, buffer, GST_MAP_READ);
    gst_sample_unref(sample);
    if (!ok) {
        delete mapped;
        return {};
    }
    const GstVideoFrame& frame = mapped->frame;
    return QImage(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                  GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                  GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32, releaseMappedFrame,
                  mapped);
}

} // namespace

// What the streaming threads hand over. Frames are coalesced: at most one call is
// queued, and it takes the newest frame. Once closed, nothing more is posted.
struct VideoRenderer::Bridge {
    std::mutex lock;
    QObject* context = nullptr;
    std::function<void()> onFrame;
    std::function<void(QSize, double)> onFormat;
    QImage pending;
    bool framePosted = false;

    void pushFrame(QImage image, const std::shared_ptr<Bridge>& self)
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!context) {
            return;
        }
        pending = std::move(image);
        if (!framePosted) {
            framePosted = true;
            QMetaObject::invokeMethod(
                context, [self] { self->onFrame(); }, Qt::QueuedConnection);
        }
    }
    bool takeFrame(QImage& out)
    {
        std::lock_guard<std::mutex> guard(lock);
        framePosted = false;
        out = std::move(pending);
        pending = QImage();
        return !out.isNull();
    }
    void pushFormat(QSize pixels, double aspect, const std::shared_ptr<Bridge>& self)
    {
        std::lock_guard<std::mutex> guard(lock);
        if (context) {
            QMetaObject::invokeMethod(
                context, [self, pixels, aspect] { self->onFormat(pixels, aspect); },
                Qt::QueuedConnection);
        }
    }
    void close()
    {
        std::lock_guard<std::mutex> guard(lock);
        context = nullptr;
        pending = QImage();
    }

    // GStreamer callbacks; their data is a heap copy of the shared pointer.
    static std::shared_ptr<Bridge>& from(gpointer data)
    {
        return *static_cast<std::shared_ptr<Bridge>*>(data);
    }
    static gpointer hold(const std::shared_ptr<Bridge>& bridge)
    {
        return new std::shared_ptr<Bridge>(bridge);
    }
    static void release(gpointer data) { delete static_cast<std::shared_ptr<Bridge>*>(data); }
    static void releaseClosure(gpointer data, GClosure*) { release(data); }

    static GstFlowReturn onSample(GstSample* sample, gpointer data)
    {
        if (sample) {
            QImage image = imageFromSample(sample);
            if (!image.isNull()) {
                from(data)->pushFrame(std::move(image), from(data));
            }
        }
        return GST_FLOW_OK;
    }
    static GstFlowReturn onNewSample(GstAppSink* sink, gpointer data)
    {
        return onSample(gst_app_sink_pull_sample(sink), data);
    }
    static GstFlowReturn onNewPreroll(GstAppSink* sink, gpointer data)
    {
        return onSample(gst_app_sink_pull_preroll(sink), data);
    }
    static void onCapsChanged(GObject* pad, GParamSpec*, gpointer data)
    {
        GstCaps* caps = gst_pad_get_current_caps(GST_PAD(pad));
        if (!caps) {
            return;
        }
        GstVideoInfo info;
        if (gst_video_info_from_caps(&info, caps) && info.width > 0 && info.height > 0) {
            const double par =
                info.par_n > 0 && info.par_d > 0 ? double(info.par_n) / info.par_d : 1.0;
            from(data)->pushFormat(QSize(info.width, info.height), par, from(data));
        }
        gst_caps_unref(caps);
    }
};

// Frame sizes for the two scalers, set by the window and applied by the streaming thread
// as the next frame enters the bin. Changed from the window's thread, a size filter can
// change between a scaler's choice of output and its announcing it, and the stream then
// stops as not negotiated; applied here, the scalers renegotiate on that same frame.
struct VideoRenderer::PendingSizes {
    std::mutex lock;
    GstElement* shrunkFilter = nullptr; // owned by the bin
    GstElement* sizeFilter = nullptr;
    GstCaps* shrunk = nullptr; // pending, owned here
    GstCaps* size = nullptr;

    ~PendingSizes() { set(nullptr, nullptr); }
    void set(GstCaps* newShrunk, GstCaps* newSize)
    {
        std::lock_guard<std::mutex> guard(lock);
        gst_caps_replace(&shrunk, newShrunk);
        gst_caps_replace(&size, newSize);
    }
    void apply()
    {
        GstCaps* takenShrunk = nullptr;
        GstCaps* takenSize = nullptr;
        {
            std::lock_guard<std::mutex> guard(lock);
            std::swap(takenShrunk, shrunk);
            std::swap(takenSize, size);
        }
        if (takenShrunk) {
            g_object_set(shrunkFilter, "caps", takenShrunk, nullptr);
            gst_caps_unref(takenShrunk);
        }
        if (takenSize) {
            g_object_set(sizeFilter, "caps", takenSize, nullptr);
            gst_caps_unref(takenSize);
        }
    }
    static GstPadProbeReturn onFrame(GstPad*, GstPadProbeInfo*, gpointer data)
    {
        (*static_cast<std::shared_ptr<PendingSizes>*>(data))->apply();
        return GST_PAD_PROBE_OK;
    }
    static void release(gpointer data)
    {
        delete static_cast<std::shared_ptr<PendingSizes>*>(data);
    }
};

VideoRenderer::VideoRenderer(QObject* context, bool native, std::function<void()> onFrame,
                             std::function<void(QSize, double)> onFormat)
    : m_bridge(std::make_shared<Bridge>())
{
    m_bridge->context = context;
    m_bridge->onFrame = std::move(onFrame);
    m_bridge->onFormat = std::move(onFormat);
    m_bin = GST_ELEMENT(g_object_new(videoBinType(), nullptr));
    gst_object_ref_sink(m_bin);
    m_native = native && buildNative();
    if (!m_native && !buildPainted()) {
        qWarning("video renderer: no renderer could be built");
        return;
    }
    GstPad* ghost = gst_element_get_static_pad(m_bin, "sink");
    g_signal_connect_data(ghost, "notify::caps", G_CALLBACK(Bridge::onCapsChanged),
                          Bridge::hold(m_bridge), Bridge::releaseClosure, GConnectFlags(0));
    gst_object_unref(ghost);
}

VideoRenderer::~VideoRenderer()
{
    m_bridge->close();
    // Waits for the streaming threads to leave the sink.
    gst_element_set_state(m_bin, GST_STATE_NULL);
    gst_object_unref(m_bin);
}

bool VideoRenderer::buildNative()
{
    GstElement* sink = probeNativeSink();
    if (!sink) {
        return false;
    }
    // ximagesink cannot scale: it gets frames of exactly the picture's size on screen.
    const bool sinkScales = QString::fromUtf8(GST_OBJECT_NAME(gst_element_get_factory(sink))) !=
                            QLatin1String("ximagesink");
    GstElement* crop = gst_element_factory_make("videocrop", nullptr); // zoom is optional
    // Two scalers, one of them at work: a picture made smaller is scaled in the
    // decoder's planar YUV (under half the bytes of the sink's 32-bit pixels) and then
    // converted at the window's size; one made larger is converted first and scaled in
    // 32-bit pixels, the faster way up. The first one's size says which (see
    // setPictureGeometry). A single converter-scaler measured slower than either.
    GstElement* shrink = sinkScales ? nullptr : makeElement("videoscale");
    GstElement* shrunk = sinkScales ? nullptr : makeElement("capsfilter");
    GstElement* fastConvert = makeFastConverter();
    GstElement* convert = makeElement("videoconvert");
    GstElement* scale = makeElement("videoscale");
    GstElement* size = sinkScales ? nullptr : makeElement("capsfilter");
    if (!convert || !scale || (!sinkScales && (!size || !shrink || !shrunk))) {
        dropFloating({crop, shrink, shrunk, fastConvert, convert, scale, size});
        gst_object_unref(sink);
        return false;
    }
    const bool linked =
        linkChain(m_bin, {crop, shrink, shrunk, fastConvert, convert, scale, size, sink});
    gst_object_unref(sink); // the bin holds it now, or nobody does
    if (!linked) {
        return false;
    }
    for (GstElement* scaler : {shrink, scale}) {
        if (scaler) {
            g_object_set(scaler, "add-borders", FALSE, nullptr);
        }
    }
    GstPad* ghost = gst_element_get_static_pad(m_bin, "sink");
    auto* cache = new AnySizeCaps;
    cache->sinkPad = gst_element_get_static_pad(sink, "sink");
    g_object_set_qdata_full(G_OBJECT(ghost), AnySizeCaps::quark(), cache, AnySizeCaps::release);
    gst_pad_set_query_function(ghost, anySizeCapsQuery);
    if (size) {
        m_pending = std::make_shared<PendingSizes>();
        m_pending->shrunkFilter = shrunk;
        m_pending->sizeFilter = size;
        gst_pad_add_probe(ghost,
                          GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER |
                                          GST_PAD_PROBE_TYPE_BUFFER_LIST),
                          PendingSizes::onFrame, new std::shared_ptr<PendingSizes>(m_pending),
                          PendingSizes::release);
    }
    gst_object_unref(ghost);
    m_sink = sink;
    m_crop = crop;
    return true;
}

bool VideoRenderer::buildPainted()
{
    GstElement* fastConvert = makeFastConverter();
    GstElement* convert = makeElement("videoconvert");
    GstElement* sink = makeElement("appsink");
    if (!convert || !sink) {
        dropFloating({fastConvert, convert, sink});
        return false;
    }
    GstCaps* caps = gst_caps_from_string(kFrameCaps);
    g_object_set(sink, "caps", caps, "sync", TRUE, "max-buffers", 1u, "drop", TRUE,
                 "enable-last-sample", FALSE, nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = Bridge::onNewPreroll;
    callbacks.new_sample = Bridge::onNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, Bridge::hold(m_bridge),
                               Bridge::release);
    if (!linkChain(m_bin, {fastConvert, convert, sink}))
        return false;
    m_sink = sink;
    return true;
}

QString VideoRenderer::kind() const
{
    GstElementFactory* factory = m_sink ? gst_element_get_factory(m_sink) : nullptr;
    return factory ? QString::fromUtf8(GST_OBJECT_NAME(factory)) : QString();
}

bool VideoRenderer::takeFrame(QImage& frame)
{
    return m_bridge->takeFrame(frame);
}

void VideoRenderer::discardFrame()
{
    QImage dropped;
    m_bridge->takeFrame(dropped);
}

void VideoRenderer::setWindowHandle(quintptr handle)
{
    if (!m_native) {
        return;
    }
    g_atomic_pointer_set(&reinterpret_cast<VideoBin*>(m_bin)->windowHandle, gpointer(handle));
    gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(m_sink), guintptr(handle));
}

void VideoRenderer::expose()
{
    if (m_native) {
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(m_sink));
    }
}

namespace {
GstCaps* framesOfSize(const QSize& size, bool squarePixels = true)
{
    if (size.isEmpty()) {
        return gst_caps_new_any();
    }
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, size.width(), "height",
                                        G_TYPE_INT, size.height(), nullptr);
    if (squarePixels) {
        gst_caps_set_simple(caps, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    }
    return caps;
}
} // namespace

void VideoRenderer::setPictureGeometry(bool keepAspect, const QSize& onScreen, const QSize& picture)
{
    if (hasProperty(m_sink, "force-aspect-ratio")) {
        g_object_set(m_sink, "force-aspect-ratio", gboolean(keepAspect), nullptr);
    }
    if (!m_pending) { // the sink scales by itself
        return;
    }
    // Held at the picture's own size, the first scaler passes frames through untouched.
    const bool smaller = !onScreen.isEmpty() && onScreen.width() <= picture.width() &&
                         onScreen.height() <= picture.height();
    const QSize shrinkTo = smaller ? onScreen : picture;
    if (onScreen == m_sizeOnScreen && shrinkTo == m_shrinkTo) {
        return;
    }
    m_sizeOnScreen = onScreen;
    m_shrinkTo = shrinkTo;
    GstCaps* shrunk = framesOfSize(shrinkTo, smaller);
    GstCaps* sized = framesOfSize(onScreen);
    m_pending->set(shrunk, sized);
    gst_caps_unref(shrunk);
    gst_caps_unref(sized);
}

void VideoRenderer::setCrop(const QRect& visible, const QSize& source)
{
    if (!m_crop || visible.isEmpty()) {
        return;
    }
    g_object_set(m_crop, "left", visible.left(), "top", visible.top(), "right",
                 source.width() - visible.right() - 1, "bottom",
                 source.height() - visible.bottom() - 1, nullptr);
}
