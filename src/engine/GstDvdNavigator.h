// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The DVD side of the graph: renders a DVD-Video folder (or the drive's disc) into the
// playbin through the DVD source and steers its navigator.

#include "engine/DvdVolume.h"
#include "engine/GraphInterfaces.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class GstGraph;
typedef struct _GstEvent GstEvent;

class GstDvdNavigator : public IDvdControl2, public IDvdInfo2 {
public:
    explicit GstDvdNavigator(GstGraph* graph);
    ~GstDvdNavigator() override;
    HRESULT RenderDvdVideoVolume(const QString& path, int flags, AM_DVD_RENDERSTATUS& status,
                                 int timeoutMs);

    HRESULT ShowMenu(DVD_MENU_ID menu) override;
    HRESULT PlayForwards(double speed) override;
    HRESULT PlayBackwards(double speed) override;
    HRESULT PlayChapterInTitle(int title, int chapter, unsigned flags) override;
    HRESULT PlayAtTime(const tagDVD_HMSF_TIMECODE& time, unsigned flags) override;
    HRESULT SelectAtPosition(int x, int y) override;
    HRESULT ActivateAtPosition(int x, int y) override;
    HRESULT SelectRelativeButton(DVD_RELATIVE_BUTTON button) override;
    HRESULT ActivateButton() override;
    HRESULT SetOption(DVD_OPTION_FLAG flag, bool value) override;
    HRESULT SelectSubpictureStream(int stream, unsigned flags) override;
    HRESULT SetSubpictureState(bool on, unsigned flags) override;

    HRESULT GetDVDVolumeInfo(int& volumes, int& volume, int& side, int& titles) override;
    HRESULT GetNumberOfChapters(int title, int& chapters) override;
    HRESULT GetTitleAttributes(int title, DVD_MenuAttributes& menu,
                               DVD_TitleAttributes& attributes) override;
    HRESULT GetSubpictureLanguage(int stream, int& lcid) override;
    HRESULT GetCurrentSubpicture(int& available, int& current, bool& disabled) override;
    HRESULT GetTotalTitleTime(tagDVD_HMSF_TIMECODE& total, unsigned& flags) override;

    bool option(DVD_OPTION_FLAG flag) const;

    // Where playback stands: the title (0 in a menu) and chapter, and the time in the
    // title; false when the source cannot tell yet.
    struct Location {
        int title = 0;
        int chapter = 0;
        std::int64_t timeNs = 0;
    };
    bool location(Location& where) const;
    // The same for what the output shows now: the source reads ahead, so its title and
    // chapter change before their pictures and sound come out.
    bool playedLocation(Location& where);
    void detach();

    // How the graph hears of changes the navigator makes itself (event code, params).
    std::function<void(int, std::intptr_t, std::intptr_t)> notify;

    // The source has no reverse playback: while rewinding, each call jumps back by what
    // the speed has covered since the rewind began. True while rewinding goes on.
    bool stepBackward();
    bool rewinding() const { return m_rewindSpeed > 0; }
    // A new title resets the source's own subpicture choice; put ours back.
    void reapplySubpicture();

private:
    HRESULT sendNavigation(GstEvent* event);
    // Where a rewind has got to in the title, by its speed and the time since it began.
    std::int64_t rewoundTo() const;
    HRESULT seekTime(double rate, std::int64_t ns, bool flush);
    HRESULT seekIn(const char* format, std::int64_t value);
    HRESULT seekInFormat(const char* format, std::int64_t value);
    HRESULT jumpFromMenu(int title, int chapter);
    void watchOutput();
    // Back to normal speed without a command for it (the title ended, a jump, a menu):
    // the player hears of it as of a rate change.
    void endScan();
    int titleNow() const;
    bool inTitle() const;
    const DvdTitleInfo* currentTitle() const;
    void applySubpicture();

    GstGraph* m_graph;
    DvdVolumeInfo m_volume;
    QByteArray m_device;
    unsigned long m_sourceSetup = 0;
    bool m_notifyParentalLevel = true;
    bool m_hmsfTimeEvents = false;
    double m_rewindSpeed = 0;
    std::int64_t m_rewindFromNs = 0;
    std::int64_t m_rewindStartMs = 0;
    std::int64_t m_rewindLandingNs = 0; // where the rewind's last jump goes
    double m_rate = 1.0;
    mutable int m_lastTitle = 0;
    int m_subpictureStream = 0;
    bool m_subpictureOn = false; // discs start with only their forced pictures shown
    std::shared_ptr<class DvdOutputTrack> m_played;
    int m_durationTitle = 0;
    std::int64_t m_durationNs = 0;
    int m_playedTitle = -1;
    int m_playedChapter = -1;
};

// The DVD-Video folder (the one holding video_ts.ifo) for an .ifo path or a folder, or
// an empty string when there is none. Letter case is ignored, as on disc file systems.
QString dvdVideoFolder(const QString& path);
