// SPDX-License-Identifier: GPL-3.0-or-later
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

#include <QStringList>

namespace Platform {

// Lists the files of a folder that exists only to a virtual-file provider, such
// as the tracks of an audio CD under its disc root. Entries may be names or full
// paths; only the name part is used. Folder walks ask it only about paths that
// are not directories (a device node, a cue sheet, a missing path).
using VirtualFolderLister = std::function<QStringList(const QString& folder)>;

// Installs the one lister (a later call replaces it, null removes it), and asks
// it about a folder given without a trailing "/". GUI thread only.
void registerVirtualFolderLister(VirtualFolderLister lister);
QStringList virtualFolderFiles(const QString& folder);

// Each path made absolute against the current folder and cleaned; empty ones stay
// empty. For command-line files, in the process whose folder they were typed against.
QStringList absolutePaths(const QStringList& paths);

} // namespace Platform
