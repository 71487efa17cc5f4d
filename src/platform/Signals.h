// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Termination requests (SIGTERM, SIGINT, SIGHUP: logout, kill, Ctrl+C) become a normal
// close on the GUI thread, so the playlists are saved as when the user closes the window.

#include <functional>

namespace Platform {

// Installs the handlers; call after the application object exists. Returns false when
// they could not be installed (the default action then stays).
bool onTerminationRequest(std::function<void()> handler);

} // namespace Platform
