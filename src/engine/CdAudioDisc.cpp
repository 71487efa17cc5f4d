#include "engine/CdAudioDisc.h"

#include <QFileInfo>
#include <QLoggingCategory>

#include <cdio/cdio.h>
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

bool CdAudioDisc::readSectors(int lsn, int count, void* buffer) const
{
    std::lock_guard<std::mutex> guard(m_readLock);
    return cdio_read_audio_sectors(m_cdio, buffer, lsn, uint32_t(count)) == DRIVER_OP_SUCCESS;
}
