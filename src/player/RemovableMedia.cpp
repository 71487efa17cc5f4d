// SPDX-License-Identifier: GPL-3.0-or-later
// Automatic playlists of inserted discs and removable drives: built at start-up and
// on every device notice, played on arrival, dropped with their files on removal
// and at close.
#include "player/Un_Mediactr.h"

#include "datamodule/Un_dm.h"
#include "engine/CdTrackFiles.h"
#include "engine/TFilterGraph.h"
#include "engine/TMediaPlayer.h"
#include "platform/Drives.h"
#include "platform/Errors.h"
#include "platform/Responsive.h"
#include "playlist/FileGathering.h"
#include "playlist/PlaylistOps.h"
#include "playlist/PlaylistStore.h"
#include "playlist/TListBox.h"
#include "playlist/Un_Playlist.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include <utility>

namespace {

const QString kPlaylistSection = QStringLiteral("playlist");
const QString kPlaylistDirectory = QStringLiteral("playlist directory");
const QString kAudioCd = QStringLiteral("Audio CD");
// The longest file name most Linux file systems take, in bytes.
constexpr int kMaxFileNameBytes = 255;
constexpr int kDeferMs = 20; // retry of notices put off while media open or stop

bool containsName(const QStringList& names, const QString& name)
{
    return names.contains(name, Qt::CaseInsensitive);
}

QStringList gatherMedium(const Platform::DriveInfo& drive, QStringList& extensions)
{
    QStringList paths;
    const QString& root = drive.root;
    if (drive.label == kAudioCd) {
        TFileGathering::FindFiles(paths, root, true, QStringLiteral("*.cda"));
    } else if (TFrm_PlayerControl::IsVideoCdRoot(root) || TFrm_PlayerControl::IsDvdRoot(root)) {
        paths = TFileGathering::discFolderFiles(root);
    } else {
        TFileGathering::FindFiles(paths, root, true, QStringLiteral("*.*"));
        TFileGathering::KeepMediaFiles(paths, extensions);
    }
    // A playlist file keeps one field per line, so such a name cannot be listed; a
    // medium is nobody's typing mistake, so no message box at every scan either.
    paths.removeIf([](const QString& path) {
        if (!TPlaylistOps::hasLineBreak(path))
            return false;
        qWarning("Lumeno: %s", qUtf8Printable(TPlaylistOps::lineBreakMessage(path)));
        return true;
    });
    return paths;
}

} // namespace

bool TFrm_PlayerControl::IsDvdRoot(const QString& Root)
{
    return !TFileGathering::subfolder(Root, QStringLiteral("video_ts")).isEmpty();
}

bool TFrm_PlayerControl::IsVideoCdRoot(const QString& Root)
{
    return !TFileGathering::subfolder(Root, QStringLiteral("mpegav")).isEmpty() &&
           !TFileGathering::subfolder(Root, QStringLiteral("vcd")).isEmpty();
}

QString TFrm_PlayerControl::discPlaylistName(const QString& label, QChar letter)
{
    QString shown = label;
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return shown + QLatin1Char('(') + letter + QLatin1Char(')');
}

QString TFrm_PlayerControl::discPlaylistPath(const QString& folder, const QString& name)
{
    QString file = name;
    file.replace(QLatin1Char('/'), QLatin1Char('_'));
    file.replace(QChar(0), QLatin1Char('_'));
    // A long label is cut, never the "(E)" that tells the drives apart.
    const qsizetype open = file.lastIndexOf(QLatin1Char('('));
    QString label = file.left(open < 0 ? 0 : open);
    const QString tail = file.mid(label.size()) + QStringLiteral(".ist");
    while (!label.isEmpty() && (label + tail).toUtf8().size() > kMaxFileNameBytes)
        label.chop(1);
    return folder + QLatin1Char('/') + label + tail;
}

void TFrm_PlayerControl::setDriveSource(Platform::DriveSource* source)
{
    if (m_drives)
        disconnect(m_drives, nullptr, this, nullptr);
    m_drives = source;
    if (source)
        connect(source, &Platform::DriveSource::deviceChange, this,
                &TFrm_PlayerControl::WMDeviceChange);
}

void TFrm_PlayerControl::BuildDiscPlaylists(const QString& Folder, QStringList& Names,
                                            QStringList& Extensions)
{
    if (!m_drives)
        return;
    // Kind and presence are the source's business: it lists only accepted drives.
    const QList<Platform::DriveInfo> drives = m_drives->drives();
    m_scannedDrives = drives;
    for (const Platform::DriveInfo& drive : drives) {
        if (!Platform::usable(drive))
            continue;
        QStringList paths = gatherMedium(drive, Extensions);
        // The search let events run: the close may have deleted the disc playlists.
        if (m_closed)
            return;
        const QString name = discPlaylistName(drive.label, drive.letter);
        const QString path = discPlaylistPath(Folder, name);
        Names.append(name);
        // A playlist the user saved under the same file name is theirs: not overwritten.
        if (paths.isEmpty() || isUserPlaylist(path)) {
            Names.removeAt(Names.lastIndexOf(name));
            continue;
        }
        TFileList entries;
        TPlaylistOps::AddFiles(paths, entries, nullptr);
        if (drive.label == kAudioCd)
            renameCdEntries(entries, discTrackNames(drive.root, true));
        m_discRecord.add(path);
        TPlaylistStore::SavePlaylistFile(entries, path);
    }
}

// Lines read "03 Title" where the disc's tracks are named; paths stay TrackNN.cda.
void TFrm_PlayerControl::renameCdEntries(const TFileList& entries, const CdText& text) const
{
    for (const TfilePtr& entry : entries) {
        if (const std::optional<CdTrackFile> file = parseCdTrackFile(entry->Path))
            entry->Name = cdEntryName(text, file->track, entry->Name);
    }
}

void TFrm_PlayerControl::discNamesArrived(const QString& root)
{
    if (m_closed)
        return;
    const QString folder = FSettings.ReadString(kPlaylistSection, kPlaylistDirectory, QString());
    const CdText text = discTrackNames(root, false);
    const int shown = Frm_playlist->cmb_playlist->currentIndex();
    for (const Platform::DriveInfo& drive : m_scannedDrives) {
        if (drive.root != root || drive.label != kAudioCd)
            continue;
        const QString path = discPlaylistPath(folder, discPlaylistName(drive.label, drive.letter));
        if (!QFileInfo::exists(path) || isUserPlaylist(path))
            continue;
        try {
            if (shown >= 0 && shown < FPlaylists.size() && FPlaylists.at(shown).Path == path) {
                renameCdEntries(FPlaylistItems, text);
                TPlaylistStore::SavePlaylistFile(FPlaylistItems, path);
                TListBox* lines = Frm_playlist->Lst_playlist;
                const int focused = lines->itemIndex();
                TPlaylistOps::ShowPlaylist(FPlaylistItems, lines);
                lines->setItemIndex(focused);
            } else {
                TFileList entries;
                TPlaylistStore::LoadPlaylistFile(entries, path);
                renameCdEntries(entries, text);
                TPlaylistStore::SavePlaylistFile(entries, path);
            }
        } catch (const std::exception& error) {
            // Names are a nicety: the list keeps working under its track names.
            qWarning("Lumeno: %s", error.what());
        }
    }
    const std::optional<CdTrackFile> playing =
        FCurrentItem ? parseCdTrackFile(FCurrentItem->Path) : std::nullopt;
    if (playing && playing->root == root && MediaPlayer->Mode() == mpPlaying)
        pnl_jdl->setText(playingTitle());
}

bool TFrm_PlayerControl::isUserPlaylist(const QString& path) const
{
    for (const Tplaylist_file& playlist : FPlaylists) {
        if (playlist.Path == path && !m_autoPlaylists.contains(playlist.Name))
            return true;
    }
    return false;
}

void TFrm_PlayerControl::forgetLeftoverDiscPlaylists()
{
    m_discRecord.open(TPlaylistStore::appDataFolder() +
                      QStringLiteral("/Lumeno/DiscPlaylists.lst"));
    // Left by a run that never closed: the media present now are scanned afresh.
    for (const QString& path : m_discRecord.paths()) {
        FPlaylists.removeIf([&path](const Tplaylist_file& p) { return p.Path == path; });
        QFile::remove(path);
        m_discRecord.remove(path);
    }
}

void TFrm_PlayerControl::addDiscPlaylistsAtStart()
{
    const QString folder = FSettings.ReadString(kPlaylistSection, kPlaylistDirectory, QString());
    // Built aside: a notice handled while the search lets events run rescans on its own.
    QStringList names;
    BuildDiscPlaylists(folder, names, FMediaExtensions);
    FDiscPlaylists = names;
    if (FDiscPlaylists.isEmpty())
        return;
    joinDiscPlaylists(folder);
}

// The media's playlists not yet in the selector join it; the selected line stays.
void TFrm_PlayerControl::joinDiscPlaylists(const QString& folder)
{
    QComboBox* names = Frm_playlist->cmb_playlist;
    for (const QString& name : QStringList(FDiscPlaylists)) {
        if (names->findText(name, Qt::MatchFixedString) >= 0)
            continue;
        FPlaylists.append({name, discPlaylistPath(folder, name)});
        m_autoPlaylists.append(name);
    }
    const int selected = names->currentIndex();
    TPlaylistStore::ShowPlaylistNames(FPlaylists, names);
    names->setCurrentIndex(selected);
}

void TFrm_PlayerControl::WMDeviceChange(int wParam)
{
    // Once the close began the disc playlists are gone for good.
    if (m_closed)
        return;
    if (!m_heldNotices.contains(wParam))
        m_heldNotices.append(wParam);
    handleDeviceNotices();
}

void TFrm_PlayerControl::handleDeviceNotices()
{
    if (m_closed || m_heldNotices.isEmpty())
        return;
    if (Platform::insideResponsiveWait()) {
        // A graph is being built or a disc stopped on a helper thread; an arrival's
        // Play would free what it works on. Whatever came meanwhile waits for one rescan.
        if (!m_noticeRetry) {
            m_noticeRetry = true;
            QTimer::singleShot(kDeferMs, this, [this] {
                m_noticeRetry = false;
                handleDeviceNotices();
            });
        }
        return;
    }
    const QList<int> notices = std::exchange(m_heldNotices, {});
    try {
        const QString folder =
            FSettings.ReadString(kPlaylistSection, kPlaylistDirectory, QString());
        // Built aside: a notice handled while the search lets events run rescans on its
        // own, and must not find its names added twice.
        QStringList names;
        BuildDiscPlaylists(folder, names, FMediaExtensions);
        FDiscPlaylists = names;
        QCoreApplication::processEvents();
        if (m_closed)
            return;
        if (notices.contains(Platform::kDbtDeviceRemoveComplete))
            discsRemoved();
        if (notices.contains(Platform::kDbtDeviceArrival))
            discArrived(folder);
    } catch (const std::exception& error) {
        Platform::handleException(error);
    }
}

void TFrm_PlayerControl::discArrived(const QString& folder)
{
    joinDiscPlaylists(folder);
    QComboBox* names = Frm_playlist->cmb_playlist;
    const int last = names->count() - 1;
    if (last < 0 || last >= FPlaylists.size())
        return;
    names->setCurrentIndex(last);
    TPlaylistStore::LoadPlaylistFile(FPlaylistItems, FPlaylists.at(last).Path);
    TPlaylistOps::ShowPlaylist(FPlaylistItems, Frm_playlist->Lst_playlist);
    QCoreApplication::processEvents();
    ToolPlayClick();
}

// Every automatic playlist in the selector whose medium the rescan no longer found
// goes, whatever notices came before: one of another kind must not leave it behind.
void TFrm_PlayerControl::discsRemoved()
{
    for (const QString& name : QStringList(m_autoPlaylists)) {
        if (!containsName(FDiscPlaylists, name))
            dropDiscPlaylist(name);
    }
}

void TFrm_PlayerControl::dropDiscPlaylist(const QString& name)
{
    m_autoPlaylists.removeAll(name);
    QComboBox* names = Frm_playlist->cmb_playlist;
    const int line = names->findText(name, Qt::MatchFixedString);
    if (line >= 0 && line == names->currentIndex()) {
        if (MediaPlayer->Mode() == mpPlaying)
            ToolStopClick();
        if (DM->FilterGraph1->Active())
            ToolStopClick();
        QCoreApplication::processEvents();
        names->setCurrentIndex(0);
        TPlaylistStore::LoadPlaylistFile(FPlaylistItems, FPlaylists.value(0).Path);
        TPlaylistOps::ShowPlaylist(FPlaylistItems, Frm_playlist->Lst_playlist);
    }
    // Pending events ran above: the line is looked up again.
    const int at = names->findText(name, Qt::MatchFixedString);
    if (at >= 0 && at < FPlaylists.size()) {
        QFile::remove(FPlaylists.at(at).Path);
        m_discRecord.remove(FPlaylists.at(at).Path);
        FPlaylists.removeAt(at);
        names->removeItem(at);
    }
    const int selected = names->currentIndex();
    TPlaylistStore::ShowPlaylistNames(FPlaylists, names);
    names->setCurrentIndex(selected);
}

void TFrm_PlayerControl::dropDiscPlaylists()
{
    QComboBox* names = Frm_playlist->cmb_playlist;
    for (const QString& name : QStringList(m_autoPlaylists)) {
        m_autoPlaylists.removeAll(name);
        const int line = names->findText(name, Qt::MatchFixedString);
        if (line < 0 || line >= FPlaylists.size())
            continue;
        if (line == names->currentIndex()) {
            names->setCurrentIndex(0);
            TPlaylistStore::LoadPlaylistFile(FPlaylistItems, FPlaylists.value(0).Path);
        }
        QFile::remove(FPlaylists.at(line).Path);
        m_discRecord.remove(FPlaylists.at(line).Path);
        FPlaylists.removeAt(line);
        names->removeItem(line);
    }
    // Files of media that never joined the selector (written by a rescan of another
    // kind of notice) go as well.
    for (const QString& path : m_discRecord.paths()) {
        QFile::remove(path);
        m_discRecord.remove(path);
    }
}
