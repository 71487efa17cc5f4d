// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/TTimeLabel.h"

#include <QEvent>
#include <QFontMetrics>

TTimeLabel::TTimeLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    fit(text);
}

void TTimeLabel::setText(const QString& text)
{
    fit(text);
    QLabel::setText(text);
}

void TTimeLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_widestDigit = QChar();
        m_shape.clear();
        fit(text());
    }
}

QString TTimeLabel::shapeOf(const QString& text) const
{
    QString shape = text;
    for (QChar& c : shape) {
        if (c.isDigit()) {
            c = m_widestDigit;
        }
    }
    return shape;
}

void TTimeLabel::fit(const QString& text)
{
    if (m_widestDigit.isNull()) {
        const QFontMetrics metrics = fontMetrics();
        m_widestDigit = QLatin1Char('0');
        for (char digit = '1'; digit <= '9'; ++digit) {
            if (metrics.horizontalAdvance(QLatin1Char(digit)) >
                metrics.horizontalAdvance(m_widestDigit)) {
                m_widestDigit = QLatin1Char(digit);
            }
        }
    }
    const QString shape = shapeOf(text);
    if (shape == m_shape) {
        return;
    }
    m_shape = shape;
    // Measured as the label itself would measure it; a fixed size keeps a new text of the
    // same shape from reaching the layout at all.
    const QString shown = QLabel::text();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QLabel::setText(shape);
    const QSize size = sizeHint();
    QLabel::setText(shown);
    setFixedSize(size);
}
