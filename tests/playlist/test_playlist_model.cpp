// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"
#include "playlist/PlaylistOps.h"
#include "playlist/TListBox.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

TFileList entriesFor(const QStringList& paths)
{
    TFileList files;
    TPlaylistOps::AddFiles(paths, files, nullptr);
    return files;
}

QStringList pathsOf(const TFileList& files)
{
    QStringList paths;
    for (const TfilePtr& file : files)
        paths.append(file->Path);
    return paths;
}

QStringList numberedPaths(int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths.append(QStringLiteral("/music/f%1.mp3").arg(i));
    return paths;
}

QList<int> selectedRows(const TListBox& box)
{
    QList<int> rows;
    for (int i = 0; i < box.count(); ++i)
        if (box.selected(i))
            rows.append(i);
    return rows;
}

} // namespace

class TestPlaylistModel : public QObject {
    Q_OBJECT

private slots:
    void entryNameIsTextAfterLastSlash();
    void numberWidthFollowsEntryCount();
    void selectionDrivenRemoval();
    void removeDuplicatesKeepsLastOccurrence();
    void removeMissingFiles();
    void emptyListOperations();
    void removedEntryStaysValidForOtherHolders();
    void listBoxIndicesAndFocus();
    void commandDuringRebuildLeavesBoxConsistent();
    void mouseClickSelectsLine();
};

void TestPlaylistModel::entryNameIsTextAfterLastSlash()
{
    const QList<QPair<QString, QString>> cases = {
        {"/home/u/song.mp3", "song.mp3"},   {"C:\\Music\\clip.avi", "C:\\Music\\clip.avi"},
        {"E:Track01.cda", "E:Track01.cda"}, {"a\\b/c:d.wav", "c:d.wav"},
        {"plain.wma", "plain.wma"},         {"/music/album/", ""}};
    for (const auto& [path, name] : cases)
        QCOMPARE(TPlaylistOps::namePart(path), name);

    Tfile file;
    TPlaylistOps::SetFileFromPath(file, QStringLiteral("./a/../Mixed/Song.MP3"));
    QCOMPARE(file.Path, QStringLiteral("./a/../Mixed/Song.MP3"));
    QCOMPARE(file.Name, QStringLiteral("Song.MP3"));
}

void TestPlaylistModel::numberWidthFollowsEntryCount()
{
    TListBox box;
    TFileList files = entriesFor(numberedPaths(99));
    TPlaylistOps::ShowPlaylist(files, &box);
    QCOMPARE(box.line(98), QStringLiteral("99 f98.mp3"));

    TPlaylistOps::AddFiles({"/new.mp3"}, files, &box);
    QCOMPARE(box.count(), 100);
    QCOMPARE(box.line(0), QStringLiteral("001 f0.mp3"));
    QCOMPARE(box.line(99), QStringLiteral("100 new.mp3"));

    files = entriesFor(numberedPaths(1000));
    TPlaylistOps::ShowPlaylist(files, &box);
    QCOMPARE(box.line(0), QStringLiteral("0001 f0.mp3"));
    QCOMPARE(box.line(999), QStringLiteral("1000 f999.mp3"));

    files = entriesFor(numberedPaths(10000));
    TPlaylistOps::ShowPlaylist(files, &box);
    QCOMPARE(box.line(0), QStringLiteral("0001 f0.mp3"));
    QCOMPARE(box.line(9998), QStringLiteral("9999 f9998.mp3"));
    QCOMPARE(box.line(9999), QStringLiteral("10000 f9999.mp3"));
    // The view, not only the box, must know every row once the rebuild ends.
    QCOMPARE(box.model()->rowCount(), 10000);
}

void TestPlaylistModel::selectionDrivenRemoval()
{
    TListBox box;
    TFileList files = entriesFor({"/0.mp3", "/1.mp3", "/2.mp3", "/3.mp3", "/4.mp3"});
    files[4]->Name = QStringLiteral("Stored name"); // as read from a playlist file
    TPlaylistOps::ShowPlaylist(files, &box);
    box.setSelected(0, true);
    box.setSelected(2, true);
    TPlaylistOps::InvertSelection(&box);
    QCOMPARE(selectedRows(box), QList<int>({1, 3, 4}));

    TPlaylistOps::CropSelectedFiles(files, &box);
    QCOMPARE(box.lines(), QStringList({"01 1.mp3", "02 3.mp3", "03 Stored name"}));
    QVERIFY(selectedRows(box).isEmpty());

    // Nothing selected: nothing removed, but every line is rebuilt.
    box.setLines({"stale"});
    TPlaylistOps::RemoveSelectedFiles(files, &box);
    QCOMPARE(box.lines(), QStringList({"01 1.mp3", "02 3.mp3", "03 Stored name"}));

    TPlaylistOps::SelectAll(&box);
    box.setSelected(1, false);
    TPlaylistOps::RemoveSelectedFiles(files, &box);
    QCOMPARE(pathsOf(files), QStringList({"/3.mp3"}));

    TPlaylistOps::CropSelectedFiles(files, &box);
    QVERIFY(files.isEmpty());
    QCOMPARE(box.count(), 0);
}

void TestPlaylistModel::removeDuplicatesKeepsLastOccurrence()
{
    TListBox box;
    TFileList files = entriesFor({"A", "B", "A", "C", "A"});
    const TfilePtr lastA = files[4];
    TPlaylistOps::RemoveDuplicateFiles(files, &box);
    QCOMPARE(box.lines(), QStringList({"01 B", "02 C", "03 A"}));
    QCOMPARE(files[2], lastA);

    files = entriesFor({"C:\\x.mp3", "c:\\X.mp3", "C:\\x.mp3 ", "C:/x.mp3"});
    TPlaylistOps::RemoveDuplicateFiles(files, &box);
    QCOMPARE(files.size(), 4);
}

void TestPlaylistModel::removeMissingFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString present = dir.filePath("present.mp3");
    QFile file(present);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(QDir(dir.path()).mkdir("folder.mp3"));
    const QString track = QStringLiteral("/dev/sr0/Track02.cda");
    bool discIn = true;
    const int provider = Platform::registerVirtualFileProvider(
        [&](const QString& path) { return discIn && path == track; });
    const auto unregister =
        qScopeGuard([provider] { Platform::unregisterVirtualFileProvider(provider); });

    TListBox box;
    TFileList files =
        entriesFor({dir.filePath("folder.mp3"), present, dir.filePath("gone.mp3"), track});
    TPlaylistOps::RemoveMissingFiles(files, &box);
    QCOMPARE(pathsOf(files), QStringList({present, track}));

    discIn = false;
    TPlaylistOps::RemoveMissingFiles(files, &box);
    QCOMPARE(box.lines(), QStringList({"01 present.mp3"}));
}

void TestPlaylistModel::emptyListOperations()
{
    TListBox box;
    TFileList files;
    TPlaylistOps::RemoveSelectedFiles(files, &box);
    TPlaylistOps::CropSelectedFiles(files, &box);
    TPlaylistOps::RemoveMissingFiles(files, &box);
    TPlaylistOps::RemoveDuplicateFiles(files, &box);
    TPlaylistOps::SelectAll(&box);
    TPlaylistOps::InvertSelection(&box);
    TPlaylistOps::AddFiles({}, files, &box);
    QVERIFY(files.isEmpty());
    QCOMPARE(box.count(), 0);
    QVERIFY(box.selectionFlags().isEmpty());
}

void TestPlaylistModel::removedEntryStaysValidForOtherHolders()
{
    TListBox box;
    TFileList files = entriesFor({"/playing.mp3", "/edited.mp3"});
    TPlaylistOps::ShowPlaylist(files, &box);
    const TfilePtr playing = files[0];
    const TfilePtr edited = files[1];
    box.setSelected(0, true);
    TPlaylistOps::RemoveSelectedFiles(files, &box);
    TPlaylistOps::ClearPlaylist(files, &box);
    QVERIFY(files.isEmpty());
    QCOMPARE(box.count(), 0);
    QCOMPARE(playing->Path, QStringLiteral("/playing.mp3"));
    QCOMPARE(edited->Name, QStringLiteral("edited.mp3"));
    QCOMPARE(playing.use_count(), 1);
}

void TestPlaylistModel::listBoxIndicesAndFocus()
{
    TListBox box;
    // Lines added inside an update are stored before the view hears of them.
    box.beginUpdate();
    for (const char* text : {"a", "b", "c", "d"})
        box.addLine(text);
    box.setSelected(2, true); // marking also focuses
    QCOMPARE(box.itemIndex(), 2);
    box.endUpdate();

    for (int bad : {-2, -1, 4, 99}) {
        box.deleteLine(bad);
        box.setSelected(bad, true);
        QVERIFY(!box.selected(bad));
        QCOMPARE(box.line(bad), QString());
    }
    box.setItemIndex(7);
    QCOMPARE(box.lines(), QStringList({"a", "b", "c", "d"}));
    QCOMPARE(selectedRows(box), QList<int>({2}));
    QCOMPARE(box.itemIndex(), 2);

    box.setItemIndex(3); // focus alone does not select
    box.setSelected(2, false);
    QCOMPARE(box.itemIndex(), 3);
    QVERIFY(selectedRows(box).isEmpty());
    box.setSelected(1, true);
    box.deleteLine(0);
    QCOMPARE(selectedRows(box), QList<int>({0}));
    box.setItemIndex(-1);
    QCOMPARE(box.itemIndex(), -1);
    box.addLine("e"); // outside an update the view hears of it at once
    QCOMPARE(box.model()->rowCount(), 4);
}

void TestPlaylistModel::commandDuringRebuildLeavesBoxConsistent()
{
    // Events run after every rebuilt line, so a command can run inside a rebuild.
    TListBox box;
    TFileList files = entriesFor(numberedPaths(50));
    QTimer::singleShot(0, &box, [&] {
        box.setSelected(0, true);
        TPlaylistOps::RemoveSelectedFiles(files, &box);
    });
    TPlaylistOps::ShowPlaylist(files, &box);
    QCOMPARE(box.count(), 49);
    QCOMPARE(box.line(48), QStringLiteral("49 f49.mp3"));

    QTimer::singleShot(0, &box, [&] { TPlaylistOps::ClearPlaylist(files, &box); });
    TPlaylistOps::ShowPlaylist(files, &box);
    QVERIFY(files.isEmpty());
    QCOMPARE(box.count(), 0);
}

void TestPlaylistModel::mouseClickSelectsLine()
{
    TListBox box;
    box.resize(300, 200);
    TFileList files = entriesFor({"/a.mp3", "/b.mp3", "/c.mp3", "/d.mp3"});
    TPlaylistOps::ShowPlaylist(files, &box);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    const auto centreOf = [&](int row) {
        return box.visualRect(box.model()->index(row, 0)).center();
    };
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(1));
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::ControlModifier, centreOf(3));
    QCOMPARE(selectedRows(box), QList<int>({1, 3}));
    QCOMPARE(box.itemIndex(), 3);
    TPlaylistOps::RemoveSelectedFiles(files, &box);
    QCOMPARE(box.lines(), QStringList({"01 a.mp3", "02 c.mp3"}));
}

QTEST_MAIN(TestPlaylistModel)
#include "test_playlist_model.moc"
