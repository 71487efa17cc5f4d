// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Loads the media framework's plugins on a thread of its own while the windows are being
// made, so that the first file's graph finds them loaded instead of loading them one by
// one on its own way to the first picture. It changes nothing but when the plugins'
// libraries are read and linked: the same plugins would be loaded by the first render.

#include <condition_variable>
#include <mutex>
#include <thread>

class PluginPreload {
public:
    // gst_init must have run.
    PluginPreload();
    // Waits for the loading to end (it cannot be cancelled half-way through a library).
    ~PluginPreload();
    PluginPreload(const PluginPreload&) = delete;
    PluginPreload& operator=(const PluginPreload&) = delete;

    // The decoders' library is loaded only after this (or after a second): the system's
    // loader links one library at a time, and the GUI's own plugins, loaded while the
    // application and its windows are made, would wait behind it.
    void allowDecoders();

private:
    void run();

    std::mutex m_lock;
    std::condition_variable m_allowed;
    bool m_decodersAllowed = false;
    std::thread m_thread;
};
