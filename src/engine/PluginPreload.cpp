// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PluginPreload.h"

#include <gst/gst.h>

namespace {

// In the order a graph for a file needs them: the graph and the type finding first, then
// demuxers and parsers, the decoders (the largest libraries), then the outputs. A plugin
// this system lacks is skipped.
constexpr const char* kPlugins[] = {
    "playback", "coreelements", "typefindfunctions", "avi", "mpegpsdemux", "asf",
    "isomp4", "matroska", "videoparsersbad", "audioparsers", "libav", "videoconvertscale",
    "videocrop", "ximagesink", "xvimagesink", "audioconvert", "audioresample", "volume",
    "autodetect", "pulseaudio", "alsa", "app",
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
