// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace Platform {

namespace {
int signalPipe[2] = {-1, -1};

extern "C" void forwardSignal(int)
{
    // Only async-signal-safe work here: one byte to the GUI thread.
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}
} // namespace

bool onTerminationRequest(std::function<void()> handler)
{
    if (signalPipe[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
        return false;
    }
    auto* notifier =
        new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler]() {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        handler();
    });
    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool ok = true;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
    }
    return ok;
}

} // namespace Platform
