#pragma once
// The seeking, audio and DVD navigator interfaces over a live playbin.

#include "engine/GraphInterfaces.h"

#include <QString>

class GstGraph;
typedef struct _GstEvent GstEvent;

class GstMediaSeeking : public IMediaSeeking {
public:
    explicit GstMediaSeeking(GstElement* pipeline);
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
    double m_rate = 1.0;
    std::int64_t m_stop = -1; // 100-ns units, -1 = the end of the media
};

class GstBasicAudio : public IBasicAudio {
public:
    GstBasicAudio(GstElement* pipeline, GstElement* panorama);
    ~GstBasicAudio() override;
    HRESULT put_Volume(long volume) override;
    HRESULT get_Volume(long& volume) override;
    HRESULT put_Balance(long balance) override;
    HRESULT get_Balance(long& balance) override;

private:
    GstElement* m_pipeline;
    GstElement* m_panorama;
};

// The DVD side of the graph: renders a DVD-Video folder (or the drive's disc) into the
// playbin through the DVD source and steers its navigator.
class GstDvdNavigator : public IDvdControl2, public IDvdInfo2 {
public:
    explicit GstDvdNavigator(GstGraph* graph);
    HRESULT RenderDvdVideoVolume(const QString& path, int flags, AM_DVD_RENDERSTATUS& status,
                                 int timeoutMs);

    HRESULT ShowMenu(DVD_MENU_ID menu) override;
    HRESULT PlayForwards(double speed) override;
    HRESULT PlayAtTime(const tagDVD_HMSF_TIMECODE& time, unsigned flags) override;
    HRESULT SelectAtPosition(int x, int y) override;
    HRESULT ActivateAtPosition(int x, int y) override;
    HRESULT SetOption(DVD_OPTION_FLAG flag, bool value) override;
    HRESULT GetSubpictureLanguage(int stream, int& lcid) override;

    bool option(DVD_OPTION_FLAG flag) const;

    // Where playback stands: the title (0 in a menu) and chapter, and the time in the
    // title; false when the source cannot tell yet.
    struct Location {
        int title = 0;
        int chapter = 0;
        std::int64_t timeNs = 0;
    };
    bool location(Location& where) const;
    void detach() { m_graph = nullptr; }

private:
    HRESULT sendNavigation(GstEvent* event);

    GstGraph* m_graph;
    bool m_notifyParentalLevel = true;
    bool m_hmsfTimeEvents = false;
};

// The DVD-Video folder (the one holding video_ts.ifo) for an .ifo path or a folder, or
// an empty string when there is none. Letter case is ignored, as on disc file systems.
QString dvdVideoFolder(const QString& path);
