// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TDSVideoWindowEx2.h"

#include "engine/TFilterGraph.h"
#include "engine/VideoGeometry.h"
#include "engine/VideoRenderer.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScreen>

#include <gst/gst.h>

namespace {

constexpr int kPaletteChanged = 0x09;

QLayout* layoutHolding(QLayout* layout, QWidget* widget)
{
    if (!layout) {
        return nullptr;
    }
    if (layout->indexOf(widget) >= 0) {
        return layout;
    }
    for (int i = 0; i < layout->count(); ++i) {
        if (QLayout* found = layoutHolding(layout->itemAt(i)->layout(), widget)) {
            return found;
        }
    }
    return nullptr;
}

// The native window the X sink draws into. Qt never paints it.
class VideoSurface : public QWidget {
public:
    VideoSurface(QWidget* parent, std::function<void()> expose, std::function<void()> moved)
        : QWidget(parent), m_expose(std::move(expose)), m_winIdChanged(std::move(moved))
    {
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_PaintOnScreen);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
        // Mouse events it ignores go on to the control; plain moves only when tracked.
        setMouseTracking(true);
    }
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent*) override { m_expose(); }
    void resizeEvent(QResizeEvent*) override { m_expose(); }
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::WinIdChange) {
            m_winIdChanged();
        }
        return QWidget::event(e);
    }

private:
    std::function<void()> m_expose;
    std::function<void()> m_winIdChanged;
};

// The borderless top-level that holds the control in full screen.
class FullScreenWindow : public QWidget {
public:
    explicit FullScreenWindow(std::function<bool()> mayClose)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_mayClose(std::move(mayClose))
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        setAutoFillBackground(true);
        setWindowTitle(QStringLiteral("Lumeno"));
    }

protected:
    void closeEvent(QCloseEvent* e) override
    {
        if (m_mayClose()) {
            e->accept();
        } else {
            e->ignore();
        }
    }

private:
    std::function<bool()> m_mayClose;
};

} // namespace

// ---------------------------------------------------------------- construction

TDSVideoWindowEx2::TDSVideoWindowEx2(QWidget* parent)
    : QWidget(parent), FColorControl(std::make_unique<TColorControl>())
{
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    resize(kDefaultWidth, kDefaultHeight);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Video")); // painted, it has no text of its own
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    FColorControl->OnChange = [this] { applyColorControl(); };
    FCaps = std::make_unique<TDSVideoWindowEx2Caps>(
        [this] { return FOverlay ? m_renderer->sink() : nullptr; });
    FLastMouseTick.start();
    m_cursorTimer.setSingleShot(true);
    connect(&m_cursorTimer, &QTimer::timeout, this, [this] { onCursorTimer(); });
    FFullScreenForm = std::make_unique<FullScreenWindow>([this] { return m_destroying; });
    setColor(Qt::black);
    buildRenderer();
    updateVideoRect();
}

TDSVideoWindowEx2::~TDSVideoWindowEx2()
{
    m_destroying = true;
    // The owner may be half torn down already: tell it nothing more.
    OnOverlayVisible = nullptr;
    OnCursorShowHide = nullptr;
    OnColorKeyChanged = nullptr;
    OnPaint = nullptr;
    OnKeyDown = nullptr;
    OnMouseMove = nullptr;
    OnMouseDown = nullptr;
    OnMouseUp = nullptr;
    m_cursorTimer.stop();
    if (FFullScreen) {
        NormalPlayback();
    }
    if (parentWidget() == FFullScreenForm.get()) {
        setParent(nullptr);
    }
    FFullScreenForm->close();
    setFilterGraph(nullptr);
    m_playing = false;
    updateScreenSaver();
    m_renderer.reset();
}

void TDSVideoWindowEx2::buildRenderer()
{
    // A fake window id from a window system without native windows kills an X sink.
    const bool wantNative = QGuiApplication::platformName() == QLatin1String("xcb");
    m_renderer = std::make_unique<VideoRenderer>(
        this, wantNative, [this] { takeFrame(); },
        [this](QSize pixels, double aspect) { takeVideoFormat(pixels, aspect); });
    FRenderer = m_renderer->element();
    m_native = m_renderer->native();
    if (m_native) {
        // The control is native too, so that the surface moves with it between top-level
        // windows (full screen and back); nothing above it needs to be.
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        setAttribute(Qt::WA_NativeWindow);
        m_surface = new VideoSurface(
            this, [this] { exposeNative(); }, [this] { publishWindowHandle(); });
        m_surface->setGeometry(rect());
        m_surface->hide();
        applyZoomAndAspect();
    }
}

QPoint TDSVideoWindowEx2::navigationPoint(const QPoint& point) const
{
    const QPoint local = FFullScreen ? mapFromGlobal(point) : point;
    const QRect picture = FVideoRect;
    if (picture.isEmpty()) {
        return local;
    }
    const QPoint inside = local - picture.topLeft();
    QSize frames = m_renderer->framesOnScreen();
    if (frames.isEmpty()) {
        frames = visibleSourceRect().size();
    }
    if (frames.isEmpty()) {
        return inside;
    }
    return QPoint(int(qint64(inside.x()) * frames.width() / picture.width()),
                  int(qint64(inside.y()) * frames.height() / picture.height()));
}

QString TDSVideoWindowEx2::rendererKind() const
{
    return m_renderer->kind();
}

QString TDSVideoWindowEx2::videoFilterName() const
{
    return objectName().isEmpty() ? QStringLiteral("TDSVideoWindowEx2") : objectName();
}

// ---------------------------------------------------------------- graph

void TDSVideoWindowEx2::setFilterGraph(TFilterGraph* graph)
{
    if (graph == FFilterGraph) {
        return;
    }
    if (FFilterGraph) {
        disconnect(FFilterGraph, nullptr, this, nullptr);
        FFilterGraph->removeGraphControl(this);
    }
    FFilterGraph = graph;
    if (graph) {
        // A graph destroyed first takes the renderer out on its way; only forget it then.
        connect(graph, &QObject::destroyed, this, [this] { forgetGraph(); });
        graph->addGraphControl(this);
    }
}

void TDSVideoWindowEx2::forgetGraph()
{
    FFilterGraph = nullptr;
    m_inGraph = false;
    m_playing = false;
    updateScreenSaver();
}

void TDSVideoWindowEx2::VideoFilterEvent(int Op)
{
    switch (Op) {
    case 0:
        FOverlayProbed = false;
        break;
    case 1:
        m_inGraph = true;
        publishWindowHandle();
        armCursorTimer();
        break;
    case 2:
        if (FOverlay) {
            // The hardware goes back to its own settings, and ColorControl holds them.
            FColorControl->assign(FColorControl->saved());
        }
        break;
    case 3:
        FOverlayProbed = false;
        m_inGraph = false;
        m_hasVideo = false;
        m_playing = false;
        clearPicture();
        updateSurfaceVisibility();
        updateScreenSaver();
        break;
    default:
        break;
    }
}

void TDSVideoWindowEx2::GraphControlEvent(int Op, int Param)
{
    switch (Op) {
    case 0:
    case 1:
        m_playing = Op == 0;
        m_idle = false;
        updateSurfaceVisibility();
        overlaySetupStep(false);
        if (FOverlay && !FOverlayVisible) {
            setOverlayVisible(true);
        }
        break;
    case 2:
        m_playing = false;
        // A stopped sink no longer redraws its window: the control paints it instead, so
        // nothing that covered it stays behind.
        m_idle = true;
        updateSurfaceVisibility();
        overlaySetupStep(false);
        if (FOverlay && FOverlayVisible) {
            setOverlayVisible(false);
        }
        break;
    case 3:
    case 5:
        clearPicture();
        publishWindowHandle();
        break;
    case 4:
    case 6:
        // A DVD plays through this same renderer, so there is nothing to adopt.
        m_hasVideo = pipelineHasVideo();
        m_idle = false;
        updateSurfaceVisibility();
        overlaySetupStep(true);
        break;
    case 7:
        if (Param == 0) {
            m_playing = false;
        }
        break;
    default:
        break;
    }
    updateScreenSaver();
}

void TDSVideoWindowEx2::GraphDSEvent(int Event, std::intptr_t, std::intptr_t)
{
    if (Event == kPaletteChanged) {
        updateRendererWindow();
    } else if (Event == EC_CLOCK_CHANGED) {
        if (FOverlay) {
            refreshColorKey();
        }
        applyZoomAndAspect();
        if (FOverlay) {
            update();
        }
    } else if (Event == EC_COMPLETE || Event == EC_ERRORABORT) {
        m_playing = false;
        updateScreenSaver();
    }
}

bool TDSVideoWindowEx2::pipelineHasVideo() const
{
    GstElement* pipeline = FFilterGraph ? FFilterGraph->pipeline() : nullptr;
    if (!pipeline || !g_object_class_find_property(G_OBJECT_GET_CLASS(pipeline), "n-video")) {
        return false;
    }
    gint videoStreams = 0;
    g_object_get(pipeline, "n-video", &videoStreams, nullptr);
    return videoStreams > 0;
}

// ---------------------------------------------------------------- overlay

bool TDSVideoWindowEx2::setupOverlay()
{
    FOverlayProbed = true;
    return m_native && m_inGraph && ColorBalance::available(m_renderer->sink());
}

void TDSVideoWindowEx2::overlaySetupStep(bool always)
{
    if (FOverlayProbed && !always) {
        return;
    }
    FOverlay = setupOverlay();
    if (FOverlay) {
        FColorControl->saved() = ColorBalance::read(m_renderer->sink(), FColorControl->saved());
        applyColorControl();
        refreshColorKey();
    }
    updateRendererWindow();
}

void TDSVideoWindowEx2::applyColorControl()
{
    if (FFilterGraph && FFilterGraph->Active() && m_native &&
        ColorBalance::available(m_renderer->sink())) {
        ColorBalance::apply(m_renderer->sink(), FColorControl->values());
    }
}

void TDSVideoWindowEx2::setOverlayVisible(bool visible)
{
    FOverlayVisible = visible;
    update();
    if (OnOverlayVisible) {
        OnOverlayVisible(this, visible);
    }
}

void TDSVideoWindowEx2::refreshColorKey()
{
    GstElement* sink = m_renderer->sink();
    if (!sink || !g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "colorkey")) {
        return;
    }
    gint key = 0;
    g_object_get(sink, "colorkey", &key, nullptr);
    FColorKey = QColor((key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF);
    if (OnColorKeyChanged) {
        OnColorKeyChanged(this);
    }
}

void TDSVideoWindowEx2::updateRendererWindow()
{
    if (!m_inGraph) {
        return;
    }
    if (m_surface) {
        m_surface->setGeometry(rect());
        publishWindowHandle();
        exposeNative();
    }
    update();
}

void TDSVideoWindowEx2::publishWindowHandle()
{
    if (!m_surface || !m_inGraph) {
        return;
    }
    m_renderer->setWindowHandle(quintptr(m_surface->winId())); // winId() makes the window
}

void TDSVideoWindowEx2::exposeNative()
{
    if (m_inGraph) {
        m_renderer->expose();
    }
}

void TDSVideoWindowEx2::updateSurfaceVisibility()
{
    if (m_surface) {
        m_surface->setGeometry(rect());
        m_surface->setVisible(m_inGraph && m_hasVideo && !m_idle);
    }
}

// ---------------------------------------------------------------- picture geometry

QRect TDSVideoWindowEx2::visibleSourceRect() const
{
    const QRect zoomed = VideoGeometry::zoomSourceRect(m_sourceSize, FDigitalZoom);
    return FAspectRatio == rmCrop ? VideoGeometry::cropToShape(zoomed, m_pixelAspect, size())
                                  : zoomed;
}

QSize TDSVideoWindowEx2::NativeVideoSize() const
{
    return VideoGeometry::displaySize(m_sourceSize, m_pixelAspect);
}

void TDSVideoWindowEx2::updateVideoRect()
{
    const QRect old = FVideoRect;
    FVideoRect = rect();
    if (FAspectRatio == rmLetterBox && !m_sourceSize.isEmpty()) {
        const QRect source = VideoGeometry::zoomSourceRect(m_sourceSize, FDigitalZoom);
        FVideoRect = VideoGeometry::letterBoxRect(
            rect(), VideoGeometry::displaySize(source.size(), m_pixelAspect));
    }
    if (FVideoRect != old) {
        update();
    }
}

void TDSVideoWindowEx2::applyZoomAndAspect()
{
    updateVideoRect();
    if (m_native) {
        // A sink fed to size draws pixel for pixel into the native window, whose pixels
        // are the device's: on a scaled screen more than the control's logical size.
        const QSize devicePixels = (QSizeF(FVideoRect.size()) * devicePixelRatioF()).toSize();
        m_renderer->setPictureGeometry(FAspectRatio != rmStretched, devicePixels,
                                       visibleSourceRect().size());
        m_renderer->setCrop(visibleSourceRect(), m_sourceSize);
        exposeNative();
    }
    update();
}

void TDSVideoWindowEx2::setAspectRatio(TRatioModes value)
{
    FAspectRatio = value;
    applyZoomAndAspect();
}

void TDSVideoWindowEx2::setDigitalZoom(int value)
{
    if (value < 0 || value > 99) {
        throw EVideoRangeError(
            QStringLiteral("Value %1 out of range. Value must bee between 0 -> 99").arg(value));
    }
    FDigitalZoom = value;
    applyZoomAndAspect();
}

void TDSVideoWindowEx2::setColor(const QColor& value)
{
    FColor = value;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, value);
    setPalette(palette);
    FFullScreenForm->setPalette(palette);
    update();
}

// ---------------------------------------------------------------- frames and painting

void TDSVideoWindowEx2::takeFrame()
{
    QImage image;
    if (!m_renderer->takeFrame(image)) {
        return;
    }
    m_frame = std::move(image);
    ++m_framesShown;
    if (m_frame.size() != m_sourceSize) {
        m_sourceSize = m_frame.size();
        updateVideoRect();
    }
    update(FVideoRect);
}

void TDSVideoWindowEx2::takeVideoFormat(const QSize& pixels, double pixelAspect)
{
    if (pixels == m_sourceSize && qFuzzyCompare(pixelAspect, m_pixelAspect)) {
        return;
    }
    m_sourceSize = pixels;
    m_pixelAspect = pixelAspect;
    applyZoomAndAspect();
}

void TDSVideoWindowEx2::clearPicture()
{
    m_renderer->discardFrame();
    m_frame = QImage();
    update();
}

void TDSVideoWindowEx2::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), FColor);
    if (FOverlay && FOverlayVisible && !FVideoRect.isEmpty()) {
        painter.fillRect(FVideoRect, FColorKey);
    }
    if (!m_native && !m_frame.isNull()) {
        const QRect source = m_frame.size() == m_sourceSize ? visibleSourceRect() : m_frame.rect();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(FVideoRect, m_frame, source);
    }
    m_canvas = &painter;
    if (OnPaint) {
        OnPaint(this);
    }
    m_canvas = nullptr;
}

void TDSVideoWindowEx2::resizeEvent(QResizeEvent*)
{
    if (m_surface) {
        m_surface->setGeometry(rect());
    }
    applyZoomAndAspect();
}

void TDSVideoWindowEx2::showEvent(QShowEvent*)
{
    publishWindowHandle();
    armCursorTimer();
    updateScreenSaver();
}

void TDSVideoWindowEx2::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange) {
        updateScreenSaver();
    }
    QWidget::changeEvent(event);
}

bool TDSVideoWindowEx2::event(QEvent* event)
{
    // A control inside a window hears of its window's activation only by these; the
    // activation change itself goes to the window alone.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        updateScreenSaver();
    }
    return QWidget::event(event);
}

// ---------------------------------------------------------------- full screen

QScreen* TDSVideoWindowEx2::screenHoldingMost() const
{
    // A Wayland client never learns where its windows are, only which output shows them.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        QScreen* shown = screen();
        return shown ? shown : QGuiApplication::primaryScreen();
    }
    const QRect mine(mapToGlobal(QPoint(0, 0)), size());
    QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (QScreen* candidate : QGuiApplication::screens()) {
        const QRect common = candidate->geometry().intersected(mine);
        const qint64 area = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (area > bestArea) {
            best = candidate;
            bestArea = area;
        }
    }
    if (!best) {
        best = screen(); // the nearest one
    }
    return best ? best : QGuiApplication::primaryScreen();
}

void TDSVideoWindowEx2::rememberPlace()
{
    FSavedParent = parentWidget();
    m_savedTopLevel = isWindow();
    m_savedGeometry = geometry();
    m_savedLayout = FSavedParent ? layoutHolding(FSavedParent->layout(), this) : nullptr;
    if (FSavedParent) {
        // Its owner gone, nothing would ever take the control out of full screen.
        m_savedParentGone = connect(FSavedParent, &QObject::destroyed, this, &QObject::deleteLater);
    }
    if (!m_savedLayout) {
        return;
    }
    const int index = m_savedLayout->indexOf(this);
    m_savedAlignment = m_savedLayout->itemAt(index)->alignment();
    m_savedLayoutSlot[0] = index;
    if (auto* grid = qobject_cast<QGridLayout*>(m_savedLayout.data())) {
        grid->getItemPosition(index, &m_savedLayoutSlot[0], &m_savedLayoutSlot[1],
                              &m_savedLayoutSlot[2], &m_savedLayoutSlot[3]);
    } else if (auto* box = qobject_cast<QBoxLayout*>(m_savedLayout.data())) {
        m_savedLayoutSlot[1] = box->stretch(index);
    }
}

void TDSVideoWindowEx2::restorePlace()
{
    disconnect(m_savedParentGone);
    if (!FSavedParent) {
        setParent(nullptr);
        setGeometry(m_savedGeometry);
    } else {
        setParent(FSavedParent);
        if (auto* grid = qobject_cast<QGridLayout*>(m_savedLayout.data())) {
            grid->addWidget(this, m_savedLayoutSlot[0], m_savedLayoutSlot[1], m_savedLayoutSlot[2],
                            m_savedLayoutSlot[3], m_savedAlignment);
        } else if (auto* box = qobject_cast<QBoxLayout*>(m_savedLayout.data())) {
            box->insertWidget(m_savedLayoutSlot[0], this, m_savedLayoutSlot[1], m_savedAlignment);
        } else if (m_savedLayout) {
            m_savedLayout->addWidget(this);
        } else {
            setGeometry(m_savedGeometry);
        }
    }
    FSavedParent = nullptr;
    m_savedTopLevel = false;
    m_savedLayout = nullptr;
    show();
}

void TDSVideoWindowEx2::StartFullScreen()
{
    if (FFullScreen) {
        return;
    }
    QScreen* monitor = screenHoldingMost();
    FMonitor = monitor;
    rememberPlace();
    QWidget* form = FFullScreenForm.get();
    form->setWindowFlag(Qt::WindowStaysOnTopHint, FFullScreenTopMost);
    form->layout()->addWidget(this);
    show();
    if (monitor) {
        form->setScreen(monitor);
        form->setGeometry(monitor->geometry());
    }
    form->showFullScreen();
    FFullScreen = true;
    form->raise(); // shown again it would keep its old place under the other windows
    form->activateWindow();
    setFocus();
    updateRendererWindow();
    if (FOverlay) {
        refreshColorKey();
    }
}

void TDSVideoWindowEx2::NormalPlayback()
{
    if (FSavedParent || m_savedTopLevel || parentWidget() == FFullScreenForm.get()) {
        restorePlace();
    }
    if (FFullScreen) {
        FFullScreenForm->hide();
        FFullScreenForm->update();
        FFullScreen = false;
    }
    updateRendererWindow();
    if (FOverlay) {
        refreshColorKey();
    }
    setOverlayVisible(true);
    FMonitor = nullptr;
}

// ---------------------------------------------------------------- mouse, keys, cursor

// The idle check runs on a timer instead of the application's idle time: Qt has no
// single idle hook to take over, and a timer costs nothing while the mouse moves.
void TDSVideoWindowEx2::setAutoHideCursor(int milliseconds)
{
    FAutoHideCursor = milliseconds;
    armCursorTimer();
}

void TDSVideoWindowEx2::armCursorTimer()
{
    if (FAutoHideCursor <= 0 || FCursorHidden) {
        m_cursorTimer.stop();
        return;
    }
    const qint64 left = FAutoHideCursor - FLastMouseTick.elapsed();
    m_cursorTimer.start(int(std::max<qint64>(0, left)));
}

void TDSVideoWindowEx2::onCursorTimer()
{
    if (FAutoHideCursor <= 0 || FCursorHidden) {
        return;
    }
    if (FLastMouseTick.elapsed() < FAutoHideCursor) {
        armCursorTimer();
    } else if (rendererInGraph()) {
        hideCursor();
    }
    // Without a renderer the timer rests: the renderer's arrival arms it again.
}

void TDSVideoWindowEx2::hideCursor()
{
    if (FCursorHidden) {
        return;
    }
    m_hadOwnCursor = testAttribute(Qt::WA_SetCursor);
    FSavedCursor = cursor();
    setCursor(Qt::BlankCursor);
    FCursorHidden = true;
    if (OnCursorShowHide) {
        OnCursorShowHide(this, false);
    }
}

void TDSVideoWindowEx2::showCursor()
{
    if (!FCursorHidden) {
        return;
    }
    if (m_hadOwnCursor) {
        setCursor(FSavedCursor);
    } else {
        unsetCursor();
    }
    FCursorHidden = false;
    if (OnCursorShowHide) {
        OnCursorShowHide(this, true);
    }
}

QPoint TDSVideoWindowEx2::mousePosition(const QPoint& local) const
{
    return FFullScreen ? QCursor::pos() : local;
}

void TDSVideoWindowEx2::noteMouse(const QPoint& position)
{
    FLastMouse = position;
    FLastMouseTick.restart();
    showCursor();
    armCursorTimer();
}

void TDSVideoWindowEx2::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = mousePosition(event->position().toPoint());
    if (pos != FLastMouse) {
        noteMouse(pos);
    }
    if (OnMouseMove) {
        OnMouseMove(this, event->buttons(), event->modifiers(), pos.x(), pos.y());
    }
    event->accept();
}

void TDSVideoWindowEx2::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = mousePosition(event->position().toPoint());
    if (FCursorHidden) {
        noteMouse(pos);
    }
    if (OnMouseDown) {
        OnMouseDown(this, event->button(), event->modifiers(), pos.x(), pos.y());
    }
    event->accept();
}

void TDSVideoWindowEx2::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = mousePosition(event->position().toPoint());
    if (FCursorHidden) {
        noteMouse(pos);
    }
    if (OnMouseUp) {
        OnMouseUp(this, event->button(), event->modifiers(), pos.x(), pos.y());
    }
    event->accept();
}

void TDSVideoWindowEx2::keyPressEvent(QKeyEvent* event)
{
    if (OnKeyDown) {
        OnKeyDown(this, event);
    } else {
        QWidget::keyPressEvent(event);
    }
}

void TDSVideoWindowEx2::contextMenuEvent(QContextMenuEvent* event)
{
    if (!FPopupMenu) {
        event->ignore();
        return;
    }
    FPopupMenu->popup(FFullScreen ? QCursor::pos() : event->globalPos());
    event->accept();
}

// ---------------------------------------------------------------- screen saver

void TDSVideoWindowEx2::setNoScreenSaver(bool value)
{
    FNoScreenSaver = value;
    updateScreenSaver();
}

// The session's screen saver is held off while a picture plays in the focused window.
void TDSVideoWindowEx2::updateScreenSaver()
{
    m_screenSaver.setInhibited(FNoScreenSaver && m_playing && m_hasVideo && !m_destroying &&
                               isVisible() && isActiveWindow());
}
