// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The video window: a widget that brings its own renderer into the media graph and
// shows the picture in itself, letterboxed or stretched, in full screen on demand.
//
// On X11 the renderer is an X video sink drawing into a native child window; where the
// sink offers a colour balance (Xv) that is the overlay: colour controls and a colour
// key. Without a native window system (offscreen, tests) frames come through an appsink
// and the widget paints them itself.

#include "engine/GraphInterfaces.h"
#include "engine/TColorControl.h"

#include "platform/ScreenSaver.h"

#include <QColor>
#include <QCursor>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QLayout;
class QPainter;
class QScreen;
class TFilterGraph;
class VideoRenderer;

enum TRatioModes { rmStretched = 0, rmLetterBox = 1, rmCrop = 2 };

class TDSVideoWindowEx2 : public QWidget, public IVideoWindowListener {
    Q_OBJECT
public:
    static constexpr int kDefaultWidth = 320;
    static constexpr int kDefaultHeight = 240;

    explicit TDSVideoWindowEx2(QWidget* parent = nullptr);
    ~TDSVideoWindowEx2() override;

    TFilterGraph* FilterGraph() const { return FFilterGraph; }
    void setFilterGraph(TFilterGraph* graph);

    TRatioModes AspectRatio() const { return FAspectRatio; }
    void setAspectRatio(TRatioModes value);
    int DigitalZoom() const { return FDigitalZoom; }
    // Raises EVideoRangeError outside 0..99.
    void setDigitalZoom(int value);
    int AutoHideCursor() const { return FAutoHideCursor; }
    void setAutoHideCursor(int milliseconds);
    bool FullScreenTopMost() const { return FFullScreenTopMost; }
    void setFullScreenTopMost(bool value) { FFullScreenTopMost = value; }
    bool NoScreenSaver() const { return FNoScreenSaver; }
    void setNoScreenSaver(bool value);
    TColorControl* ColorControl() const { return FColorControl.get(); }
    const TDSVideoWindowEx2Caps* Caps() const { return FCaps.get(); }
    QColor Color() const { return FColor; }
    void setColor(const QColor& value);
    QColor ColorKey() const { return FColorKey; }
    bool FullScreen() const { return FFullScreen; }
    QMenu* PopupMenu() const { return FPopupMenu; }
    void setPopupMenu(QMenu* menu) { FPopupMenu = menu; }

    void StartFullScreen();
    void NormalPlayback();

    // Where the picture lies inside the control, and the picture's own display size.
    QRect VideoRect() const { return FVideoRect; }
    QSize NativeVideoSize() const;
    // A point of this control (screen coordinates in full screen, as the mouse events
    // give them) in the frames that reach the renderer, where pointer events for the
    // picture (DVD menu buttons) are read; the scaler and crop on the way upstream take
    // them back to the source picture.
    QPoint navigationPoint(const QPoint& point) const;
    bool Overlay() const { return FOverlay; }
    bool OverlayVisible() const { return FOverlayVisible; }
    bool CursorHidden() const { return FCursorHidden; }
    // The painter of the paint in progress, for OnPaint handlers; null otherwise.
    QPainter* Canvas() const { return m_canvas; }
    // The borderless window that holds the control in full screen.
    QWidget* FullScreenForm() const { return FFullScreenForm.get(); }

    // The sink inside the renderer ("xvimagesink", "ximagesink", "glimagesink", "appsink").
    QString rendererKind() const;
    bool nativeRendering() const { return m_native; }
    // Painted path only: the last frame taken in, and how many were taken in.
    QImage lastFrame() const { return m_frame; }
    int framesShown() const { return m_framesShown; }

    // IVideoWindowListener
    GstElement* videoFilter() override { return FRenderer; }
    QString videoFilterName() const override;
    void VideoFilterEvent(int Op) override;
    void GraphControlEvent(int Op, int Param) override;
    void GraphDSEvent(int Event, std::intptr_t Param1, std::intptr_t Param2) override;

    std::function<void(TDSVideoWindowEx2* Sender, bool Visible)> OnOverlayVisible;
    std::function<void(TDSVideoWindowEx2* Sender, bool Visible)> OnCursorShowHide;
    std::function<void(TDSVideoWindowEx2* Sender)> OnColorKeyChanged;
    std::function<void(TDSVideoWindowEx2* Sender)> OnPaint;
    std::function<void(TDSVideoWindowEx2* Sender, QKeyEvent* Key)> OnKeyDown;
    // In full screen X and Y are screen coordinates of the cursor.
    std::function<void(TDSVideoWindowEx2* Sender, Qt::MouseButtons Buttons,
                       Qt::KeyboardModifiers Shift, int X, int Y)>
        OnMouseMove;
    std::function<void(TDSVideoWindowEx2* Sender, Qt::MouseButton Button,
                       Qt::KeyboardModifiers Shift, int X, int Y)>
        OnMouseDown;
    std::function<void(TDSVideoWindowEx2* Sender, Qt::MouseButton Button,
                       Qt::KeyboardModifiers Shift, int X, int Y)>
        OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void buildRenderer();
    void forgetGraph();
    bool rendererInGraph() const { return m_inGraph; }

    // Overlay and renderer window.
    bool setupOverlay();
    void overlaySetupStep(bool always);
    void updateRendererWindow();
    void setOverlayVisible(bool visible);
    void refreshColorKey();
    void applyColorControl();
    void applyZoomAndAspect();
    void updateVideoRect();
    QRect visibleSourceRect() const;
    void publishWindowHandle();
    void exposeNative();
    void updateSurfaceVisibility();
    bool pipelineHasVideo() const;

    // Frames and formats from the streaming side, on the GUI thread.
    void takeFrame();
    void takeVideoFormat(const QSize& pixels, double pixelAspect);
    void clearPicture();

    // Full screen.
    QScreen* screenHoldingMost() const;
    void rememberPlace();
    void restorePlace();

    // Cursor and screen saver.
    QPoint mousePosition(const QPoint& local) const;
    void noteMouse(const QPoint& position);
    void armCursorTimer();
    void onCursorTimer();
    void hideCursor();
    void showCursor();
    void updateScreenSaver();

    QPointer<TFilterGraph> FFilterGraph;
    TRatioModes FAspectRatio = rmLetterBox;
    int FDigitalZoom = 0;
    int FAutoHideCursor = 0;
    bool FFullScreenTopMost = false;
    bool FNoScreenSaver = false;
    std::unique_ptr<TColorControl> FColorControl;
    std::unique_ptr<TDSVideoWindowEx2Caps> FCaps;
    QColor FColor = Qt::black;
    QColor FColorKey = QColor(0x10, 0x00, 0x10); // the overlay's customary 0x100010
    QPointer<QMenu> FPopupMenu;

    // The renderer given to the graph (FRenderer is its bin), made once.
    std::unique_ptr<VideoRenderer> m_renderer;
    GstElement* FRenderer = nullptr;
    bool m_native = false;
    QWidget* m_surface = nullptr;
    bool m_inGraph = false; // the renderer is in a graph (the renderer window is held)
    bool m_hasVideo = false;
    bool m_idle = true; // stopped or never run: the sink shows nothing
    bool m_playing = false;

    bool FOverlayProbed = false;
    bool FOverlay = false;
    bool FOverlayVisible = false;
    QRect FVideoRect;
    QSize m_sourceSize; // pixels of the decoded picture
    double m_pixelAspect = 1.0;
    QImage m_frame;
    int m_framesShown = 0;
    QPainter* m_canvas = nullptr;

    bool FFullScreen = false;
    std::unique_ptr<QWidget> FFullScreenForm;
    QPointer<QWidget> FSavedParent;
    bool m_savedTopLevel = false;
    QRect m_savedGeometry;
    QPointer<QLayout> m_savedLayout;
    int m_savedLayoutSlot[4] = {-1, -1, 1, 1}; // box: index, stretch; grid: row, column, spans
    Qt::Alignment m_savedAlignment;
    QMetaObject::Connection m_savedParentGone;
    QPointer<QScreen> FMonitor;
    bool m_destroying = false;

    QPoint FLastMouse;
    QElapsedTimer FLastMouseTick;
    QTimer m_cursorTimer{this};
    QCursor FSavedCursor;
    bool m_hadOwnCursor = false;
    bool FCursorHidden = false;

    Platform::ScreenSaverInhibitor m_screenSaver;
};
