// SPDX-License-Identifier: GPL-3.0-or-later
// The video window on the real GStreamer backend (offscreen: frames painted by the
// widget), with media made at test time.
#include "app/Program.h"
#include "engine/SwscaleConvert.h"
#include "engine/TDSVideoWindowEx2.h"
#include "engine/TFilterGraph.h"
#include "engine/VideoGeometry.h"

#include <QContextMenuEvent>
#include <QVBoxLayout>
#include <QtTest>

#include <gst/gst.h>

namespace {

const QString kMedia = QStringLiteral(LUMENO_MEDIA_DIR);
QString media(const QString& name)
{
    return kMedia + QLatin1Char('/') + name;
}

// Share of pixels that are clearly not black.
double litShare(const QImage& image, const QRect& area)
{
    int lit = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            lit += qGray(image.pixel(x, y)) > 24 ? 1 : 0;
        }
    }
    return area.isEmpty() ? 0.0 : double(lit) / (area.width() * area.height());
}

// A host window with the video window filling it, attached to its own graph.
struct Rig {
    TFilterGraph graph;
    QWidget host;
    TDSVideoWindowEx2* window = nullptr;
    QStringList overlayEvents;

    explicit Rig(QSize size = QSize(320, 240))
    {
        auto* layout = new QVBoxLayout(&host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(new QWidget(&host)); // a sibling before it: its slot must survive
        window = new TDSVideoWindowEx2(&host);
        window->setObjectName(QStringLiteral("DSVideoWindowEx21"));
        layout->addWidget(window, 1);
        layout->itemAt(0)->widget()->setFixedHeight(0);
        host.resize(size);
        host.show();
        window->OnOverlayVisible = [this](TDSVideoWindowEx2*, bool visible) {
            overlayEvents << (visible ? QStringLiteral("shown") : QStringLiteral("hidden"));
        };
        window->setFilterGraph(&graph);
    }
    ~Rig() { window->setFilterGraph(nullptr); }

    bool play(const QString& file)
    {
        graph.setActive(false);
        graph.setActive(true);
        return Succeeded(graph.RenderFile(media(file))) && graph.Play();
    }
    bool waitFrames(int more, int timeoutMs = 8000)
    {
        const int target = window->framesShown() + more;
        QElapsedTimer clock;
        clock.start();
        while (window->framesShown() < target && clock.elapsed() < timeoutMs) {
            QTest::qWait(20);
        }
        return window->framesShown() >= target;
    }
};

// One BGRx picture of the colour bars in the given caps, through the given converter;
// with "exact", the converter itself must give BGRx.
QByteArray convertedBars(const QString& caps, const char* converter, bool exact)
{
    const QString description =
        QStringLiteral("videotestsrc pattern=smpte num-buffers=1 ! %1 ! %2 ! %3 ! videoconvert ! "
                       "video/x-raw,format=BGRx ! appsink name=out sync=false")
            .arg(caps, QLatin1String(converter),
                 QLatin1String(exact ? "video/x-raw,format=BGRx" : "identity"));
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (!pipeline) {
        qWarning("%s", error ? error->message : "no pipeline");
        g_clear_error(&error);
        return {};
    }
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    QByteArray bytes;
    GstSample* sample = nullptr;
    g_signal_emit_by_name(out, "pull-sample", &sample);
    if (sample) {
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            bytes = QByteArray(reinterpret_cast<const char*>(map.data), int(map.size));
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(out);
    gst_object_unref(pipeline);
    return bytes;
}

} // namespace

class TestVideoWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void defaults();
    void playedFileShowsFrames_data();
    void playedFileShowsFrames();
    void rendererSurvivesReactivationAndClear();
    void letterBoxAndStretch();
    void letterBoxGeometry_data();
    void letterBoxGeometry();
    void cropAndDisplaySize();
    void digitalZoom();
    void colorControlRanges_data();
    void colorControlRanges();
    void fullScreenAndBack();
    void fullScreenFormRefusesClose();
    void cursorHidesAfterIdleTime();
    void popupMenuOnContextMenu();
    void audioOnlyShowsNoFrames();
    void dvdPlaysThroughTheSameRenderer();
    void fastConverterMatchesVideoconvert_data();
    void fastConverterMatchesVideoconvert();
};

void TestVideoWindow::initTestCase()
{
    setMediaEnvironment();
    gst_init(nullptr, nullptr);
    QVERIFY2(QFileInfo::exists(media("avi_mjpeg_pcm.avi")),
             "test media missing: run make_media first");
}

void TestVideoWindow::defaults()
{
    TDSVideoWindowEx2 window;
    QCOMPARE(window.size(), QSize(320, 240));
    QCOMPARE(window.AspectRatio(), rmLetterBox);
    QCOMPARE(window.DigitalZoom(), 0);
    QCOMPARE(window.AutoHideCursor(), 0);
    QCOMPARE(window.ColorKey(), QColor(0x10, 0x00, 0x10));
    QCOMPARE(window.Color(), QColor(Qt::black));
    QVERIFY(window.focusPolicy() & Qt::TabFocus);
    QVERIFY(!window.FullScreen() && !window.Overlay() && !window.OverlayVisible());
    const TColorControl& cc = *window.ColorControl();
    QCOMPARE(cc.values(), TColorValues());
    QCOMPARE(cc.Brightness(), 750);
    QCOMPARE(cc.Gamma(), 1);
    QVERIFY(!window.Caps()->CanOverlayGraphic() && !window.Caps()->CanControlBrigtness());
    // Offscreen there is no native window: the widget paints the frames itself.
    QVERIFY(!window.nativeRendering());
    QCOMPARE(window.rendererKind(), QStringLiteral("appsink"));
    QVERIFY(window.videoFilter() != nullptr);
}

void TestVideoWindow::playedFileShowsFrames_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    QTest::newRow("avi mjpeg") << "avi_mjpeg_pcm.avi" << QSize(320, 240);
    QTest::newRow("mpeg-1 ps") << "mpeg1_ps.mpg" << QSize(320, 240);
    QTest::newRow("long avi") << "long12.avi" << QSize(160, 120);
}

void TestVideoWindow::playedFileShowsFrames()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);
    Rig rig;
    int paints = 0;
    rig.window->OnPaint = [&](TDSVideoWindowEx2* w) { paints += w->Canvas() ? 1 : 0; };
    QVERIFY(rig.play(file));
    QVERIFY(rig.waitFrames(10));
    const QImage frame = rig.window->lastFrame();
    QCOMPARE(frame.size(), size);
    QCOMPARE(rig.window->NativeVideoSize(), size);
    QVERIFY2(litShare(frame, frame.rect()) > 0.5, "the test pattern came out black");
    // What is on the widget is the picture, not the background.
    const QImage shown = rig.window->grab().toImage();
    QVERIFY(litShare(shown, rig.window->VideoRect().adjusted(4, 4, -4, -4)) > 0.5);
    QVERIFY(paints > 0);
    // Offscreen there is no overlay: transport changes never show one.
    QVERIFY(rig.graph.Pause());
    QVERIFY(rig.graph.Stop());
    QVERIFY(!rig.window->Overlay());
    QVERIFY(rig.overlayEvents.isEmpty());
}

void TestVideoWindow::rendererSurvivesReactivationAndClear()
{
    Rig rig;
    GstElement* renderer = rig.window->videoFilter();
    QVERIFY(rig.play("avi_mjpeg_pcm.avi"));
    QVERIFY(rig.waitFrames(5));
    QCOMPARE(rig.window->videoFilter(), renderer);

    rig.graph.setActive(false);
    QVERIFY(!GST_OBJECT_PARENT(renderer)); // free for the next graph
    QVERIFY(rig.window->lastFrame().isNull());
    QVERIFY(rig.play("long12.avi"));
    QVERIFY(rig.waitFrames(5));
    QCOMPARE(rig.window->lastFrame().size(), QSize(160, 120));

    rig.graph.ClearGraph();
    QCOMPARE(rig.window->videoFilter(), renderer);
    QVERIFY(Succeeded(rig.graph.RenderFile(media("avi_mjpeg_pcm.avi"))));
    QVERIFY(rig.graph.Play());
    QVERIFY(rig.waitFrames(5));
    QCOMPARE(rig.window->lastFrame().size(), QSize(320, 240));

    // Detached while playing: the renderer leaves the graph, the window stays usable.
    rig.window->setFilterGraph(nullptr);
    QVERIFY(!GST_OBJECT_PARENT(renderer));
    rig.window->setFilterGraph(&rig.graph);
    QVERIFY(rig.play("avi_mjpeg_pcm.avi"));
    QVERIFY(rig.waitFrames(5));
}

void TestVideoWindow::letterBoxAndStretch()
{
    Rig rig(QSize(640, 240));
    QVERIFY(rig.play("avi_mjpeg_pcm.avi"));
    QVERIFY(rig.waitFrames(5));
    TDSVideoWindowEx2& w = *rig.window;
    QCOMPARE(w.size(), QSize(640, 240));
    QCOMPARE(w.VideoRect(), QRect(160, 0, 320, 240));
    QTRY_VERIFY(rig.waitFrames(1));
    QImage shown = w.grab().toImage();
    QCOMPARE(litShare(shown, QRect(0, 0, 150, 240)), 0.0);   // left bar
    QCOMPARE(litShare(shown, QRect(490, 0, 150, 240)), 0.0); // right bar, same width
    QVERIFY(litShare(shown, QRect(170, 10, 300, 220)) > 0.5);

    w.setAspectRatio(rmStretched);
    QCOMPARE(w.VideoRect(), w.rect());
    shown = w.grab().toImage();
    QVERIFY(litShare(shown, QRect(0, 0, 150, 240)) > 0.3);

    // Cropped to fill: no bars, and the picture is cut rather than squeezed.
    w.setAspectRatio(rmCrop);
    QCOMPARE(w.VideoRect(), w.rect());
    shown = w.grab().toImage();
    QVERIFY(litShare(shown, QRect(0, 0, 150, 240)) > 0.3);
    QVERIFY(litShare(shown, QRect(490, 0, 150, 240)) > 0.3);
}

void TestVideoWindow::letterBoxGeometry_data()
{
    QTest::addColumn<QRect>("client");
    QTest::addColumn<QSize>("video");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("4:3 in wide") << QRect(0, 0, 640, 240) << QSize(320, 240)
                                 << QRect(160, 0, 320, 240);
    QTest::newRow("4:3 in tall") << QRect(0, 0, 320, 480) << QSize(320, 240)
                                 << QRect(0, 120, 320, 240);
    QTest::newRow("odd leftover") << QRect(0, 0, 641, 240) << QSize(320, 240)
                                  << QRect(160, 0, 320, 240);
    QTest::newRow("exact fit") << QRect(0, 0, 160, 120) << QSize(320, 240) << QRect(0, 0, 160, 120);
    QTest::newRow("rounded height")
        << QRect(0, 0, 100, 100) << QSize(768, 576) << QRect(0, 12, 100, 75);
    QTest::newRow("offset client")
        << QRect(10, 20, 400, 100) << QSize(4, 3) << QRect(143, 20, 133, 100);
    QTest::newRow("no video yet") << QRect(0, 0, 50, 40) << QSize() << QRect(0, 0, 50, 40);
}

void TestVideoWindow::letterBoxGeometry()
{
    QFETCH(QRect, client);
    QFETCH(QSize, video);
    QFETCH(QRect, expected);
    const QRect r = VideoGeometry::letterBoxRect(client, video);
    QCOMPARE(r, expected);
    // Bars on opposite sides never differ by more than the odd pixel.
    QVERIFY(qAbs((r.left() - client.left()) - (client.right() - r.right())) <= 1);
    QVERIFY(qAbs((r.top() - client.top()) - (client.bottom() - r.bottom())) <= 1);
}

void TestVideoWindow::cropAndDisplaySize()
{
    using namespace VideoGeometry;
    // A 4:3 picture cut to fill a 2:1 control loses a band at top and bottom, centred.
    QCOMPARE(cropToShape(QRect(0, 0, 320, 240), 1.0, QSize(640, 320)), QRect(0, 40, 320, 160));
    // ...and to fill a square one, columns left and right.
    QCOMPARE(cropToShape(QRect(0, 0, 320, 240), 1.0, QSize(100, 100)), QRect(40, 0, 240, 240));
    // Wide pixels count: PAL 4:3 (16:15 pixels) in a 4:3 control needs no cut.
    QCOMPARE(cropToShape(QRect(0, 0, 720, 576), 16.0 / 15, QSize(400, 300)), QRect(0, 0, 720, 576));
    // Cropping a zoomed part stays inside it.
    QCOMPARE(cropToShape(QRect(80, 60, 160, 120), 1.0, QSize(200, 100)), QRect(80, 80, 160, 80));
    QCOMPARE(displaySize(QSize(720, 576), 16.0 / 15), QSize(768, 576));
    QCOMPARE(displaySize(QSize(720, 576), 64.0 / 45), QSize(1024, 576));
    QCOMPARE(displaySize(QSize(), 1.0), QSize());
}

void TestVideoWindow::digitalZoom()
{
    QCOMPARE(VideoGeometry::zoomSourceRect(QSize(320, 240), 0), QRect(0, 0, 320, 240));
    QCOMPARE(VideoGeometry::zoomSourceRect(QSize(320, 240), 50), QRect(80, 60, 160, 120));
    QCOMPARE(VideoGeometry::zoomSourceRect(QSize(720, 576), 33), QRect(118, 95, 482, 385));
    QCOMPARE(VideoGeometry::zoomSourceRect(QSize(320, 240), 99), QRect(158, 118, 3, 2));

    TDSVideoWindowEx2 window;
    window.setDigitalZoom(25);
    for (int bad : {100, -1, 1000}) {
        try {
            window.setDigitalZoom(bad);
            QFAIL("out-of-range zoom accepted");
        } catch (const EVideoRangeError& e) {
            QCOMPARE(
                e.Message(),
                QStringLiteral("Value %1 out of range. Value must bee between 0 -> 99").arg(bad));
        }
        QCOMPARE(window.DigitalZoom(), 25);
    }
    window.setDigitalZoom(99);
    window.setDigitalZoom(0);
    QCOMPARE(window.DigitalZoom(), 0);

    // A zoomed picture shows its centre magnified: the test pattern's outer ring is gone.
    Rig rig;
    QVERIFY(rig.play("avi_mjpeg_pcm.avi"));
    QVERIFY(rig.waitFrames(3));
    rig.window->setAspectRatio(rmStretched);
    const QImage frame = rig.window->lastFrame();
    rig.window->setDigitalZoom(50);
    const QImage zoomed = rig.window->grab().toImage().scaled(160, 120);
    const QImage centre = frame.copy(80, 60, 160, 120);
    const QImage whole = rig.window->lastFrame().scaled(160, 120);
    auto distance = [](const QImage& a, const QImage& b) {
        qint64 sum = 0;
        for (int y = 0; y < a.height(); y += 4) {
            for (int x = 0; x < a.width(); x += 4) {
                sum += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
            }
        }
        return sum;
    };
    QVERIFY(distance(zoomed, centre) < distance(zoomed, whole));
}

void TestVideoWindow::colorControlRanges_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<QString>("range");
    QTest::newRow("Brightness") << "Brightness" << 0 << 10000 << "0 -> 10.000";
    QTest::newRow("Contrast") << "Contrast" << 0 << 20000 << "0 -> 20.000";
    QTest::newRow("Hue") << "Hue" << -180 << 180 << "-180 -> 180";
    QTest::newRow("Saturation") << "Saturation" << 0 << 20000 << "0 -> 20.000";
    QTest::newRow("Sharpness") << "Sharpness" << 0 << 10 << "0 -> 10";
    QTest::newRow("Gamma") << "Gamma" << 1 << 500 << "1 -> 500";
}

void TestVideoWindow::colorControlRanges()
{
    QFETCH(QString, property);
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(QString, range);
    TColorControl cc;
    using Setter = void (TColorControl::*)(int);
    using Getter = int (TColorControl::*)() const;
    const QMap<QString, QPair<Setter, Getter>> access{
        {"Brightness", {&TColorControl::setBrightness, &TColorControl::Brightness}},
        {"Contrast", {&TColorControl::setContrast, &TColorControl::Contrast}},
        {"Hue", {&TColorControl::setHue, &TColorControl::Hue}},
        {"Saturation", {&TColorControl::setSaturation, &TColorControl::Saturation}},
        {"Sharpness", {&TColorControl::setSharpness, &TColorControl::Sharpness}},
        {"Gamma", {&TColorControl::setGamma, &TColorControl::Gamma}},
    };
    const auto [set, get] = access.value(property);
    int changes = 0;
    cc.OnChange = [&] { ++changes; };
    (cc.*set)(low);
    QCOMPARE((cc.*get)(), low);
    (cc.*set)(high);
    QCOMPARE((cc.*get)(), high);
    QCOMPARE(changes, 2);
    for (int bad : {low - 1, high + 1}) {
        try {
            (cc.*set)(bad);
            QFAIL("out-of-range value accepted");
        } catch (const EVideoRangeError& e) {
            QCOMPARE(e.Message(), QStringLiteral("Value %1 out of range. Value must bee between %2")
                                      .arg(bad)
                                      .arg(range));
        }
        QCOMPARE((cc.*get)(), high);
    }
    QCOMPARE(changes, 2);
}

void TestVideoWindow::fullScreenAndBack()
{
    Rig rig;
    TDSVideoWindowEx2& w = *rig.window;
    auto* layout = qobject_cast<QBoxLayout*>(rig.host.layout());
    QCOMPARE(layout->indexOf(&w), 1);
    w.setFullScreenTopMost(true);
    w.StartFullScreen();
    QWidget* form = w.FullScreenForm();
    QVERIFY(w.FullScreen());
    QCOMPARE(w.parentWidget(), form);
    QVERIFY(form->isVisible() && w.isVisible());
    QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(form->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(form->geometry(), form->screen()->geometry());
    QTRY_COMPARE(w.size(), form->size());

    w.StartFullScreen(); // already there: nothing happens
    QCOMPARE(w.parentWidget(), form);
    QVERIFY(rig.overlayEvents.isEmpty());

    w.NormalPlayback();
    QVERIFY(!w.FullScreen());
    QVERIFY(!form->isVisible());
    QCOMPARE(w.parentWidget(), &rig.host);
    QCOMPARE(layout->indexOf(&w), 1); // back in its own slot, with its stretch
    QCOMPARE(layout->stretch(1), 1);
    QVERIFY(w.isVisible());
    QTRY_COMPARE(w.size(), QSize(320, 240));
    QCOMPARE(rig.overlayEvents, QStringList{"shown"});
    QVERIFY(w.OverlayVisible());

    // Not in full screen: still repaints and says the picture is visible.
    w.NormalPlayback();
    QCOMPARE(w.parentWidget(), &rig.host);
    QCOMPARE(rig.overlayEvents, (QStringList{"shown", "shown"}));

    w.setFullScreenTopMost(false);
    w.StartFullScreen();
    QVERIFY(!(form->windowFlags() & Qt::WindowStaysOnTopHint));
    w.NormalPlayback();
}

void TestVideoWindow::fullScreenFormRefusesClose()
{
    QWidget host;
    QPointer<TDSVideoWindowEx2> w = new TDSVideoWindowEx2(&host);
    host.show();
    w->StartFullScreen();
    QPointer<QWidget> form = w->FullScreenForm();
    const bool closed = form->close(); // also what Alt+F4 asks
    QVERIFY(form->isVisible() && w->FullScreen());
    QVERIFY(!closed);

    // Destroyed while in full screen: it leaves full screen and its form goes.
    delete w;
    QVERIFY(form.isNull());
    QVERIFY(host.findChildren<TDSVideoWindowEx2*>().isEmpty());

    // Its owner destroyed while in full screen: the control follows, with its form.
    auto* owner = new QWidget;
    QPointer<TDSVideoWindowEx2> orphan = new TDSVideoWindowEx2(owner);
    owner->show();
    orphan->StartFullScreen();
    QPointer<QWidget> orphanForm = orphan->FullScreenForm();
    delete owner;
    QTRY_VERIFY(orphan.isNull());
    QVERIFY(orphanForm.isNull());
}

void TestVideoWindow::cursorHidesAfterIdleTime()
{
    Rig rig;
    TDSVideoWindowEx2& w = *rig.window;
    QList<bool> shows;
    w.OnCursorShowHide = [&](TDSVideoWindowEx2*, bool visible) { shows << visible; };
    w.setAutoHideCursor(150);
    // No renderer in a graph yet: the cursor stays, and no timer waits for one.
    QTest::mouseMove(&w, QPoint(10, 10));
    QTest::qWait(400);
    QVERIFY(!w.CursorHidden());
    for (const QTimer* timer : w.findChildren<QTimer*>()) {
        QVERIFY(!timer->isActive());
    }

    rig.graph.setActive(true);
    QTRY_VERIFY_WITH_TIMEOUT(w.CursorHidden(), 2000);
    QCOMPARE(w.cursor().shape(), Qt::BlankCursor);
    QCOMPARE(shows, QList<bool>{false});

    QElapsedTimer sinceMove;
    QTest::mouseMove(&w, QPoint(40, 30));
    sinceMove.start();
    QVERIFY(!w.CursorHidden());
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(shows, (QList<bool>{false, true}));
    QTRY_VERIFY_WITH_TIMEOUT(w.CursorHidden(), 2000);
    QVERIFY(sinceMove.elapsed() >= 150);

    // A button brings it back too; a cursor of the control's own is restored.
    QTest::mouseMove(&w, QPoint(50, 30));
    w.setCursor(Qt::CrossCursor);
    QTRY_VERIFY_WITH_TIMEOUT(w.CursorHidden(), 2000);
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(50, 30));
    QVERIFY(!w.CursorHidden());
    QCOMPARE(w.cursor().shape(), Qt::CrossCursor);

    w.setAutoHideCursor(0);
    QTest::mouseMove(&w, QPoint(60, 30));
    QTest::qWait(300);
    QVERIFY(!w.CursorHidden());
}

void TestVideoWindow::popupMenuOnContextMenu()
{
    Rig rig;
    QMenu menu;
    menu.addAction(QStringLiteral("Full screen"));
    rig.window->setPopupMenu(&menu);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            rig.window->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(rig.window, &event);
    QVERIFY(event.isAccepted());
    QTRY_VERIFY(menu.isVisible());
    menu.close();

    rig.window->setPopupMenu(nullptr);
    QContextMenuEvent again(QContextMenuEvent::Mouse, QPoint(5, 5),
                            rig.window->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(rig.window, &again);
    QVERIFY(!menu.isVisible());
}

void TestVideoWindow::audioOnlyShowsNoFrames()
{
    Rig rig;
    QVERIFY(rig.play("avi_mjpeg_pcm.avi"));
    QVERIFY(rig.waitFrames(3));
    QVERIFY(rig.play("audio.wav"));
    const int before = rig.window->framesShown();
    QVERIFY(rig.window->lastFrame().isNull());
    const auto seeking = rig.graph.QueryMediaSeeking();
    QVERIFY(seeking);
    std::int64_t position = 0;
    QTRY_VERIFY_WITH_TIMEOUT(Succeeded(seeking->GetCurrentPosition(position)) && position > 5000000,
                             5000);
    QTest::qWait(200);
    QCOMPARE(rig.window->framesShown(), before);
    QVERIFY(rig.window->lastFrame().isNull());
    const QImage shown = rig.window->grab().toImage();
    QCOMPARE(litShare(shown, shown.rect()), 0.0);
}

void TestVideoWindow::dvdPlaysThroughTheSameRenderer()
{
    Rig rig(QSize(640, 240));
    GstElement* renderer = rig.window->videoFilter();
    rig.graph.setMode(TFilterGraph::gmDVD);
    rig.graph.setActive(true);
    AM_DVD_RENDERSTATUS status;
    QCOMPARE(rig.graph.RenderDVD(status, media("dvd/VIDEO_TS/VIDEO_TS.IFO"), AM_DVD_HWDEC_PREFER),
             S_OK);
    QVERIFY(rig.graph.Play());
    QVERIFY(rig.waitFrames(5, 15000));
    QCOMPARE(rig.window->videoFilter(), renderer);
    QCOMPARE(rig.window->lastFrame().size(), QSize(720, 576));
    // PAL 4:3 pixels are wider than tall; the letterbox follows the display shape.
    QCOMPARE(rig.window->NativeVideoSize(), QSize(768, 576));
    QCOMPARE(rig.window->VideoRect(), QRect(160, 0, 320, 240));
    rig.graph.setActive(false);
}

QTEST_MAIN(TestVideoWindow)
#include "test_videowindow.moc"

// The libswscale converter gives the picture GStreamer's own converter gives, for the
// formats it converts, both colour matrices and both ranges; the formats it leaves to
// videoconvert pass through to it.
void TestVideoWindow::fastConverterMatchesVideoconvert_data()
{
    QTest::addColumn<QString>("caps");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<QSize>("size");
    // 430x242: a window's width, whose rows and half-width colour rows are padded.
    for (const QSize size : {QSize(160, 120), QSize(430, 242)}) {
        for (const char* format : {"I420", "YV12", "NV12", "YUY2", "GRAY8"}) {
            for (const char* colorimetry : {"bt601", "bt709", "1:4:0:0"}) {
                QTest::addRow("%s %s %dx%d", format, colorimetry, size.width(), size.height())
                    << QStringLiteral("video/x-raw,format=%1,colorimetry=%2,width=%3,height=%4")
                           .arg(QLatin1String(format), QLatin1String(colorimetry))
                           .arg(size.width())
                           .arg(size.height())
                    << (qstrcmp(format, "I420") == 0 || qstrcmp(format, "YV12") == 0) << size;
            }
        }
    }
}

void TestVideoWindow::fastConverterMatchesVideoconvert()
{
    QFETCH(QString, caps);
    QFETCH(bool, converts);
    QFETCH(QSize, size);
    QVERIFY(SwscaleConvert::registerElement());
    const QByteArray mine = convertedBars(caps, SwscaleConvert::kFactory, converts);
    const QByteArray theirs = convertedBars(caps, "videoconvert", converts);
    QCOMPARE(mine.size(), size.width() * size.height() * 4);
    QCOMPARE(theirs.size(), mine.size());
    qint64 total = 0;
    int worst = 0;
    int within = 0;
    for (int i = 0; i < mine.size(); ++i) {
        if (i % 4 == 3)
            continue; // the unused byte
        const int d = std::abs(int(quint8(mine[i])) - int(quint8(theirs[i])));
        total += d;
        worst = std::max(worst, d);
        within += d <= 3;
    }
    const int channels = mine.size() / 4 * 3;
    // Rounding differs by a level or two; chroma edges (where the two upsample the
    // half-width colour differently) may differ more, but only there.
    QVERIFY2(total <= 2 * qint64(channels), qPrintable(QStringLiteral("mean %1").arg(
                                                  double(total) / channels)));
    QVERIFY2(within >= channels * 95 / 100, qPrintable(QStringLiteral("%1 of %2 within 3, worst %3")
                                                             .arg(within).arg(channels).arg(worst)));
}
