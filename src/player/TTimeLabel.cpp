// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/TTimeLabel.h"

#include <QEvent>
#include <QFontMetrics>

TTimeLabel::TTimeLabel(const QString& text, QWidget* parent) : QLabel(parent)
{
    setText(text);
}

void TTimeLabel::setText(const QString& text)
{
    const QString shape = shapeOf(text);
    if (shape == m_shape) {
        QLabel::setText(text);
        return;
    }
    // Measured as the label measures its own text, widened by what the widest digits
    // add; only the real text is ever shown (and told to a screen reader).
    m_shape = shape;
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QLabel::setText(text);
    const QFontMetrics metrics = fontMetrics();
    const QSize natural = sizeHint();
    setFixedSize(natural.width() + metrics.horizontalAdvance(shape) -
                     metrics.horizontalAdvance(text),
                 natural.height());
}

void TTimeLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_widestDigit = QChar();
        m_shape.clear();
        setText(text());
    }
}

QString TTimeLabel::shapeOf(const QString& text)
{
    if (m_widestDigit.isNull()) { // once per font, not at every tick
        const QFontMetrics metrics = fontMetrics();
        m_widestDigit = QLatin1Char('0');
        for (char digit = '1'; digit <= '9'; ++digit) {
            if (metrics.horizontalAdvance(QLatin1Char(digit)) >
                metrics.horizontalAdvance(m_widestDigit)) {
                m_widestDigit = QLatin1Char(digit);
            }
        }
    }
    QString shape = text;
    for (QChar& c : shape) {
        if (c.isDigit()) {
            c = m_widestDigit;
        }
    }
    return shape;
}
