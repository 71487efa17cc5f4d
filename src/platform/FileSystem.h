#pragma once

#include <QString>

#include <functional>

namespace Platform {

using VirtualFileProvider = std::function<bool(const QString& path)>;

// True for an existing regular file (a folder counts as missing), or for a path
// that a registered virtual-file provider accepts, such as an audio CD track.
bool fileExists(const QString& path);

// Providers are consulted only for paths that are not regular files. The
// returned id unregisters the provider again. GUI thread only, like all callers.
int registerVirtualFileProvider(VirtualFileProvider exists);
void unregisterVirtualFileProvider(int id);

} // namespace Platform
