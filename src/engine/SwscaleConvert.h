// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "lumenoconvert": a video filter that turns the decoders' YUV pictures into the RGB ones
// the X sinks and the painted path take, through FFmpeg's libswscale. GStreamer's own
// videoconvert does the same job at about three times the CPU for a 1080p frame (its
// generic code next to libswscale's hand-written SIMD), and at 25 frames a second that
// was most of what the player spent beyond decoding.
//
// It changes only the pixel format, never the size, and takes only the decoders' usual
// 4:2:0 planar pictures. Other formats (or the same format on both sides) pass through
// untouched, so a videoconvert placed after it still serves every other case.

#include <gst/gst.h>

namespace SwscaleConvert {

inline constexpr const char kFactory[] = "lumenoconvert";

// Registers the element once per process; false when it cannot be (then callers
// simply go without it).
bool registerElement();

} // namespace SwscaleConvert
