// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TMediaPlayer.h"

#include "engine/CdAudioDisc.h"
#include "engine/CdAudioStream.h"

#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcCdDevice, "lumeno.cddevice", QtWarningMsg)

constexpr std::uint32_t kMciModeNotReady = 524; // MCI_MODE_NOT_READY, the first MCI mode
constexpr int kMsPerSecond = 1000;
constexpr int kSectorsPerMinute = 60 * kCdSectorsPerSecond;

const char kNoDeviceOpen[] = "No MCI device open";

// Who holds which disc, so that an unshareable open keeps others out.
struct DeviceUse {
    int users = 0;
    bool exclusive = false;
};

QHash<QString, DeviceUse>& deviceUses()
{
    static QHash<QString, DeviceUse> uses;
    return uses;
}

// /dev/cdrom and /dev/sr0 are the same drive.
QString deviceKey(const QString& root)
{
    const QString canonical = QFileInfo(root).canonicalFilePath();
    return canonical.isEmpty() ? root : canonical;
}

bool claimDevice(const QString& key, bool shareable)
{
    DeviceUse& use = deviceUses()[key];
    if (use.users > 0 && (use.exclusive || !shareable))
        return false;
    ++use.users;
    use.exclusive = !shareable;
    return true;
}

TMPModes modeFromStatus(std::uint32_t status)
{
    return TMPModes(std::uint8_t(status - kMciModeNotReady));
}

std::int64_t framesOf(int m, int s, int f)
{
    return (std::int64_t(m) * 60 + s) * kCdSectorsPerSecond + f;
}

int msfOf(std::int64_t frames)
{
    return MCI_MAKE_MSF(int(frames / kSectorsPerMinute), int(frames / kCdSectorsPerSecond % 60),
                        int(frames % kCdSectorsPerSecond));
}

} // namespace

TMediaPlayer::TMediaPlayer(QObject* parent)
    : QObject(parent),
      m_stream(new CdAudioStream(
          this, [this](bool failed, const QString& message) { streamEnded(failed, message); }))
{
}

TMediaPlayer::~TMediaPlayer()
{
    m_closing = true;
    Close();
}

// ---------------------------------------------------------------- open and close

QString TMediaPlayer::discRootToOpen(int* track) const
{
    const std::optional<CdTrackFile> file = parseCdTrackFile(FileName);
    *track = file ? file->track : 0;
    if (DeviceType == dtAutoSelect) {
        if (!file)
            throw EMCIDeviceError(QStringLiteral("The file %1 is not an audio CD track.")
                                      .arg(FileName)
                                      .toStdString());
        return file->root;
    }
    if (DeviceType != dtCDAudio)
        throw EMCIDeviceError("This device plays audio CDs only.");
    if (file)
        return file->root;
    if (!FileName.isEmpty())
        return FileName;
    const QString drive = CdAudioDisc::defaultDrive();
    if (drive.isEmpty())
        throw EMCIDeviceError("No CD drive was found.");
    return drive;
}

void TMediaPlayer::Open()
{
    if (FOpened)
        Close();
    const bool notify = takeNotify(false);
    takeWait(true);
    int trackNumber = 0;
    const QString root = discRootToOpen(&trackNumber);
    QString error;
    std::unique_ptr<CdAudioDisc> disc = CdAudioDisc::open(root, &error);
    if (!disc)
        throw EMCIDeviceError(error.toStdString());
    const CdTrack* track = trackNumber ? disc->toc().track(trackNumber) : nullptr;
    if (trackNumber && !track)
        throw EMCIDeviceError(
            QStringLiteral("Track %1 is not on the disc.").arg(trackNumber).toStdString());
    if (track && !track->audio)
        throw EMCIDeviceError(
            QStringLiteral("Track %1 is not an audio track.").arg(trackNumber).toStdString());
    const QString key = deviceKey(root);
    if (!claimDevice(key, Shareable))
        throw EMCIDeviceError(
            QStringLiteral("The CD %1 is in use by another player that does not share it.")
                .arg(root)
                .toStdString());

    static unsigned lastDeviceId = 0;
    m_claimedRoot = key;
    m_disc = std::move(disc);
    FOpened = true;
    FDeviceID = ++lastDeviceId;
    FCapabilities = mpCanPlay | (m_disc->isImage() ? 0u : unsigned(mpCanEject));
    m_timeFormat = MCI_FORMAT_TMSF;
    m_restSample =
        std::int64_t(track ? track->startLsn : m_disc->toc().startLsn()) * kCdSamplesPerSector;
    FError = kMciNoError;
    if (notify)
        postNotify(nvSuccessful);
}

void TMediaPlayer::Close()
{
    if (FDeviceID == 0)
        return;
    const bool notify = takeNotify(false);
    takeWait(true);
    haltPlayback(nvAborted);
    releaseDevice();
    FOpened = false;
    FDeviceID = 0;
    FError = kMciNoError;
    if (notify)
        postNotify(nvSuccessful);
}

void TMediaPlayer::releaseDevice()
{
    m_disc.reset();
    auto it = deviceUses().find(m_claimedRoot);
    if (it != deviceUses().end() && --it->users <= 0)
        deviceUses().erase(it);
    m_claimedRoot.clear();
}

void TMediaPlayer::requireOpen() const
{
    if (!FOpened)
        throw EMCIDeviceError(kNoDeviceOpen);
}

// ---------------------------------------------------------------- transport

std::uint32_t TMediaPlayer::Play()
{
    requireOpen();
    const bool notify = takeNotify(true);
    const bool wait = takeWait(false);
    const bool useStart = FUseStartPos;
    const bool useEnd = FUseEndPos;
    FUseStartPos = false;
    FUseEndPos = false;
    if (AutoRewind && !useStart && !useEnd && currentSample() >= playEnd())
        Rewind();

    std::int64_t from = currentSample();
    std::int64_t to = playEnd();
    if ((useStart && !decode(FStartPos, &from)) || (useEnd && !decode(FEndPos, &to)) || from > to)
        return FError = kMciErrOutOfRange;
    return startPlay(from, to, notify, wait);
}

std::uint32_t TMediaPlayer::startPlay(std::int64_t from, std::int64_t to, bool notify, bool wait)
{
    // A notified command takes over the pending notice; an unnotified one cuts it off.
    haltPlayback(notify ? nvSuperseded : nvAborted);
    m_restSample = from;
    FError = kMciNoError;
    if (from == to) {
        if (notify)
            postNotify(nvSuccessful);
        return FError;
    }
    QString error;
    m_stream->setVolume(m_volume / 1000.0);
    if (!m_stream->start(m_disc.get(), from, to, &error)) {
        qCWarning(lcCdDevice, "%s", qPrintable(error));
        if (notify)
            postNotify(nvFailure);
        return FError = kMciErrHardware;
    }
    m_notifyPending = notify;
    if (wait)
        m_stream->waitForEnd();
    return FError;
}

std::uint32_t TMediaPlayer::Stop()
{
    requireOpen();
    const bool notify = takeNotify(false);
    takeWait(true);
    haltPlayback(nvAborted);
    FError = kMciNoError;
    if (notify)
        postNotify(nvSuccessful);
    return FError;
}

void TMediaPlayer::PauseOrResume()
{
    requireOpen();
    const TMPModes mode = Mode();
    if (mode == mpPlaying)
        pause();
    else if (mode == mpPaused)
        Resume();
}

void TMediaPlayer::pause()
{
    const bool notify = takeNotify(false);
    takeWait(true);
    if (!m_stream->pause()) {
        FError = kMciErrHardware;
        return;
    }
    FError = kMciNoError;
    if (notify) {
        settlePending(nvSuperseded);
        postNotify(nvSuccessful);
    }
}

std::uint32_t TMediaPlayer::Resume()
{
    requireOpen();
    const CdAudioStream::State state = m_stream->state();
    // Resuming what is not paused fails, and the device plays instead.
    if (state == CdAudioStream::State::Stopped ||
        (state == CdAudioStream::State::Paused && !m_stream->resume()))
        return Play();
    const bool notify = takeNotify(true);
    const bool wait = takeWait(false);
    FError = kMciNoError;
    if (notify) {
        settlePending(nvSuperseded);
        m_notifyPending = true;
    }
    if (wait)
        m_stream->waitForEnd();
    return FError;
}

std::uint32_t TMediaPlayer::Seek(int To)
{
    requireOpen();
    const bool notify = takeNotify(false);
    takeWait(true);
    std::int64_t target = 0;
    if (!decode(To, &target))
        return FError = kMciErrOutOfRange;
    haltPlayback(nvAborted);
    m_restSample = target;
    FError = kMciNoError;
    if (notify)
        postNotify(nvSuccessful);
    return FError;
}

std::uint32_t TMediaPlayer::Rewind()
{
    requireOpen();
    haltPlayback(nvAborted);
    m_restSample = discStart();
    return FError = kMciNoError;
}

std::uint32_t TMediaPlayer::setAudioVolume(int value)
{
    if (!FOpened)
        return FError = kMciErrInvalidDeviceId;
    if (value < 0 || value > 1000)
        return FError = kMciErrOutOfRange;
    m_volume = value;
    m_stream->setVolume(value / 1000.0);
    return FError = kMciNoError;
}

// ---------------------------------------------------------------- notices

void TMediaPlayer::SetNotify(bool Value)
{
    FNotify = Value;
    FUseNotify = true;
}

void TMediaPlayer::SetWait(bool Value)
{
    FWait = Value;
    FUseWait = true;
}

void TMediaPlayer::SetStartPos(int Value)
{
    FStartPos = Value;
    FUseStartPos = true;
}

void TMediaPlayer::SetEndPos(int Value)
{
    FEndPos = Value;
    FUseEndPos = true;
}

bool TMediaPlayer::takeNotify(bool byDefault)
{
    const bool notify = FUseNotify ? FNotify : byDefault;
    FUseNotify = false;
    return notify;
}

bool TMediaPlayer::takeWait(bool byDefault)
{
    const bool wait = FUseWait ? FWait : byDefault;
    FUseWait = false;
    return wait;
}

void TMediaPlayer::haltPlayback(TMPNotifyValues pendingOutcome)
{
    if (m_stream->active()) {
        // A range that has just played out counts as finished, even if its end
        // is still queued.
        if (m_stream->ended())
            pendingOutcome = m_stream->failed() ? nvFailure : nvSuccessful;
        m_restSample = m_stream->position();
        m_stream->stop(!m_closing);
    }
    settlePending(pendingOutcome);
}

void TMediaPlayer::settlePending(TMPNotifyValues outcome)
{
    if (!m_notifyPending)
        return;
    m_notifyPending = false;
    postNotify(outcome);
}

void TMediaPlayer::postNotify(TMPNotifyValues value)
{
    // Notices never run inside the command that caused them.
    QMetaObject::invokeMethod(
        this, [this, value] { deliverNotify(value); }, Qt::QueuedConnection);
}

void TMediaPlayer::deliverNotify(TMPNotifyValues value)
{
    FNotifyValue = value;
    if (OnNotify)
        OnNotify(this);
}

void TMediaPlayer::streamEnded(bool failed, const QString& message)
{
    if (failed)
        qCWarning(lcCdDevice, "CD playback failed: %s", qPrintable(message));
    m_restSample = m_stream->position();
    m_stream->stop();
    if (m_notifyPending) {
        m_notifyPending = false;
        deliverNotify(failed ? nvFailure : nvSuccessful);
    }
}

// ---------------------------------------------------------------- status

int TMediaPlayer::TrackLength(int Track)
{
    requireOpen();
    const CdTrack* track = m_disc->toc().track(Track);
    if (!track) {
        FError = kMciErrOutOfRange;
        return 0;
    }
    FError = kMciNoError;
    return encodeLength(std::int64_t(track->endLsn - track->startLsn) * kCdSamplesPerSector);
}

int TMediaPlayer::TrackPosition(int Track)
{
    const CdTrack* track = FOpened ? m_disc->toc().track(Track) : nullptr;
    if (!track) {
        FError = FOpened ? kMciErrOutOfRange : kMciErrInvalidDeviceId;
        return 0;
    }
    FError = kMciNoError;
    return encode(std::int64_t(track->startLsn) * kCdSamplesPerSector);
}

int TMediaPlayer::Position()
{
    if (!FOpened) {
        FError = kMciErrInvalidDeviceId;
        return 0;
    }
    FError = kMciNoError;
    return encode(currentSample());
}

int TMediaPlayer::Length()
{
    requireOpen();
    FError = kMciNoError;
    return encodeLength(std::int64_t(m_disc->toc().leadOutLsn) * kCdSamplesPerSector - discStart());
}

CdText TMediaPlayer::DiscText() const
{
    return FOpened && m_disc ? m_disc->text() : CdText();
}

int TMediaPlayer::Tracks()
{
    requireOpen();
    FError = kMciNoError;
    return int(m_disc->toc().tracks.size());
}

TMPModes TMediaPlayer::Mode()
{
    // A closed device answers the status call with nothing, that is 0.
    std::uint32_t status = 0;
    if (!FOpened) {
        FError = kMciErrInvalidDeviceId;
        return modeFromStatus(status);
    }
    switch (m_stream->state()) {
    case CdAudioStream::State::Playing:
        status = kMciModeNotReady + mpPlaying;
        break;
    case CdAudioStream::State::Paused:
        status = kMciModeNotReady + mpPaused;
        break;
    case CdAudioStream::State::Stopped:
        status = kMciModeNotReady + mpStopped;
        break;
    }
    FError = kMciNoError;
    return modeFromStatus(status);
}

int TMediaPlayer::TimeFormat() const
{
    return FOpened ? m_timeFormat : MCI_FORMAT_MILLISECONDS;
}

void TMediaPlayer::SetTimeFormat(int Value)
{
    if (!FOpened) {
        FError = kMciErrInvalidDeviceId;
        return;
    }
    if (Value != MCI_FORMAT_MILLISECONDS && Value != MCI_FORMAT_MSF && Value != MCI_FORMAT_TMSF) {
        FError = kMciErrBadTimeFormat;
        return;
    }
    m_timeFormat = Value;
    FError = kMciNoError;
}

QStringList TMediaPlayer::trackFiles(const QString& discRoot)
{
    return cdTrackFiles(discRoot);
}

bool TMediaPlayer::trackFileExists(const QString& path)
{
    return cdTrackFileExists(path);
}

// ---------------------------------------------------------------- positions

std::int64_t TMediaPlayer::currentSample() const
{
    return m_stream->active() ? m_stream->position() : m_restSample;
}

std::int64_t TMediaPlayer::discStart() const
{
    return std::int64_t(m_disc->toc().startLsn()) * kCdSamplesPerSector;
}

std::int64_t TMediaPlayer::playEnd() const
{
    // Playback stops before a trailing data track, as CD players do.
    const std::vector<CdTrack>& tracks = m_disc->toc().tracks;
    for (auto it = tracks.rbegin(); it != tracks.rend(); ++it) {
        if (it->audio)
            return std::int64_t(it->endLsn) * kCdSamplesPerSector;
    }
    return discStart();
}

int TMediaPlayer::encode(std::int64_t sample) const
{
    const std::int64_t frame = sample / kCdSamplesPerSector;
    if (m_timeFormat == MCI_FORMAT_MILLISECONDS)
        return int(sample * kMsPerSecond / kCdSampleRate);
    if (m_timeFormat == MCI_FORMAT_MSF)
        return msfOf(frame);
    const CdTrack* track = m_disc->toc().trackAt(int(frame));
    if (!track)
        return 0;
    const std::int64_t offset = std::min<std::int64_t>(frame, track->endLsn) - track->startLsn;
    return track->number | (msfOf(offset) << 8);
}

int TMediaPlayer::encodeLength(std::int64_t samples) const
{
    // Lengths have no track, so TMSF reports them as MSF.
    if (m_timeFormat == MCI_FORMAT_MILLISECONDS)
        return int(samples * kMsPerSecond / kCdSampleRate);
    return msfOf(samples / kCdSamplesPerSector);
}

bool TMediaPlayer::decode(int value, std::int64_t* sample) const
{
    const auto byte = [value](int n) { return (unsigned(value) >> (8 * n)) & 0xFFu; };
    if (m_timeFormat == MCI_FORMAT_MILLISECONDS) {
        *sample = std::int64_t(value) * kCdSampleRate / kMsPerSecond;
    } else if (m_timeFormat == MCI_FORMAT_MSF) {
        *sample = framesOf(int(byte(0)), int(byte(1)), int(byte(2))) * kCdSamplesPerSector;
    } else {
        const CdTrack* track = m_disc->toc().track(int(byte(0)));
        if (!track)
            return false;
        *sample = (track->startLsn + framesOf(int(byte(1)), int(byte(2)), int(byte(3)))) *
                  kCdSamplesPerSector;
    }
    return *sample >= discStart() && *sample <= playEnd();
}
