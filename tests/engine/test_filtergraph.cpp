// SPDX-License-Identifier: GPL-3.0-or-later
// The media graph on the real GStreamer backend, with media made at test time.
#include "app/Program.h"
#include "engine/GstGraph.h"
#include "engine/TFilterGraph.h"
#include "platform/GraphInspection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <gst/gst.h>
#include <mutex>
#include <vector>

namespace {

const QString kMedia = QStringLiteral(LUMENO_MEDIA_DIR);
QString media(const QString& name)
{
    return kMedia + QLatin1Char('/') + name;
}

// A video window stand-in that records what the graph tells it and counts the frames
// that reach its renderer.
class RecordingWindow : public IVideoWindowListener {
public:
    RecordingWindow()
    {
        m_sink = gst_element_factory_make("fakesink", "recording-sink");
        gst_object_ref_sink(m_sink);
        g_object_set(m_sink, "sync", TRUE, nullptr);
        GstPad* pad = gst_element_get_static_pad(m_sink, "sink");
        gst_pad_add_probe(
            pad, GST_PAD_PROBE_TYPE_BUFFER,
            [](GstPad*, GstPadProbeInfo*, gpointer self) {
                static_cast<RecordingWindow*>(self)->frames++;
                return GST_PAD_PROBE_OK;
            },
            this, nullptr);
        gst_object_unref(pad);
    }
    ~RecordingWindow() override { gst_object_unref(m_sink); }

    void GraphControlEvent(int Op, int Param) override
    {
        log << QStringLiteral("C%1.%2").arg(Op).arg(Param);
    }
    void GraphDSEvent(int Event, std::intptr_t, std::intptr_t) override
    {
        log << QStringLiteral("E%1").arg(Event, 0, 16);
    }
    GstElement* videoFilter() override { return m_sink; }
    QString videoFilterName() const override { return QStringLiteral("Video Renderer"); }
    void VideoFilterEvent(int Op) override { log << QStringLiteral("V%1").arg(Op); }

    QStringList log;
    std::atomic<int> frames{0};

private:
    GstElement* m_sink;
};

class Listener : public IGraphListener {
public:
    void GraphControlEvent(int Op, int Param) override
    {
        log << QStringLiteral("C%1.%2").arg(Op).arg(Param);
    }
    void GraphDSEvent(int Event, std::intptr_t, std::intptr_t) override
    {
        log << QStringLiteral("E%1").arg(Event, 0, 16);
    }
    QStringList log;
};

// The elements of a graph, those inside its bins too.
QList<GstElement*> elementsOf(GstElement* pipeline)
{
    QList<GstElement*> found;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        found << GST_ELEMENT(g_value_get_object(&item));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

// The amplitude the graph's volume elements apply together.
double appliedAmplitude(GstElement* pipeline)
{
    double amplitude = 1;
    for (GstElement* e : elementsOf(pipeline)) {
        if (GstElementFactory* f = gst_element_get_factory(e);
            f && QByteArray(gst_plugin_feature_get_name(f)) == "volume") {
            gdouble v = 1;
            g_object_get(e, "volume", &v, nullptr);
            amplitude *= v;
        }
    }
    return amplitude;
}

long sentVolume(TFilterGraph& graph)
{
    long v = 1;
    graph.QueryBasicAudio()->get_Volume(v);
    return v;
}

} // namespace

class TestFilterGraph : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void playsEveryKind_data();
    void playsEveryKind();
    void badInputRaisesAndNextFilePlays_data();
    void badInputRaisesAndNextFilePlays();
    void missingVideoDecoderRaises();
    void listenerOrder();
    void clearGraphKeepsVideoRenderer();
    void modeAndActiveEdges();
    void queuedEventsDispatchInOrder();
    void volumeCurveAndClamping();
    void balanceReachesTheSink();
    void pauseResumeIsNoClockChange();
    void seekingInterface();
    void closedGraphIsFreed();
    void graphEditRegistration();
    void dvdFolderRendersInDvdMode();

private:
    QTemporaryDir m_dotDir;
};

void TestFilterGraph::initTestCase()
{
    qputenv("GST_DEBUG_DUMP_DOT_DIR", m_dotDir.path().toUtf8());
    setMediaEnvironment();
    gst_init(nullptr, nullptr);
    QVERIFY2(QFileInfo::exists(media("audio.wav")), "test media missing: run make_media first");
}

void TestFilterGraph::playsEveryKind_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("video");
    QTest::newRow("avi mpeg4") << "avi_mpeg4_mp3.avi" << true;
    QTest::newRow("avi mjpeg") << "avi_mjpeg_pcm.avi" << true;
    QTest::newRow("mid") << "song.mid" << false;
    QTest::newRow("mp3") << "audio.mp3" << false;
    QTest::newRow("mpg") << "mpeg1_ps.mpg" << true;
    QTest::newRow("mpeg") << "mpeg2_ps.mpeg" << true;
    QTest::newRow("wmv") << "video.wmv" << true;
    QTest::newRow("wma") << "audio.wma" << false;
    QTest::newRow("wav") << "audio.wav" << false;
    QTest::newRow("vcd dat") << "MPEGAV/AVSEQ01.DAT" << true;
}

void TestFilterGraph::playsEveryKind()
{
    QFETCH(QString, file);
    QFETCH(bool, video);
    RecordingWindow window;
    TFilterGraph graph;
    graph.addGraphControl(&window);
    int completions = 0;
    HRESULT result = E_FAIL;
    graph.OnGraphComplete = [&](TFilterGraph*, HRESULT r, void*) {
        ++completions;
        result = r;
    };
    graph.setActive(true);
    QCOMPARE(graph.RenderFile(media(file)), S_OK);
    QVERIFY(graph.Play());
    QTRY_COMPARE_WITH_TIMEOUT(completions, 1, 20000);
    QCOMPARE(result, S_OK);
    if (video) {
        QVERIFY2(window.frames > 10, qPrintable(QString::number(window.frames)));
        // libav's decoders decode into buffers of their own: no picture is copied into
        // a fresh allocation on its way out.
        int decoders = 0;
        for (GstElement* e : elementsOf(graph.pipeline())) {
            if (!g_object_class_find_property(G_OBJECT_GET_CLASS(e), "direct-rendering"))
                continue;
            gboolean direct = TRUE;
            g_object_get(e, "direct-rendering", &direct, nullptr);
            QVERIFY2(!direct, GST_ELEMENT_NAME(e));
            ++decoders;
        }
        if (file.contains(QLatin1String("mpeg4"))) {
            QCOMPARE(decoders, 1);
            // MPEG-4 is decoded without frame threads.
            GstElement* mpeg4 = gst_bin_get_by_name(GST_BIN(graph.pipeline()), "avdec_mpeg4-0");
            QVERIFY(mpeg4);
            guint threads = 0; // libav's flags: 1 frame, 2 slice
            g_object_get(mpeg4, "thread-type", &threads, nullptr);
            QCOMPARE(threads, 2u);
            gst_object_unref(mpeg4);
        }
    } else {
        QCOMPARE(int(window.frames), 0);
    }
    graph.setActive(false);
    graph.removeGraphControl(&window);
}

void TestFilterGraph::badInputRaisesAndNextFilePlays_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<HRESULT>("code");
    QTest::newRow("missing") << "no-such-file.avi" << E_FILE_NOT_FOUND;
    QTest::newRow("corrupt") << "corrupt.avi" << VFW_E_INVALID_FILE_FORMAT;
    QTest::newRow("truncated") << "truncated.mpg" << VFW_E_INVALID_FILE_FORMAT;
    QTest::newRow("text as mp3") << "text.mp3" << VFW_E_UNKNOWN_FILE_TYPE;
}

void TestFilterGraph::badInputRaisesAndNextFilePlays()
{
    QFETCH(QString, file);
    QFETCH(HRESULT, code);
    TFilterGraph graph;
    int completions = 0;
    graph.OnGraphComplete = [&](TFilterGraph*, HRESULT, void*) { ++completions; };
    graph.setActive(true);
    QElapsedTimer clock;
    clock.start();
    try {
        graph.RenderFile(media(file));
        graph.Play();
        QFAIL("no exception");
    } catch (const EDirectShowException& e) {
        QCOMPARE(e.ErrorCode, code);
        const QString hex = QString::number(quint32(code), 16).toUpper();
        QCOMPARE(e.Message(), graph.GetErrorText(code) + " ($" + hex + ").");
        QVERIFY(!graph.GetErrorText(code).startsWith("Unknown"));
    }
    QVERIFY(clock.elapsed() < 5000);
    // The same component takes the next file at once, as the player does.
    graph.setActive(false);
    graph.setActive(true);
    QCOMPARE(graph.RenderFile(media("audio.wav")), S_OK);
    QVERIFY(graph.Play());
    QTRY_COMPARE_WITH_TIMEOUT(completions, 1, 15000);
}

void TestFilterGraph::missingVideoDecoderRaises()
{
    // Take the MPEG-4 video decoder out of automatic selection: the audio alone would
    // play, which a user must not take for success.
    GstPluginFeature* decoder = gst_registry_lookup_feature(gst_registry_get(), "avdec_mpeg4");
    QVERIFY(decoder);
    const guint oldRank = gst_plugin_feature_get_rank(decoder);
    gst_plugin_feature_set_rank(decoder, GST_RANK_NONE);
    TFilterGraph graph;
    graph.setActive(true);
    HRESULT code = S_OK;
    try {
        graph.RenderFile(media("avi_mpeg4_mp3.avi"));
        graph.Play();
    } catch (const EDirectShowException& e) {
        code = e.ErrorCode;
    }
    gst_plugin_feature_set_rank(decoder, oldRank);
    gst_object_unref(decoder);
    QCOMPARE(code, VFW_E_UNSUPPORTED_STREAM);
}

void TestFilterGraph::listenerOrder()
{
    RecordingWindow window;
    Listener bar;
    TFilterGraph graph;
    QStringList activations;
    graph.OnActivate = [&](TFilterGraph*) { activations << window.log.join(' '); };
    graph.addGraphControl(&window);
    graph.addGraphControl(&bar);
    graph.setActive(true);
    QCOMPARE(graph.RenderFile(media("long12.avi")), S_OK);
    QVERIFY(graph.Play());
    QTest::qWait(300);
    QVERIFY(graph.Pause());
    QVERIFY(graph.Stop());
    graph.setActive(false);
    // The renderer is in the graph before OnActivate, the listeners hear of it after.
    QCOMPARE(activations, QStringList{"V0 V1"});
    window.log.removeIf([](const QString& s) { return s.startsWith('E'); });
    bar.log.removeIf([](const QString& s) { return s.startsWith('E'); });
    QCOMPARE(window.log.join(' '), QString("V0 V1 C7.1 C3.0 C4.0 C0.0 C1.0 C2.0 C7.0 V2 V3"));
    QCOMPARE(bar.log.join(' '), QString("C7.1 C3.0 C4.0 C0.0 C1.0 C2.0 C7.0"));
    graph.removeGraphControl(&window);
    graph.removeGraphControl(&bar);
    QVERIFY(graph.graphControls().isEmpty());
}

void TestFilterGraph::clearGraphKeepsVideoRenderer()
{
    RecordingWindow window;
    TFilterGraph graph;
    graph.addGraphControl(&window);
    graph.setActive(true);
    QCOMPARE(graph.RenderFile(media("avi_mjpeg_pcm.avi")), S_OK);
    graph.ClearGraph();
    GstElement* sink = nullptr;
    g_object_get(graph.pipeline(), "video-sink", &sink, nullptr);
    QCOMPARE(sink, window.videoFilter());
    gst_object_unref(sink);
    // Ready for the next render, frames reach the same renderer.
    int completions = 0;
    graph.OnGraphComplete = [&](TFilterGraph*, HRESULT, void*) { ++completions; };
    QCOMPARE(graph.RenderFile(media("mpeg1_ps.mpg")), S_OK);
    QVERIFY(graph.Play());
    QTRY_COMPARE_WITH_TIMEOUT(completions, 1, 15000);
    QVERIFY(window.frames > 10);
    // A fresh graph (deactivate, activate) also gets the renderer back.
    window.frames = 0;
    completions = 0;
    graph.setActive(false);
    graph.setActive(true);
    QCOMPARE(graph.RenderFile(media("mpeg2_ps.mpeg")), S_OK);
    QVERIFY(graph.Play());
    QTRY_COMPARE_WITH_TIMEOUT(completions, 1, 15000);
    QVERIFY(window.frames > 10);
    graph.setActive(false);
    graph.removeGraphControl(&window);
}

void TestFilterGraph::modeAndActiveEdges()
{
    Listener bar;
    TFilterGraph graph;
    graph.addGraphControl(&bar);
    QVERIFY(!graph.Play()); // no graph: nothing, and nobody told
    QCOMPARE(graph.RenderFile(media("audio.wav")), S_FALSE);
    AM_DVD_RENDERSTATUS status;
    QCOMPARE(graph.RenderDVD(status, QString(), 1), VFW_E_DVD_RENDERFAIL);
    QCOMPARE(graph.QueryInterface(Iid::MediaSeeking), E_NOINTERFACE);
    graph.setMode(TFilterGraph::gmDVD); // inactive: stored only
    QVERIFY(!graph.Active());
    QCOMPARE(graph.Mode(), TFilterGraph::gmDVD);
    graph.setMode(TFilterGraph::gmNormal);
    QVERIFY(bar.log.isEmpty());
    graph.setActive(true);
    graph.setActive(true);
    QCOMPARE(bar.log, QStringList{"C7.1"});
    graph.setMode(TFilterGraph::gmNormal); // same mode: nothing
    QCOMPARE(bar.log.size(), 1);
    graph.setMode(TFilterGraph::gmDVD); // active: rebuilt, still active
    QVERIFY(graph.Active());
    QCOMPARE(bar.log, (QStringList{"C7.1", "C7.0", "C7.1"}));
    QCOMPARE(graph.RenderDVD(status, media("dvd/VIDEO_TS/nothing-here"), 1), S_FALSE);
    QVERIFY(status.bDvdVolInvalid);
    QCOMPARE(graph.RenderFile(media("audio.wav")), S_OK); // a file in DVD mode still renders
    graph.removeGraphControl(&bar);
}

void TestFilterGraph::queuedEventsDispatchInOrder()
{
    Listener bar;
    TFilterGraph graph;
    graph.addGraphControl(&bar);
    QStringList seen;
    graph.OnDSEvent = [&](TFilterGraph*, int e, std::intptr_t p1, std::intptr_t) {
        seen << QStringLiteral("%1:%2 after %3").arg(e).arg(p1).arg(bar.log.last());
    };
    int titles = 0, chapters = 0;
    tagDVD_HMSF_TIMECODE hmsf;
    tagDVD_TIMECODE tc;
    graph.OnDVDTitleChange = [&](TFilterGraph*, int t) { titles = t; };
    graph.OnDVDChapterStart = [&](TFilterGraph*, int c) { chapters = c; };
    graph.OnDVDCurrentHMSFTime = [&](TFilterGraph*, const tagDVD_HMSF_TIMECODE& h,
                                     const tagDVD_TIMECODE& t) {
        hmsf = h;
        tc = t;
    };
    graph.postGraphEvent(EC_COMPLETE, 0, 0); // inactive: no queue, dropped
    graph.setActive(true);
    bar.log.clear();
    graph.postGraphEvent(EC_DVD_TITLE_CHANGE, 2, 0);
    graph.postGraphEvent(EC_DVD_CHAPTER_START, 3, 0);
    QVERIFY(seen.isEmpty()); // never from inside the call that queued them
    graph.postGraphEvent(EC_DVD_CURRENT_HMSF_TIME, 0x04030201, 0x12345678);
    QTRY_COMPARE(seen.size(), 3);
    QCOMPARE(seen,
             (QStringList{"258:2 after E102", "259:3 after E103", "282:67305985 after E11a"}));
    QCOMPARE(titles, 2);
    QCOMPARE(chapters, 3);
    QCOMPARE(int(hmsf.bHours), 1);
    QCOMPARE(int(hmsf.bFrames), 4);
    QCOMPARE(int(tc.Hours1), 1);
    QCOMPARE(int(tc.Hours10), 2);
    QCOMPARE(int(tc.Frames1), 7);
    QCOMPARE(int(tc.Frames10), 2);
    QCOMPARE(int(tc.FrameRateCode), 0);
    // Deactivating drops what was still queued.
    graph.postGraphEvent(EC_COMPLETE, 0, 0);
    graph.setActive(false);
    QTest::qWait(50);
    QCOMPARE(seen.size(), 3);
    graph.removeGraphControl(&bar);
}

void TestFilterGraph::volumeCurveAndClamping()
{
    TFilterGraph graph;
    graph.setVolume(1000); // inactive: stored, sent after the next render
    QCOMPARE(graph.Volume(), 1000);
    graph.setActive(true);
    QCOMPARE(graph.RenderFile(media("audio.wav")), S_OK);
    QCOMPARE(sentVolume(graph), -2499L);
    const struct {
        int in, stored;
        long sent;
    } cases[] = {{0, 0, -10000},     {1, 1, -9247},     {100, 100, -4989}, {1000, 1000, -2499},
                 {5000, 5000, -752}, {10000, 10000, 0}, {-5, 0, -10000},   {20000, 10000, 0}};
    for (const auto& c : cases) {
        graph.setVolume(c.in);
        QCOMPARE(graph.Volume(), c.stored);
        QCOMPARE(sentVolume(graph), c.sent);
    }
    // What the audio path applies, whichever element does it.
    graph.setVolume(0);
    QCOMPARE(appliedAmplitude(graph.pipeline()), 0.0);
    graph.setVolume(5000);
    const double amplitude = appliedAmplitude(graph.pipeline());
    QVERIFY2(std::fabs(amplitude - std::pow(10.0, -752 / 2000.0)) < 1e-6,
             qPrintable(QString::number(amplitude)));
    graph.setLinearVolume(false);
    QCOMPARE(sentVolume(graph), -5000L);
    graph.setBalance(-20000);
    QCOMPARE(graph.Balance(), -10000);
}

// Loudness of each channel of the 16-bit stereo reaching a sink's pad.
struct ChannelLevels {
    std::mutex lock;
    double left = 0, right = 0;
    qint64 frames = 0;
    qint64 skip = 0;

    static GstPadProbeReturn onBuffer(GstPad*, GstPadProbeInfo* info, gpointer self)
    {
        auto* levels = static_cast<ChannelLevels*>(self);
        GstMapInfo map;
        if (gst_buffer_map(GST_PAD_PROBE_INFO_BUFFER(info), &map, GST_MAP_READ)) {
            const auto* samples = reinterpret_cast<const qint16*>(map.data);
            std::lock_guard<std::mutex> hold(levels->lock);
            for (gsize i = 0; i + 1 < map.size / 2; i += 2) {
                if (levels->skip > 0) {
                    --levels->skip;
                    continue;
                }
                levels->left += double(samples[i]) * samples[i];
                levels->right += double(samples[i + 1]) * samples[i + 1];
                ++levels->frames;
            }
            gst_buffer_unmap(GST_PAD_PROBE_INFO_BUFFER(info), &map);
        }
        return GST_PAD_PROBE_OK;
    }
    // Listens afresh for a fifth of a second of sound, after the second that was on its
    // way already (the graph queues a second behind the balance filter); false when none
    // came.
    bool listen()
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            left = right = 0;
            frames = 0;
            skip = 48510;
        }
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000) {
            QTest::qWait(20);
            std::lock_guard<std::mutex> hold(lock);
            if (frames >= 8820) {
                return true;
            }
        }
        return false;
    }
};

void TestFilterGraph::balanceReachesTheSink()
{
    const QByteArray usual = qgetenv("LUMENO_AUDIO_SINK");
    qputenv("LUMENO_AUDIO_SINK", "capsfilter caps=audio/x-raw,format=S16LE,channels=2 ! "
                                 "fakesink name=ears sync=true");
    TFilterGraph graph;
    graph.setActive(true);
    const HRESULT rendered = graph.RenderFile(media("audio.wav"));
    qputenv("LUMENO_AUDIO_SINK", usual);
    QCOMPARE(rendered, S_OK);
    GstElement* ears = gst_bin_get_by_name(GST_BIN(graph.pipeline()), "ears");
    QVERIFY(ears);
    GstPad* pad = gst_element_get_static_pad(ears, "sink");
    ChannelLevels levels;
    const gulong probe = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, ChannelLevels::onBuffer,
                                           &levels, nullptr);
    // Fully left: the right channel falls silent. Centred: the file's equal channels.
    graph.setBalance(-10000);
    QVERIFY(graph.Play());
    QVERIFY(levels.listen());
    QVERIFY2(levels.left > 1e6 * levels.frames && levels.right < 1e-4 * levels.left,
             qPrintable(QStringLiteral("%1 %2").arg(levels.left).arg(levels.right)));
    graph.setBalance(0);
    QVERIFY(levels.listen());
    QVERIFY2(levels.left > 1e6 * levels.frames &&
                 std::fabs(levels.left - levels.right) < 1e-3 * levels.left,
             qPrintable(QStringLiteral("%1 %2").arg(levels.left).arg(levels.right)));
    gst_pad_remove_probe(pad, probe);
    gst_object_unref(pad);
    gst_object_unref(ears);
}

void TestFilterGraph::pauseResumeIsNoClockChange()
{
    TFilterGraph graph;
    QList<int> events;
    graph.OnDSEvent = [&](TFilterGraph*, int e, std::intptr_t, std::intptr_t) { events << e; };
    graph.setActive(true);
    QCOMPARE(graph.RenderFile(media("long12.avi")), S_OK);
    QVERIFY(graph.Play());
    QTest::qWait(400);
    QVERIFY(graph.Pause());
    QTest::qWait(200);
    QVERIFY(graph.Play());
    QTest::qWait(400);
    QVERIFY(!events.contains(EC_CLOCK_CHANGED));
    QVERIFY(events.contains(EC_PAUSED));
}

void TestFilterGraph::seekingInterface()
{
    TFilterGraph graph;
    graph.setActive(true);
    QCOMPARE(graph.RenderFile(media("long12.avi")), S_OK);
    const std::shared_ptr<IMediaSeeking> seeking = graph.QueryMediaSeeking();
    QVERIFY(seeking);
    std::int64_t duration = 0, position = -1, stop = 0;
    QCOMPARE(seeking->GetDuration(duration), S_OK);
    QVERIFY(std::llabs(duration - 120000000LL) < 2000000LL); // 12 s in 100-ns units
    QCOMPARE(seeking->GetStopPosition(stop), S_OK);
    QCOMPARE(stop, duration);
    QVERIFY(graph.Play());
    std::int64_t target = 60000000LL;
    QCOMPARE(seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, &stop,
                                   AM_SEEKING_NoPositioning),
             S_OK);
    QTRY_VERIFY(Succeeded(seeking->GetCurrentPosition(position)) && position >= 60000000LL);
    QVERIFY(position < 80000000LL);
    // The length is kept between questions: the next file in the same graph has its own,
    // also through the interface asked before it, and a stopped graph has none.
    QCOMPARE(seeking->GetDuration(duration), S_OK);
    QCOMPARE(graph.RenderFile(media("audio.wav")), S_OK);
    QCOMPARE(seeking->GetDuration(duration), S_OK);
    QVERIFY(std::llabs(duration - 30000000LL) < 2000000LL);
    QCOMPARE(graph.QueryMediaSeeking()->GetDuration(stop), S_OK);
    QCOMPARE(stop, duration);
    QVERIFY(graph.Stop());
    QCOMPARE(seeking->GetDuration(duration), E_FAIL);
    graph.setActive(false);
    QCOMPARE(seeking->GetDuration(duration), E_FAIL); // a stale interface fails, no crash
}

// Every fresh open builds a new graph; the old one, with its decoders, must really go.
void TestFilterGraph::closedGraphIsFreed()
{
    TFilterGraph graph;
    graph.setActive(true);
    QCOMPARE(graph.RenderFile(media("avi_mjpeg_pcm.avi")), S_OK);
    QVERIFY(graph.Play());
    QTest::qWait(300); // bus messages of a running graph, each holding its source
    gpointer pipeline = graph.pipeline();
    QVERIFY(pipeline);
    g_object_add_weak_pointer(G_OBJECT(pipeline), &pipeline);
    // Every element goes with it: a graph made for each file must not leave one behind.
    const QList<GstElement*> elements = elementsOf(graph.pipeline());
    std::vector<gpointer> alive(elements.begin(), elements.end());
    QStringList names;
    for (gpointer& e : alive) {
        names << QString::fromUtf8(GST_OBJECT_NAME(e));
        g_object_add_weak_pointer(G_OBJECT(e), &e);
    }
    graph.setActive(false);
    QTRY_VERIFY_WITH_TIMEOUT(pipeline == nullptr, 3000);
    QStringList left;
    for (std::size_t i = 0; i < alive.size(); ++i) {
        if (alive[i]) {
            left << names[int(i)];
            g_object_remove_weak_pointer(G_OBJECT(alive[i]), &alive[i]);
        }
    }
    QVERIFY2(left.isEmpty(), qPrintable(left.join(' ')));
}

void TestFilterGraph::graphEditRegistration()
{
    TFilterGraph graph;
    graph.setGraphEdit(true);
    QCOMPARE(graph.graphEditCookie(), 0u); // inactive: nothing registered
    graph.setActive(true);
    QVERIFY(graph.graphEditCookie() != 0);
    const QRegularExpression name("^FilterGraph [0-9A-F]{8} pid [0-9A-F]+$");
    QVERIFY2(name.match(graph.graphEditName()).hasMatch(), qPrintable(graph.graphEditName()));
    QCOMPARE(Platform::GraphInspection::registeredNames().count(graph.graphEditName()), 1);
    QCOMPARE(graph.RenderFile(media("audio.wav")), S_OK);
    QVERIFY(QFileInfo::exists(m_dotDir.filePath(graph.graphEditName() + ".dot")));
    graph.setActive(false);
    QCOMPARE(graph.graphEditCookie(), 0u);
    QVERIFY(Platform::GraphInspection::registeredNames().isEmpty());
    graph.setGraphEdit(false);
    graph.setActive(true);
    QCOMPARE(graph.graphEditCookie(), 0u);
    graph.setGraphEdit(true); // active and not registered: registers now
    QVERIFY(graph.graphEditCookie() != 0);
}

void TestFilterGraph::dvdFolderRendersInDvdMode()
{
    RecordingWindow window;
    TFilterGraph graph;
    graph.addGraphControl(&window);
    graph.setMode(TFilterGraph::gmDVD);
    graph.setActive(true);
    QVERIFY(graph.QueryDvdControl2());
    QVERIFY(graph.QueryDvdInfo2());
    QVERIFY(!graph.QueryMediaSeeking());
    AM_DVD_RENDERSTATUS status;
    QCOMPARE(graph.RenderDVD(status, media("dvd/VIDEO_TS/VIDEO_TS.IFO"), AM_DVD_HWDEC_PREFER),
             S_OK);
    QVERIFY(!status.bDvdVolInvalid && !status.bDvdVolUnknown);
    QVERIFY(graph.Play());
    QTRY_VERIFY_WITH_TIMEOUT(window.frames > 5, 10000);
    QList<int> titles, chapters, seconds;
    QList<int> rateCodes;
    graph.OnDVDTitleChange = [&](TFilterGraph*, int t) { titles << t; };
    graph.OnDVDChapterStart = [&](TFilterGraph*, int c) { chapters << c; };
    graph.OnDVDCurrentHMSFTime = [&](TFilterGraph*, const tagDVD_HMSF_TIMECODE& h,
                                     const tagDVD_TIMECODE& t) {
        seconds << h.bMinutes * 60 + h.bSeconds;
        QCOMPARE(int(t.Seconds1), h.bSeconds % 10);
        QCOMPARE(int(t.Seconds10), h.bSeconds / 10);
        rateCodes << t.FrameRateCode;
    };
    const std::shared_ptr<IDvdControl2> dvd = graph.QueryDvdControl2();
    QCOMPARE(dvd->SetOption(DVD_HMSF_TimeCodeEvents, true), S_OK);
    QTest::qWait(500);
    QVERIFY(titles.isEmpty() && seconds.isEmpty()); // the menu is no title
    // The menu's first button (picture coordinates) starts title 1, chapters at 0, 3, 6 s.
    QCOMPARE(dvd->SelectAtPosition(200, 250), S_OK);
    QCOMPARE(dvd->ActivateAtPosition(200, 250), S_OK);
    QTRY_COMPARE_WITH_TIMEOUT(titles, QList<int>{1}, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(chapters.size() >= 2, 6000);
    QCOMPARE(chapters.mid(0, 2), (QList<int>{1, 2}));
    QVERIFY(seconds.size() >= 2);
    for (int i = 1; i < seconds.size(); ++i) {
        QVERIFY(seconds[i] > seconds[i - 1]); // one notice per second of the title
    }
    QVERIFY(!rateCodes.isEmpty() && rateCodes.count(1) == rateCodes.size()); // 25 frames/s
    QCOMPARE(dvd->ShowMenu(DVD_MENU_Root), S_OK);
    graph.setActive(false);
    QVERIFY(!graph.QueryDvdControl2());
    graph.removeGraphControl(&window);
}

QTEST_MAIN(TestFilterGraph)
#include "test_filtergraph.moc"
