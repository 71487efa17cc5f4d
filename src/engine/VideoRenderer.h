// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The video window's renderer: one GStreamer bin, made once, that every graph takes as
// its video sink. Either an X sink drawing into a native window the bin is given, or an
// appsink whose frames are handed to the GUI thread as images.

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

typedef struct _GstElement GstElement;

class VideoRenderer {
public:
    // `onFrame` and `onFormat` run on `context`'s thread, never on a streaming thread.
    // onFormat gets the decoded picture size in pixels and the pixel aspect ratio.
    VideoRenderer(QObject* context, bool native, std::function<void()> onFrame,
                  std::function<void(QSize, double)> onFormat);
    ~VideoRenderer();
    VideoRenderer(const VideoRenderer&) = delete;
    VideoRenderer& operator=(const VideoRenderer&) = delete;

    GstElement* element() const { return m_bin; }
    // The sink inside; it implements GstVideoOverlay on the native path.
    GstElement* sink() const { return m_sink; }
    // False when no native sink could be opened: frames are then painted.
    bool native() const { return m_native; }
    QString kind() const;

    // Painted path: the newest frame not yet taken.
    bool takeFrame(QImage& frame);
    void discardFrame();

    // Native path.
    void setWindowHandle(quintptr handle);
    void expose();
    // How the picture fills the window: a sink that scales keeps the aspect or not; one
    // that cannot is fed frames of `onScreen` size (empty: whatever comes), scaled from
    // the `picture` size (the part of the source shown) the cheaper way.
    void setPictureGeometry(bool keepAspect, const QSize& onScreen, const QSize& picture = {});
    // The size of the frames the sink gets when it is fed to size; empty otherwise.
    QSize framesOnScreen() const { return m_sizeOnScreen; }
    // Shows only `visible` of a `source`-sized picture.
    void setCrop(const QRect& visible, const QSize& source);

    struct Bridge;
    struct PendingSizes;

private:
    bool buildNative();
    bool buildPainted();

    GstElement* m_bin = nullptr;
    GstElement* m_sink = nullptr;
    GstElement* m_crop = nullptr;
    QSize m_sizeOnScreen;
    QSize m_shrinkTo;
    // Sizes the streaming thread is to apply; none when the sink scales by itself.
    std::shared_ptr<PendingSizes> m_pending;
    bool m_native = false;
    std::shared_ptr<Bridge> m_bridge;
};
