// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Errors.h"

#include <QtGlobal>

namespace Platform {

namespace {
std::function<void(const QString&)>& handlerSlot()
{
    static std::function<void(const QString&)> handler;
    return handler;
}
} // namespace

void setExceptionHandler(std::function<void(const QString& message)> handler)
{
    handlerSlot() = std::move(handler);
}

void handleException(const std::exception& error)
{
    const QString message = QString::fromUtf8(error.what());
    if (handlerSlot()) {
        handlerSlot()(message);
    } else {
        qWarning("Lumeno: %s", qPrintable(message));
    }
}

} // namespace Platform
