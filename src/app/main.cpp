// SPDX-License-Identifier: GPL-3.0-or-later
// The program's front: one running instance per user. A start that finds the instance
// lock taken hands its files to the running instance and ends, with nothing loaded but
// Qt's core and network modules; the player itself is a module, loaded only by the start
// that runs it (or that has a message to show).
#include "app/PlayerModule.h"
#include "platform/FileSystem.h"
#include "platform/HandOver.h"
#include "platform/InstanceLock.h"

#include <QCoreApplication>

#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

struct ForwardingStart {
    Platform::ForwardResult result;
    QStringList messages;
};

ForwardingStart forwardToRunningInstance(int argc, char** argv, Platform::InstanceLock& lock)
{
    QCoreApplication core(argc, argv);
    ForwardingStart start;
    start.result = Platform::forwardArguments(
        Platform::absolutePaths(core.arguments().mid(1)),
        [&start](const QString& text) { start.messages.append(text); },
        Platform::handOverSocketPath(), Platform::kReceiverWaitMs,
        [&lock] { return lock.tryAcquire(); });
    return start;
}

// The module lies next to the program in the build tree, in the library folder once
// installed. The program's own path comes from the kernel: argv[0] may be anything.
void* loadPlayerModule()
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self);
    const bool known = length > 0 && size_t(length) < sizeof self;
    std::string folder = known ? std::string(self, size_t(length)) : std::string(".");
    folder.erase(folder.find_last_of('/') + 1);
    std::string error = "not found";
    for (const char* subfolder : {"", LUMENO_PLAYER_MODULE_DIR "/"}) {
        const std::string path = folder + subfolder + LUMENO_PLAYER_MODULE;
        if (::access(path.c_str(), F_OK) != 0)
            continue;
        if (void* module = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL))
            return module;
        error = ::dlerror();
        break;
    }
    std::fprintf(stderr, "lumeno: cannot load the player (%s): %s\n", LUMENO_PLAYER_MODULE,
                 error.c_str());
    return nullptr;
}

template <typename Function> Function playerEntry(void* module, const char* name)
{
    void* entry = module ? ::dlsym(module, name) : nullptr;
    if (module && !entry)
        std::fprintf(stderr, "lumeno: the player module lacks %s\n", name);
    return reinterpret_cast<Function>(entry);
}

} // namespace

int main(int argc, char* argv[])
{
    Platform::InstanceLock lock; // held until the player has closed
    QStringList files;
    bool tookOver = false;
    if (!lock.tryAcquire()) {
        // Another instance runs: hand it our files and end; if it goes away meanwhile,
        // this start becomes the running instance with the files not yet handed over.
        const ForwardingStart forwarded = forwardToRunningInstance(argc, argv, lock);
        if (!forwarded.result.tookOver) {
            if (forwarded.messages.isEmpty())
                return forwarded.result.exitCode;
            const auto show =
                playerEntry<PlayerMessagesFunction>(loadPlayerModule(), kPlayerMessagesEntry);
            if (!show) {
                for (const QString& text : forwarded.messages)
                    std::fprintf(stderr, "lumeno: %s\n", qPrintable(text));
                return forwarded.result.exitCode;
            }
            show(argc, argv, &forwarded.messages);
            return forwarded.result.exitCode;
        }
        tookOver = true;
        files = forwarded.result.remaining;
    }
    const auto run = playerEntry<PlayerRunFunction>(loadPlayerModule(), kPlayerRunEntry);
    if (!run)
        return 1;
    return run(argc, argv, tookOver ? &files : nullptr);
}
