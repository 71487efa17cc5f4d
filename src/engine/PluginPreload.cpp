// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PluginPreload.h"

#include <gst/gst.h>

namespace {

// In the order they are first asked for: the window's video outputs (tried when the
// video window is made) and the elements around them, the graph and the type finding,
// demuxers, parsers, converters and the sound output, then the decoders. GStreamer loads
// one plugin at a time: the decoders' library (the largest, a quarter of a second on a
// slow machine) comes last, so that the window, which asks for the others while it is
// made, never waits behind it. A plugin this system lacks is skipped.
constexpr const char* kPlugins[] = {
    "xvimagesink", "ximagesink", "videoconvertscale", "videocrop", "playback", "coreelements",
    "typefindfunctions", "app", "avi", "mpegpsdemux", "asf", "isomp4", "matroska",
    "videoparsersbad", "audioparsers", "audioconvert", "audioresample", "volume", "deinterlace",
    "videofilter", "autodetect", "pulseaudio", "alsa", "libav",
};

void loadPlugins()
{
    for (const char* name : kPlugins) {
        if (GstPlugin* plugin = gst_plugin_load_by_name(name))
            gst_object_unref(plugin);
    }
}

} // namespace

PluginPreload::PluginPreload() : m_thread(loadPlugins) {}

PluginPreload::~PluginPreload()
{
    if (m_thread.joinable())
        m_thread.join();
}
