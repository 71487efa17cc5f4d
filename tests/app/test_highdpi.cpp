// SPDX-License-Identifier: GPL-3.0-or-later
// The windows on a high-density screen (run with QT_SCALE_FACTOR 1.5 and 2): the fixed
// layouts scale as a whole, nothing cut off or overlapping, texts whole, icons drawn at
// the screen's density.
#include "../player/WindowTestSupport.h"
#include "about/Un_About.h"
#include "playlist/Un_playlist_entry.h"
#include "video/Un_VidDisplay.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QtTest>

namespace {

QString where(const QWidget* w)
{
    QString name = w->objectName();
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        name += QLatin1Char('"') + label->text() + QLatin1Char('"');
    }
    const QRect r = w->geometry();
    return QStringLiteral("%1 (%2 at %4,%5 %6x%7) in %3")
        .arg(name, QString::fromLatin1(w->metaObject()->className()), w->window()->windowTitle())
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height());
}

QString plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// The width a control's text needs beside its indicator, or -1 when it shows none.
int textRoom(const QWidget* w)
{
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        return label->text().isEmpty() || label->wordWrap() || label->textFormat() == Qt::RichText
                   ? -1
                   : label->contentsRect().width();
    }
    auto* button = qobject_cast<const QAbstractButton*>(w);
    if (!button || button->text().isEmpty() || qobject_cast<const QToolButton*>(w)) {
        return -1;
    }
    QStyleOptionButton option;
    option.initFrom(button);
    if (qobject_cast<const QCheckBox*>(w)) {
        return w->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, w).width();
    }
    if (qobject_cast<const QRadioButton*>(w)) {
        return w->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, w).width();
    }
    return w->width() - 2 * w->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, w) / 3;
}

QString text(const QWidget* w)
{
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        return label->text();
    }
    return plain(static_cast<const QAbstractButton*>(w)->text());
}

// Where a control shows something in its parent: a label's box is taller than its
// letters (line spacing), so the letters themselves, as the label draws them.
QRect footprint(const QWidget* w)
{
    auto* label = qobject_cast<const QLabel*>(w);
    if (!label || label->text().isEmpty() || label->textFormat() == Qt::RichText) {
        return w->geometry();
    }
    const QFontMetrics fm = label->fontMetrics();
    const QRect box = label->contentsRect();
    const QRect placed =
        QStyle::alignedRect(label->layoutDirection(), label->alignment(),
                            QSize(fm.horizontalAdvance(label->text()), fm.height()), box);
    return fm.tightBoundingRect(label->text())
        .translated(placed.left(), placed.top() + fm.ascent())
        .translated(w->pos());
}

// Every visible control lies inside its parent, no two visible siblings overlap, and
// every text fits its control.
void checkLayout(QWidget* parent, QStringList& faults)
{
    QList<QWidget*> shown;
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() || !child->isVisible()) {
            continue;
        }
        if (!parent->rect().contains(child->geometry())) {
            faults << where(child) + QStringLiteral(" sticks out of its parent");
        }
        for (QWidget* other : shown) {
            if (footprint(other).intersects(footprint(child))) {
                faults << where(child) + QStringLiteral(" overlaps ") + where(other);
            }
        }
        shown << child;
        const int room = textRoom(child);
        if (room >= 0 && child->fontMetrics().horizontalAdvance(text(child)) > room) {
            faults << where(child) + QStringLiteral(" cuts its text \"%1\"").arg(text(child));
        }
        checkLayout(child, faults);
    }
}

} // namespace

class TestHighDpi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_support.finish(); }
    void windowsScaleAsAWhole();
    void iconsAreDrawnAtTheScreensDensity();

private:
    WindowTestSupport m_support;
    qreal m_scale = 1;
};

void TestHighDpi::initTestCase()
{
    m_scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
    m_support.start();
    Frm_PlayerControl->show();
    frm_about->show();
    Frm_playlist_entry->show();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible()) {
            QVERIFY(QTest::qWaitForWindowExposed(w));
        }
    }
    QCOMPARE(Frm_PlayerControl->devicePixelRatioF(), m_scale);
}

void TestHighDpi::windowsScaleAsAWhole()
{
    QStringList faults;
    int windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && !qobject_cast<QMenu*>(w)) {
            checkLayout(w, faults);
            ++windows;
        }
    }
    QVERIFY(windows >= 5);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    // The logical sizes are those of an ordinary screen: the whole window grows.
    QCOMPARE(Frm_PlayerControl->size(), QSize(430, 171));
}

void TestHighDpi::iconsAreDrawnAtTheScreensDensity()
{
    const QList<QAbstractButton*> buttons = {Frm_PlayerControl->ToolPlay,
                                             Frm_PlayerControl->ToolStop,
                                             Frm_PlayerControl->ToolFullScreen};
    for (QAbstractButton* button : buttons) {
        const QPixmap shown =
            button->icon().pixmap(button->iconSize(), button->devicePixelRatioF());
        QCOMPARE(shown.deviceIndependentSize().toSize(), button->iconSize());
        QCOMPARE(shown.size(), button->iconSize() * m_scale);
    }
}

QTEST_MAIN(TestHighDpi)
#include "test_highdpi.moc"
