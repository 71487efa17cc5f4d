// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "playlist/FileGathering.h"
#include "playlist/TListBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

class FolderDialogs : public Platform::DialogBackend {
public:
    QStringList answers;
    QString shownFilter;
    QString shownCaption;

    void warning(QWidget*, const QString&) override {}
    void error(QWidget*, const QString&) override {}
    void message(QWidget*, const QString&) override {}
    void beep() override {}
    QStringList openFiles(QWidget*, const QString&, const QString& filter, bool) override
    {
        shownFilter = filter;
        return answers;
    }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    QString chooseFolder(QWidget*, const QString& caption, const QString&) override
    {
        shownCaption = caption;
        return answers.value(0);
    }
    bool openDocument(const QString&) override { return true; }
};

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

QStringList relative(const QString& root, const QStringList& paths)
{
    QStringList out;
    for (const QString& path : paths)
        out << (path.startsWith(root) ? path.mid(root.size()) : "!" + path);
    return out;
}

QStringList pathsOf(const TFileList& files)
{
    QStringList out;
    for (const TfilePtr& file : files)
        out << file->Path;
    return out;
}

} // namespace

class TestGathering : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_root = m_dir->path() + "/";
        Platform::setDialogBackend(&m_dialogs);
        m_dialogs = FolderDialogs();
    }
    void cleanup()
    {
        Platform::setDialogBackend(nullptr);
        Platform::registerVirtualFolderLister(nullptr);
    }

    void wildcardsAndExtensions()
    {
        QVERIFY(TFileGathering::matchesWildcard("NoDot", "*.*"));
        QVERIFY(TFileGathering::matchesWildcard("List.IST", "*.ist"));
        QVERIFY(TFileGathering::matchesWildcard("VIDEO_TS.IFO", "video_ts.ifo"));
        QVERIFY(TFileGathering::matchesWildcard("Track07.cda", "Track??.CDA"));
        QVERIFY(!TFileGathering::matchesWildcard("list.ist.bak", "*.ist"));
        QVERIFY(TFileGathering::matchesWildcard("[a].mp3", "[A].*"));
        QVERIFY(!TFileGathering::matchesWildcard("a.mp3", "[a].*"));
        QCOMPARE(TFileGathering::extensionOf("/m/x.y/Song.MP3"), QString(".mp3"));
        QCOMPARE(TFileGathering::extensionOf("/m/x.y/c"), QString());
        QCOMPARE(TFileGathering::extensionOf("C:name"), QString());

        QStringList paths{"/a.MP3", "/b.txt", "/c", "/d.mpeg", "/x.y/e", "/f.Wav"};
        QStringList extensions = TFileGathering::mediaExtensions();
        TFileGathering::KeepMediaFiles(paths, extensions);
        QCOMPARE(paths, (QStringList{"/a.MP3", "/d.mpeg", "/f.Wav"}));
        QVERIFY(std::is_sorted(extensions.begin(), extensions.end()));
    }

    void walkOrderAndRecursion()
    {
        for (const char* name : {"top.mp3", "A/a1.mp3", "A/Deep/d.mp3", "B/b1.txt", ".dot/x.mp3",
                                 "B/.inner/y.mp3", ".hiddenfile"})
            touch(m_root + name);
        QStringList flat;
        TFileGathering::FindFiles(flat, m_dir->path(), false, "*.*");
        flat = relative(m_root, flat);
        flat.sort();
        QCOMPARE(flat, (QStringList{".hiddenfile", "top.mp3"}));

        QStringList all;
        TFileGathering::FindFiles(all, m_root, true, "*.*");
        all = relative(m_root, all);
        QCOMPARE(all.size(), 5);
        // Depth first: a folder's own files, then each subfolder finished in turn.
        QVERIFY(all.indexOf("top.mp3") < 2 && all.indexOf(".hiddenfile") < 2);
        QVERIFY(all.indexOf("A/a1.mp3") + 1 == all.indexOf("A/Deep/d.mp3"));
        QVERIFY(all.contains("B/b1.txt"));
        QVERIFY(!all.join(' ').contains("x.mp3") && !all.join(' ').contains("y.mp3"));

        QStringList none;
        TFileGathering::FindFiles(none, m_root + "missing", true, "*.*");
        QVERIFY(none.isEmpty());
    }

    void unreadableFoldersAndLoops()
    {
        touch(m_root + "open/a.mp3");
        touch(m_root + "closed/b.mp3");
        touch(m_root + "loop/c.mp3");
        QVERIFY(QFile::link(m_root + "loop", m_root + "loop/back"));
        QVERIFY(QFile::link(m_root + "open", m_root + "loop/toOpen"));
        QFile::setPermissions(m_root + "closed", {});
        QStringList found;
        TFileGathering::FindFiles(found, m_root, true, "*.mp3");
        QFile::setPermissions(m_root + "closed",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        found = relative(m_root, found);
        found.sort();
        // A link into a folder not being walked is followed; one back up is not.
        QStringList expected{"loop/c.mp3", "loop/toOpen/a.mp3", "open/a.mp3"};
        if (geteuid() == 0) // permissions do not stop root
            expected.insert(0, "closed/b.mp3");
        QCOMPARE(found, expected);
    }

    void tenThousandFiles()
    {
        for (int f = 0; f < 100; ++f)
            for (int i = 0; i < 100; ++i)
                touch(m_root + QString("d%1/f%2.%3").arg(f).arg(i).arg(i % 2 ? "mp3" : "txt"));
        QStringList found;
        TFileGathering::FindFiles(found, m_root, true, "*.*");
        QCOMPARE(found.size(), 10000);
        QCOMPARE(QSet<QString>(found.begin(), found.end()).size(), 10000);
        QStringList extensions = TFileGathering::mediaExtensions();
        TFileGathering::KeepMediaFiles(found, extensions);
        QCOMPARE(found.size(), 5000);
    }

    void addFolderKeepsOnlyMediaUnlessAudioCd()
    {
        for (const char* name :
             {"Track01.cda", "AVSEQ01.DAT", "VIDEO_TS.IFO", "VTS_01_1.VOB", "sub/song.mp3"})
            touch(m_root + "disc/" + name);
        QWidget window;
        QLabel panel;
        QComboBox names;
        names.addItems({"Default", "Other"});
        names.setCurrentIndex(1);
        TListBox list;
        TFileList items;
        QStringList extensions = TFileGathering::mediaExtensions();
        const TGatherView view{&window, &panel, &panel, &names, &list};
        m_dialogs.answers = QStringList{m_root + "disc"};

        TFileGathering::Add_FolderClick(view, items, false, extensions);
        QVERIFY(items.isEmpty());
        QCOMPARE(m_dialogs.shownCaption, QString("Search files on folder"));
        QCOMPARE(QDir::currentPath(), m_root + "disc");
        QVERIFY(window.isEnabled() && panel.isHidden() && !QGuiApplication::overrideCursor());
        TFileGathering::Add_FolderClick(view, items, true, extensions);
        QCOMPARE(pathsOf(items), QStringList{m_root + "disc/sub/song.mp3"});
        QCOMPARE(panel.text(), QString("Writing File ..."));

        // A folder is never a disc; a disc root (a device node or cue sheet,
        // here a path the fake CD layer knows) gives its tracks and nothing else.
        const QString disc = m_root + "sr0";
        const QString realFolder = m_root + "disc";
        Platform::registerVirtualFolderLister([disc, realFolder](const QString& folder) {
            return folder == disc || folder == realFolder
                       ? QStringList{"Track01.cda", disc + "/Track02.cda", "x.mp3"}
                       : QStringList();
        });
        items.clear();
        TFileGathering::Add_FolderClick(view, items, false, extensions);
        QVERIFY(items.isEmpty());
        m_dialogs.answers = QStringList{disc};
        TFileGathering::Add_FolderClick(view, items, false, extensions);
        QCOMPARE(pathsOf(items), (QStringList{disc + "/Track01.cda", disc + "/Track02.cda"}));
        QCOMPARE(names.currentIndex(), 0);
        QVERIFY(window.isEnabled() && panel.isHidden() && !QGuiApplication::overrideCursor());

        // One chosen track adds the whole disc after what is listed.
        names.setCurrentIndex(1);
        m_dialogs.answers = QStringList{disc + "/Track02.cda"};
        TFileGathering::Add_fileClick(view, items);
        QCOMPARE(items.size(), 4);
        QCOMPARE(items.at(2)->Path, disc + "/Track01.cda");
        QCOMPARE(names.currentIndex(), 0);
        QCOMPARE(m_dialogs.shownFilter.count('|'), 25);

        m_dialogs.answers.clear();
        TFileGathering::Add_FolderClick(view, items, true, extensions);
        TFileGathering::Add_fileClick(view, items);
        QCOMPARE(items.size(), 4);
    }

    void addFilesAndDrops()
    {
        touch(m_root + "dropped/x.jpg");
        touch(m_root + "dropped/in/y.txt");
        touch(m_root + "one.doc");
        QWidget window;
        QLabel panel;
        TListBox list;
        TFileList items;
        m_dialogs.answers = QStringList{m_root + "b.mp3", m_root + "a.avi"};
        TFileGathering::Add_fileClick({&window, &panel, &panel, nullptr, &list}, items);
        QCOMPARE(pathsOf(items), (QStringList{m_root + "b.mp3", m_root + "a.avi"}));
        QVERIFY(panel.isHidden());
        QCOMPARE(panel.text(), QString("Writing Files ..."));

        items.clear();
        TFileGathering::dropFiles({m_root + "one.doc", m_root + "dropped", m_root + "gone"}, items,
                                  &list);
        QCOMPARE(relative(m_root, pathsOf(items)),
                 (QStringList{"one.doc", "dropped/x.jpg", "dropped/in/y.txt"}));
        QCOMPARE(list.count(), 3);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    FolderDialogs m_dialogs;
};

QTEST_MAIN(TestGathering)
#include "test_gathering.moc"
