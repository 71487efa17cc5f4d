// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SwscaleConvert.h"

#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <array>

namespace {

struct Format {
    GstVideoFormat gst;
    AVPixelFormat av;
    bool swapChroma; // YV12: I420 with its U and V planes the other way round
};

// The decoders' usual 4:2:0 output, which libswscale converts without a scaling pass.
// Other formats go its general scaler's way, whose chroma filtering differs visibly from
// videoconvert's; those are left to videoconvert.
constexpr std::array<Format, 2> kInputs{{
    {GST_VIDEO_FORMAT_I420, AV_PIX_FMT_YUV420P, false},
    {GST_VIDEO_FORMAT_YV12, AV_PIX_FMT_YUV420P, true},
}};

constexpr std::array<Format, 10> kOutputs{{
    {GST_VIDEO_FORMAT_BGRx, AV_PIX_FMT_BGR0, false},
    {GST_VIDEO_FORMAT_RGBx, AV_PIX_FMT_RGB0, false},
    {GST_VIDEO_FORMAT_xRGB, AV_PIX_FMT_0RGB, false},
    {GST_VIDEO_FORMAT_xBGR, AV_PIX_FMT_0BGR, false},
    {GST_VIDEO_FORMAT_BGRA, AV_PIX_FMT_BGRA, false},
    {GST_VIDEO_FORMAT_RGBA, AV_PIX_FMT_RGBA, false},
    {GST_VIDEO_FORMAT_ARGB, AV_PIX_FMT_ARGB, false},
    {GST_VIDEO_FORMAT_ABGR, AV_PIX_FMT_ABGR, false},
    {GST_VIDEO_FORMAT_RGB, AV_PIX_FMT_RGB24, false},
    {GST_VIDEO_FORMAT_BGR, AV_PIX_FMT_BGR24, false},
}};

template <std::size_t N>
const Format* find(const std::array<Format, N>& formats, GstVideoFormat format)
{
    for (const Format& f : formats) {
        if (f.gst == format)
            return &f;
    }
    return nullptr;
}

template <std::size_t N>
bool anyKnown(const std::array<Format, N>& formats, const GValue* field)
{
    if (!field)
        return false;
    if (G_VALUE_HOLDS_STRING(field))
        return find(formats, gst_video_format_from_string(g_value_get_string(field)));
    if (!GST_VALUE_HOLDS_LIST(field))
        return false;
    for (guint i = 0; i < gst_value_list_get_size(field); ++i) {
        if (anyKnown(formats, gst_value_list_get_value(field, i)))
            return true;
    }
    return false;
}

template <std::size_t N>
void setFormats(GstStructure* s, const std::array<Format, N>& formats)
{
    GValue list = G_VALUE_INIT;
    gst_value_list_init(&list, N);
    for (const Format& f : formats) {
        GValue name = G_VALUE_INIT;
        g_value_init(&name, G_TYPE_STRING);
        g_value_set_static_string(&name, gst_video_format_to_string(f.gst));
        gst_value_list_append_and_take_value(&list, &name);
    }
    gst_structure_take_value(s, "format", &list);
}

int colourSpace(GstVideoColorMatrix matrix)
{
    switch (matrix) {
    case GST_VIDEO_COLOR_MATRIX_BT709:
        return SWS_CS_ITU709;
    case GST_VIDEO_COLOR_MATRIX_FCC:
        return SWS_CS_FCC;
    case GST_VIDEO_COLOR_MATRIX_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case GST_VIDEO_COLOR_MATRIX_BT2020:
        return SWS_CS_BT2020;
    default:
        return SWS_CS_ITU601;
    }
}

} // namespace

struct LumenoConvert {
    GstVideoFilter parent;
    SwsContext* context;
    bool swapChroma;
};

struct LumenoConvertClass {
    GstVideoFilterClass parent;
};

G_DEFINE_TYPE(LumenoConvert, lumeno_convert, GST_TYPE_VIDEO_FILTER)

namespace {

LumenoConvert* self(gpointer object)
{
    return reinterpret_cast<LumenoConvert*>(object);
}

void dropContext(LumenoConvert* convert)
{
    sws_freeContext(convert->context);
    convert->context = nullptr;
}

// Each structure may pass through as it is; one whose format this element converts is
// offered again with the other side's formats (first, so that converting is preferred).
GstCaps* transformCaps(GstBaseTransform*, GstPadDirection direction, GstCaps* caps,
                       GstCaps* filter)
{
    GstCaps* result = gst_caps_new_empty();
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        GstCapsFeatures* features = gst_caps_get_features(caps, i);
        const GValue* format = gst_structure_get_value(s, "format");
        const bool known = direction == GST_PAD_SINK ? anyKnown(kInputs, format)
                                                     : anyKnown(kOutputs, format);
        if (known && gst_caps_features_is_equal(features, GST_CAPS_FEATURES_MEMORY_SYSTEM_MEMORY)) {
            GstStructure* converted = gst_structure_copy(s);
            gst_structure_remove_fields(converted, "colorimetry", "chroma-site", nullptr);
            if (direction == GST_PAD_SINK)
                setFormats(converted, kOutputs);
            else
                setFormats(converted, kInputs);
            result = gst_caps_merge_structure(result, converted);
        }
        result = gst_caps_merge_structure_full(result, gst_structure_copy(s),
                                               gst_caps_features_copy(features));
    }
    if (filter) {
        GstCaps* both = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(result);
        result = both;
    }
    return result;
}

gboolean setInfo(GstVideoFilter* filter, GstCaps*, GstVideoInfo* in, GstCaps*, GstVideoInfo* out)
{
    LumenoConvert* convert = self(filter);
    dropContext(convert);
    const GstVideoFormat from = GST_VIDEO_INFO_FORMAT(in);
    const GstVideoFormat to = GST_VIDEO_INFO_FORMAT(out);
    if (GST_VIDEO_INFO_WIDTH(in) != GST_VIDEO_INFO_WIDTH(out) ||
        GST_VIDEO_INFO_HEIGHT(in) != GST_VIDEO_INFO_HEIGHT(out))
        return FALSE; // never scales: the caps it offers keep the size
    if (from == to) {
        gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(filter), TRUE);
        return TRUE;
    }
    const Format* source = find(kInputs, from);
    const Format* target = find(kOutputs, to);
    if (!source || !target)
        return FALSE;
    gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(filter), FALSE);
    const int width = GST_VIDEO_INFO_WIDTH(in);
    const int height = GST_VIDEO_INFO_HEIGHT(in);
    // Same size: libswscale takes its unscaled converters, whatever the flag.
    convert->context = sws_getContext(width, height, source->av, width, height, target->av,
                                      SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!convert->context)
        return FALSE;
    const int* matrix = sws_getCoefficients(colourSpace(in->colorimetry.matrix));
    const int fullRange = in->colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255 ? 1 : 0;
    sws_setColorspaceDetails(convert->context, matrix, fullRange, matrix, 1, 0, 1 << 16,
                             1 << 16);
    convert->swapChroma = source->swapChroma;
    return TRUE;
}

GstFlowReturn transformFrame(GstVideoFilter* filter, GstVideoFrame* in, GstVideoFrame* out)
{
    LumenoConvert* convert = self(filter);
    if (!convert->context)
        return GST_FLOW_NOT_NEGOTIATED;
    const uint8_t* planes[4] = {};
    int strides[4] = {};
    for (guint i = 0; i < GST_VIDEO_FRAME_N_PLANES(in) && i < 4; ++i) {
        planes[i] = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(in, i));
        strides[i] = GST_VIDEO_FRAME_PLANE_STRIDE(in, i);
    }
    if (convert->swapChroma) {
        std::swap(planes[1], planes[2]);
        std::swap(strides[1], strides[2]);
    }
    uint8_t* target[4] = {static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(out, 0))};
    int targetStrides[4] = {GST_VIDEO_FRAME_PLANE_STRIDE(out, 0)};
    sws_scale(convert->context, planes, strides, 0, GST_VIDEO_FRAME_HEIGHT(in), target,
              targetStrides);
    return GST_FLOW_OK;
}

void finalize(GObject* object)
{
    dropContext(self(object));
    G_OBJECT_CLASS(lumeno_convert_parent_class)->finalize(object);
}

GstCaps* padCaps(bool input)
{
    GstCaps* caps = gst_caps_new_empty_simple("video/x-raw");
    GstStructure* s = gst_caps_get_structure(caps, 0);
    if (input)
        setFormats(s, kInputs);
    else
        setFormats(s, kOutputs);
    gst_structure_set(s, "width", GST_TYPE_INT_RANGE, 1, G_MAXINT, "height",
                      GST_TYPE_INT_RANGE, 1, G_MAXINT, "framerate", GST_TYPE_FRACTION_RANGE, 0,
                      1, G_MAXINT, 1, nullptr);
    // Anything else passes through.
    gst_caps_append(caps, gst_caps_from_string("video/x-raw(ANY)"));
    return caps;
}

} // namespace

static void lumeno_convert_class_init(LumenoConvertClass* klass)
{
    G_OBJECT_CLASS(klass)->finalize = finalize;
    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(element, "Lumeno colour converter",
                                          "Filter/Converter/Video",
                                          "Converts YUV pictures to RGB with libswscale",
                                          "Lumeno");
    GstCaps* sinkCaps = padCaps(true);
    GstCaps* srcCaps = padCaps(false);
    gst_element_class_add_pad_template(
        element, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, sinkCaps));
    gst_element_class_add_pad_template(
        element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, srcCaps));
    gst_caps_unref(sinkCaps);
    gst_caps_unref(srcCaps);
    GST_BASE_TRANSFORM_CLASS(klass)->transform_caps = transformCaps;
    GST_BASE_TRANSFORM_CLASS(klass)->passthrough_on_same_caps = TRUE;
    GST_VIDEO_FILTER_CLASS(klass)->set_info = setInfo;
    GST_VIDEO_FILTER_CLASS(klass)->transform_frame = transformFrame;
}

static void lumeno_convert_init(LumenoConvert* convert)
{
    convert->context = nullptr;
    convert->swapChroma = false;
}

namespace SwscaleConvert {

bool registerElement()
{
    static const bool registered =
        gst_element_register(nullptr, kFactory, GST_RANK_NONE, lumeno_convert_get_type());
    return registered;
}

} // namespace SwscaleConvert
