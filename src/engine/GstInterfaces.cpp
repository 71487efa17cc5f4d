// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/GstInterfaces.h"

#include "engine/GstGraph.h"

#include <cmath>
#include <gst/gst.h>
#include <utility>

namespace {
constexpr std::int64_t kNsPer100Ns = 100;
} // namespace

// ---------------------------------------------------------------- seeking

GstMediaSeeking::GstMediaSeeking(GstElement* pipeline, std::shared_ptr<DurationCache> duration)
    : m_pipeline(GST_ELEMENT(gst_object_ref(pipeline))), m_duration(std::move(duration))
{
}

GstMediaSeeking::~GstMediaSeeking()
{
    gst_object_unref(m_pipeline);
}

HRESULT GstMediaSeeking::GetDuration(std::int64_t& duration)
{
    // The kept length only stands for a graph that is ready to play.
    GST_OBJECT_LOCK(m_pipeline);
    const bool ready = GST_STATE(m_pipeline) >= GST_STATE_PAUSED;
    GST_OBJECT_UNLOCK(m_pipeline);
    std::int64_t ns = -1;
    if (ready && m_duration->get(ns)) {
        duration = ns / kNsPer100Ns;
        return S_OK;
    }
    const std::uint64_t generation = m_duration->generation();
    gint64 asked = -1;
    if (!gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &asked) || asked < 0) {
        return E_FAIL;
    }
    if (ready) {
        m_duration->store(generation, asked);
    }
    duration = asked / kNsPer100Ns;
    return S_OK;
}

HRESULT GstMediaSeeking::GetCurrentPosition(std::int64_t& current)
{
    gint64 ns = -1;
    if (!gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &ns) || ns < 0) {
        return E_FAIL;
    }
    current = ns / kNsPer100Ns;
    return S_OK;
}

HRESULT GstMediaSeeking::GetStopPosition(std::int64_t& stop)
{
    if (m_stop >= 0) {
        stop = m_stop;
        return S_OK;
    }
    return GetDuration(stop);
}

HRESULT GstMediaSeeking::SetPositions(std::int64_t* current, unsigned currentFlags,
                                      std::int64_t* stop, unsigned stopFlags)
{
    const unsigned curMode = currentFlags & 3;
    const unsigned stopMode = stopFlags & 3;
    if (curMode == AM_SEEKING_NoPositioning && stopMode == AM_SEEKING_NoPositioning) {
        return S_OK;
    }
    std::int64_t target = 0;
    if (curMode != AM_SEEKING_NoPositioning) {
        if (!current) {
            return E_POINTER;
        }
        target = *current;
        if (curMode != AM_SEEKING_AbsolutePositioning) {
            std::int64_t now = 0;
            if (Failed(GetCurrentPosition(now))) {
                return E_FAIL;
            }
            target += now;
        }
        target = std::max<std::int64_t>(target, 0);
    }
    GstSeekType stopType = GST_SEEK_TYPE_NONE;
    std::int64_t stopValue = -1;
    if (stopMode != AM_SEEKING_NoPositioning && stop) {
        stopValue = *stop;
        if (stopMode != AM_SEEKING_AbsolutePositioning) {
            std::int64_t old = 0;
            if (Failed(GetStopPosition(old))) {
                return E_FAIL;
            }
            stopValue += old;
        }
        stopType = GST_SEEK_TYPE_SET;
    }
    const bool ok = gst_element_seek(
        m_pipeline, m_rate, GST_FORMAT_TIME,
        GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
        curMode == AM_SEEKING_NoPositioning ? GST_SEEK_TYPE_NONE : GST_SEEK_TYPE_SET,
        target * kNsPer100Ns, stopType, stopValue < 0 ? -1 : stopValue * kNsPer100Ns);
    if (ok && stopType == GST_SEEK_TYPE_SET) {
        m_stop = stopValue;
    }
    return ok ? S_OK : E_FAIL;
}

HRESULT GstMediaSeeking::SetRate(double rate)
{
    if (rate == 0.0) {
        return E_INVALIDARG;
    }
    if (rate == m_rate) {
        return S_OK; // nothing to change: spare the pipeline a flushing seek
    }
    std::int64_t now = 0;
    if (Failed(GetCurrentPosition(now))) {
        now = 0;
    }
    const bool ok = gst_element_seek(m_pipeline, rate, GST_FORMAT_TIME,
                                     GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                     GST_SEEK_TYPE_SET, now * kNsPer100Ns, GST_SEEK_TYPE_NONE, -1);
    if (!ok) {
        return E_FAIL;
    }
    m_rate = rate;
    return S_OK;
}

HRESULT GstMediaSeeking::GetRate(double& rate)
{
    rate = m_rate;
    return S_OK;
}

// ---------------------------------------------------------------- audio

GstBasicAudio::GstBasicAudio(GstElement* volume, GstElement* panorama)
    : m_volume(GST_ELEMENT(gst_object_ref(volume))),
      m_panorama(panorama ? GST_ELEMENT(gst_object_ref(panorama)) : nullptr)
{
}

GstBasicAudio::~GstBasicAudio()
{
    gst_object_unref(m_volume);
    if (m_panorama) {
        gst_object_unref(m_panorama);
    }
}

HRESULT GstBasicAudio::put_Volume(long volume)
{
    if (volume < -10000 || volume > 0) {
        return E_INVALIDARG;
    }
    // Hundredths of a decibel to amplitude; the bottom of the scale is silence.
    const double amplitude = volume <= -10000 ? 0.0 : std::pow(10.0, double(volume) / 2000.0);
    g_object_set(m_volume, "volume", amplitude, nullptr);
    return S_OK;
}

HRESULT GstBasicAudio::get_Volume(long& volume)
{
    gdouble amplitude = 0;
    g_object_get(m_volume, "volume", &amplitude, nullptr);
    volume = amplitude <= 1e-5 ? -10000 : long(std::lround(2000.0 * std::log10(amplitude)));
    volume = std::max(-10000L, std::min(0L, volume));
    return S_OK;
}

HRESULT GstBasicAudio::put_Balance(long balance)
{
    if (balance < -10000 || balance > 10000) {
        return E_INVALIDARG;
    }
    if (!m_panorama) {
        return E_NOTIMPL;
    }
    setBalance(m_panorama, gfloat(balance / 10000.0));
    return S_OK;
}

HRESULT GstBasicAudio::get_Balance(long& balance)
{
    if (!m_panorama) {
        balance = 0;
        return E_NOTIMPL;
    }
    gfloat pan = 0;
    g_object_get(m_panorama, "panorama", &pan, nullptr);
    balance = std::lround(pan * 10000.0);
    return S_OK;
}
