// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/VideoGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

int mulDiv(int number, int numerator, int denominator)
{
    return int(std::llround(double(qint64(number) * numerator) / denominator));
}

} // namespace

QRect VideoGeometry::letterBoxRect(const QRect& client, const QSize& video)
{
    if (client.isEmpty() || video.isEmpty()) {
        return client;
    }
    const int cw = client.width(), ch = client.height();
    const int vw = video.width(), vh = video.height();
    int w = cw, h = ch;
    if (qint64(ch) * vw > qint64(cw) * vh) { // ch / vh > cw / vw: the width decides
        h = mulDiv(vh, cw, vw);
    } else {
        w = mulDiv(vw, ch, vh);
    }
    return QRect(client.left() + (cw - w) / 2, client.top() + (ch - h) / 2, w, h);
}

QRect VideoGeometry::zoomSourceRect(const QSize& source, int zoom)
{
    const double W = source.width(), H = source.height();
    if (W <= 0 || H <= 0) {
        return QRect();
    }
    const double w = W - zoom * W / 100.0;
    const double h = w * H / W;
    const double left = (W - w) / 2.0, top = (H - h) / 2.0;
    return QRect(int(left), int(top), std::max(1, int(w)), std::max(1, int(h)));
}

QRect VideoGeometry::cropToShape(const QRect& source, double pixelAspect, const QSize& target)
{
    if (source.isEmpty() || target.isEmpty() || pixelAspect <= 0) {
        return source;
    }
    const double wanted = double(target.width()) / target.height();
    const double shown = source.width() * pixelAspect / source.height();
    QRect r = source;
    if (shown > wanted) {
        const int w = std::max(1, int(std::lround(source.height() * wanted / pixelAspect)));
        r = QRect(source.x() + (source.width() - w) / 2, source.y(), w, source.height());
    } else if (shown < wanted) {
        const int h = std::max(1, int(std::lround(source.width() * pixelAspect / wanted)));
        r = QRect(source.x(), source.y() + (source.height() - h) / 2, source.width(), h);
    }
    return r;
}

QSize VideoGeometry::displaySize(const QSize& pixels, double pixelAspect)
{
    if (pixels.isEmpty()) {
        return QSize();
    }
    return QSize(int(std::lround(pixels.width() * pixelAspect)), pixels.height());
}
