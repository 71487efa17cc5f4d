// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PluginPreload.h"

#include <gst/gst.h>

namespace {

// In the order they are first asked for: the window's video outputs (tried when the
// video window is made), the graph and the type finding, demuxers and parsers, then the
// decoders (the largest libraries), converters and the sound output. A plugin this
// system lacks is skipped.
constexpr const char* kPlugins[] = {
    "xvimagesink", "ximagesink", "playback", "coreelements", "typefindfunctions", "avi",
    "mpegpsdemux", "asf", "isomp4", "matroska", "videoparsersbad", "audioparsers", "libav",
    "videoconvertscale", "videocrop", "app", "audioconvert", "audioresample", "volume",
    "autodetect", "pulseaudio", "alsa",
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
