// SPDX-License-Identifier: GPL-3.0-or-later
// Names for what plays: the tags of a media file or the CD-Text of a track, shown
// where the entry's name would be; the playlist lines keep their names.
#include "player/Un_Mediactr.h"

#include "datamodule/Un_dm.h"
#include "engine/CdTrackFiles.h"
#include "engine/TFilterGraph.h"
#include "engine/TMediaPlayer.h"
#include "player/DiscNames.h"
#include "playlist/PlaylistStore.h"

namespace {

bool hasTrackTitles(const CdText& text)
{
    for (const auto& [number, track] : text.tracks) {
        if (!track.title.isEmpty())
            return true;
    }
    return false;
}

} // namespace

MediaTags TFrm_PlayerControl::playingTags() const
{
    MediaTags tags;
    if (!FCurrentItem) {
        return tags;
    }
    const QString kind = kindOf(FCurrentItem->Path);
    if (kind == QLatin1String(".cda")) {
        const std::optional<CdTrackFile> file = parseCdTrackFile(FCurrentItem->Path);
        if (!file) {
            return tags;
        }
        CdText text = MediaPlayer->DiscText();
        if (!hasTrackTitles(text)) {
            CdText found = discNames().names(file->root);
            if (hasTrackTitles(found))
                text = std::move(found);
        }
        const CdTextEntry track = text.track(file->track);
        tags.title = track.title;
        tags.artist = track.performer.isEmpty() ? text.disc.performer : track.performer;
        tags.album = text.disc.title;
        tags.trackNumber = file->track;
        return tags;
    }
    // A DVD names its volume and title as it always did.
    if (kind == QLatin1String(".ifo")) {
        return tags;
    }
    return DM->FilterGraph1->Tags();
}

QString TFrm_PlayerControl::playingTitle() const
{
    if (!FCurrentItem) {
        return QString();
    }
    const QString named = playingTags().displayName();
    return named.isEmpty() ? FCurrentItem->Name : named;
}

QString TFrm_PlayerControl::cdEntryName(const CdText& text, int track, const QString& name)
{
    // The list puts the line number in front, so the title alone reads "03 Title".
    const QString title = text.track(track).title;
    return title.isEmpty() ? name : title;
}

DiscNames& TFrm_PlayerControl::discNames() const
{
    if (!m_discNames) {
        auto* self = const_cast<TFrm_PlayerControl*>(this);
        m_discNames =
            new DiscNames(TPlaylistStore::appDataFolder() + QStringLiteral("/Lumeno"), self);
        connect(m_discNames, &DiscNames::namesArrived, self, &TFrm_PlayerControl::discNamesArrived);
    }
    return *m_discNames;
}

CdText TFrm_PlayerControl::discTrackNames(const QString& root, bool lookUp) const
{
    CdText text = cdDiscText(root);
    if (hasTrackTitles(text))
        return text;
    if (lookUp)
        discNames().lookUp(root);
    CdText found = discNames().names(root);
    return hasTrackTitles(found) ? found : text;
}
