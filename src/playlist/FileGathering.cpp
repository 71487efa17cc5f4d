// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/FileGathering.h"

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "playlist/PlaylistOps.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <algorithm>

const QString TFileGathering::kMediaFilter = QStringLiteral(
    "Supported Media "
    "Type|*.avi;*.mid;*.mp3;*.mpg;*.mpeg;*.wmv;*.wma;*.wav;*.cda;*.dat;*.ifo;*.vob|Video for "
    "Windows (*.avi)|*.avi|Midi files (*.mid)|*.mid|Mp3 files (*.mp3)|*.mp3|Mpg files "
    "(*.mpg)|*.mpg|Mpeg files (*.mpeg)|*.mpeg|Wmv Files (*.Wmv)|*.wmv|Wma files "
    "(*.wma)|*.wma|Wave files (*.wav)|*.wav|Audio CD (*.cda)|*.cda|Video CD (*.dat)|*.dat|DVD "
    "(*.ifo,*.vob)|*.ifo;*.vob|All Type (*.*)|*.*");

namespace {

const QString kAllFiles = QStringLiteral("*.*");

struct Walk {
    QStringList& list;
    bool recurse;
    QString pattern;
    // Canonical paths of the folders from the starting one down to the one
    // being listed: a link to any of them would walk forever.
    QSet<QString> walking;
};

QString withoutTrailingSlash(const QString& folder)
{
    QString result = folder;
    while (result.size() > 1 && result.endsWith(u'/'))
        result.chop(1);
    return result;
}

// Pending events run between items so the window stays alive during a long walk. An idle
// round costs about as much as finding a file, so it runs at most once a millisecond:
// nothing waits noticeably longer, and the walk keeps pace with find.
void letEventsRun()
{
    static QElapsedTimer sinceLast;
    if (!sinceLast.isValid() || sinceLast.nsecsElapsed() >= 1000000) {
        QCoreApplication::processEvents();
        sinceLast.start();
    }
}

QString withOneTrailingSlash(const QString& folder)
{
    QString result = folder;
    while (result.endsWith(u'/'))
        result.chop(1);
    return result + u'/';
}

// A disc root is a device node or a cue sheet, never a directory: its track
// files exist only to the CD layer.
void appendVirtualFiles(Walk& walk, const QString& folder)
{
    const QStringList entries = Platform::virtualFolderFiles(withoutTrailingSlash(folder));
    for (const QString& entry : entries) {
        const QString name = TPlaylistOps::namePart(entry);
        if (name.isEmpty() || !TFileGathering::matchesWildcard(name, walk.pattern))
            continue;
        letEventsRun();
        walk.list.append(folder + name);
    }
}

struct Subfolder {
    QString name;
    QString canonical;
};

// Only a link can lead back into a folder being walked, so only links pay for
// resolving their path; a plain subfolder's canonical path is its parent's plus its name.
QString canonicalChild(const QString& parent, const QFileInfo& info)
{
    if (info.isSymLink() || parent.isEmpty())
        return info.canonicalFilePath();
    return parent.endsWith(u'/') ? parent + info.fileName() : parent + u'/' + info.fileName();
}

void walkFolder(Walk& walk, const QString& folder, const QString& canonical)
{
    if (!canonical.isEmpty())
        walk.walking.insert(canonical);

    QList<Subfolder> subfolders;
    QDirIterator it(folder.isEmpty() ? QStringLiteral(".") : folder,
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = info.fileName();
        if (info.isDir()) {
            if (walk.recurse && !name.startsWith(u'.'))
                subfolders.append({name, canonicalChild(canonical, info)});
        } else if (TFileGathering::matchesWildcard(name, walk.pattern)) {
            letEventsRun();
            walk.list.append(folder + name);
        }
    }

    for (const Subfolder& sub : std::as_const(subfolders)) {
        if (!walk.walking.contains(sub.canonical))
            walkFolder(walk, folder + sub.name + u'/', sub.canonical);
    }
    if (!canonical.isEmpty())
        walk.walking.remove(canonical);
}

bool caseInsensitiveLess(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

void setCaption(const TGatherView& view, const QString& text)
{
    if (view.actionCaption)
        view.actionCaption->setText(text);
}

void showPanel(const TGatherView& view, const QString& text)
{
    setCaption(view, text);
    if (QWidget* panel = view.actionPanel ? view.actionPanel : view.actionCaption)
        panel->show();
}

// Hides Pnl_Action when the command ends, by whatever way it ends. Pointers
// are guarded: pending events run during the command and may close windows.
class PanelShown {
public:
    PanelShown(const TGatherView& view, const QString& text)
        : m_panel(view.actionPanel ? view.actionPanel : view.actionCaption)
    {
        showPanel(view, text);
    }
    ~PanelShown()
    {
        if (m_panel)
            m_panel->hide();
    }
    PanelShown(const PanelShown&) = delete;
    PanelShown& operator=(const PanelShown&) = delete;

private:
    QPointer<QWidget> m_panel;
};

// The hourglass and the disabled window of Add Folder, undone on every exit.
class WindowBusy {
public:
    explicit WindowBusy(QWidget* window) : m_window(window)
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        if (m_window)
            m_window->setEnabled(false);
    }
    ~WindowBusy()
    {
        QGuiApplication::restoreOverrideCursor();
        if (m_window)
            m_window->setEnabled(true);
    }
    WindowBusy(const WindowBusy&) = delete;
    WindowBusy& operator=(const WindowBusy&) = delete;

private:
    QPointer<QWidget> m_window;
};

void chooseDefaultPlaylist(const TGatherView& view)
{
    // setCurrentIndex does not emit activated(), so the default playlist is
    // shown as chosen without being loaded over the entries being added to.
    if (view.playlistNames)
        view.playlistNames->setCurrentIndex(0);
}

} // namespace

QStringList TFileGathering::mediaExtensions()
{
    return {QStringLiteral(".avi"), QStringLiteral(".mid"),  QStringLiteral(".mp3"),
            QStringLiteral(".mpg"), QStringLiteral(".mpeg"), QStringLiteral(".wmv"),
            QStringLiteral(".wma"), QStringLiteral(".wav")};
}

// Hand-written rather than QRegularExpression::wildcardToRegularExpression:
// that one also reads "[...]" as a character class and treats "/" specially,
// and "*.*" must match names without any dot, as it always has for this program.
bool TFileGathering::matchesWildcard(const QString& name, const QString& pattern)
{
    if (pattern == kAllFiles || pattern == QLatin1String("*"))
        return true;
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern.at(p) == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern.at(p) == u'?' || pattern.at(p).toCaseFolded() ==
                                                                       name.at(n).toCaseFolded())) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern.at(p) == u'*')
        ++p;
    return p == pattern.size();
}

void TFileGathering::FindFiles(QStringList& list, const QString& folder, bool recurse,
                               const QString& pattern)
{
    QString start = folder;
    if (!start.isEmpty() && !start.endsWith(u'/'))
        start += u'/';
    Walk walk{list, recurse, pattern, {}};
    const QFileInfo info(start.isEmpty() ? QStringLiteral(".") : start);
    if (info.isDir())
        walkFolder(walk, start, info.canonicalFilePath());
    else
        appendVirtualFiles(walk, start);
}

QString TFileGathering::extensionOf(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    qsizetype separator = -1;
    for (const QChar c : {QChar(u'/'), QChar(u'\\'), QChar(u':')})
        separator = std::max(separator, path.lastIndexOf(c));
    return dot > separator ? path.mid(dot).toLower() : QString();
}

void TFileGathering::KeepMediaFiles(QStringList& paths, QStringList& extensions)
{
    std::sort(extensions.begin(), extensions.end(), caseInsensitiveLess);
    const QStringList input = paths;
    QStringList kept;
    kept.reserve(input.size());
    for (const QString& path : input) {
        letEventsRun();
        if (std::binary_search(extensions.cbegin(), extensions.cend(), extensionOf(path),
                               caseInsensitiveLess))
            kept.append(path);
    }
    paths = kept;
}

QString TFileGathering::audioCdRoot(const QString& path)
{
    if (path.isEmpty())
        return {};
    QString current = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (;;) {
        // Folders are never disc roots, so ordinary paths cost the CD layer nothing.
        if (!QFileInfo(current).isDir() && !Platform::virtualFolderFiles(current).isEmpty())
            return current;
        const qsizetype slash = current.lastIndexOf(u'/');
        if (slash < 0 || current == QLatin1String("/"))
            return {};
        current = slash == 0 ? QStringLiteral("/") : current.left(slash);
    }
}

void TFileGathering::Add_fileClick(const TGatherView& view, TFileList& items)
{
    const QStringList chosen =
        Platform::dialogs().openFiles(view.window, QString(), kMediaFilter, true);
    if (chosen.isEmpty())
        return;
    // The drive holding the file: a chosen file is never a disc root itself.
    const QString discRoot = audioCdRoot(QFileInfo(chosen.first()).path());
    PanelShown panel(view, QStringLiteral("Writing Files ..."));
    if (discRoot.isEmpty()) {
        TPlaylistOps::AddFiles(chosen, items, view.list);
        return;
    }
    // One track stands for the whole disc, added in track order.
    chooseDefaultPlaylist(view);
    QStringList tracks;
    FindFiles(tracks, discRoot, true, QStringLiteral("*.cda"));
    TPlaylistOps::AddFiles(tracks, items, view.list);
}

void TFileGathering::Add_FolderClick(const TGatherView& view, TFileList& items,
                                     bool includeSubfolder, QStringList& extensions)
{
    const QString chosen = Platform::dialogs().chooseFolder(
        view.window, QStringLiteral("Search files on folder"), QDir::currentPath());
    if (chosen.isEmpty())
        return;
    // Remembered for the next Add Folder; a folder that cannot be entered
    // (a disc root, say) simply leaves the old one.
    QDir::setCurrent(chosen);
    const bool audioCd = !audioCdRoot(chosen).isEmpty();

    WindowBusy busy(view.window);
    PanelShown panel(view, QStringLiteral("Searching File ..."));
    QCoreApplication::processEvents();

    QStringList paths;
    if (audioCd) {
        chooseDefaultPlaylist(view);
        FindFiles(paths, chosen, true, QStringLiteral("*.cda"));
    } else {
        FindFiles(paths, withOneTrailingSlash(chosen), includeSubfolder, kAllFiles);
        KeepMediaFiles(paths, extensions);
    }
    setCaption(view, QStringLiteral("Writing File ..."));
    TPlaylistOps::AddFiles(paths, items, view.list);
    QCoreApplication::processEvents();
}

QString TFileGathering::subfolder(const QString& root, const QString& name)
{
    // Disc file systems read on Linux keep the letter case they were written with.
    const QStringList folders =
        QDir(root).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& folder : folders) {
        if (folder.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(root).filePath(folder);
    }
    return {};
}

QStringList TFileGathering::discFolderFiles(const QString& folder)
{
    QStringList paths;
    const QString mpegav = subfolder(folder, QStringLiteral("mpegav"));
    if (!mpegav.isEmpty() && !subfolder(folder, QStringLiteral("vcd")).isEmpty()) {
        FindFiles(paths, mpegav, true, QStringLiteral("*.dat"));
        return paths;
    }
    const bool isVideoTs = QFileInfo(withoutTrailingSlash(folder))
                               .fileName()
                               .compare(QLatin1String("video_ts"), Qt::CaseInsensitive) == 0;
    if (!isVideoTs && subfolder(folder, QStringLiteral("video_ts")).isEmpty())
        return paths;
    FindFiles(paths, folder, true, QStringLiteral("video_ts.ifo"));
    if (paths.isEmpty())
        FindFiles(paths, folder, true, QStringLiteral("*.vob"));
    return paths;
}

void TFileGathering::dropFiles(const QStringList& paths, TFileList& items, TListBox* list)
{
    QStringList gathered;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        // An item whose attributes cannot be read is searched like a folder.
        if (info.exists() && !info.isDir()) {
            gathered.append(path);
            continue;
        }
        // A disc's folder plays as that disc, not as the heap of its parts.
        const QStringList disc = info.isDir() ? discFolderFiles(path) : QStringList();
        if (disc.isEmpty())
            FindFiles(gathered, path, true, kAllFiles);
        else
            gathered += disc;
    }
    TPlaylistOps::AddFiles(gathered, items, list);
}
