// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TMixerSettings.h"

#include "engine/TAudio.h"
#include "platform/Errors.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <algorithm>
#include <alsa/asoundlib.h>
#include <poll.h>
#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcMixer, "lumeno.mixer")

const QString kVolumeSetError = QStringLiteral("Volume SetControlError in Mixer");
const QString kMuteSetError = QStringLiteral("Mute SetControlError in Mixer");
const QString kVolumeGetError = QStringLiteral("Volume GetControlError in Mixer");
const QString kMuteGetError = QStringLiteral("Mute GetControlError in Mixer");

constexpr qint64 kFullScale = 65535;

// One direction of a simple element; the playback and capture calls differ only in name.
struct ElementSide {
    snd_mixer_elem_t* elem;
    bool capture;

    bool hasVolume() const
    {
        return capture ? snd_mixer_selem_has_capture_volume(elem)
                       : snd_mixer_selem_has_playback_volume(elem);
    }
    bool hasSwitch() const
    {
        return capture ? snd_mixer_selem_has_capture_switch(elem)
                       : snd_mixer_selem_has_playback_switch(elem);
    }
    bool isMono() const
    {
        // A joined volume moves all channels together, so it takes one value like a mono one.
        return capture ? snd_mixer_selem_is_capture_mono(elem) ||
                             snd_mixer_selem_has_capture_volume_joined(elem)
                       : snd_mixer_selem_is_playback_mono(elem) ||
                             snd_mixer_selem_has_playback_volume_joined(elem);
    }
    bool hasChannel(snd_mixer_selem_channel_id_t channel) const
    {
        return capture ? snd_mixer_selem_has_capture_channel(elem, channel)
                       : snd_mixer_selem_has_playback_channel(elem, channel);
    }
    bool range(long& min, long& max) const
    {
        const int err = capture ? snd_mixer_selem_get_capture_volume_range(elem, &min, &max)
                                : snd_mixer_selem_get_playback_volume_range(elem, &min, &max);
        return err >= 0 && max > min;
    }
    bool volume(snd_mixer_selem_channel_id_t channel, long& value) const
    {
        const int err = capture ? snd_mixer_selem_get_capture_volume(elem, channel, &value)
                                : snd_mixer_selem_get_playback_volume(elem, channel, &value);
        return err >= 0;
    }
    bool setVolume(snd_mixer_selem_channel_id_t channel, long value) const
    {
        const int err = capture ? snd_mixer_selem_set_capture_volume(elem, channel, value)
                                : snd_mixer_selem_set_playback_volume(elem, channel, value);
        return err >= 0;
    }
    bool setVolumeAll(long value) const
    {
        const int err = capture ? snd_mixer_selem_set_capture_volume_all(elem, value)
                                : snd_mixer_selem_set_playback_volume_all(elem, value);
        return err >= 0;
    }
    bool switchOn(bool& on) const
    {
        int value = 0;
        const int err =
            capture ? snd_mixer_selem_get_capture_switch(elem, SND_MIXER_SCHN_FRONT_LEFT, &value)
                    : snd_mixer_selem_get_playback_switch(elem, SND_MIXER_SCHN_FRONT_LEFT, &value);
        on = value != 0;
        return err >= 0;
    }
    bool setSwitchAll(bool on) const
    {
        const int err = capture ? snd_mixer_selem_set_capture_switch_all(elem, on ? 1 : 0)
                                : snd_mixer_selem_set_playback_switch_all(elem, on ? 1 : 0);
        return err >= 0;
    }
};

ElementSide sideOf(const TMixerLine& line)
{
    return {line.Element, line.Capture};
}

long toRaw(quint16 value, long min, long max)
{
    return long(min + (qint64(value) * (max - min) + kFullScale / 2) / kFullScale);
}

quint16 fromRaw(long raw, long min, long max)
{
    const qint64 scaled = (qint64(raw - min) * kFullScale + (max - min) / 2) / (max - min);
    return quint16(std::clamp<qint64>(scaled, 0, kFullScale));
}

bool readVolume(const TMixerLine& line, quint16& left, quint16& right)
{
    if (!line.Element || line.VolumeID == TMixerLine::kNoControl) {
        return false;
    }
    const ElementSide side = sideOf(line);
    long min = 0, max = 0, l = 0, r = 0;
    if (!side.range(min, max) || !side.volume(SND_MIXER_SCHN_FRONT_LEFT, l)) {
        return false;
    }
    if (!line.Mono && !side.volume(SND_MIXER_SCHN_FRONT_RIGHT, r)) {
        return false;
    }
    left = fromRaw(l, min, max);
    right = line.Mono ? left : fromRaw(r, min, max);
    return true;
}

bool readMute(const TMixerLine& line, bool& muted)
{
    if (!line.Element || line.MuteID == TMixerLine::kNoControl) {
        return false;
    }
    bool on = false;
    if (!sideOf(line).switchOn(on)) {
        return false;
    }
    muted = !on;
    return true;
}

bool writeVolume(const TMixerLine& line, quint16 left, quint16 right)
{
    if (!line.Element) {
        return false;
    }
    const ElementSide side = sideOf(line);
    long min = 0, max = 0;
    if (!side.range(min, max)) {
        return false;
    }
    // One write when both sides agree, so the mixer never shows a half-applied pair.
    if (line.Mono || left == right) {
        return side.setVolumeAll(toRaw(left, min, max));
    }
    // Channels past the front pair (rear, centre, ...) follow the louder side.
    for (int c = SND_MIXER_SCHN_FRONT_LEFT; c <= SND_MIXER_SCHN_LAST; ++c) {
        const auto channel = snd_mixer_selem_channel_id_t(c);
        if (!side.hasChannel(channel)) {
            continue;
        }
        const quint16 value = channel == SND_MIXER_SCHN_FRONT_LEFT    ? left
                              : channel == SND_MIXER_SCHN_FRONT_RIGHT ? right
                                                                      : std::max(left, right);
        if (!side.setVolume(channel, toRaw(value, min, max))) {
            return false;
        }
    }
    return true;
}

bool writeMute(const TMixerLine& line, bool mute)
{
    return line.Element && sideOf(line).setSwitchAll(!mute);
}

QString cardName(snd_mixer_t* mixer, const QByteArray& device)
{
    snd_hctl_t* hctl = nullptr;
    snd_ctl_card_info_t* info = nullptr;
    QString name = QString::fromLatin1(device);
    if (snd_mixer_get_hctl(mixer, device.constData(), &hctl) < 0 ||
        snd_ctl_card_info_malloc(&info) < 0) {
        return name;
    }
    if (snd_ctl_card_info(snd_hctl_ctl(hctl), info) >= 0) {
        name = QString::fromUtf8(snd_ctl_card_info_get_name(info));
    }
    snd_ctl_card_info_free(info);
    return name;
}

void closeHandle(snd_mixer_t* mixer)
{
    const int err = snd_mixer_close(mixer);
    if (err < 0) {
        qCWarning(lcMixer) << "closing the mixer failed:" << snd_strerror(err);
    }
}

} // namespace

TMixerSettings::TMixerSettings(TAudio* owner) : QObject(owner), FAudio(owner) {}

TMixerSettings::~TMixerSettings()
{
    closeMixer();
}

QByteArray TMixerSettings::alsaDeviceName(int deviceId)
{
    // Tests give the program a mixer of its own so the machine's volume is never touched.
    const QByteArray forced = qgetenv("LUMENO_MIXER_DEVICE");
    if (deviceId <= 0 && !forced.isEmpty()) {
        return forced;
    }
    return deviceId <= 0 ? QByteArrayLiteral("default") : "hw:" + QByteArray::number(deviceId - 1);
}

// ---------------------------------------------------------------- open and enumerate

void TMixerSettings::openDevice(int deviceId)
{
    // A failed reopening leaves FMixerOpen as it was; with no lines nothing matches.
    closeMixer();
    const QByteArray device = alsaDeviceName(deviceId);
    if (!attach(device)) {
        return;
    }
    enumerate(device);
    if (FLines.size() <= 1) {
        closeMixer();
        return;
    }
    watchDescriptors();
    FMixerOpen = true;
}

bool TMixerSettings::attach(const QByteArray& device)
{
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0) {
        return false;
    }
    if (snd_mixer_attach(mixer, device.constData()) < 0 ||
        snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0) {
        closeHandle(mixer);
        return false;
    }
    FMixerHandle = mixer;
    return true;
}

void TMixerSettings::closeMixer()
{
    stopWatching();
    FLines.clear();
    if (FMixerHandle) {
        closeHandle(FMixerHandle);
        FMixerHandle = nullptr;
    }
}

void TMixerSettings::enumerate(const QByteArray& device)
{
    TMixerLine head;
    head.Name = cardName(FMixerHandle, device);
    FLines.push_back(head);

    std::vector<snd_mixer_elem_t*> playback, capture;
    for (snd_mixer_elem_t* elem = snd_mixer_first_elem(FMixerHandle); elem;
         elem = snd_mixer_elem_next(elem)) {
        if (!snd_mixer_selem_is_active(elem)) {
            continue;
        }
        if (ElementSide{elem, false}.hasVolume() || ElementSide{elem, false}.hasSwitch()) {
            playback.push_back(elem);
        }
        if (ElementSide{elem, true}.hasVolume() || ElementSide{elem, true}.hasSwitch()) {
            capture.push_back(elem);
        }
    }
    qint16 destination = 0;
    for (const auto& [group, isCapture] : {std::pair{&playback, false}, {&capture, true}}) {
        if (group->empty()) {
            continue;
        }
        for (snd_mixer_elem_t* elem : *group) {
            addLine(elem, destination, isCapture);
        }
        ++destination;
    }
}

void TMixerSettings::addLine(snd_mixer_elem_t* elem, qint16 destination, bool capture)
{
    TMixerLine line;
    const TMixerLine& previous = FLines.back();
    line.Destination = destination;
    line.Source = previous.Destination == destination ? qint16(previous.Source + 1) : 0;
    line.Name = QString::fromUtf8(snd_mixer_selem_get_name(elem));
    line.Flags = TMixerLine::kFlagNoMute;
    line.IsPlayback = !capture;
    line.Element = elem;
    line.Capture = capture;

    const ElementSide side{elem, capture};
    long min = 0, max = 0;
    if (side.hasVolume() && side.range(min, max)) {
        line.Mono = side.isMono();
        line.VolumeID = FNextControlId++;
        if (readVolume(line, line.LeftVolume, line.RightVolume)) {
            line.HasControls = true;
            if (line.Mono) {
                line.Flags |= TMixerLine::kFlagMonoVolume;
            }
        } else {
            line.VolumeID = TMixerLine::kNoControl;
            line.Mono = false;
        }
    }
    if (side.hasSwitch()) {
        line.MuteID = FNextControlId++;
        if (readMute(line, line.Muted)) {
            line.HasControls = true;
            line.Flags &= quint8(~TMixerLine::kFlagNoMute);
        } else {
            line.MuteID = TMixerLine::kNoControl;
        }
    }
    snd_mixer_elem_set_callback_private(elem, this);
    snd_mixer_elem_set_callback(elem, &TMixerSettings::elementCallback);
    FLines.push_back(line);
}

TMixerLine* TMixerSettings::findLine(quint16 destination, quint16 source)
{
    // Compared as numbers, so the head record's -1 never matches 0xFFFF.
    for (TMixerLine& line : FLines) {
        if (int(line.Destination) == int(destination) && int(line.Source) == int(source)) {
            return &line;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------- operations

bool TMixerSettings::SetVolume(quint16 Destination, quint16 Source, quint16 Left, quint16 Right,
                               bool Mute)
{
    TMixerLine* line = FMixerOpen ? findLine(Destination, Source) : nullptr;
    if (!line) {
        return false;
    }
    // The simple mixer skips a write equal to its cached value, so bring the cache up to
    // date first; if that fails, the write below reports the dead mixer.
    pumpEvents();
    if (line->VolumeID < TMixerLine::kNoControl && !writeVolume(*line, Left, Right)) {
        FAudio->setLastError(kVolumeSetError);
        return false;
    }
    if (line->MuteID < TMixerLine::kNoControl && !writeMute(*line, Mute)) {
        FAudio->setLastError(kMuteSetError);
        return false;
    }
    rememberState(*line);
    return true;
}

bool TMixerSettings::GetVolume(quint16 Destination, quint16 Source, quint16& Left, quint16& Right,
                               bool& Mute, quint8& Flags)
{
    TMixerLine* line = FMixerOpen ? findLine(Destination, Source) : nullptr;
    if (!line) {
        return false;
    }
    Flags = line->Flags;
    if (!pumpEvents() || !readVolume(*line, Left, Right)) {
        FAudio->setLastError(kVolumeGetError);
        return false;
    }
    if (!readMute(*line, Mute)) {
        FAudio->setLastError(kMuteGetError);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- change notification

bool TMixerSettings::pumpEvents()
{
    if (!FMixerHandle || snd_mixer_handle_events(FMixerHandle) < 0) {
        return false;
    }
    // Changes seen here belong to the notifier path; report them from the event loop,
    // never from inside the caller's Get or Set.
    queueChangeCheck();
    return true;
}

int TMixerSettings::elementCallback(snd_mixer_elem_t* elem, unsigned int mask)
{
    auto* self = static_cast<TMixerSettings*>(snd_mixer_elem_get_callback_private(elem));
    if (!self) {
        return 0;
    }
    for (TMixerLine& line : self->FLines) {
        if (line.Element != elem) {
            continue;
        }
        if (mask == SND_CTL_EVENT_MASK_REMOVE) {
            line.Element = nullptr; // the element is freed after this call
        } else if (mask & SND_CTL_EVENT_MASK_VALUE) {
            line.Pending = true;
        }
    }
    return 0;
}

void TMixerSettings::watchDescriptors()
{
    const int count = snd_mixer_poll_descriptors_count(FMixerHandle);
    if (count <= 0) {
        return;
    }
    std::vector<pollfd> fds(static_cast<size_t>(count));
    const int filled = snd_mixer_poll_descriptors(FMixerHandle, fds.data(), unsigned(count));
    for (int i = 0; i < filled; ++i) {
        const auto type =
            (fds[size_t(i)].events & POLLOUT) ? QSocketNotifier::Write : QSocketNotifier::Read;
        auto* notifier = new QSocketNotifier(fds[size_t(i)].fd, type, this);
        connect(notifier, &QSocketNotifier::activated, this, &TMixerSettings::serviceDescriptors);
        FNotifiers.push_back(notifier);
    }
}

void TMixerSettings::stopWatching()
{
    for (QSocketNotifier* notifier : FNotifiers) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
    FNotifiers.clear();
}

void TMixerSettings::serviceDescriptors()
{
    // The mixer's handle is non-blocking and reading drains its descriptors, so a wake-up
    // with nothing to read costs one empty read. A mixer whose server went away keeps
    // failing: stop listening to it rather than spin; Get and Set then report it.
    if (!pumpEvents()) {
        qCWarning(lcMixer) << "the mixer stopped delivering events; changes are no longer reported";
        stopWatching();
        return;
    }
    checkChanges();
}

void TMixerSettings::queueChangeCheck()
{
    const bool pending =
        std::any_of(FLines.begin(), FLines.end(), [](const TMixerLine& l) { return l.Pending; });
    if (!pending || FCheckQueued) {
        return;
    }
    FCheckQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FCheckQueued = false;
            checkChanges();
        },
        Qt::QueuedConnection);
}

void TMixerSettings::checkChanges()
{
    std::vector<std::pair<quint16, quint16>> changed;
    for (TMixerLine& line : FLines) {
        if (!line.Pending) {
            continue;
        }
        line.Pending = false;
        const quint16 left = line.LeftVolume, right = line.RightVolume;
        const bool muted = line.Muted;
        rememberState(line);
        if (left != line.LeftVolume || right != line.RightVolume || muted != line.Muted) {
            changed.emplace_back(quint16(line.Destination), quint16(line.Source));
        }
    }
    // The handler may reopen the mixer; the table is not touched while it runs.
    for (const auto& [destination, source] : changed) {
        if (!FMixerOpen || !FAudio->OnMixerChange) {
            return;
        }
        try {
            FAudio->OnMixerChange(FAudio, destination, source);
        } catch (const std::exception& error) {
            Platform::handleException(error);
        }
    }
}

void TMixerSettings::rememberState(TMixerLine& line)
{
    // What the mixer holds now (its own rounding included) is what later notices compare to.
    quint16 left = 0, right = 0;
    bool muted = false;
    if (readVolume(line, left, right)) {
        line.LeftVolume = left;
        line.RightVolume = right;
    }
    if (readMute(line, muted)) {
        line.Muted = muted;
    }
}
