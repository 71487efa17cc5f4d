// SPDX-License-Identifier: GPL-3.0-or-later
// Times Add Folder's walk and extension filter over 10,000 files in 200 folders
// against `find DIR -type f` on the same tree. Goal: within twice find's time.
#include "playlist/FileGathering.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kFolders = 200;
constexpr int kFilesPerFolder = 50;
constexpr int kRuns = 5;
const char* const kKinds[] = {"mp3", "avi", "txt", "jpg", "wav"};

// 20 folders of 9 subfolders each, plus the 20 themselves: 200 folders in all.
bool makeTree(const QString& root)
{
    int made = 0;
    for (int top = 0; top < 20; ++top) {
        for (int sub = -1; sub < 9; ++sub) {
            const QString folder = sub < 0
                                       ? QStringLiteral("%1/g%2").arg(root).arg(top)
                                       : QStringLiteral("%1/g%2/s%3").arg(root).arg(top).arg(sub);
            if (!QDir().mkpath(folder))
                return false;
            for (int i = 0; i < kFilesPerFolder; ++i) {
                QFile file(QStringLiteral("%1/track %2.%3").arg(folder).arg(i).arg(kKinds[i % 5]));
                if (!file.open(QIODevice::WriteOnly))
                    return false;
            }
            ++made;
        }
    }
    return made == kFolders;
}

qint64 timeGather(const QString& root, qsizetype& found, qsizetype& kept)
{
    QElapsedTimer timer;
    timer.start();
    QStringList paths;
    TFileGathering::FindFiles(paths, root + u'/', true, QStringLiteral("*.*"));
    found = paths.size();
    QStringList extensions = TFileGathering::mediaExtensions();
    TFileGathering::KeepMediaFiles(paths, extensions);
    kept = paths.size();
    return timer.nsecsElapsed() / 1000;
}

// Pending events run once per file found and once per path filtered; this is
// what those rounds cost with nothing pending.
qint64 timeIdleEventRounds(qsizetype rounds)
{
    QElapsedTimer timer;
    timer.start();
    for (qsizetype i = 0; i < rounds; ++i)
        QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1000;
}

qint64 timeFind(const QString& root, qsizetype& lines)
{
    QElapsedTimer timer;
    timer.start();
    QProcess find;
    find.start(QStringLiteral("find"), {root, QStringLiteral("-type"), QStringLiteral("f")});
    find.waitForFinished(-1);
    lines = find.readAllStandardOutput().count('\n');
    return timer.nsecsElapsed() / 1000;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !makeTree(dir.path())) {
        std::fprintf(stderr, "cannot make the test tree\n");
        return 1;
    }
    // Best of several runs for both, after one warm-up each, so both read a
    // warm directory cache.
    qsizetype found = 0, kept = 0, lines = 0;
    timeGather(dir.path(), found, kept);
    timeFind(dir.path(), lines);
    qint64 gatherUs = -1, findUs = -1;
    for (int run = 0; run < kRuns; ++run) {
        const qint64 g = timeGather(dir.path(), found, kept);
        const qint64 f = timeFind(dir.path(), lines);
        gatherUs = gatherUs < 0 ? g : std::min(gatherUs, g);
        findUs = findUs < 0 ? f : std::min(findUs, f);
    }
    if (found != kFolders * kFilesPerFolder || lines != found || kept != found * 3 / 5) {
        std::fprintf(stderr, "wrong counts: found %lld, kept %lld, find %lld\n",
                     static_cast<long long>(found), static_cast<long long>(kept),
                     static_cast<long long>(lines));
        return 1;
    }
    std::printf("tree: %d files in %d folders\n", kFolders * kFilesPerFolder, kFolders);
    std::printf("FindFiles + KeepMediaFiles: %8.2f ms (%lld found, %lld kept)\n", gatherUs / 1000.0,
                static_cast<long long>(found), static_cast<long long>(kept));
    std::printf("  (%lld unthrottled idle event rounds alone would cost %.2f ms)\n",
                static_cast<long long>(found * 2), timeIdleEventRounds(found * 2) / 1000.0);
    std::printf("find DIR -type f:           %8.2f ms\n", findUs / 1000.0);
    const double ratio = double(gatherUs) / double(findUs);
    std::printf("ratio %.2f, within 2x of find: %s\n", ratio, ratio <= 2.0 ? "yes" : "NO");
    return 0;
}
