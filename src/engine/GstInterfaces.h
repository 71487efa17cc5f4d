// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The seeking, audio and DVD navigator interfaces over a live playbin.

#include "engine/GraphInterfaces.h"

#include <QString>
#include <memory>

class DurationCache;

class GstMediaSeeking : public IMediaSeeking {
public:
    // duration: the graph's kept length.
    GstMediaSeeking(GstElement* pipeline, std::shared_ptr<DurationCache> duration);
    ~GstMediaSeeking() override;
    HRESULT GetDuration(std::int64_t& duration) override;
    HRESULT GetCurrentPosition(std::int64_t& current) override;
    HRESULT GetStopPosition(std::int64_t& stop) override;
    HRESULT SetPositions(std::int64_t* current, unsigned currentFlags, std::int64_t* stop,
                         unsigned stopFlags) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double& rate) override;

private:
    GstElement* m_pipeline;
    std::shared_ptr<DurationCache> m_duration;
    double m_rate = 1.0;
    std::int64_t m_stop = -1; // 100-ns units, -1 = the end of the media
};

class GstBasicAudio : public IBasicAudio {
public:
    // volume: an element with a linear "volume" property (a volume element, or playbin).
    GstBasicAudio(GstElement* volume, GstElement* panorama);
    ~GstBasicAudio() override;
    HRESULT put_Volume(long volume) override;
    HRESULT get_Volume(long& volume) override;
    HRESULT put_Balance(long balance) override;
    HRESULT get_Balance(long& balance) override;

private:
    GstElement* m_volume;
    GstElement* m_panorama;
};

// The DVD side lives with its own file; code that reaches the graph's interfaces finds
// it here too.
#include "engine/GstDvdNavigator.h"
