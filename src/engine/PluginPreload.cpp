// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PluginPreload.h"

#include <gst/gst.h>

#include <chrono>

namespace {

// In the order they are first asked for: the window's video outputs (tried when the
// video window is made) and the elements around them, the graph and the type finding,
// demuxers, parsers, converters, the sound output and its balance filter. GStreamer
// loads one plugin at a time, so the decoders' library (the largest, a quarter of a
// second on a slow machine) comes after them all: the window, which asks for the others
// while it is made, never waits behind it, nor does the graph when it is made. A plugin
// this system lacks is skipped.
constexpr const char* kPlugins[] = {
    "xvimagesink", "ximagesink", "videoconvertscale", "videocrop", "playback", "coreelements",
    "typefindfunctions", "app", "avi", "mpegpsdemux", "asf", "isomp4", "matroska",
    "videoparsersbad", "audioparsers", "audioconvert", "audioresample", "volume", "deinterlace",
    "videofilter", "autodetect", "pulseaudio", "alsa", "audiofx",
};
constexpr const char* kDecoders = "libav";

void load(const char* name)
{
    if (GstPlugin* plugin = gst_plugin_load_by_name(name))
        gst_object_unref(plugin);
}

} // namespace

PluginPreload::PluginPreload() : m_thread([this] { run(); }) {}

void PluginPreload::run()
{
    for (const char* name : kPlugins)
        load(name);
    {
        std::unique_lock<std::mutex> hold(m_lock);
        m_allowed.wait_for(hold, std::chrono::seconds(1), [this] { return m_decodersAllowed; });
    }
    load(kDecoders);
}

void PluginPreload::allowDecoders()
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_decodersAllowed = true;
    }
    m_allowed.notify_all();
}

PluginPreload::~PluginPreload()
{
    allowDecoders();
    if (m_thread.joinable())
        m_thread.join();
}
