// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The non-visual audio component: it owns the system mixer part the player's volume
// slider and mute box act on. Wave recording and playback are never used here.

#include <QObject>
#include <QString>
#include <functional>

class TMixerSettings;

class TAudio : public QObject {
    Q_OBJECT
public:
    explicit TAudio(QObject* owner = nullptr);
    ~TAudio() override;

    int MixerDeviceID() const { return FMixerDeviceID; }
    void setMixerDeviceID(int value);
    TMixerSettings* Mixer() const { return FMixer; }
    QString LastError() const { return FLastError; }

    // A control of a known line was changed by someone else; unassigned is skipped.
    std::function<void(TAudio* Sender, quint16 Destination, quint16 Source)> OnMixerChange;

private:
    friend class TMixerSettings;
    void setLastError(const QString& text) { FLastError = text; }

    int FMixerDeviceID = 0;
    TMixerSettings* FMixer = nullptr;
    QString FLastError;
};
