// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/PlaylistOps.h"

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "playlist/TListBox.h"

#include <QCoreApplication>
#include <QSet>

#include <utility>

namespace {

// Removes, keeping the order of the rest, every entry whose position is
// flagged. This does in one pass what deleting line i and entry i at each
// matching position does: no events run during that walk and ShowPlaylist
// rebuilds every line afterwards, so only the surviving entries matter, and a
// walk that deleted one at a time would cost O(n^2) on long lists.
// Hand-written because QList::removeIf sees elements, not their positions.
void removeFlagged(TFileList& files, const QList<bool>& remove)
{
    qsizetype kept = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (i < remove.size() && remove.at(i))
            continue;
        if (kept != i)
            files[kept] = std::move(files[i]);
        ++kept;
    }
    files.resize(kept);
}

QList<bool> invertedFlags(QList<bool> flags)
{
    for (bool& flag : flags)
        flag = !flag;
    return flags;
}

} // namespace

QString TPlaylistOps::namePart(const QString& path)
{
    // Only "/" separates here: ":" and "\" are ordinary characters of a name.
    return path.mid(path.lastIndexOf(u'/') + 1);
}

bool TPlaylistOps::hasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

QString TPlaylistOps::lineBreakMessage(const QString& path)
{
    QString shown = path;
    shown.replace(u'\r', u' ').replace(u'\n', u' ');
    return QStringLiteral("\"%1\" cannot be listed: its name holds a line break.").arg(shown);
}

QString TPlaylistOps::lineNumber(int k, int entryCount)
{
    const int width = entryCount < 100 ? 2 : entryCount < 1000 ? 3 : 4;
    // rightJustified never truncates, so wider numbers stay unpadded.
    return QString::number(k).rightJustified(width, u'0');
}

void TPlaylistOps::ShowPlaylist(const TFileList& files, TListBox* box)
{
    if (!box)
        return;
    box->clear();
    box->beginUpdate();
    const qsizetype count = files.size();
    for (qsizetype i = 0; i < count && i < files.size(); ++i) {
        const Tfile* file = files.at(i).get();
        const QString name = file ? file->Name : QString();
        box->addLine(lineNumber(int(i + 1), int(count)) + u' ' + name);
        QCoreApplication::processEvents();
        // A command run just now may have shortened the list, or cleared or
        // rebuilt the box from the current list; then this older rebuild must
        // not append stale lines after it.
        if (box->count() != i + 1)
            break;
    }
    box->endUpdate();
}

void TPlaylistOps::AddFiles(const QStringList& paths, TFileList& files, TListBox* box)
{
    QStringList refused;
    for (const QString& path : paths) {
        QCoreApplication::processEvents();
        // The playlist files keep one field per line: such a name would shift every
        // later entry.
        if (hasLineBreak(path)) {
            refused << lineBreakMessage(path);
            continue;
        }
        auto file = std::make_shared<Tfile>();
        SetFileFromPath(*file, path);
        files.append(std::move(file));
    }
    if (box)
        ShowPlaylist(files, box);
    if (!refused.isEmpty())
        Platform::dialogs().message(box ? box->window() : nullptr, refused.join(u'\n'));
}

void TPlaylistOps::SetFileFromPath(Tfile& file, const QString& path)
{
    file.Path = path;
    file.Name = namePart(path);
}

void TPlaylistOps::RemoveSelectedFiles(TFileList& files, TListBox* box)
{
    if (!box)
        return;
    removeFlagged(files, box->selectionFlags());
    ShowPlaylist(files, box);
}

void TPlaylistOps::CropSelectedFiles(TFileList& files, TListBox* box)
{
    if (!box)
        return;
    removeFlagged(files, invertedFlags(box->selectionFlags()));
    ShowPlaylist(files, box);
}

void TPlaylistOps::RemoveMissingFiles(TFileList& files, TListBox* box)
{
    QList<bool> missing(files.size(), false);
    for (qsizetype i = 0; i < files.size(); ++i)
        missing[i] = !files.at(i) || !Platform::fileExists(files.at(i)->Path);
    removeFlagged(files, missing);
    ShowPlaylist(files, box);
}

void TPlaylistOps::RemoveDuplicateFiles(TFileList& files, TListBox* box)
{
    // "A later entry has the same Path" is "not the last occurrence", so walk
    // backwards remembering the paths already met. QString compares code unit
    // by code unit: letter case matters.
    QList<bool> duplicate(files.size(), false);
    QSet<QString> later;
    later.reserve(files.size());
    for (qsizetype i = files.size() - 1; i >= 0; --i) {
        const QString path = files.at(i) ? files.at(i)->Path : QString();
        if (later.contains(path))
            duplicate[i] = true;
        else
            later.insert(path);
    }
    removeFlagged(files, duplicate);
    ShowPlaylist(files, box);
}

void TPlaylistOps::ClearPlaylist(TFileList& files, TListBox* box)
{
    if (box)
        box->clear();
    files.clear();
}

void TPlaylistOps::SelectAll(TListBox* box)
{
    if (box)
        box->selectAll();
}

void TPlaylistOps::SelectNone(TListBox* box)
{
    if (box)
        box->selectNone();
}

void TPlaylistOps::InvertSelection(TListBox* box)
{
    if (box)
        box->invertSelection();
}
