// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/PlaylistStore.h"

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "playlist/FileGathering.h"
#include "playlist/PlaylistOps.h"
#include "playlist/PlaylistText.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <functional>

const QString TPlaylistStore::kPlaylistFilter = QStringLiteral("Lumeno Playlist (*.ist)|*.ist");

namespace {

const QString kApplication = QStringLiteral("Application");
const QString kPlaylist = QStringLiteral("playlist");
const QString kPlaylistDirectory = QStringLiteral("playlist directory");
const QString kLastPlaylist = QStringLiteral("last playlist");
const QString kDefaultName = QStringLiteral("Default");

template <typename Pair> QList<Pair> readPairs(const QString& path)
{
    const QList<LinePair> read = readLinePairs(readWholeFile(path));
    QList<Pair> pairs;
    pairs.reserve(read.size());
    for (const LinePair& pair : read)
        pairs.append({pair.Name, pair.Path});
    return pairs;
}

void makeFolder(const QString& folder)
{
    if (!QDir().mkpath(folder))
        throw EInOutError(QStringLiteral("Cannot create the folder \"%1\"").arg(folder));
}

void writeIfAbsent(IniFile& settings, const QString& section, const QString& key,
                   const QString& value)
{
    if (!settings.ValueExists(section, key))
        settings.WriteString(section, key, value);
}

// Step 10 to 12 of the start-up: playlists lying in the folder tree but not
// in the index join it, in the order the walk finds them.
void addUnlistedPlaylists(TPlaylistFileList& playlists, const QString& playlistFolder)
{
    QStringList found;
    TFileGathering::FindFiles(found, playlistFolder + u'/', true, QStringLiteral("*.ist"));
    for (const Tplaylist_file& listed : std::as_const(playlists)) {
        const auto at = std::find_if(found.begin(), found.end(), [&](const QString& path) {
            return path.compare(listed.Path, Qt::CaseInsensitive) == 0;
        });
        if (at != found.end())
            found.erase(at);
    }
    for (const QString& path : std::as_const(found))
        if (!TPlaylistOps::hasLineBreak(path))
            playlists.append({TPlaylistStore::playlistNameFromPath(path), path});
}

void chooseName(QComboBox* names, int index)
{
    if (names)
        names->setCurrentIndex(index);
}

void appendAndChoose(TPlaylistFileList& playlists, QComboBox* names, const QString& path)
{
    playlists.append({TPlaylistStore::playlistNameFromPath(path), path});
    TPlaylistStore::ShowPlaylistNames(playlists, names);
    chooseName(names, int(playlists.size() - 1));
}

void report(QWidget* parent, const std::exception& error)
{
    Platform::dialogs().message(parent, QString::fromUtf8(error.what()));
}

} // namespace

QString TPlaylistStore::appDataFolder()
{
    // $XDG_DATA_HOME, or ~/.local/share when it is unset.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

void TPlaylistStore::OpenPlaylistStore(TPlaylistFileList& playlists, IniFile& settings,
                                       const QString& appDataOverride)
{
    const QString appData = appDataOverride.isEmpty() ? appDataFolder() : appDataOverride;
    const QString dataFolder = appData + QStringLiteral("/Lumeno");
    makeFolder(dataFolder);

    settings = IniFile(dataFolder + QStringLiteral("/indo.ini"));
    const QString exeFolder =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    writeIfAbsent(settings, kApplication, QStringLiteral("Application Path"), exeFolder + u'/');
    writeIfAbsent(settings, kApplication, QStringLiteral("Data Path"), dataFolder);

    const QString playlistFolder = appData + QStringLiteral("/Lumeno/Playlist");
    makeFolder(playlistFolder);
    writeIfAbsent(settings, kPlaylist, kPlaylistDirectory, playlistFolder);

    const QString indexPath = playlistFolder + QStringLiteral("/Playlist.dat");
    const QString defaultPath = playlistFolder + QStringLiteral("/Default.ist");
    if (!QFileInfo::exists(indexPath))
        SavePlaylistIndex({{kDefaultName, defaultPath}}, indexPath);
    TPlaylistFileList found;
    LoadPlaylistIndex(found, indexPath);
    if (!QFileInfo::exists(defaultPath))
        SavePlaylistFile({}, defaultPath);
    writeIfAbsent(settings, kPlaylist, kLastPlaylist, defaultPath);

    TPlaylistFileList kept;
    for (const Tplaylist_file& playlist : std::as_const(found))
        if (Platform::fileExists(playlist.Path))
            kept.append(playlist);
    addUnlistedPlaylists(kept, playlistFolder);
    playlists = kept;
}

void TPlaylistStore::ShowPlaylistNames(const TPlaylistFileList& playlists, QComboBox* box)
{
    if (!box)
        return;
    box->clear();
    for (const Tplaylist_file& playlist : playlists)
        box->addItem(playlist.Name);
}

void TPlaylistStore::SavePlaylistIndex(const TPlaylistFileList& playlists, const QString& path)
{
    QByteArray bytes;
    for (const Tplaylist_file& playlist : playlists)
        appendLinePair(bytes, playlist.Name, playlist.Path);
    writeWholeFile(path, bytes);
}

void TPlaylistStore::SavePlaylistFile(const TFileList& files, const QString& path)
{
    QByteArray bytes;
    for (const TfilePtr& file : files) {
        if (file)
            appendLinePair(bytes, file->Name, file->Path);
        else
            appendLinePair(bytes, QString(), QString());
    }
    writeWholeFile(path, bytes);
}

void TPlaylistStore::LoadPlaylistFile(TFileList& files, const QString& path)
{
    const QList<Tfile> read = readPairs<Tfile>(path);
    TFileList loaded;
    loaded.reserve(read.size());
    for (const Tfile& file : read)
        loaded.append(std::make_shared<Tfile>(file));
    files = std::move(loaded);
}

void TPlaylistStore::LoadPlaylistIndex(TPlaylistFileList& playlists, const QString& path)
{
    playlists = readPairs<Tplaylist_file>(path);
}

bool TPlaylistStore::FindPlaylist(const TPlaylistFileList& playlists, const QString& path,
                                  int& index)
{
    for (qsizetype i = 0; i < playlists.size(); ++i) {
        if (playlists.at(i).Path == path) {
            index = int(i);
            return true;
        }
    }
    index = int(playlists.size() - 1);
    return false;
}

QString TPlaylistStore::playlistNameFromPath(const QString& path)
{
    const QString name = TPlaylistOps::namePart(path);
    return name.left(std::max<qsizetype>(0, name.size() - 4));
}

void TPlaylistStore::openLastPlaylist(const IniFile& settings, const TPlaylistFileList& playlists,
                                      QComboBox* names, TFileList& items, TListBox* list)
{
    ShowPlaylistNames(playlists, names);
    int index = 0;
    if (!FindPlaylist(playlists, settings.ReadString(kPlaylist, kLastPlaylist, QString()), index))
        index = 0;
    chooseName(names, index);
    if (index < playlists.size()) {
        LoadPlaylistFile(items, playlists.at(index).Path);
        TPlaylistOps::ShowPlaylist(items, list);
    }
}

void TPlaylistStore::openPlaylistCommand(QWidget* parent, const IniFile& settings,
                                         TPlaylistFileList& playlists, QComboBox* names,
                                         TFileList& items, TListBox* list)
{
    const QString folder = settings.ReadString(kPlaylist, kPlaylistDirectory, QString());
    const QStringList chosen =
        Platform::dialogs().openFiles(parent, folder, kPlaylistFilter, false);
    if (chosen.isEmpty())
        return;
    const QString path = chosen.first();
    if (TPlaylistOps::hasLineBreak(path)) {
        Platform::dialogs().message(parent, TPlaylistOps::lineBreakMessage(path));
        return;
    }
    try {
        LoadPlaylistFile(items, path);
    } catch (const EInOutError& error) {
        report(parent, error);
        return;
    }
    TPlaylistOps::ShowPlaylist(items, list);
    int index = 0;
    if (FindPlaylist(playlists, path, index))
        chooseName(names, index);
    else
        appendAndChoose(playlists, names, path);
}

void TPlaylistStore::savePlaylistCommand(QWidget* parent, const IniFile& settings,
                                         TPlaylistFileList& playlists, QComboBox* names,
                                         const TFileList& items)
{
    const QString folder = settings.ReadString(kPlaylist, kPlaylistDirectory, QString());
    QString path =
        Platform::dialogs().saveFile(parent, folder, kPlaylistFilter, QStringLiteral("ist"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".ist");
    if (TPlaylistOps::hasLineBreak(path)) {
        Platform::dialogs().message(parent, TPlaylistOps::lineBreakMessage(path));
        return;
    }
    try {
        SavePlaylistFile(items, path);
    } catch (const EInOutError& error) {
        report(parent, error);
        return;
    }
    int index = 0;
    if (!FindPlaylist(playlists, path, index))
        appendAndChoose(playlists, names, path);
}

void TPlaylistStore::newPlaylistCommand(QComboBox* names, TFileList& items, TListBox* list)
{
    chooseName(names, 0);
    TPlaylistOps::ClearPlaylist(items, list);
}

bool TPlaylistStore::choosePlaylistCommand(QWidget* parent, const TPlaylistFileList& playlists,
                                           int chosen, TFileList& items, TListBox* list,
                                           int& currentIndex)
{
    if (chosen < 0 || chosen >= playlists.size())
        return false;
    try {
        LoadPlaylistFile(items, playlists.at(chosen).Path);
    } catch (const EInOutError& error) {
        report(parent, error);
        return false;
    }
    TPlaylistOps::ShowPlaylist(items, list);
    currentIndex = -1;
    return true;
}

bool TPlaylistStore::saveAtClose(QWidget* parent, IniFile& settings,
                                 const TPlaylistFileList& playlists, const QComboBox* names,
                                 const TFileList& items, bool storeOpened)
{
    const int chosen = names ? names->currentIndex() : -1;
    const bool valid = chosen >= 0 && chosen < playlists.size();
    const QString chosenPath = valid ? playlists.at(chosen).Path : QString();
    // Each write on its own: one that fails must not cost the others. Without an
    // opened store the lists are empty, and writing them would replace the real ones.
    QStringList failures;
    const auto attempt = [&failures](const std::function<void()>& write) {
        try {
            write();
        } catch (const EInOutError& error) {
            failures << error.message();
        }
    };
    if (storeOpened) {
        attempt([&] { settings.WriteString(kPlaylist, kLastPlaylist, chosenPath); });
        attempt([&] {
            const QString folder = settings.ReadString(kPlaylist, kPlaylistDirectory, QString());
            // Unreadable settings: not the root folder's Playlist.dat instead.
            if (folder.isEmpty())
                throw EInOutError(QStringLiteral("Cannot write the playlist index: \"%1\" names "
                                                 "no playlist directory")
                                      .arg(settings.fileName()));
            SavePlaylistIndex(playlists, folder + QStringLiteral("/Playlist.dat"));
        });
    }
    // By the chosen item, not the box's text: that is what the user may be typing.
    if (valid && playlists.at(chosen).Name == kDefaultName && !chosenPath.isEmpty())
        attempt([&] { SavePlaylistFile(items, chosenPath); });
    if (!failures.isEmpty())
        Platform::dialogs().error(parent, failures.join(u'\n'));
    return failures.isEmpty();
}
