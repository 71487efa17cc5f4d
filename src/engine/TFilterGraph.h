// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The media graph component: one playback graph at a time, its state as properties,
// a few operations, and the graph's events delivered on the GUI thread.

#include "engine/GraphInterfaces.h"
#include "engine/MediaTags.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>

class GstGraph;
class GstDvdNavigator;
class MediaEventQueue;
class QTimer;
struct GraphEvent;

class EDirectShowException : public std::runtime_error {
public:
    EDirectShowException(const QString& message, HRESULT hr)
        : std::runtime_error(message.toStdString()), ErrorCode(hr)
    {
    }
    QString Message() const { return QString::fromStdString(what()); }
    HRESULT ErrorCode;
};

class TFilterGraph : public QObject {
    Q_OBJECT
public:
    enum TGraphMode { gmNormal = 0, gmCapture = 1, gmDVD = 2 };

    explicit TFilterGraph(QObject* owner = nullptr);
    ~TFilterGraph() override;

    bool Active() const { return FActive; }
    void setActive(bool value);
    TGraphMode Mode() const { return FMode; }
    void setMode(TGraphMode value);
    bool GraphEdit() const { return FGraphEdit; }
    void setGraphEdit(bool value);
    bool LinearVolume() const { return FLinearVolume; }
    void setLinearVolume(bool value);
    int Volume() const { return FVolume; }
    void setVolume(int value);
    int Balance() const { return FBalance; }
    void setBalance(int value);
    double Rate() const { return FRate; }
    void setRate(double value);
    // How long a render may take before it counts as failed (ms). A disc in a drive
    // spins up and exchanges its keys first, which a file on disk never needs.
    int RenderTimeout() const { return FRenderTimeoutMs; }
    void setRenderTimeout(int ms) { FRenderTimeoutMs = ms; }

    HRESULT RenderFile(const QString& FileName);
    HRESULT RenderDVD(AM_DVD_RENDERSTATUS& Status, const QString& FileName, int Flags);
    bool Play();
    bool Pause();
    bool Stop();
    void ClearGraph();

    // S_OK when the interface is there now, E_NOINTERFACE otherwise.
    HRESULT QueryInterface(Iid iid) const;
    std::shared_ptr<IMediaSeeking> QueryMediaSeeking() const;
    std::shared_ptr<IBasicAudio> QueryBasicAudio() const;
    std::shared_ptr<IDvdControl2> QueryDvdControl2() const;
    std::shared_ptr<IDvdInfo2> QueryDvdInfo2() const;

    QString GetErrorText(HRESULT hr) const;
    // Raises EDirectShowException for a failing result, returns a success code unchanged.
    HRESULT CheckDSError(HRESULT hr) const;

    // Attached controls (through their own FilterGraph property).
    void addGraphControl(IGraphListener* listener);
    void removeGraphControl(IGraphListener* listener);
    const QList<IGraphListener*>& graphControls() const { return FGraphControls; }

    // Outside inspection: non-zero while the live graph is registered.
    quint32 graphEditCookie() const { return FGraphEditCookie; }
    QString graphEditName() const { return FGraphEditName; }
    // The playbin of the live graph (for inspection and tests), or null.
    GstElement* pipeline() const;

    // Events; an unassigned one is skipped.
    std::function<void(TFilterGraph*)> OnActivate;
    std::function<void(TFilterGraph*, int Event, std::intptr_t Param1, std::intptr_t Param2)>
        OnDSEvent;
    std::function<void(TFilterGraph*, HRESULT Result, void* Renderer)> OnGraphComplete;
    std::function<void(TFilterGraph*, int title)> OnDVDTitleChange;
    std::function<void(TFilterGraph*, int chapter)> OnDVDChapterStart;
    std::function<void(TFilterGraph*, int SubNum, int lcid, const QString& Lang)>
        OnDVDSubpictureStreamChange;
    std::function<void(TFilterGraph*, const tagDVD_HMSF_TIMECODE& HMSFTimeCode,
                       const tagDVD_TIMECODE& TimeCode)>
        OnDVDCurrentHMSFTime;
    std::function<void(TFilterGraph*, int domain)> OnDVDDomainChange;
    std::function<void(TFilterGraph*, double rate)> OnDVDPlaybackRateChange;

    // The tags of the file being played so far; empty without a graph or a render.
    MediaTags Tags() const;

    // Queues one event as the graph would and announces it to the message loop.
    void postGraphEvent(int code, std::intptr_t param1, std::intptr_t param2);

    static constexpr int kRenderTimeoutMs = 4000;
    static constexpr int kDiscRenderTimeoutMs = 20000;

signals:
    // The file's tags changed (they arrive while it plays; a new file starts without).
    void TagsChanged();

protected:
    bool event(QEvent* e) override;

private:
    void activate();
    void deactivate();
    void registerGraphEdit();
    void revokeGraphEdit();
    void notifyControls(int op, int param);
    void addVideoFilters(IVideoWindowListener* only = nullptr);
    void removeVideoFilters(IVideoWindowListener* only = nullptr);
    void reapplyAudio();
    void handleGraphEvents();
    void dispatchEvent(const GraphEvent& ev);
    void dumpGraphForInspection(const char* stage) const;
    void pollDvdLocation();

    bool FActive = false;
    TGraphMode FMode = gmNormal;
    bool FGraphEdit = false;
    bool FLinearVolume = true;
    int FVolume = 10000;
    int FBalance = 0;
    double FRate = 1.0;
    int FRenderTimeoutMs = kRenderTimeoutMs;
    quint32 FGraphEditCookie = 0;
    QString FGraphEditName;

    std::unique_ptr<GstGraph> FFilterGraph;
    std::shared_ptr<GstDvdNavigator> FDVDGraph;
    std::shared_ptr<MediaEventQueue> FMediaEventEx;
    QList<IGraphListener*> FGraphControls;
    QList<IVideoWindowListener*> FVideoWindows;
    // The DVD source announces no title, chapter or time changes; they are read here.
    QTimer* FDvdPoll = nullptr;
    int FDvdTitle = -1;
    int FDvdChapter = -1;
    std::int64_t FDvdSecond = -1;
};
