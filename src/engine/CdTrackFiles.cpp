// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CdTrackFiles.h"

#include "engine/CdAudioDisc.h"
#include "platform/FileSystem.h"
#include "platform/Responsive.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace {

// Folder walks ask for every track of a disc in a row; a real drive takes long to
// read its TOC, so a TOC is reused this long. A swapped disc shows after this delay.
constexpr qint64 kTocCacheMs = 2000;

struct CachedToc {
    std::optional<CdToc> toc; // empty: no readable audio disc at this root
    CdText text;
    QDateTime imageModified; // an edited or deleted image invalidates at once
    QElapsedTimer age;
};

QDateTime imageStamp(const QString& root)
{
    const QFileInfo info(root);
    return info.isFile() ? info.lastModified() : QDateTime();
}

// GUI thread only, like the file layer that asks.
const CachedToc& cachedDisc(const QString& root)
{
    static QHash<QString, CachedToc> cache;
    const QDateTime stamp = imageStamp(root);
    auto it = cache.find(root);
    if (it != cache.end() && it->age.elapsed() < kTocCacheMs && it->imageModified == stamp)
        return *it;

    CachedToc entry;
    entry.imageModified = stamp;
    // A drive spins up and reads for seconds; the windows repaint meanwhile.
    Platform::runResponsively([&entry, &root]() {
        QString error;
        if (std::unique_ptr<CdAudioDisc> disc = CdAudioDisc::open(root, &error)) {
            entry.toc = disc->toc();
            entry.text = disc->text();
        }
    });
    entry.age.start();
    return *cache.insert(root, entry);
}

std::optional<CdToc> cachedToc(const QString& root)
{
    return cachedDisc(root).toc;
}

} // namespace

std::optional<CdTrackFile> parseCdTrackFile(const QString& path)
{
    static const QRegularExpression kTrackName(QStringLiteral("^track(\\d{1,2})\\.cda$"),
                                               QRegularExpression::CaseInsensitiveOption);
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0)
        return std::nullopt;
    const QRegularExpressionMatch match = kTrackName.match(path.mid(slash + 1));
    if (!match.hasMatch())
        return std::nullopt;
    return CdTrackFile{path.left(slash), match.captured(1).toInt()};
}

QString cdTrackFileName(int track)
{
    return QStringLiteral("Track%1.cda").arg(track, 2, 10, QLatin1Char('0'));
}

bool cdTrackFileExists(const QString& path)
{
    const std::optional<CdTrackFile> file = parseCdTrackFile(path);
    if (!file)
        return false;
    const std::optional<CdToc> toc = cachedToc(file->root);
    const CdTrack* track = toc ? toc->track(file->track) : nullptr;
    return track && track->audio;
}

QStringList cdTrackFiles(const QString& discRoot)
{
    QStringList files;
    const std::optional<CdToc> toc = cachedToc(discRoot);
    if (!toc)
        return files;
    for (const CdTrack& track : toc->tracks) {
        if (track.audio)
            files << discRoot + QLatin1Char('/') + cdTrackFileName(track.number);
    }
    return files;
}

CdText cdDiscText(const QString& discRoot)
{
    return cachedDisc(discRoot).text;
}

std::optional<CdToc> cdDiscToc(const QString& discRoot)
{
    return cachedToc(discRoot);
}

void registerCdTrackFiles()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    Platform::registerVirtualFileProvider(cdTrackFileExists);
}
