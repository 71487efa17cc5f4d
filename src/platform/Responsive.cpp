// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Responsive.h"

#include <QCoreApplication>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace Platform {

namespace {
int g_waitDepth = 0; // GUI thread only

bool onGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}
} // namespace

bool insideResponsiveWait()
{
    return g_waitDepth > 0;
}

void runResponsively(const std::function<void()>& work)
{
    if (!onGuiThread()) {
        work();
        return;
    }
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr failure;
    std::thread helper([&]() {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard<std::mutex> guard(lock);
        done = true;
        finished.notify_all();
    });
    constexpr auto kSlice = std::chrono::milliseconds(10);
    std::exception_ptr handlerFailure;
    ++g_waitDepth;
    while (true) {
        try {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                            QEventLoop::ExcludeSocketNotifiers);
        } catch (...) {
            // A handler that failed meanwhile; the helper must still be waited for.
            if (!handlerFailure) {
                handlerFailure = std::current_exception();
            }
        }
        std::unique_lock<std::mutex> guard(lock);
        if (finished.wait_for(guard, kSlice, [&done] { return done; })) {
            break;
        }
    }
    --g_waitDepth;
    helper.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
    if (handlerFailure) {
        std::rethrow_exception(handlerFailure);
    }
}

} // namespace Platform
