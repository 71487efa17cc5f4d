// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ScreenSaver.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>

namespace Platform {

namespace {
const char* const kService = "org.freedesktop.ScreenSaver";
const char* const kPath = "/org/freedesktop/ScreenSaver";
constexpr int kDBusTimeoutMs = 1000;

bool sessionBusAnnounced()
{
    // Asking libdbus for a session bus that is not announced may start one; don't.
    const QString runtimeBus =
        QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(QStringLiteral("bus"));
    return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
           QFileInfo::exists(runtimeBus);
}
} // namespace

void ScreenSaverInhibitor::setInhibited(bool on)
{
    if (on == m_inhibited || !sessionBusAnnounced()) {
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    if (on) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Inhibit"));
        call << QStringLiteral("Lumeno") << QStringLiteral("Playing video");
        const QDBusMessage reply = bus.call(call, QDBus::Block, kDBusTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
            m_cookie = reply.arguments().constFirst().toUInt();
            m_inhibited = true;
        }
    } else {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("UnInhibit"));
        call << m_cookie;
        bus.call(call, QDBus::NoBlock);
        m_inhibited = false;
    }
}

} // namespace Platform
