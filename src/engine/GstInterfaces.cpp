#include "engine/GstInterfaces.h"

#include "engine/GstGraph.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cmath>
#include <gst/gst.h>
#include <gst/video/navigation.h>

namespace {
constexpr std::int64_t kNsPer100Ns = 100;
} // namespace

// ---------------------------------------------------------------- seeking

GstMediaSeeking::GstMediaSeeking(GstElement* pipeline)
    : m_pipeline(GST_ELEMENT(gst_object_ref(pipeline)))
{
}

GstMediaSeeking::~GstMediaSeeking()
{
    gst_object_unref(m_pipeline);
}

HRESULT GstMediaSeeking::GetDuration(std::int64_t& duration)
{
    gint64 ns = -1;
    if (!gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &ns) || ns < 0) {
        return E_FAIL;
    }
    duration = ns / kNsPer100Ns;
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

GstBasicAudio::GstBasicAudio(GstElement* pipeline, GstElement* panorama)
    : m_pipeline(GST_ELEMENT(gst_object_ref(pipeline))),
      m_panorama(panorama ? GST_ELEMENT(gst_object_ref(panorama)) : nullptr)
{
}

GstBasicAudio::~GstBasicAudio()
{
    gst_object_unref(m_pipeline);
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
    g_object_set(m_pipeline, "volume", amplitude, nullptr);
    return S_OK;
}

HRESULT GstBasicAudio::get_Volume(long& volume)
{
    gdouble amplitude = 0;
    g_object_get(m_pipeline, "volume", &amplitude, nullptr);
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
    g_object_set(m_panorama, "panorama", gfloat(balance / 10000.0), nullptr);
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

// ---------------------------------------------------------------- DVD

QString dvdVideoFolder(const QString& path)
{
    if (path.isEmpty()) {
        return QString();
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        return QString();
    }
    const QDir folder = info.isDir() ? QDir(path) : info.dir();
    for (const QString& name : folder.entryList(QDir::Files)) {
        if (name.compare(QLatin1String("video_ts.ifo"), Qt::CaseInsensitive) == 0) {
            return folder.absolutePath();
        }
    }
    return QString();
}

GstDvdNavigator::GstDvdNavigator(GstGraph* graph) : m_graph(graph) {}

HRESULT GstDvdNavigator::RenderDvdVideoVolume(const QString& path, int, AM_DVD_RENDERSTATUS& status,
                                              int timeoutMs)
{
    status = AM_DVD_RENDERSTATUS();
    if (!m_graph || !m_graph->valid()) {
        return VFW_E_DVD_RENDERFAIL;
    }
    QString uri = QStringLiteral("dvd://");
    if (!path.isEmpty()) {
        const QString folder = dvdVideoFolder(path);
        if (folder.isEmpty()) {
            status.bDvdVolInvalid = true;
            return S_FALSE;
        }
        uri += QUrl::fromLocalFile(folder).path(QUrl::FullyEncoded);
    }
    // Play the disc's first-play program like a stand-alone player, not its title menu.
    if (qEnvironmentVariableIsEmpty("DVDFASTSTART")) {
        qputenv("DVDFASTSTART", "0");
    }
    const HRESULT hr = m_graph->renderUri(uri, timeoutMs);
    if (Failed(hr)) {
        if (path.isEmpty()) {
            status.bDvdVolUnknown = true;
            return S_FALSE;
        }
        return VFW_E_DVD_RENDERFAIL;
    }
    status.iNumStreamsAttempted = m_graph->streamCount();
    return S_OK;
}

HRESULT GstDvdNavigator::sendNavigation(GstEvent* event)
{
    if (!m_graph || !m_graph->valid()) {
        gst_event_unref(event);
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    return gst_element_send_event(m_graph->element(), event) ? S_OK : VFW_E_DVD_OPERATION_INHIBITED;
}

HRESULT GstDvdNavigator::ShowMenu(DVD_MENU_ID menu)
{
    const GstNavigationCommand command = menu == DVD_MENU_Title
                                             ? GST_NAVIGATION_COMMAND_DVD_TITLE_MENU
                                             : GST_NAVIGATION_COMMAND_DVD_ROOT_MENU;
    return sendNavigation(gst_navigation_event_new_command(command));
}

HRESULT GstDvdNavigator::PlayForwards(double speed)
{
    if (speed <= 0) {
        return E_INVALIDARG;
    }
    if (!m_graph || !m_graph->valid()) {
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    gint64 now = 0;
    if (!gst_element_query_position(m_graph->element(), GST_FORMAT_TIME, &now)) {
        now = 0;
    }
    return gst_element_seek(m_graph->element(), speed, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH,
                            GST_SEEK_TYPE_SET, now, GST_SEEK_TYPE_NONE, -1)
               ? S_OK
               : VFW_E_DVD_OPERATION_INHIBITED;
}

HRESULT GstDvdNavigator::PlayAtTime(const tagDVD_HMSF_TIMECODE& time, unsigned flags)
{
    if (!m_graph || !m_graph->valid()) {
        return VFW_E_DVD_GRAPHNOTREADY;
    }
    const gint64 seconds = gint64(time.bHours) * 3600 + gint64(time.bMinutes) * 60 + time.bSeconds;
    const GstSeekFlags seekFlags =
        (flags & DVD_CMD_FLAG_Flush) ? GST_SEEK_FLAG_FLUSH : GST_SEEK_FLAG_NONE;
    return gst_element_seek(m_graph->element(), 1.0, GST_FORMAT_TIME, seekFlags, GST_SEEK_TYPE_SET,
                            seconds * GST_SECOND, GST_SEEK_TYPE_NONE, -1)
               ? S_OK
               : VFW_E_DVD_OPERATION_INHIBITED;
}

HRESULT GstDvdNavigator::SelectAtPosition(int x, int y)
{
    return sendNavigation(gst_navigation_event_new_mouse_move(x, y, GST_NAVIGATION_MODIFIER_NONE));
}

HRESULT GstDvdNavigator::ActivateAtPosition(int x, int y)
{
    const HRESULT hr = sendNavigation(
        gst_navigation_event_new_mouse_button_press(1, x, y, GST_NAVIGATION_MODIFIER_NONE));
    if (Failed(hr)) {
        return hr;
    }
    return sendNavigation(
        gst_navigation_event_new_mouse_button_release(1, x, y, GST_NAVIGATION_MODIFIER_NONE));
}

HRESULT GstDvdNavigator::SetOption(DVD_OPTION_FLAG flag, bool value)
{
    switch (flag) {
    case DVD_NotifyParentalLevelChange:
        m_notifyParentalLevel = value;
        return S_OK;
    case DVD_HMSF_TimeCodeEvents:
        m_hmsfTimeEvents = value;
        return S_OK;
    }
    return E_INVALIDARG;
}

bool GstDvdNavigator::option(DVD_OPTION_FLAG flag) const
{
    return flag == DVD_HMSF_TimeCodeEvents ? m_hmsfTimeEvents : m_notifyParentalLevel;
}

bool GstDvdNavigator::location(Location& where) const
{
    if (!m_graph || !m_graph->valid()) {
        return false;
    }
    // The DVD source registers these formats; they count titles and chapters from 1.
    const GstFormat titles = gst_format_get_by_nick("title");
    const GstFormat chapters = gst_format_get_by_nick("chapter");
    gint64 title = -1, chapter = -1, time = -1;
    if (titles == GST_FORMAT_UNDEFINED || chapters == GST_FORMAT_UNDEFINED ||
        !gst_element_query_position(m_graph->element(), titles, &title) ||
        !gst_element_query_position(m_graph->element(), chapters, &chapter)) {
        return false;
    }
    gst_element_query_position(m_graph->element(), GST_FORMAT_TIME, &time);
    where.title = int(title);
    where.chapter = int(chapter);
    where.timeNs = std::max<gint64>(time, 0);
    return true;
}

HRESULT GstDvdNavigator::GetSubpictureLanguage(int, int& lcid)
{
    lcid = 0; // languages of subtitle streams come with the DVD navigation work
    return E_NOTIMPL;
}
