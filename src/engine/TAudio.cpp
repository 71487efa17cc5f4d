// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TAudio.h"

#include "engine/TMixerSettings.h"

TAudio::TAudio(QObject* owner) : QObject(owner), FMixer(new TMixerSettings(this))
{
    FMixer->openDevice(FMixerDeviceID);
}

TAudio::~TAudio() = default;

void TAudio::setMixerDeviceID(int value)
{
    if (value == FMixerDeviceID) {
        return;
    }
    FMixerDeviceID = value;
    FMixer->openDevice(value);
}
