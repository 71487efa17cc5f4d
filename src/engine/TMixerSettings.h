// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The system mixer behind the volume slider and the mute box: ALSA's simple mixer.
//
// Line table, as built from the simple mixer's elements (in the mixer's own order,
// which puts Master first):
//   (-1, -1)  the card, named as the card reports itself ("PulseAudio" through the
//             sound server);
//   (0, 0)    the first element with a playback volume or switch; its playback
//             volume is the line's volume, its playback switch the mute (ON = sound);
//   (0, n)    every further playback element, in order (PCM, Line, CD, ...);
//   (d, 0)    the first capture element, as the next destination (recording);
//   (d, n)    every further capture element.
// A destination with no element is left out, so (0, 0) is the capture line on a card
// without playback controls. An element with both directions appears under both.
// Simple elements have no peak meters: MeterID is always kNoControl.

#include <QObject>
#include <QString>
#include <vector>

typedef struct _snd_mixer snd_mixer_t;
typedef struct _snd_mixer_elem snd_mixer_elem_t;
class QSocketNotifier;
class TAudio;

struct TMixerLine {
    static constexpr quint32 kNoControl = 0xFFFF;
    static constexpr quint8 kFlagNoMute = 0x80;
    static constexpr quint8 kFlagMonoVolume = 0x40;

    qint16 Destination = -1;
    qint16 Source = -1;
    QString Name;
    quint32 VolumeID = kNoControl;
    quint32 MuteID = kNoControl;
    quint32 MeterID = kNoControl;
    // Read at enumeration, then kept as the last state known to this program: a
    // notification from the mixer counts as an outside change only when it differs.
    quint16 LeftVolume = 0;
    quint16 RightVolume = 0;
    quint8 MeterChannels = 0;
    quint8 Flags = 0;
    bool Muted = false;
    bool IsPlayback = false;
    bool Mono = false;
    bool HasControls = false;

    // The element behind the line (null once the mixer removed it) and its direction.
    snd_mixer_elem_t* Element = nullptr;
    bool Capture = false;
    // The mixer reported a value change not yet compared with the known state.
    bool Pending = false;
};

class TMixerSettings : public QObject {
    Q_OBJECT
public:
    explicit TMixerSettings(TAudio* owner);
    ~TMixerSettings() override;

    bool SetVolume(quint16 Destination, quint16 Source, quint16 Left, quint16 Right, bool Mute);
    bool GetVolume(quint16 Destination, quint16 Source, quint16& Left, quint16& Right, bool& Mute,
                   quint8& Flags);

    bool MixerOpen() const { return FMixerOpen; }
    const std::vector<TMixerLine>& Lines() const { return FLines; }

    // Opens and enumerates device 0 ("default", the sound server or the first card) or
    // device n >= 1 (ALSA card n - 1). Called by the owner for its MixerDeviceID.
    void openDevice(int deviceId);

    static QByteArray alsaDeviceName(int deviceId);

private:
    bool attach(const QByteArray& device);
    void closeMixer();
    void enumerate(const QByteArray& device);
    void addLine(snd_mixer_elem_t* elem, qint16 destination, bool capture);
    TMixerLine* findLine(quint16 destination, quint16 source);

    bool pumpEvents();
    void watchDescriptors();
    void stopWatching();
    void serviceDescriptors();
    void queueChangeCheck();
    void checkChanges();
    void rememberState(TMixerLine& line);

    static int elementCallback(snd_mixer_elem_t* elem, unsigned int mask);

    TAudio* FAudio;
    bool FMixerOpen = false;
    snd_mixer_t* FMixerHandle = nullptr;
    // Stand in for the callback window: the mixer's descriptors watched by the GUI loop.
    std::vector<QSocketNotifier*> FNotifiers;
    std::vector<TMixerLine> FLines;
    quint32 FNextControlId = 1;
    bool FCheckQueued = false;
};
