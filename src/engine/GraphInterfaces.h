// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The contracts between the filter graph and the controls and interfaces around it.

#include "engine/DSTypes.h"

#include <QString>
#include <cstdint>
#include <memory>

typedef struct _GstElement GstElement;

// A control that follows a graph: attached through its own FilterGraph property.
class IGraphListener {
public:
    virtual ~IGraphListener() = default;
    // Op: 0 about to run, 1 about to pause, 2 about to stop, 3 about to render a file,
    // 4 file rendered, 5 about to render a DVD, 6 DVD rendered, 7 activation changed.
    virtual void GraphControlEvent(int Op, int Param) = 0;
    virtual void GraphDSEvent(int Event, std::intptr_t Param1, std::intptr_t Param2) = 0;
};

// A listener that also brings a video renderer into the graph.
class IVideoWindowListener : public IGraphListener {
public:
    // The renderer element; the window keeps its own reference for its whole life.
    virtual GstElement* videoFilter() = 0;
    virtual QString videoFilterName() const = 0;
    // Op: 0 about to be added, 1 added, 2 about to be removed, 3 removed.
    virtual void VideoFilterEvent(int Op) = 0;
};

// Interface ids answered by TFilterGraph::QueryInterface.
enum class Iid { MediaControl, MediaEventEx, MediaSeeking, BasicAudio, DvdControl2, DvdInfo2 };

// Positions in 100-nanosecond units.
class IMediaSeeking {
public:
    virtual ~IMediaSeeking() = default;
    virtual HRESULT GetDuration(std::int64_t& duration) = 0;
    virtual HRESULT GetCurrentPosition(std::int64_t& current) = 0;
    virtual HRESULT GetStopPosition(std::int64_t& stop) = 0;
    virtual HRESULT SetPositions(std::int64_t* current, unsigned currentFlags, std::int64_t* stop,
                                 unsigned stopFlags) = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT GetRate(double& rate) = 0;
};

// Volume in hundredths of a decibel (-10000 silence .. 0 full), balance -10000..10000.
class IBasicAudio {
public:
    virtual ~IBasicAudio() = default;
    virtual HRESULT put_Volume(long volume) = 0;
    virtual HRESULT get_Volume(long& volume) = 0;
    virtual HRESULT put_Balance(long balance) = 0;
    virtual HRESULT get_Balance(long& balance) = 0;
};

enum DVD_MENU_ID { DVD_MENU_Title = 2, DVD_MENU_Root = 3 };
enum DVD_DOMAIN { DVD_DOMAIN_VideoTitleSetMenu = 3, DVD_DOMAIN_Title = 4 };
enum DVD_CMD_FLAGS { DVD_CMD_FLAG_None = 0, DVD_CMD_FLAG_Flush = 1 };
enum DVD_RELATIVE_BUTTON {
    DVD_Relative_Upper = 1,
    DVD_Relative_Lower = 2,
    DVD_Relative_Left = 3,
    DVD_Relative_Right = 4
};
enum DVD_OPTION_FLAG { DVD_NotifyParentalLevelChange = 2, DVD_HMSF_TimeCodeEvents = 3 };

// What a title's menus and the title itself carry (the parts the player reads).
struct DVD_MenuAttributes {
    bool fSubpicturePresent = false;
};
struct DVD_TitleAttributes {
    int ulNumberOfSubpictureStreams = 0;
};

// The DVD navigator's control side, over the DVD source of the graph.
class IDvdControl2 {
public:
    virtual ~IDvdControl2() = default;
    virtual HRESULT ShowMenu(DVD_MENU_ID menu) = 0;
    virtual HRESULT PlayForwards(double speed) = 0;
    virtual HRESULT PlayBackwards(double speed) = 0;
    virtual HRESULT PlayChapterInTitle(int title, int chapter, unsigned flags) = 0;
    // Jumps within the current title; flags 1 (flush) drops what is queued.
    virtual HRESULT PlayAtTime(const tagDVD_HMSF_TIMECODE& time, unsigned flags) = 0;
    virtual HRESULT SelectAtPosition(int x, int y) = 0;
    virtual HRESULT ActivateAtPosition(int x, int y) = 0;
    // The keyboard's way through a menu: the button beside the highlighted one, and the
    // highlighted one pressed.
    virtual HRESULT SelectRelativeButton(DVD_RELATIVE_BUTTON button) = 0;
    virtual HRESULT ActivateButton() = 0;
    virtual HRESULT SetOption(DVD_OPTION_FLAG flag, bool value) = 0;
    virtual HRESULT SelectSubpictureStream(int stream, unsigned flags) = 0;
    virtual HRESULT SetSubpictureState(bool on, unsigned flags) = 0;
};

// The DVD navigator's information side.
class IDvdInfo2 {
public:
    virtual ~IDvdInfo2() = default;
    virtual HRESULT GetDVDVolumeInfo(int& volumes, int& volume, int& side, int& titles) = 0;
    virtual HRESULT GetNumberOfChapters(int title, int& chapters) = 0;
    virtual HRESULT GetTitleAttributes(int title, DVD_MenuAttributes& menu,
                                       DVD_TitleAttributes& attributes) = 0;
    virtual HRESULT GetSubpictureLanguage(int stream, int& lcid) = 0;
    virtual HRESULT GetCurrentSubpicture(int& available, int& current, bool& disabled) = 0;
    virtual HRESULT GetTotalTitleTime(tagDVD_HMSF_TIMECODE& total, unsigned& flags) = 0;
};
