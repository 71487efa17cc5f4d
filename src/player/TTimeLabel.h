// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The player window's elapsed time, "0:01:23 / 0:04:56". It gets a new text every second
// while something plays. A plain label asks its window to lay itself out again at every
// new text (measuring the text anew), which is most of what the clock costs. This one
// keeps one size for every text of the same shape: the size of that text with each digit
// the font's widest, so the bar beside it keeps its length too when the digits change.

#include <QLabel>

class TTimeLabel : public QLabel {
public:
    explicit TTimeLabel(const QString& text, QWidget* parent = nullptr);

    // Hides QLabel::setText: every text goes through here, so the size fits it.
    void setText(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    QString shapeOf(const QString& text);

    QChar m_widestDigit;
    QString m_shape; // of the text the size was made for
};
