// SPDX-License-Identifier: GPL-3.0-or-later
// The seek bar on a real graph: polling, dragging and seeking while media files play.
#include "engine/TDSTrackBar.h"
#include "engine/TFilterGraph.h"

#include <QtTest>

#include <gst/gst.h>

namespace {

const QString kMedia = QStringLiteral(LUMENO_MEDIA_DIR);

struct Poll {
    quint32 current, stop;
    int position, max;
};

// A graph with a bar attached that records every poll.
struct Rig {
    TFilterGraph graph;
    TDSTrackBar bar;
    QList<Poll> polls;
    std::function<void()> afterPoll;

    explicit Rig(quint32 interval)
    {
        bar.resize(400, 30);
        bar.show();
        bar.setTimerInterval(interval);
        bar.setFilterGraph(&graph);
        bar.OnTimer = [this](TDSTrackBar* sender, quint32 current, quint32 stop) {
            polls << Poll{current, stop, sender->value(), sender->maximum()};
            if (afterPoll) {
                afterPoll();
            }
        };
    }
    bool play(const QString& file)
    {
        graph.setActive(true);
        return graph.RenderFile(kMedia + '/' + file) == S_OK && graph.Play();
    }
    qint64 graphMs() const
    {
        std::int64_t pos = -1;
        const auto seeking = graph.QueryMediaSeeking();
        return seeking && Succeeded(seeking->GetCurrentPosition(pos)) ? pos / 10000 : -1;
    }
    void seekMs(qint64 ms)
    {
        std::int64_t target = ms * 10000, stop = 0;
        graph.QueryMediaSeeking()->SetPositions(&target, AM_SEEKING_AbsolutePositioning, &stop,
                                                AM_SEEKING_NoPositioning);
    }
    QPoint at(double fraction) const { return QPoint(int(bar.width() * fraction), 15); }
};

} // namespace

class TestSeekBar : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pollSetsRangeThumbAndReports();
    void intervalChangesWhilePlaying();
    void dragHoldsPollsAndReleaseSeeks();
    void otherButtonsNeverSeek();
    void zeroRangeNeverSeeks();
    void pauseAndDisabledStopPolling();
    void clockChangeRewinds();
    void followsGraphLifecycle();
};

void TestSeekBar::initTestCase()
{
    gst_init(nullptr, nullptr);
    QVERIFY2(QFileInfo::exists(kMedia + "/long12.avi"), "test media missing: run make_media");
}

void TestSeekBar::pollSetsRangeThumbAndReports()
{
    Rig rig(1000);
    QCOMPARE(rig.bar.tickPosition(), QSlider::NoTicks);
    // After the first poll, jump to 5.5 s: the next poll lands about 6.5 s in.
    rig.afterPoll = [&] {
        if (rig.polls.size() == 1) {
            rig.seekMs(5500);
        }
    };
    QVERIFY(rig.play("long12.avi"));
    QVERIFY(rig.bar.TimerActive());
    QTRY_VERIFY_WITH_TIMEOUT(rig.polls.size() >= 2, 5000);
    const Poll p = rig.polls[1];
    QVERIFY2(p.current >= 6000 && p.current < 7000, qPrintable(QString::number(p.current)));
    QVERIFY2(p.stop >= 11900 && p.stop <= 12100, qPrintable(QString::number(p.stop)));
    QCOMPARE(p.position, 6);
    QCOMPARE(p.max, 12);
    QCOMPARE(rig.bar.minimum(), 0);
}

void TestSeekBar::intervalChangesWhilePlaying()
{
    Rig rig(1000);
    QVERIFY(rig.play("long12.avi"));
    QTRY_VERIFY_WITH_TIMEOUT(rig.polls.size() == 1, 3000);
    rig.bar.setTimerInterval(100); // restarts at once with the new period
    QTest::qWait(1050);
    QVERIFY2(rig.polls.size() >= 5, qPrintable(QString::number(rig.polls.size())));
    for (const Poll& p : rig.polls.mid(1)) {
        QCOMPARE(p.max, int(p.stop / 100));
        QCOMPARE(p.position, int(p.current / 100));
        QVERIFY(p.current < p.stop);
    }
    QVERIFY(rig.polls.last().max >= 119 && rig.polls.last().max <= 121);
    rig.bar.setTimerInterval(0);
    const int before = rig.polls.size();
    QTest::qWait(400);
    QCOMPARE(rig.polls.size(), before);
}

void TestSeekBar::dragHoldsPollsAndReleaseSeeks()
{
    Rig rig(100);
    QVERIFY(rig.play("long12.avi"));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.polls.isEmpty(), 3000);
    // A press on the groove far right of the thumb puts the thumb there, not one page on.
    QTest::mousePress(&rig.bar, Qt::LeftButton, {}, rig.at(0.75));
    QVERIFY(rig.bar.Dragging());
    const int held = rig.bar.value();
    QVERIFY2(held > 80 && held < 100, qPrintable(QString::number(held)));
    const int polls = rig.polls.size();
    QTest::qWait(500);
    QCOMPARE(rig.polls.size(), polls);
    QCOMPARE(rig.bar.value(), held);
    QTest::mouseRelease(&rig.bar, Qt::LeftButton, {}, rig.at(0.75));
    QVERIFY(!rig.bar.Dragging());
    const qint64 target = qint64(rig.polls.last().stop) * held / rig.bar.maximum();
    QTRY_VERIFY(rig.graphMs() >= target && rig.graphMs() < target + 600);
    QTRY_VERIFY(rig.polls.size() > polls && rig.polls.last().position >= held);
}

void TestSeekBar::otherButtonsNeverSeek()
{
    Rig rig(100);
    QVERIFY(rig.play("long12.avi"));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.polls.isEmpty(), 3000);
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mousePress(&rig.bar, button, {}, rig.at(0.9));
        QVERIFY(!rig.bar.Dragging());
        QTest::mouseRelease(&rig.bar, button, {}, rig.at(0.9));
    }
    QTest::qWait(300);
    QVERIFY2(rig.graphMs() < 3000, qPrintable(QString::number(rig.graphMs())));
}

void TestSeekBar::zeroRangeNeverSeeks()
{
    // A 3 s item polled every 4 s: the range is 0 .. 0.
    Rig rig(4000);
    QVERIFY(rig.play("audio.wav"));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.polls.isEmpty(), 8000);
    QCOMPARE(rig.bar.maximum(), 0);
    const qint64 before = rig.graphMs();
    QVERIFY(before > 2000);
    QTest::mouseClick(&rig.bar, Qt::LeftButton, {}, rig.at(0.9));
    QTest::qWait(200);
    QVERIFY(rig.graphMs() >= before);
}

void TestSeekBar::pauseAndDisabledStopPolling()
{
    Rig rig(100);
    QVERIFY(rig.play("long12.avi"));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.polls.isEmpty(), 3000);
    QVERIFY(rig.graph.Pause());
    QVERIFY(!rig.bar.TimerActive());
    int count = rig.polls.size();
    QTest::qWait(400);
    QCOMPARE(rig.polls.size(), count);
    QVERIFY(rig.graph.Play());
    QTRY_VERIFY(rig.polls.size() > count);
    // A disabled bar does not start its timer when the graph runs.
    rig.bar.setEnabled(false);
    QVERIFY(rig.graph.Stop());
    QVERIFY(rig.graph.Play());
    QVERIFY(!rig.bar.TimerActive());
    count = rig.polls.size();
    QTest::qWait(400);
    QCOMPARE(rig.polls.size(), count);
}

void TestSeekBar::clockChangeRewinds()
{
    Rig rig(1000);
    QVERIFY(rig.play("long12.avi"));
    rig.seekMs(6000);
    QTRY_VERIFY(rig.graphMs() >= 6000);
    rig.graph.postGraphEvent(EC_CLOCK_CHANGED, 0, 0);
    QTRY_VERIFY(rig.graphMs() >= 0 && rig.graphMs() < 1500);
}

void TestSeekBar::followsGraphLifecycle()
{
    auto* graph = new TFilterGraph;
    auto other = std::make_unique<TFilterGraph>();
    TDSTrackBar bar;
    bar.setFilterGraph(graph);
    QVERIFY(!bar.HoldsMediaSeeking());
    graph->setActive(true);
    QVERIFY(bar.HoldsMediaSeeking());
    graph->setActive(false);
    QVERIFY(!bar.HoldsMediaSeeking());
    // Moving to an active graph leaves the old one and takes the new one's seeking.
    other->setActive(true);
    bar.setFilterGraph(other.get());
    QVERIFY(!graph->graphControls().contains(&bar));
    QVERIFY(other->graphControls().contains(&bar));
    QVERIFY(bar.HoldsMediaSeeking());
    bar.setFilterGraph(graph);
    QVERIFY(!other->graphControls().contains(&bar));
    // A graph destroyed under the bar is simply forgotten.
    graph->setActive(true);
    delete graph;
    QCOMPARE(bar.FilterGraph(), nullptr);
    QVERIFY(!bar.HoldsMediaSeeking());
}

QTEST_MAIN(TestSeekBar)
#include "test_seekbar.moc"
