// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>

#include <utility>
#include <vector>

namespace Platform {

namespace {

struct RegisteredProvider {
    int id;
    VirtualFileProvider exists;
};

std::vector<RegisteredProvider>& providers()
{
    static std::vector<RegisteredProvider> list;
    return list;
}

} // namespace

bool fileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    // isFile() is true only for regular files (after following links), so
    // folders, device nodes and sockets count as missing.
    if (QFileInfo(path).isFile())
        return true;
    for (const RegisteredProvider& provider : providers()) {
        if (provider.exists && provider.exists(path))
            return true;
    }
    return false;
}

int registerVirtualFileProvider(VirtualFileProvider exists)
{
    static int lastId = 0;
    providers().push_back({++lastId, std::move(exists)});
    return lastId;
}

void unregisterVirtualFileProvider(int id)
{
    auto& list = providers();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->id == id) {
            list.erase(it);
            return;
        }
    }
}

} // namespace Platform

namespace Platform {

namespace {

VirtualFolderLister& folderLister()
{
    static VirtualFolderLister lister;
    return lister;
}

} // namespace

void registerVirtualFolderLister(VirtualFolderLister lister)
{
    folderLister() = std::move(lister);
}

QStringList virtualFolderFiles(const QString& folder)
{
    const VirtualFolderLister& lister = folderLister();
    return lister ? lister(folder) : QStringList();
}

QStringList absolutePaths(const QStringList& paths)
{
    QStringList result;
    result.reserve(paths.size());
    for (const QString& path : paths)
        result << (path.isEmpty() ? path : QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    return result;
}

} // namespace Platform
