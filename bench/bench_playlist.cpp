// SPDX-License-Identifier: GPL-3.0-or-later
// Times the playlist rebuild and append operations on lists of 1,000 to
// 100,000 entries, with the list box shown, as the playlist window does; and what
// keeping the resume point costs while a file plays.
#include "player/ResumeStore.h"
#include "playlist/PlaylistOps.h"
#include "playlist/TListBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr qint64 kRebuildGoalMs = 1000;
const int kSizes[] = {1000, 10000, 100000};

QStringList makePaths(int count)
{
    QStringList paths;
    paths.reserve(count);
    for (int i = 0; i < count; ++i)
        paths.append(QStringLiteral("/home/user/Music/Album %1/Track %2.mp3").arg(i / 12).arg(i));
    return paths;
}

qint64 timeProcessEvents(int count)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i)
        QCoreApplication::processEvents();
    return timer.elapsed();
}

// What the rebuild would cost if every line were announced to the view on its
// own, the way a plain model insert does it.
qint64 timeRowByRowInsert(int count, TListBox& box)
{
    box.clear();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        box.addLine(QStringLiteral("line %1").arg(i));
        QCoreApplication::processEvents();
    }
    return timer.elapsed();
}

// Qt's selection model pays per call for every separate selected run, so one
// click-sized change is timed on a list that already has 1,000 runs.
qint64 timeSetSelected(TListBox& box)
{
    TFileList files;
    TPlaylistOps::AddFiles(makePaths(2000), files, &box);
    for (int i = 0; i < 2000; i += 2)
        box.setSelected(i, true);
    QElapsedTimer timer;
    timer.start();
    box.setSelected(1001, true);
    box.setSelected(1001, false);
    return timer.elapsed();
}

// Removal on the largest list: every other line selected (the most selection
// runs, set in one go), then every path doubled for the duplicate pass.
void timeRemovals(int count, TListBox& box)
{
    TFileList files;
    TPlaylistOps::AddFiles(makePaths(count), files, &box);
    QItemSelection everyOther;
    for (int i = 0; i < count; i += 2)
        everyOther.select(box.model()->index(i, 0), box.model()->index(i, 0));
    QElapsedTimer timer;
    timer.start();
    box.selectionModel()->select(everyOther, QItemSelectionModel::Select);
    const qint64 selectMs = timer.elapsed();
    timer.restart();
    TPlaylistOps::RemoveSelectedFiles(files, &box);
    const qint64 removeMs = timer.elapsed();

    const QStringList paths = makePaths(count / 2);
    TFileList doubled;
    TPlaylistOps::AddFiles(paths + paths, doubled, nullptr);
    timer.restart();
    TPlaylistOps::RemoveDuplicateFiles(doubled, &box);
    const qint64 duplicatesMs = timer.elapsed();
    if (files.size() != count / 2 || doubled.size() != count / 2 || box.count() != count / 2) {
        std::fprintf(stderr, "wrong removal result for %d entries\n", count);
        std::exit(1);
    }
    std::printf("%6d entries: select every other line %lld ms, RemoveSelectedFiles %lld ms, "
                "RemoveDuplicateFiles %lld ms\n",
                count, static_cast<long long>(selectMs), static_cast<long long>(removeMs),
                static_cast<long long>(duplicatesMs));
}

// The player's once-a-second position tick over a full store of 1,000 places, in real
// time for kResumeWindowMs: how often the store reaches the disk, and what one write costs.
constexpr int kResumeWindowMs = 60000;
constexpr double kResumeWritesGoal = 6; // per minute: at most one write per 10 s

void timeResumeWhilePlaying()
{
    QTemporaryDir folder;
    const QString film = folder.filePath(QStringLiteral("film.avi"));
    QFile(film).open(QIODevice::WriteOnly);
    ResumeStore store;
    store.open(folder.filePath(QStringLiteral("resume.ini")));
    for (int i = 0; i < ResumeStore::kMaxPlaces; ++i)
        store.setPlaylistLine(QStringLiteral("/p/list %1.ist").arg(i), i, QStringLiteral("/m/a"));
    QElapsedTimer timer;
    timer.start();
    store.save(); // as the open of the file did; the window starts in the steady state
    const qint64 writeMs = timer.elapsed();
    const int before = store.writes();
    qint64 position = 60000;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        position += 1000;
        store.setPosition(film, position);
        store.saveIfDue();
    });
    tick.start(1000);
    QTimer::singleShot(kResumeWindowMs, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
    const double perMinute = (store.writes() - before) * 60000.0 / kResumeWindowMs;
    std::printf("resume store while playing: %.1f writes per minute (goal <= %g: %s), "
                "one write of %d places %lld ms\n",
                perMinute, kResumeWritesGoal, perMinute <= kResumeWritesGoal ? "ok" : "MISSED",
                ResumeStore::kMaxPlaces, static_cast<long long>(writeMs));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TListBox box;
    box.resize(400, 600);
    box.show();
    QCoreApplication::processEvents();

    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("processEvents x100000 (idle): %lld ms\n",
                static_cast<long long>(timeProcessEvents(100000)));
    for (int count : {1000, 10000})
        std::printf("row-by-row announce + processEvents, %6d lines: %lld ms\n", count,
                    static_cast<long long>(timeRowByRowInsert(count, box)));

    qint64 largestRebuildMs = -1;
    for (int count : kSizes) {
        const QStringList paths = makePaths(count);
        QElapsedTimer timer;

        TFileList files;
        timer.start();
        TPlaylistOps::AddFiles(paths, files, nullptr);
        const qint64 addMs = timer.elapsed();

        timer.restart();
        TPlaylistOps::ShowPlaylist(files, &box);
        const qint64 showMs = timer.elapsed();

        TFileList shownFiles;
        timer.restart();
        TPlaylistOps::AddFiles(paths, shownFiles, &box);
        const qint64 addShowMs = timer.elapsed();

        if (box.count() != count || shownFiles.size() != count) {
            std::fprintf(stderr, "wrong line count for %d entries\n", count);
            return 1;
        }
        std::printf("%6d entries: AddFiles %5lld ms, ShowPlaylist %5lld ms, "
                    "AddFiles with box %5lld ms\n",
                    count, static_cast<long long>(addMs), static_cast<long long>(showMs),
                    static_cast<long long>(addShowMs));
        largestRebuildMs = showMs;
    }
    std::printf("setSelected on and off with 1000 selected runs: %lld ms\n",
                static_cast<long long>(timeSetSelected(box)));
    timeRemovals(kSizes[2], box);
    const bool met = largestRebuildMs >= 0 && largestRebuildMs < kRebuildGoalMs;
    std::printf("ShowPlaylist of 100000 entries under %lld ms: %s\n",
                static_cast<long long>(kRebuildGoalMs), met ? "yes" : "NO");
    timeResumeWhilePlaying();
    return 0;
}
