// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Holding off the desktop's screen saver (org.freedesktop.ScreenSaver on the session bus).

#include <QString>

namespace Platform {

class ScreenSaverInhibitor {
public:
    ~ScreenSaverInhibitor() { setInhibited(false); }
    // Asks for or gives back the hold; without a session bus nothing happens.
    void setInhibited(bool on);
    bool inhibited() const { return m_inhibited; }

private:
    bool m_inhibited = false;
    quint32 m_cookie = 0;
};

} // namespace Platform
