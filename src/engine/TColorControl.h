// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Colour settings of the video overlay, in the units the overlay hardware takes, and
// their mapping onto a video sink's colour balance.

#include <QString>
#include <functional>
#include <stdexcept>

typedef struct _GstElement GstElement;

// A video setting outside its range; the value stays as it was.
class EVideoRangeError : public std::out_of_range {
public:
    explicit EVideoRangeError(const QString& message) : std::out_of_range(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// One complete colour control record (all seven values valid).
struct TColorValues {
    static constexpr int kRecordSize = 40;
    static constexpr unsigned kAllFlags = 127;

    int Brightness = 750;
    int Contrast = 10000;
    int Hue = 0;
    int Saturation = 10000;
    int Sharpness = 5;
    int Gamma = 1;
    bool ColorEnable = true;

    bool operator==(const TColorValues& o) const
    {
        return Brightness == o.Brightness && Contrast == o.Contrast && Hue == o.Hue &&
               Saturation == o.Saturation && Sharpness == o.Sharpness && Gamma == o.Gamma &&
               ColorEnable == o.ColorEnable;
    }
    bool operator!=(const TColorValues& o) const { return !(*this == o); }
};

class TColorControl {
public:
    int Brightness() const { return FValues.Brightness; }
    void setBrightness(int value);
    int Contrast() const { return FValues.Contrast; }
    void setContrast(int value);
    int Hue() const { return FValues.Hue; }
    void setHue(int value);
    int Saturation() const { return FValues.Saturation; }
    void setSaturation(int value);
    int Sharpness() const { return FValues.Sharpness; }
    void setSharpness(int value);
    int Gamma() const { return FValues.Gamma; }
    void setGamma(int value);
    bool ColorEnable() const { return FValues.ColorEnable; }
    void setColorEnable(bool value);

    const TColorValues& values() const { return FValues; }
    // Takes a whole record that is already known to be in range (read back from a sink).
    void assign(const TColorValues& values);

    // The hardware's own settings while an overlay is in use.
    TColorValues& saved() { return FSaved; }

    // Called after every stored change; the window applies the values to its sink.
    std::function<void()> OnChange;

private:
    void store(int& field, int value, int low, int high, const char* range);

    TColorValues FValues;
    TColorValues FSaved;
};

// The colour balance a sink offers, in the units of TColorValues. A sink without one
// (or with no channels) is not an overlay for the video window.
namespace ColorBalance {
bool available(GstElement* sink);
bool hasChannel(GstElement* sink, const char* name);
// The sink's current settings; values without a channel keep those of `fallback`.
TColorValues read(GstElement* sink, const TColorValues& fallback);
void apply(GstElement* sink, const TColorValues& values);
} // namespace ColorBalance

// What the overlay in use can do; all False without an overlay.
class TDSVideoWindowEx2Caps {
public:
    explicit TDSVideoWindowEx2Caps(std::function<GstElement*()> overlaySink)
        : m_overlaySink(std::move(overlaySink))
    {
    }
    bool CanOverlayGraphic() const { return m_overlaySink() != nullptr; }
    bool CanControlBrigtness() const { return can("BRIGHTNESS"); }
    bool CanControlContrast() const { return can("CONTRAST"); }
    bool CanControlHue() const { return can("HUE"); }
    bool CanControlSaturation() const { return can("SATURATION"); }
    bool CanControlSharpness() const { return can("SHARPNESS"); }
    bool CanControlGamma() const { return can("GAMMA"); }
    // Colour is switched off through the saturation channel.
    bool CanControlColorEnabled() const { return can("SATURATION"); }

private:
    bool can(const char* channel) const;
    std::function<GstElement*()> m_overlaySink;
};
