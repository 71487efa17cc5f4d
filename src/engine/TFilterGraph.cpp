// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TFilterGraph.h"

#include "engine/GstGraph.h"
#include "engine/GstInterfaces.h"
#include "platform/Errors.h"
#include "platform/GraphInspection.h"
#include "platform/Locale.h"
#include "platform/Responsive.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QUrl>

#include <cfenv>
#include <cmath>
#include <gst/gst.h>
#include <malloc.h>

namespace {
constexpr int kDvdPollMs = 200;
constexpr int kDeferMs = 20;            // retry of events put off while the graph is busy
constexpr int kDvdFramesPerSecond = 25; // PAL; the time code says so in its rate field
constexpr int kDvdFrameRateCode25 = 1;
} // namespace

TFilterGraph::TFilterGraph(QObject* owner) : QObject(owner)
{
    FDvdPoll = new QTimer(this);
    FDvdPoll->setInterval(kDvdPollMs);
    connect(FDvdPoll, &QTimer::timeout, this, &TFilterGraph::pollDvdLocation);
}

TFilterGraph::~TFilterGraph()
{
    setActive(false);
}

// ---------------------------------------------------------------- activation

void TFilterGraph::setActive(bool value)
{
    if (value == FActive) {
        return;
    }
    if (value) {
        activate();
    } else {
        deactivate();
    }
}

void TFilterGraph::activate()
{
    FFilterGraph = std::make_unique<GstGraph>();
    if (FMode == gmDVD) {
        FDVDGraph = std::make_shared<GstDvdNavigator>(FFilterGraph.get());
        FDVDGraph->notify = [this](int code, std::intptr_t p1, std::intptr_t p2) {
            postGraphEvent(code, p1, p2);
        };
        FDvdTitle = FDvdChapter = -1;
        FDvdSecond = -1;
    }
    FActive = true;
    if (FFilterGraph->valid()) {
        FMediaEventEx = FFilterGraph->events();
        FMediaEventEx->setNotify(true);
        FMediaEventEx->setReceiver(this);
    }
    if (FGraphEdit) {
        registerGraphEdit();
    }
    addVideoFilters();
    if (OnActivate) {
        OnActivate(this);
    }
    notifyControls(7, 1);
}

void TFilterGraph::deactivate()
{
    notifyControls(7, 0);
    removeVideoFilters();
    if (FMediaEventEx) {
        FMediaEventEx->setNotify(false);
        FMediaEventEx->setReceiver(nullptr);
        FMediaEventEx.reset();
    }
    if (FGraphEditCookie != 0) {
        revokeGraphEdit();
    }
    if (FDVDGraph) {
        FDvdPoll->stop();
        FDVDGraph->notify = nullptr;
        FDVDGraph->detach();
        FDVDGraph.reset();
    }
    FFilterGraph.reset();
    // The closed graph's streaming threads freed their buffers into malloc's per-thread
    // arenas, which keep the pages; handing them back now keeps a player that goes
    // through many files about 4 MiB smaller. It takes a millisecond or two, once per graph.
    malloc_trim(0);
    FActive = false;
}

void TFilterGraph::setMode(TGraphMode value)
{
    if (value == FMode) {
        return;
    }
    const bool wasActive = FActive;
    setActive(false);
    FMode = value;
    setActive(wasActive);
}

GstElement* TFilterGraph::pipeline() const
{
    return FFilterGraph && FFilterGraph->valid() ? FFilterGraph->element() : nullptr;
}

// ---------------------------------------------------------------- outside inspection

void TFilterGraph::setGraphEdit(bool value)
{
    if (!value && FGraphEditCookie != 0) {
        revokeGraphEdit();
    } else if (value && FActive && FGraphEditCookie == 0) {
        FGraphEdit = value; // registration reads the flag
        registerGraphEdit();
    }
    FGraphEdit = value;
}

void TFilterGraph::registerGraphEdit()
{
    GstElement* graph = pipeline();
    if (!graph) {
        return; // registration failures are silent
    }
    FGraphEditName =
        QString::asprintf("FilterGraph %08llX pid %llX",
                          static_cast<unsigned long long>(quintptr(graph) & 0xFFFFFFFFu),
                          static_cast<unsigned long long>(QCoreApplication::applicationPid()));
    FGraphEditCookie = Platform::GraphInspection::registerGraph(graph, FGraphEditName);
}

void TFilterGraph::revokeGraphEdit()
{
    Platform::GraphInspection::revokeGraph(FGraphEditCookie);
    FGraphEditCookie = 0;
}

void TFilterGraph::dumpGraphForInspection(const char* stage) const
{
    if (FGraphEditCookie != 0) {
        Platform::GraphInspection::snapshot(FGraphEditCookie, QString::fromLatin1(stage));
    }
}

// ---------------------------------------------------------------- listeners

void TFilterGraph::addGraphControl(IGraphListener* listener)
{
    if (!listener || FGraphControls.contains(listener)) {
        return;
    }
    FGraphControls.append(listener);
    if (auto* window = dynamic_cast<IVideoWindowListener*>(listener)) {
        FVideoWindows.append(window);
        if (FActive) {
            addVideoFilters(window);
        }
    }
}

void TFilterGraph::removeGraphControl(IGraphListener* listener)
{
    if (auto* window = dynamic_cast<IVideoWindowListener*>(listener)) {
        if (FVideoWindows.contains(window) && FActive) {
            removeVideoFilters(window);
        }
        FVideoWindows.removeAll(window);
    }
    FGraphControls.removeAll(listener);
}

void TFilterGraph::notifyControls(int op, int param)
{
    // A listener may detach itself while being told; walk a copy.
    const QList<IGraphListener*> controls = FGraphControls;
    for (IGraphListener* control : controls) {
        control->GraphControlEvent(op, param);
    }
}

void TFilterGraph::addVideoFilters(IVideoWindowListener* only)
{
    if (!FFilterGraph || !FFilterGraph->valid()) {
        return;
    }
    for (IVideoWindowListener* window : FVideoWindows) {
        if (only && window != only) {
            continue;
        }
        window->VideoFilterEvent(0);
        FFilterGraph->addVideoFilter(window->videoFilter());
        window->VideoFilterEvent(1);
    }
}

void TFilterGraph::removeVideoFilters(IVideoWindowListener* only)
{
    if (!FFilterGraph || !FFilterGraph->valid()) {
        return;
    }
    for (IVideoWindowListener* window : FVideoWindows) {
        if (only && window != only) {
            continue;
        }
        window->VideoFilterEvent(2);
        FFilterGraph->removeVideoFilter(window->videoFilter());
        window->VideoFilterEvent(3);
    }
}

// ---------------------------------------------------------------- render and transport

HRESULT TFilterGraph::CheckDSError(HRESULT hr) const
{
    if (Failed(hr)) {
        const QString hex = QString::number(quint32(hr), 16).toUpper();
        throw EDirectShowException(GetErrorText(hr) + QStringLiteral(" ($%1).").arg(hex), hr);
    }
    return hr;
}

QString TFilterGraph::GetErrorText(HRESULT hr) const
{
    return mediaErrorText(hr).left(255);
}

HRESULT TFilterGraph::RenderFile(const QString& FileName)
{
    if (!FFilterGraph) {
        return S_FALSE;
    }
    notifyControls(3, 0);
    const QString uri = FileName.contains(QLatin1String("://"))
                            ? FileName
                            : QUrl::fromLocalFile(FileName).toString(QUrl::FullyEncoded);
    HRESULT hr = FFilterGraph->renderUri(uri, FRenderTimeoutMs);
    CheckDSError(hr);
    reapplyAudio();
    notifyControls(4, 0);
    dumpGraphForInspection("rendered");
    return hr;
}

HRESULT TFilterGraph::RenderDVD(AM_DVD_RENDERSTATUS& Status, const QString& FileName, int Flags)
{
    if (!FDVDGraph || !FActive) {
        return VFW_E_DVD_RENDERFAIL;
    }
    notifyControls(5, Flags);
    HRESULT hr = FDVDGraph->RenderDvdVideoVolume(FileName, Flags, Status, FRenderTimeoutMs);
    // The navigator gives any failed render as a render failure; a disc that cannot be
    // decrypted here has a message of its own.
    if (hr == VFW_E_DVD_RENDERFAIL && FFilterGraph->lastRenderResult() == E_DVD_ENCRYPTED) {
        hr = E_DVD_ENCRYPTED;
    }
    CheckDSError(hr);
    if (hr == S_OK || hr == S_FALSE) {
        notifyControls(6, Flags);
        reapplyAudio();
        dumpGraphForInspection("rendered");
    }
    return hr;
}

bool TFilterGraph::Play()
{
    if (QueryInterface(Iid::MediaControl) != S_OK) {
        return false;
    }
    notifyControls(0, 0);
    const HRESULT hr = CheckDSError(FFilterGraph->run());
    // Title, chapter and time move only while the disc plays; idle, nothing is polled.
    if (FDVDGraph) {
        FDvdPoll->start();
    }
    dumpGraphForInspection("running");
    return Succeeded(hr);
}

bool TFilterGraph::Pause()
{
    if (QueryInterface(Iid::MediaControl) != S_OK) {
        return false;
    }
    notifyControls(1, 0);
    FDvdPoll->stop();
    return CheckDSError(FFilterGraph->pause()) == S_OK;
}

bool TFilterGraph::Stop()
{
    if (QueryInterface(Iid::MediaControl) != S_OK) {
        return false;
    }
    notifyControls(2, 0);
    FDvdPoll->stop();
    return CheckDSError(FFilterGraph->stop()) == S_OK;
}

void TFilterGraph::ClearGraph()
{
    if (!FFilterGraph) {
        return;
    }
    Stop();
    // Every filter but the attached renderers goes; the renderers stay for the next render.
    FFilterGraph->clear();
}

// ---------------------------------------------------------------- volume, balance, rate

void TFilterGraph::setVolume(int value)
{
    FVolume = std::max(0, std::min(10000, value));
    const std::shared_ptr<IBasicAudio> audio = QueryBasicAudio();
    if (!audio) {
        return;
    }
    long hundredths = FVolume - 10000;
    if (FLinearVolume) {
        // Round half to even, whatever rounding mode someone else left behind.
        const int oldMode = std::fegetround();
        std::fesetround(FE_TONEAREST);
        const long r = std::lrint(std::log(double(FVolume) + 1.0) * 1085.73);
        std::fesetround(oldMode);
        hundredths = r - 10000;
    }
    audio->put_Volume(hundredths);
}

void TFilterGraph::setBalance(int value)
{
    FBalance = std::max(-10000, std::min(10000, value));
    if (const std::shared_ptr<IBasicAudio> audio = QueryBasicAudio()) {
        audio->put_Balance(FBalance);
    }
}

void TFilterGraph::setRate(double value)
{
    FRate = value;
    if (const std::shared_ptr<IMediaSeeking> seeking = QueryMediaSeeking()) {
        seeking->SetRate(value);
    }
}

void TFilterGraph::setLinearVolume(bool value)
{
    if (value == FLinearVolume) {
        return;
    }
    FLinearVolume = value;
    setVolume(FVolume);
    setBalance(FBalance);
}

void TFilterGraph::reapplyAudio()
{
    setVolume(FVolume);
    setBalance(FBalance);
    setRate(FRate);
}

// ---------------------------------------------------------------- interfaces

HRESULT TFilterGraph::QueryInterface(Iid iid) const
{
    if (!FActive || !FFilterGraph || !FFilterGraph->valid()) {
        return E_NOINTERFACE;
    }
    switch (iid) {
    case Iid::MediaControl:
    case Iid::MediaEventEx:
    case Iid::BasicAudio:
        return S_OK;
    case Iid::MediaSeeking:
        // The DVD source moves by titles and chapters, not by a time line of its own.
        return FMode == gmDVD ? E_NOINTERFACE : S_OK;
    case Iid::DvdControl2:
    case Iid::DvdInfo2:
        return FDVDGraph ? S_OK : E_NOINTERFACE;
    }
    return E_NOINTERFACE;
}

std::shared_ptr<IMediaSeeking> TFilterGraph::QueryMediaSeeking() const
{
    if (QueryInterface(Iid::MediaSeeking) != S_OK) {
        return nullptr;
    }
    return std::make_shared<GstMediaSeeking>(FFilterGraph->element(), FFilterGraph->duration());
}

std::shared_ptr<IBasicAudio> TFilterGraph::QueryBasicAudio() const
{
    if (QueryInterface(Iid::BasicAudio) != S_OK) {
        return nullptr;
    }
    return std::make_shared<GstBasicAudio>(FFilterGraph->volume(), FFilterGraph->panorama());
}

std::shared_ptr<IDvdControl2> TFilterGraph::QueryDvdControl2() const
{
    return QueryInterface(Iid::DvdControl2) == S_OK ? FDVDGraph : nullptr;
}

std::shared_ptr<IDvdInfo2> TFilterGraph::QueryDvdInfo2() const
{
    return QueryInterface(Iid::DvdInfo2) == S_OK ? FDVDGraph : nullptr;
}

// ---------------------------------------------------------------- events

void TFilterGraph::pollDvdLocation()
{
    GstDvdNavigator::Location where;
    if (!FDVDGraph) {
        return;
    }
    if (FDVDGraph->rewinding()) {
        FDVDGraph->stepBackward();
    }
    if (!FDVDGraph->playedLocation(where)) {
        return;
    }
    const bool inTitle = where.title >= 1;
    if (FDvdTitle < 0 || inTitle != (FDvdTitle >= 1)) {
        postGraphEvent(EC_DVD_DOMAIN_CHANGE,
                       inTitle ? DVD_DOMAIN_Title : DVD_DOMAIN_VideoTitleSetMenu, 0);
    }
    if (inTitle && where.title != FDvdTitle) {
        postGraphEvent(EC_DVD_TITLE_CHANGE, where.title, 0);
        FDvdChapter = -1;
    }
    if (inTitle && where.chapter != FDvdChapter) {
        FDVDGraph->reapplySubpicture();
        postGraphEvent(EC_DVD_CHAPTER_START, where.chapter, 0);
    }
    FDvdTitle = where.title;
    FDvdChapter = where.chapter;
    const std::int64_t second = where.timeNs / 1000000000;
    if (inTitle && second != FDvdSecond && FDVDGraph->option(DVD_HMSF_TimeCodeEvents)) {
        const int h = int(second / 3600), m = int(second / 60 % 60), s = int(second % 60);
        const int f = int(where.timeNs % 1000000000 * kDvdFramesPerSecond / 1000000000);
        const std::uint32_t hmsf = std::uint32_t(h & 0xFF) | std::uint32_t(m) << 8 |
                                   std::uint32_t(s) << 16 | std::uint32_t(f) << 24;
        // Digits from the most significant nibble down: units before tens.
        const std::uint32_t code = std::uint32_t(h % 10) << 28 | std::uint32_t(h / 10 % 10) << 24 |
                                   std::uint32_t(m % 10) << 20 | std::uint32_t(m / 10) << 16 |
                                   std::uint32_t(s % 10) << 12 | std::uint32_t(s / 10) << 8 |
                                   std::uint32_t(f % 10) << 4 | std::uint32_t(f / 10 & 3) << 2 |
                                   std::uint32_t(kDvdFrameRateCode25);
        postGraphEvent(EC_DVD_CURRENT_HMSF_TIME, std::intptr_t(hmsf), std::intptr_t(code));
    }
    if (inTitle) {
        FDvdSecond = second;
    } else {
        FDvdSecond = -1;
    }
}

void TFilterGraph::postGraphEvent(int code, std::intptr_t param1, std::intptr_t param2)
{
    if (FMediaEventEx) {
        FMediaEventEx->push({code, param1, param2});
    }
}

MediaTags TFilterGraph::Tags() const
{
    return FMediaEventEx ? FMediaEventEx->tags() : MediaTags();
}

bool TFilterGraph::event(QEvent* e)
{
    if (e->type() == QEvent::Type(MediaEventQueue::kNotifyEventType)) {
        handleGraphEvents();
        return true;
    }
    if (e->type() == QEvent::Type(MediaEventQueue::kTagsEventType)) {
        emit TagsChanged();
        return true;
    }
    return QObject::event(e);
}

void TFilterGraph::handleGraphEvents()
{
    if (Platform::insideResponsiveWait()) {
        // A handler may rebuild or drop this graph, which is busy right now.
        QTimer::singleShot(kDeferMs, this, &TFilterGraph::handleGraphEvents);
        return;
    }
    // One notice drains everything queued so far, in queue order. A handler may
    // deactivate the graph, which drops the queue; re-check it every round.
    try {
        GraphEvent ev;
        while (FMediaEventEx && FMediaEventEx->pop(ev)) {
            dispatchEvent(ev);
        }
    } catch (const std::exception& error) {
        Platform::handleException(error);
    }
}

void TFilterGraph::dispatchEvent(const GraphEvent& ev)
{
    const QList<IGraphListener*> controls = FGraphControls;
    for (IGraphListener* control : controls) {
        control->GraphDSEvent(ev.code, ev.param1, ev.param2);
    }
    if (OnDSEvent) {
        OnDSEvent(this, ev.code, ev.param1, ev.param2);
    }
    switch (ev.code) {
    case EC_COMPLETE:
        if (OnGraphComplete) {
            OnGraphComplete(this, HRESULT(ev.param1), reinterpret_cast<void*>(ev.param2));
        }
        break;
    case EC_DVD_TITLE_CHANGE:
        if (OnDVDTitleChange) {
            OnDVDTitleChange(this, int(ev.param1));
        }
        break;
    case EC_DVD_CHAPTER_START:
        if (OnDVDChapterStart) {
            OnDVDChapterStart(this, int(ev.param1));
        }
        break;
    case EC_DVD_SUBPICTURE_STREAM_CHANGE:
        if (OnDVDSubpictureStreamChange) {
            if (const std::shared_ptr<IDvdInfo2> info = QueryDvdInfo2()) {
                int lcid = 0;
                info->GetSubpictureLanguage(int(ev.param1), lcid);
                OnDVDSubpictureStreamChange(this, int(ev.param1), lcid,
                                            Platform::englishLanguageName(lcid));
            }
        }
        break;
    case EC_DVD_DOMAIN_CHANGE:
        if (OnDVDDomainChange) {
            OnDVDDomainChange(this, int(ev.param1));
        }
        break;
    case EC_DVD_PLAYBACK_RATE_CHANGE:
        if (OnDVDPlaybackRateChange) {
            OnDVDPlaybackRateChange(this, double(ev.param1) / 10000.0);
        }
        break;
    case EC_DVD_CURRENT_HMSF_TIME:
        if (OnDVDCurrentHMSFTime) {
            OnDVDCurrentHMSFTime(this, hmsfFromEventParam(std::uint32_t(ev.param1)),
                                 timecodeFromEventParam(std::uint32_t(ev.param2)));
        }
        break;
    default:
        break;
    }
}
