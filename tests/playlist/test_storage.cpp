// SPDX-License-Identifier: GPL-3.0-or-later
#include "../TestFiles.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "playlist/PlaylistOps.h"
#include "playlist/PlaylistStore.h"
#include "playlist/TListBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// Answers dialogs as a user would, and keeps what the program said.
class ScriptedDialogs : public Platform::DialogBackend {
public:
    QString answer;
    QStringList messages;
    QString lastFolder;

    void warning(QWidget*, const QString& text) override { messages << text; }
    void error(QWidget*, const QString& text) override { messages << text; }
    void message(QWidget*, const QString& text) override { messages << text; }
    void beep() override {}
    QStringList openFiles(QWidget*, const QString& folder, const QString&, bool) override
    {
        lastFolder = folder;
        return answer.isEmpty() ? QStringList() : QStringList{answer};
    }
    QString saveFile(QWidget*, const QString& folder, const QString&, const QString&) override
    {
        lastFolder = folder;
        return answer;
    }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return answer; }
    bool openDocument(const QString&) override { return true; }
};

TFileList entries(const QList<QPair<QString, QString>>& pairs)
{
    TFileList files;
    for (const auto& [name, path] : pairs)
        files.append(std::make_shared<Tfile>(Tfile{name, path}));
    return files;
}

QStringList flatten(const TFileList& files)
{
    QStringList out;
    for (const TfilePtr& file : files)
        out << file->Name << file->Path;
    return out;
}

QStringList names(const TPlaylistFileList& playlists)
{
    QStringList out;
    for (const Tplaylist_file& playlist : playlists)
        out << playlist.Name;
    return out;
}

// About 10 MB in few entries: the save spends its time writing, so a kill
// during a save is likely to land in the middle of the write.
TFileList bigList(const QString& tag)
{
    TFileList files;
    const QString path = "/m/" + QString(2000, u'x') + tag;
    for (int i = 0; i < 5000; ++i)
        files.append(std::make_shared<Tfile>(Tfile{tag + QString::number(i), path}));
    return files;
}

} // namespace

class TestStorage : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_root.reset(new QTemporaryDir);
        m_pl = m_root->path() + "/Lumeno/Playlist";
        Platform::setDialogBackend(&m_dialogs);
        m_dialogs = ScriptedDialogs();
    }
    void cleanup() { Platform::setDialogBackend(nullptr); }

    void firstStartOnEmptyProfile()
    {
        qputenv("XDG_DATA_HOME", m_root->path().toUtf8());
        TPlaylistFileList playlists;
        IniFile settings;
        TPlaylistStore::OpenPlaylistStore(playlists, settings);
        const QString data = m_root->path() + "/Lumeno";
        const QByteArray ini =
            "[Application]\r\nApplication Path=" + QCoreApplication::applicationDirPath().toUtf8() +
            "/\r\nData Path=" + data.toUtf8() +
            "\r\n[playlist]\r\nplaylist directory=" + m_pl.toUtf8() +
            "\r\nlast playlist=" + m_pl.toUtf8() + "/Default.ist\r\n";
        QCOMPARE(settings.fileName(), data + "/indo.ini");
        QCOMPARE(bytesOf(data + "/indo.ini"), ini);
        QCOMPARE(bytesOf(m_pl + "/Playlist.dat"),
                 "Default\r\n" + m_pl.toUtf8() + "/Default.ist\r\n");
        QCOMPARE(bytesOf(m_pl + "/Default.ist"), QByteArray(""));

        QComboBox box;
        TListBox list;
        TFileList items = entries({{"stale", "/x"}});
        TPlaylistStore::openLastPlaylist(settings, playlists, &box, items, &list);
        QCOMPARE(box.count(), 1);
        QCOMPARE(box.currentText(), QString("Default"));
        QVERIFY(items.isEmpty());

        // Values present are never corrected, and nothing else is rewritten.
        settings.WriteString("playlist", "playlist directory", "/elsewhere");
        const QByteArray before = bytesOf(data + "/indo.ini");
        TPlaylistStore::OpenPlaylistStore(playlists, settings);
        QCOMPARE(bytesOf(data + "/indo.ini"), before);
        QCOMPARE(names(playlists), QStringList{"Default"});
    }

    void playlistsFoundOnDisk()
    {
        const QByteArray pl = m_pl.toUtf8();
        writeBytes(m_pl + "/Playlist.dat", "Default\r\n" + pl + "/Default.ist\r\nGone\r\n" + pl +
                                               "/Gone.ist\r\nRock\r\n" + pl + "/Rock.ist\r\n");
        writeBytes(m_pl + "/Rock.ist", "");
        writeBytes(m_pl + "/a/Party.ist", "");
        writeBytes(m_pl + "/b/Party.ist", "");
        writeBytes(m_pl + "/c/Loud.IST", "");
        writeBytes(m_pl + "/.hidden/Secret.ist", "");
        writeBytes(m_pl + "/a/notes.txt", "");
        TPlaylistFileList playlists;
        IniFile settings;
        TPlaylistStore::OpenPlaylistStore(playlists, settings, m_root->path());
        // Listed ones first, in index order; found ones after, in walk order.
        QStringList got = names(playlists);
        QCOMPARE(got.mid(0, 2), (QStringList{"Default", "Rock"}));
        got = got.mid(2);
        got.sort();
        QCOMPARE(got, (QStringList{"Loud", "Party", "Party"}));

        QComboBox box;
        TPlaylistStore::ShowPlaylistNames(playlists, &box);
        QVERIFY(TPlaylistStore::saveAtClose(nullptr, settings, playlists, &box, {}));
        TPlaylistFileList index;
        TPlaylistStore::LoadPlaylistIndex(index, m_pl + "/Playlist.dat");
        QCOMPARE(names(index), names(playlists));
        QVERIFY(!bytesOf(m_pl + "/Playlist.dat").contains("Gone"));
    }

    void openSaveNewChooseAndClose()
    {
        TPlaylistFileList playlists;
        IniFile settings;
        TPlaylistStore::OpenPlaylistStore(playlists, settings, m_root->path());
        QComboBox box;
        TListBox list;
        TFileList items;
        TPlaylistStore::openLastPlaylist(settings, playlists, &box, items, &list);

        const QString outside = m_root->path() + "/elsewhere/Trip.ist";
        writeBytes(outside, "One\r\n/m/1.mp3\r\nTwo\r\n/m/2.mp3\r\n");
        m_dialogs.answer = outside;
        TPlaylistStore::openPlaylistCommand(nullptr, settings, playlists, &box, items, &list);
        QCOMPARE(m_dialogs.lastFolder, m_pl);
        QCOMPARE(box.currentText(), QString("Trip"));
        QCOMPARE(list.lines(), (QStringList{"01 One", "02 Two"}));

        // A new name typed in the save dialog becomes a playlist of its own.
        m_dialogs.answer = m_pl + "/Fresh";
        TPlaylistStore::savePlaylistCommand(nullptr, settings, playlists, &box, items);
        QCOMPARE(bytesOf(m_pl + "/Fresh.ist"), bytesOf(outside));
        QCOMPARE(box.currentText(), QString("Fresh"));
        // Saving over a listed playlist keeps the chosen name.
        m_dialogs.answer = outside;
        TPlaylistStore::savePlaylistCommand(nullptr, settings, playlists, &box, items);
        QCOMPARE(box.currentText(), QString("Fresh"));
        m_dialogs.answer.clear();
        TPlaylistStore::savePlaylistCommand(nullptr, settings, playlists, &box, items);
        QCOMPARE(playlists.size(), 3);

        // Closing on a named playlist other than Default keeps its file as saved.
        box.setCurrentIndex(1);
        items.append(std::make_shared<Tfile>(Tfile{"edit", "/m/e.mp3"}));
        QVERIFY(TPlaylistStore::saveAtClose(nullptr, settings, playlists, &box, items));
        QCOMPARE(settings.ReadString("playlist", "last playlist", ""), outside);
        QVERIFY(!bytesOf(outside).contains("edit"));
        TPlaylistFileList reopened;
        TPlaylistStore::OpenPlaylistStore(reopened, settings, m_root->path());
        TPlaylistStore::openLastPlaylist(settings, reopened, &box, items, &list);
        QCOMPARE(box.currentText(), QString("Trip"));
        QCOMPARE(items.size(), 2);

        int current = 4;
        TPlaylistStore::choosePlaylistCommand(nullptr, reopened, 0, items, &list, current);
        QCOMPARE(current, -1);
        QVERIFY(items.isEmpty());
        QFile::remove(outside);
        items = entries({{"kept", "/m/k.mp3"}});
        current = 3;
        TPlaylistStore::choosePlaylistCommand(nullptr, reopened, 1, items, &list, current);
        QCOMPARE(current, 3);
        QCOMPARE(flatten(items), (QStringList{"kept", "/m/k.mp3"}));
        QCOMPARE(m_dialogs.messages.size(), 1);
        QVERIFY(m_dialogs.messages.first().contains("Trip.ist"));

        // New playlist clears the list and shows Default; its file is written at close.
        TPlaylistStore::newPlaylistCommand(&box, items, &list);
        QCOMPARE(box.currentIndex(), 0);
        QCOMPARE(list.count(), 0);
        items = entries({{"Ünïcödé ♫", "/m/日本/ß.mp3"}});
        QVERIFY(TPlaylistStore::saveAtClose(nullptr, settings, reopened, &box, items));
        TFileList back;
        TPlaylistStore::LoadPlaylistFile(back, m_pl + "/Default.ist");
        QCOMPARE(flatten(back), flatten(items));
    }

    void lineCountRules_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("pair") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"};
        QTest::newRow("no final break") << QByteArray("A\r\nB") << QStringList{"A", "B"};
        QTest::newRow("odd") << QByteArray("A\r\nB\r\nC\r\n") << QStringList{"A", "B", "C", ""};
        QTest::newRow("extra break")
            << QByteArray("A\r\nB\r\n\r\n") << QStringList{"A", "B", "", ""};
        QTest::newRow("LF only") << QByteArray("A\nB\nC") << QStringList{"A", "B", "C", ""};
    }
    void lineCountRules()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, fields);
        const QString path = m_root->path() + "/t.ist";
        writeBytes(path, bytes);
        TFileList files = entries({{"old", "/old"}});
        TPlaylistStore::LoadPlaylistFile(files, path);
        QCOMPARE(flatten(files), fields);
        TPlaylistStore::SavePlaylistFile(files, path);
        QCOMPARE(bytesOf(path).count("\r\n"), fields.size());
    }

    // A line break in a name or path must not shift the pairs after it.
    void lineBreaksNeverBreakTheFiles()
    {
        const QString path = m_root->path() + "/t.ist";
        const TFileList files = entries({{"one", "/m/1.mp3"},
                                         {"two\nlines", "/m/two\nlines.mp3"},
                                         {"three", "/m/3\r.mp3"},
                                         {"four", "/m/4.mp3"}});
        TPlaylistStore::SavePlaylistFile(files, path);
        TFileList back;
        TPlaylistStore::LoadPlaylistFile(back, path);
        QCOMPARE(flatten(back), (QStringList{"one", "/m/1.mp3", "four", "/m/4.mp3"}));

        const QString index = m_root->path() + "/Playlist.dat";
        TPlaylistStore::SavePlaylistIndex(
            {{"Default", "/p/Default.ist"}, {"Bad\rName", "/p/b.ist"}, {"Rock", "/p/Rock.ist"}},
            index);
        TPlaylistFileList playlists;
        TPlaylistStore::LoadPlaylistIndex(playlists, index);
        QCOMPARE(names(playlists), (QStringList{"Default", "Rock"}));

        // Such .ist files found on disk are not listed either.
        writeBytes(m_pl + "/Two\nLines.ist", "");
        writeBytes(m_pl + "/Fine.ist", "");
        IniFile settings;
        TPlaylistStore::OpenPlaylistStore(playlists, settings, m_root->path());
        QCOMPARE(names(playlists), (QStringList{"Default", "Fine"}));

        const QByteArray before = bytesOf(settings.fileName());
        QVERIFY_THROWS_EXCEPTION(
            EInOutError, settings.WriteString("playlist", "last playlist", "/p/a\n[evil]\nx=1"));
        QCOMPARE(bytesOf(settings.fileName()), before);
    }

    void failuresKeepOldData()
    {
        TFileList files = entries({{"old", "/old"}});
        QVERIFY_THROWS_EXCEPTION(
            EInOutError, TPlaylistStore::LoadPlaylistFile(files, m_root->path() + "/no.ist"));
        QCOMPARE(flatten(files), (QStringList{"old", "/old"}));
        QVERIFY_THROWS_EXCEPTION(
            EInOutError, TPlaylistStore::SavePlaylistFile(files, m_root->path() + "/x/y.ist"));

        // A write the system refuses halfway (file size limit: this works as root too).
        const QString path = m_root->path() + "/Keep.ist";
        TPlaylistStore::SavePlaylistFile(files, path);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 4096;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        bool threw = false;
        try {
            TPlaylistStore::SavePlaylistFile(bigList("n"), path);
        } catch (const EInOutError&) {
            threw = true;
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(threw);
        QCOMPARE(bytesOf(path), QByteArray("old\r\n/old\r\n"));
    }

    void killedWhileSavingLeavesWholeFile()
    {
        const QString path = m_root->path() + "/Big.ist";
        TPlaylistStore::SavePlaylistFile(bigList("old"), path);
        const QByteArray oldBytes = bytesOf(path);
        TPlaylistStore::SavePlaylistFile(bigList("new"), m_root->path() + "/ref.ist");
        const QByteArray newBytes = bytesOf(m_root->path() + "/ref.ist");
        for (int delayMs = 0; delayMs < 60; delayMs += 4) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("LUMENO_SAVE_CHILD", path);
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(child.waitForReadyRead(10000)); // the child is about to save
            QThread::msleep(delayMs);
            child.kill();
            child.waitForFinished();
            const QByteArray now = bytesOf(path);
            QVERIFY2(now == oldBytes || now == newBytes, qPrintable(QString::number(delayMs)));
        }
    }

    void iniKeepsItsFormat()
    {
        const QString path = m_root->path() + "/indo.ini";
        writeBytes(path, "; kept\n[Other]\nx = 1\n\n[PlayList]\nLast Playlist = /a.ist\n\n[z]\n");
        IniFile ini(path);
        QCOMPARE(ini.ReadString("playlist", "last playlist", "d"), QString("/a.ist"));
        QCOMPARE(ini.ReadString("playlist", "nothing", "d"), QString("d"));
        QVERIFY(ini.ValueExists("OTHER", "X"));
        QVERIFY(!ini.ValueExists("z", "x"));
        ini.WriteString("playlist", "playlist directory", "/p q");
        ini.WriteString("playlist", "last playlist", "/b.ist");
        ini.WriteString("New", "k", "v");
        QCOMPARE(bytesOf(path), QByteArray("; kept\r\n[Other]\r\nx = 1\r\n\r\n[PlayList]\r\n"
                                           "last playlist=/b.ist\r\nplaylist directory=/p q\r\n"
                                           "\r\n[z]\r\n[New]\r\nk=v\r\n"));
        // Byte-order marks in front, one or more, belong to no line; a save drops them.
        writeBytes(path, "\xEF\xBB\xBF\xEF\xBB\xBF[playlist]\r\nlast playlist=/c.ist\r\n");
        QCOMPARE(ini.ReadString("playlist", "last playlist", "d"), QString("/c.ist"));
        ini.WriteString("playlist", "last playlist", "/c.ist");
        QCOMPARE(bytesOf(path), QByteArray("[playlist]\r\nlast playlist=/c.ist\r\n"));
        // A settings file that cannot be read is never overwritten.
        IniFile folder(m_root->path());
        QVERIFY_THROWS_EXCEPTION(EInOutError, folder.WriteString("a", "b", "c"));
        QCOMPARE(folder.ReadString("a", "b", "d"), QString("d"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_pl;
    ScriptedDialogs m_dialogs;
};

int main(int argc, char** argv)
{
    // Child of killedWhileSavingLeavesWholeFile: announce, then save until killed.
    const QString childPath = qEnvironmentVariable("LUMENO_SAVE_CHILD");
    if (!childPath.isEmpty()) {
        const TFileList files = bigList("new");
        fputs("saving\n", stdout);
        fflush(stdout);
        for (;;)
            TPlaylistStore::SavePlaylistFile(files, childPath);
    }
    QApplication app(argc, argv);
    TestStorage test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_storage.moc"
