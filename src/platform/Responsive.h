// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Slow work (building a media graph, stopping a disc read, reading a disc's table of
// contents) must not freeze the windows: the GUI thread keeps repainting and running
// timers while it waits, but takes no user input and no outside requests meanwhile.

#include <functional>

namespace Platform {

// True while the GUI thread is inside such a wait. Handlers that would start or end
// playback (the CD poll, graph events, hand-overs) put their work off until it is over.
bool insideResponsiveWait();

// Runs work on a helper thread and returns when it is done; on the GUI thread the
// windows repaint meanwhile. Elsewhere it simply runs work. Rethrows what work throws.
void runResponsively(const std::function<void()>& work);

} // namespace Platform
