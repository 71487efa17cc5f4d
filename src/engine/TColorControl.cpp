// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TColorControl.h"

#include <QByteArray>
#include <cmath>
#include <gst/video/colorbalance.h>

namespace {

void checkRange(int value, int low, int high, const char* range)
{
    if (value < low || value > high) {
        throw EVideoRangeError(QStringLiteral("Value %1 out of range. Value must bee between %2")
                                   .arg(value)
                                   .arg(QLatin1String(range)));
    }
}

// The overlay's scale of one setting: its limits and the neutral value, which lands on
// the middle of a sink channel so that the defaults leave the picture as it is.
struct Scale {
    const char* channel;
    int low;
    int neutral;
    int high;
};

constexpr Scale kBrightness{"BRIGHTNESS", 0, 750, 10000};
constexpr Scale kContrast{"CONTRAST", 0, 10000, 20000};
constexpr Scale kHue{"HUE", -180, 0, 180};
constexpr Scale kSaturation{"SATURATION", 0, 10000, 20000};
constexpr Scale kSharpness{"SHARPNESS", 0, 5, 10};
constexpr Scale kGamma{"GAMMA", 1, 1, 500};

int toChannel(const Scale& s, int value, const GstColorBalanceChannel* ch)
{
    const double middle = ch->min_value + (ch->max_value - ch->min_value) / 2.0;
    double result = middle;
    if (value < s.neutral && s.neutral > s.low) {
        result = ch->min_value + (value - s.low) * (middle - ch->min_value) / (s.neutral - s.low);
    } else if (value > s.neutral && s.high > s.neutral) {
        result = middle + (value - s.neutral) * (ch->max_value - middle) / (s.high - s.neutral);
    }
    return int(std::lround(result));
}

int fromChannel(const Scale& s, int level, const GstColorBalanceChannel* ch)
{
    const double middle = ch->min_value + (ch->max_value - ch->min_value) / 2.0;
    double result = s.neutral;
    if (level < middle && middle > ch->min_value) {
        result = s.low + (level - ch->min_value) * (s.neutral - s.low) / (middle - ch->min_value);
    } else if (level > middle && ch->max_value > middle) {
        result = s.neutral + (level - middle) * (s.high - s.neutral) / (ch->max_value - middle);
    }
    return std::max(s.low, std::min(s.high, int(std::lround(result))));
}

GstColorBalanceChannel* findChannel(GstElement* sink, const char* name)
{
    if (!sink || !GST_IS_COLOR_BALANCE(sink)) {
        return nullptr;
    }
    const GList* channels = gst_color_balance_list_channels(GST_COLOR_BALANCE(sink));
    for (const GList* it = channels; it; it = it->next) {
        auto* channel = static_cast<GstColorBalanceChannel*>(it->data);
        if (channel->label && QByteArray(channel->label).toUpper().contains(name)) {
            return channel;
        }
    }
    return nullptr;
}

void readOne(GstElement* sink, const Scale& s, int& field)
{
    if (GstColorBalanceChannel* ch = findChannel(sink, s.channel)) {
        field = fromChannel(s, gst_color_balance_get_value(GST_COLOR_BALANCE(sink), ch), ch);
    }
}

void applyOne(GstElement* sink, const Scale& s, int value)
{
    if (GstColorBalanceChannel* ch = findChannel(sink, s.channel)) {
        gst_color_balance_set_value(GST_COLOR_BALANCE(sink), ch, toChannel(s, value, ch));
    }
}

} // namespace

// ---------------------------------------------------------------- TColorControl

void TColorControl::store(int& field, int value, int low, int high, const char* range)
{
    checkRange(value, low, high, range);
    field = value;
    if (OnChange) {
        OnChange();
    }
}

void TColorControl::setBrightness(int value)
{
    store(FValues.Brightness, value, 0, 10000, "0 -> 10.000");
}

void TColorControl::setContrast(int value)
{
    store(FValues.Contrast, value, 0, 20000, "0 -> 20.000");
}

void TColorControl::setHue(int value)
{
    store(FValues.Hue, value, -180, 180, "-180 -> 180");
}

void TColorControl::setSaturation(int value)
{
    store(FValues.Saturation, value, 0, 20000, "0 -> 20.000");
}

void TColorControl::setSharpness(int value)
{
    store(FValues.Sharpness, value, 0, 10, "0 -> 10");
}

void TColorControl::setGamma(int value)
{
    store(FValues.Gamma, value, 1, 500, "1 -> 500");
}

void TColorControl::setColorEnable(bool value)
{
    FValues.ColorEnable = value;
    if (OnChange) {
        OnChange();
    }
}

void TColorControl::assign(const TColorValues& values)
{
    FValues = values;
    if (OnChange) {
        OnChange();
    }
}

// ---------------------------------------------------------------- ColorBalance

bool ColorBalance::available(GstElement* sink)
{
    return sink && GST_IS_COLOR_BALANCE(sink) &&
           gst_color_balance_list_channels(GST_COLOR_BALANCE(sink)) != nullptr;
}

bool ColorBalance::hasChannel(GstElement* sink, const char* name)
{
    return findChannel(sink, name) != nullptr;
}

TColorValues ColorBalance::read(GstElement* sink, const TColorValues& fallback)
{
    TColorValues v = fallback;
    readOne(sink, kBrightness, v.Brightness);
    readOne(sink, kContrast, v.Contrast);
    readOne(sink, kHue, v.Hue);
    readOne(sink, kSaturation, v.Saturation);
    readOne(sink, kSharpness, v.Sharpness);
    readOne(sink, kGamma, v.Gamma);
    return v;
}

void ColorBalance::apply(GstElement* sink, const TColorValues& values)
{
    applyOne(sink, kBrightness, values.Brightness);
    applyOne(sink, kContrast, values.Contrast);
    applyOne(sink, kHue, values.Hue);
    // With colour off the picture is shown grey: the lowest saturation.
    applyOne(sink, kSaturation, values.ColorEnable ? values.Saturation : kSaturation.low);
    applyOne(sink, kSharpness, values.Sharpness);
    applyOne(sink, kGamma, values.Gamma);
}

bool TDSVideoWindowEx2Caps::can(const char* channel) const
{
    return ColorBalance::hasChannel(m_overlaySink(), channel);
}
