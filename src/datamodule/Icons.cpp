// SPDX-License-Identifier: GPL-3.0-or-later
#include "datamodule/Icons.h"

#include <QApplication>
#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QStyle>
#include <QStyleOption>

namespace Icons {

namespace {

constexpr int kSize = 16;
const QColor kInk(0x20, 0x30, 0x48);
const QColor kAccent(0x2a, 0x7a, 0xd8);

QPixmap blank()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void triangle(QPainter& p, qreal x0, qreal x1, bool pointRight)
{
    QPolygonF shape;
    if (pointRight) {
        shape << QPointF(x0, 3) << QPointF(x1, 8) << QPointF(x0, 13);
    } else {
        shape << QPointF(x1, 3) << QPointF(x0, 8) << QPointF(x1, 13);
    }
    p.drawPolygon(shape);
}

// Paints image `index` into the 16 x 16 square of `p`'s coordinates.
void paintImage(QPainter& p, int index)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    switch (index) {
    case kPrevious:
        p.drawRect(QRectF(3, 3, 2, 10));
        triangle(p, 5, 13, false);
        break;
    case kRewind:
        triangle(p, 1, 8, false);
        triangle(p, 8, 15, false);
        break;
    case kPause:
        p.drawRect(QRectF(4, 3, 3, 10));
        p.drawRect(QRectF(9, 3, 3, 10));
        break;
    case kPlay:
        p.setBrush(QColor(0x1f, 0x8f, 0x3a));
        triangle(p, 4, 13, true);
        break;
    case kStop:
        p.drawRect(QRectF(4, 4, 8, 8));
        break;
    case kForward:
        triangle(p, 1, 8, true);
        triangle(p, 8, 15, true);
        break;
    case kNext:
        triangle(p, 3, 11, true);
        p.drawRect(QRectF(11, 3, 2, 10));
        break;
    case kPlaylist:
        for (int row = 0; row < 4; ++row) {
            p.drawRect(QRectF(2, 3 + row * 3, 2, 2));
            p.drawRect(QRectF(5, 3 + row * 3, 9, 2));
        }
        break;
    case kFullScreen: {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(2.5, 3.5, 11, 9));
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRect(QRectF(4, 5, 8, 6));
        break;
    }
    case kOpen:
        p.setBrush(QColor(0xd8, 0xa8, 0x30));
        p.drawRect(QRectF(2, 5, 12, 8));
        p.drawRect(QRectF(2, 3, 5, 3));
        break;
    case kHelp: {
        p.setBrush(kAccent);
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setPixelSize(12);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case kAbout: {
        p.setBrush(kInk);
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 7, 2, 6));
        p.drawEllipse(QRectF(7, 3.5, 2, 2));
        break;
    }
    }
}

QPixmap draw(int index)
{
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    paintImage(p, index);
    return pixmap;
}

// Draws the image afresh at the size and pixel density asked, so it stays sharp on any
// screen scale; a 16 x 16 bitmap would be blown up.
class VectorIconEngine : public QIconEngine {
public:
    explicit VectorIconEngine(int index) : m_index(index) {}
    QIconEngine* clone() const override { return new VectorIconEngine(m_index); }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, ratio));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        // `size` is in the device's pixels already.
        const int side = qMin(size.width(), size.height());
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        {
            QPainter p(&pixmap);
            p.scale(pixmap.width() / qreal(kSize), pixmap.height() / qreal(kSize));
            paintImage(p, m_index);
        }
        pixmap.setDevicePixelRatio(scale);
        if (mode == QIcon::Disabled || mode == QIcon::Selected) {
            QStyleOption option;
            option.palette = QApplication::palette();
            const QPixmap styled =
                QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
            if (!styled.isNull()) {
                return styled;
            }
        }
        return pixmap;
    }

private:
    int m_index;
};

} // namespace

QIcon transportIcon(int index)
{
    return QIcon(new VectorIconEngine(index));
}

QList<QPixmap> transportImages()
{
    QList<QPixmap> images;
    for (int i = 0; i <= kAbout; ++i) {
        images << draw(i);
    }
    return images;
}

QList<QPixmap> volumeBarImages()
{
    const QSize size(104, 23);
    QPixmap background(size);
    background.fill(Qt::transparent);
    {
        QPainter p(&background);
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.setBrush(QColor(0x10, 0x10, 0x10, 200));
        p.drawRect(0, 0, size.width() - 1, size.height() - 1);
    }
    QPixmap bar(size);
    bar.fill(Qt::transparent);
    {
        QPainter p(&bar);
        QLinearGradient fill(0, 0, size.width(), 0);
        fill.setColorAt(0, QColor(0x20, 0xa0, 0x40));
        fill.setColorAt(1, QColor(0xe0, 0xd0, 0x30));
        p.fillRect(QRect(1, 1, size.width() - 2, size.height() - 2), fill);
    }
    return {background, bar};
}

} // namespace Icons
