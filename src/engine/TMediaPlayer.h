// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TMediaPlayer: the CD audio device. It opens an audio CD track file
// (<disc root>/TrackNN.cda, the root a drive's device node or a .cue image), plays
// ranges of the disc through GStreamer and reports completed commands through
// OnNotify, always from the GUI thread's event loop.

#include "engine/CdTrackFiles.h" // registerCdTrackFiles(), called once at start-up

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

class CdAudioDisc;
class CdAudioStream;

class EMCIDeviceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TMPDeviceTypes {
    dtAutoSelect,
    dtAVIVideo,
    dtCDAudio,
    dtDAT,
    dtDigitalVideo,
    dtMMMovie,
    dtOther,
    dtOverlay,
    dtScanner,
    dtSequencer,
    dtVCR,
    dtVideodisc,
    dtWaveAudio
};

// The device's status mode minus MCI_MODE_NOT_READY (524), as a byte.
enum TMPModes : std::uint8_t {
    mpNotReady,
    mpStopped,
    mpPlaying,
    mpRecording,
    mpSeeking,
    mpPaused,
    mpOpen
};

enum TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

// Capability bits read at Open.
enum TMPDevCaps : unsigned {
    mpCanStep = 1,
    mpCanEject = 2,
    mpCanPlay = 4,
    mpCanRecord = 8,
    mpUsesWindow = 16
};

constexpr int MCI_FORMAT_MILLISECONDS = 0;
constexpr int MCI_FORMAT_MSF = 2;
constexpr int MCI_FORMAT_TMSF = 10;

constexpr int MCI_MAKE_MSF(int m, int s, int f)
{
    return m | (s << 8) | (f << 16);
}
constexpr int MCI_MAKE_TMSF(int t, int m, int s, int f)
{
    return t | (m << 8) | (s << 16) | (f << 24);
}

// Command results kept in FError.
constexpr std::uint32_t kMciNoError = 0;
constexpr std::uint32_t kMciErrInvalidDeviceId = 257;
constexpr std::uint32_t kMciErrHardware = 262;
constexpr std::uint32_t kMciErrOutOfRange = 282;
constexpr std::uint32_t kMciErrBadTimeFormat = 293;

class TMediaPlayer : public QObject {
    Q_OBJECT
public:
    explicit TMediaPlayer(QObject* parent = nullptr);
    ~TMediaPlayer() override;

    QString FileName;
    TMPDeviceTypes DeviceType = dtAutoSelect;
    bool Shareable = false;
    bool AutoRewind = true;
    std::function<void(TMediaPlayer* Sender)> OnNotify;

    // Open raises EMCIDeviceError when the disc or track cannot be opened; every
    // command marked "open" below raises EMCIDeviceError("No MCI device open") when
    // nothing is open. Other failures only land in FError (read with Error()).
    void Open();
    void Close();
    std::uint32_t Play();       // open
    std::uint32_t Stop();       // open
    void PauseOrResume();       // open
    std::uint32_t Resume();     // open
    std::uint32_t Seek(int To); // open
    std::uint32_t Rewind();     // open
    // MCI_SETAUDIO volume, 0..1000; kept for later plays.
    std::uint32_t setAudioVolume(int value);

    int TrackLength(int Track); // open
    int TrackPosition(int Track);
    int Position();
    int Length(); // open
    int Tracks(); // open
    // The open disc's CD-Text; empty while closed.
    CdText DiscText() const;
    TMPModes Mode();
    int TimeFormat() const;
    void SetTimeFormat(int Value);

    // One-shot overrides for the next command.
    void SetNotify(bool Value);
    bool Notify() const { return FNotify; }
    void SetWait(bool Value);
    bool Wait() const { return FWait; }
    void SetStartPos(int Value);
    int StartPos() const { return FStartPos; }
    void SetEndPos(int Value);
    int EndPos() const { return FEndPos; }

    TMPNotifyValues NotifyValue() const { return FNotifyValue; }
    unsigned DeviceID() const { return FDeviceID; }
    std::uint32_t Error() const { return FError; }
    unsigned Capabilities() const { return FCapabilities; }

    // Every TrackNN.cda of a disc root; empty when it holds no audio disc.
    static QStringList trackFiles(const QString& discRoot);
    static bool trackFileExists(const QString& path);

private:
    void requireOpen() const;
    QString discRootToOpen(int* track) const;
    bool takeNotify(bool byDefault);
    bool takeWait(bool byDefault);
    void pause();
    std::uint32_t startPlay(std::int64_t from, std::int64_t to, bool notify, bool wait);
    void haltPlayback(TMPNotifyValues pendingOutcome);
    void settlePending(TMPNotifyValues outcome);
    void postNotify(TMPNotifyValues value);
    void deliverNotify(TMPNotifyValues value);
    void streamEnded(bool failed, const QString& message);
    void releaseDevice();

    std::int64_t currentSample() const;
    std::int64_t discStart() const;
    std::int64_t playEnd() const;
    int encode(std::int64_t sample) const;
    int encodeLength(std::int64_t samples) const;
    bool decode(int value, std::int64_t* sample) const;

    unsigned FDeviceID = 0;
    bool FOpened = false;
    std::uint32_t FError = kMciNoError;
    bool FNotify = false;
    bool FUseNotify = false;
    bool FWait = false;
    bool FUseWait = false;
    int FStartPos = 0;
    bool FUseStartPos = false;
    int FEndPos = 0;
    bool FUseEndPos = false;
    TMPNotifyValues FNotifyValue = nvSuccessful;
    unsigned FCapabilities = 0;

    int m_timeFormat = MCI_FORMAT_MILLISECONDS;
    int m_volume = 1000;
    std::unique_ptr<CdAudioDisc> m_disc;
    QString m_claimedRoot;
    std::unique_ptr<CdAudioStream> m_stream;
    std::int64_t m_restSample = 0; // the position while nothing plays
    bool m_notifyPending = false;  // a notified Play or Resume has not ended yet
    bool m_closing = false;        // being destroyed: no event may run any more
};
