// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Loads the media framework's plugins on a thread of its own while the windows are being
// made, so that the first file's graph finds them loaded instead of loading them one by
// one on its own way to the first picture. It changes nothing but when the plugins'
// libraries are read and linked: the same plugins would be loaded by the first render.

#include <thread>

class PluginPreload {
public:
    // gst_init must have run.
    PluginPreload();
    // Waits for the loading to end (it cannot be cancelled half-way through a library).
    ~PluginPreload();
    PluginPreload(const PluginPreload&) = delete;
    PluginPreload& operator=(const PluginPreload&) = delete;

private:
    std::thread m_thread;
};
