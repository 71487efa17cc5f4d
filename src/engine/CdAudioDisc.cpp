// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CdAudioDisc.h"

#include <QFileInfo>
#include <QLoggingCategory>

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>

namespace {

Q_LOGGING_CATEGORY(lcCdio, "lumeno.cdio", QtWarningMsg)

// libcdio prints its own warnings to stderr; the caller reports failures in a
// sentence of its own, so its chatter is only kept for debugging.
void forwardCdioLog(cdio_log_level_t level, const char message[])
{
    qCDebug(lcCdio, "libcdio(%d): %s", int(level), message);
}

void quietenCdio()
{
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(forwardCdioLog); });
}

// Named by its extension: libcdio's own test already fails for a sheet whose
// BIN is missing, which must read as a broken image, not as something else.
bool isCueFile(const QString& root)
{
    return QFileInfo(root).suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) == 0;
}

// libcdio reads a cue sheet's text as Latin-1; sheets are mostly written in UTF-8,
// which then arrives encoded twice. Undone only where the result is valid UTF-8.
QString cueText(const QString& text)
{
    bool wide = false;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return text;
        wide = wide || c.unicode() > 0x7F;
    }
    if (!wide)
        return text;
    const QByteArray raw = text.toLatin1();
    const QString decoded = QString::fromUtf8(raw);
    return decoded.toUtf8() == raw ? decoded : text;
}

QString cdTextField(cdtext_t* text, cdtext_field_t field, int track, bool image)
{
    const char* value = cdtext_get_const(text, field, track_t(track));
    if (!value)
        return QString();
    QString s = QString::fromUtf8(value).trimmed();
    // One field per line in a playlist: a line break in a title becomes a blank.
    for (QChar& c : s) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return image ? cueText(s) : s;
}

} // namespace

// ---------------------------------------------------------------- CdToc

const CdTrack* CdToc::track(int number) const
{
    for (const CdTrack& t : tracks) {
        if (t.number == number)
            return &t;
    }
    return nullptr;
}

const CdTrack* CdToc::trackAt(int lsn) const
{
    for (const CdTrack& t : tracks) {
        if (lsn >= t.startLsn && lsn < t.endLsn)
            return &t;
    }
    return tracks.empty() || lsn < startLsn() ? nullptr : &tracks.back();
}

bool CdToc::hasAudio() const
{
    for (const CdTrack& t : tracks) {
        if (t.audio)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- CdAudioDisc

CdAudioDisc::CdAudioDisc(CdIo_t* cdio, const QString& root, bool image)
    : m_cdio(cdio), m_root(root), m_image(image)
{
}

CdAudioDisc::~CdAudioDisc()
{
    cdio_destroy(m_cdio);
}

std::unique_ptr<CdAudioDisc> CdAudioDisc::open(const QString& root, QString* error)
{
    quietenCdio();
    const QByteArray source = root.toLocal8Bit();
    const bool image = isCueFile(root);
    if (!image && !cdio_is_device(source.constData(), DRIVER_DEVICE)) {
        *error = QStringLiteral("%1 is neither a CD drive nor a CD image.").arg(root);
        return nullptr;
    }
    CdIo_t* cdio =
        image ? cdio_open_cue(source.constData()) : cdio_open(source.constData(), DRIVER_DEVICE);
    if (!cdio) {
        *error = image ? QStringLiteral("The CD image %1 could not be opened.").arg(root)
                       : QStringLiteral("The CD drive %1 could not be opened.").arg(root);
        return nullptr;
    }
    std::unique_ptr<CdAudioDisc> disc(new CdAudioDisc(cdio, root, image));
    if (!disc->readToc(error))
        return nullptr;
    disc->readText();
    return disc;
}

QString CdAudioDisc::defaultDrive()
{
    quietenCdio();
    char* device = cdio_get_default_device(nullptr);
    if (!device)
        return QString();
    const QString drive = QString::fromLocal8Bit(device);
    cdio_free(device);
    return drive;
}

bool CdAudioDisc::readToc(QString* error)
{
    const track_t first = cdio_get_first_track_num(m_cdio);
    const track_t count = cdio_get_num_tracks(m_cdio);
    // The lead-out's start is the disc's end (cdio_get_disc_last_lsn says the same).
    const lsn_t leadOut = cdio_get_track_lsn(m_cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 ||
        leadOut == CDIO_INVALID_LSN) {
        *error = m_image ? QStringLiteral("The CD image %1 holds no tracks.").arg(m_root)
                         : QStringLiteral("There is no disc in the drive %1.").arg(m_root);
        return false;
    }
    m_toc.leadOutLsn = leadOut;
    for (int n = first; n < first + count; ++n) {
        const lsn_t start = cdio_get_track_lsn(m_cdio, track_t(n));
        const track_format_t format = cdio_get_track_format(m_cdio, track_t(n));
        if (start == CDIO_INVALID_LSN || format == TRACK_FORMAT_ERROR || start > leadOut) {
            *error = QStringLiteral("The table of contents of %1 could not be read.").arg(m_root);
            return false;
        }
        m_toc.tracks.push_back({n, start, leadOut, format == TRACK_FORMAT_AUDIO});
        if (m_toc.tracks.size() > 1)
            m_toc.tracks[m_toc.tracks.size() - 2].endLsn = start;
    }
    return true;
}

CdTextEntry CdText::track(int number) const
{
    const auto it = tracks.find(number);
    return it == tracks.end() ? CdTextEntry() : it->second;
}

void CdAudioDisc::readText()
{
    // Owned by the handle; null when the disc or sheet has none.
    cdtext_t* text = cdio_get_cdtext(m_cdio);
    if (!text)
        return;
    const auto entry = [&](int track) {
        return CdTextEntry{cdTextField(text, CDTEXT_FIELD_TITLE, track, m_image),
                           cdTextField(text, CDTEXT_FIELD_PERFORMER, track, m_image)};
    };
    m_text.disc = entry(0);
    for (const CdTrack& t : m_toc.tracks) {
        const CdTextEntry e = entry(t.number);
        if (!e.title.isEmpty() || !e.performer.isEmpty())
            m_text.tracks[t.number] = e;
    }
}

bool CdAudioDisc::readSectors(int lsn, int count, void* buffer) const
{
    std::lock_guard<std::mutex> guard(m_readLock);
    return cdio_read_audio_sectors(m_cdio, buffer, lsn, uint32_t(count)) == DRIVER_OP_SUCCESS;
}
