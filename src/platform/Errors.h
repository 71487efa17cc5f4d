// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's general error handler: what the user sees when a handler run by the
// message loop fails. The application installs a message box; the default logs.

#include <QString>
#include <exception>
#include <functional>

namespace Platform {

void setExceptionHandler(std::function<void(const QString& message)> handler);
void handleException(const std::exception& error);

} // namespace Platform
