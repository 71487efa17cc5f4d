// SPDX-License-Identifier: GPL-3.0-or-later
// The player as a native Wayland client of a real compositor (a headless Weston started by
// under_weston.sh): what the compositor shows of the windows and the picture, full screen
// and back, the volume bar, the popup menus, the cursor, the screen saver hold, and
// files dropped on the playlist.
#include "../player/WindowTestSupport.h"
#include "about/Un_About.h"
#include "engine/TDSVideoWindowEx2.h"
#include "playlist/Un_playlist_entry.h"
#include "video/Un_VidDisplay.h"

#include "playlist/TListBox.h"
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPalette>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>

namespace {

QStringList g_warnings;

void keepWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg) {
        g_warnings << QStringLiteral("%1: %2").arg(QString::fromUtf8(context.category), text);
    }
}

// What the compositor shows on its output, as weston-screenshooter takes it.
QImage screenshot(int settleMs = 400)
{
    QTest::qWait(settleMs); // the frames just drawn reach the output
    QTemporaryDir dir;
    QProcess shooter;
    shooter.setWorkingDirectory(dir.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    // The player keeps drawing meanwhile.
    QElapsedTimer clock;
    clock.start();
    while (shooter.state() != QProcess::NotRunning && clock.elapsed() < 10000) {
        QTest::qWait(10);
    }
    if (shooter.exitCode() != 0) {
        return {};
    }
    const QStringList shots = QDir(dir.path()).entryList({QStringLiteral("*.png")});
    if (shots.isEmpty()) {
        return {};
    }
    if (!qEnvironmentVariableIsEmpty("LUMENO_KEEP_SHOTS")) {
        QFile::copy(dir.filePath(shots.first()),
                    qEnvironmentVariable("LUMENO_KEEP_SHOTS") +
                        QString::number(QDateTime::currentMSecsSinceEpoch()) + ".png");
    }
    return QImage(dir.filePath(shots.first())).convertToFormat(QImage::Format_RGB32);
}

enum Quarter { kRed, kGreen, kBlue, kYellow, kNone };

Quarter quarterOf(QRgb c)
{
    const bool r = qRed(c) > 190, g = qGreen(c) > 190, b = qBlue(c) > 190;
    const bool nr = qRed(c) < 70, ng = qGreen(c) < 70, nb = qBlue(c) < 70;
    if (r && ng && nb)
        return kRed;
    if (nr && g && nb)
        return kGreen;
    if (nr && ng && b)
        return kBlue;
    if (r && g && nb)
        return kYellow;
    return kNone;
}

// Where each quarter of the test picture lies on the output.
struct Picture {
    QRect quarter[4];
    QRect whole() const
    {
        return quarter[kRed] | quarter[kGreen] | quarter[kBlue] | quarter[kYellow];
    }
};

Picture findPicture(const QImage& shot)
{
    Picture found;
    for (int y = 0; y < shot.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x) {
            const Quarter q = quarterOf(line[x]);
            if (q != kNone) {
                found.quarter[q] |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

bool near(const QRect& a, const QRect& b, int slack = 3)
{
    return std::abs(a.left() - b.left()) <= slack && std::abs(a.top() - b.top()) <= slack &&
           std::abs(a.right() - b.right()) <= slack && std::abs(a.bottom() - b.bottom()) <= slack;
}

QString describe(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The picture fills `expected` (output pixels), split into its four flat quarters.
bool pictureFills(const Picture& p, const QRect& expected, QString& why)
{
    const int w = expected.width() / 2, h = expected.height() / 2;
    const QRect want[4] = {QRect(expected.left(), expected.top(), w, h),
                           QRect(expected.left() + w, expected.top(), expected.width() - w, h),
                           QRect(expected.left(), expected.top() + h, w, expected.height() - h),
                           QRect(expected.left() + w, expected.top() + h, expected.width() - w,
                                 expected.height() - h)};
    for (int q = kRed; q <= kYellow; ++q) {
        if (!near(p.quarter[q], want[q])) {
            why = QStringLiteral("quarter %1 at %2, expected %3")
                      .arg(q)
                      .arg(describe(p.quarter[q]), describe(want[q]));
            return false;
        }
    }
    return true;
}

// The session's screen saver as the player meets it: counts the holds it was given. It
// answers from a thread and a bus connection of its own, as another program would: the
// player's calls block.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    std::atomic<int> held{0};
public slots:
    uint Inhibit(const QString&, const QString&) { return uint(++held); }
    void UnInhibit(uint) { --held; }
};

} // namespace

class TestWayland : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void windowsAndPictureShow();
    void fullScreenCoversTheOutputAndComesBack();
    void volumeBarShowsOverThePicture();
    void droppedFilesJoinThePlaylist();
    void popupMenusOpen();
    void screenSaverAndCursor();
    void pointerMapsToThePicture();

private:
    void requireSeat();
    void seatMove(const QPoint& at);
    void seatClick(const QPoint& at, int button);
    void seatInput(const QStringList& xdotool);
    void playQuarters();
    QRect pictureOnOutput(const QImage& shot) const;

    WindowTestSupport m_support;
    FakeScreenSaver m_screenSaver;
    QThread m_screenSaverThread;
};

void TestWayland::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
    m_screenSaverThread.start();
    m_screenSaver.moveToThread(&m_screenSaverThread);
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("screen saver"));
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &m_screenSaver,
                               QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    m_support.start();
    qInstallMessageHandler(keepWarnings);
    if (QGuiApplication::screens().size() > 1 &&
        !qEnvironmentVariableIsEmpty("LUMENO_SEAT_DISPLAY")) {
        // Weston opens new windows on the output under the pointer: the second one.
        seatMove(QPoint(100, 100));
        QTest::qWait(300);
    }
    Frm_PlayerControl->show(); // its first showing brings the other windows
    for (QWidget* w :
         {static_cast<QWidget*>(Frm_PlayerControl), static_cast<QWidget*>(Frm_viddisplay),
          static_cast<QWidget*>(Frm_playlist)}) {
        QVERIFY2(QTest::qWaitForWindowExposed(w), qPrintable(w->windowTitle()));
    }
}

void TestWayland::cleanup()
{
    Frm_PlayerControl->show();
    Frm_playlist->show();
    // Wayland refuses some requests (placing windows, raising them); the player must not
    // ask in a way that makes Qt complain on every use.
    const QStringList warnings = g_warnings;
    g_warnings.clear();
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
}

void TestWayland::cleanupTestCase()
{
    qInstallMessageHandler(nullptr);
    m_support.finish();
    m_screenSaverThread.quit();
    m_screenSaverThread.wait();
}

void TestWayland::playQuarters()
{
    m_support.reset();
    WindowTestSupport::setPlaylist({media(QStringLiteral("quarters.avi"))});
    Frm_playlist->Lst_playlist->setItemIndex(0);
    Frm_PlayerControl->ToolPlayClick();
    TDSVideoWindowEx2* video = Frm_viddisplay->DSVideoWindowEx21;
    const int before = video->framesShown();
    QTRY_VERIFY_WITH_TIMEOUT(video->framesShown() > before + 3, 10000);
    // The compositor places the windows as it likes; the others must not cover the picture.
    Frm_PlayerControl->hide();
    Frm_playlist->hide();
}

QRect TestWayland::pictureOnOutput(const QImage& shot) const
{
    return findPicture(shot).whole();
}

void TestWayland::windowsAndPictureShow()
{
    playQuarters();
    TDSVideoWindowEx2* video = Frm_viddisplay->DSVideoWindowEx21;
    QVERIFY(!video->nativeRendering());
    const QImage shot = screenshot();
    QVERIFY(!shot.isNull());
    // The stretched picture covers the video window's client area, pixel for pixel.
    const Picture picture = findPicture(shot);
    const qreal ratio = video->devicePixelRatioF();
    const QRect expected(picture.whole().topLeft(), video->size() * ratio);
    QString why;
    QVERIFY2(pictureFills(picture, expected, why), qPrintable(why));

    // The entry dialog and the About window open as windows of their own.
    frm_about->show();
    QVERIFY(QTest::qWaitForWindowExposed(frm_about));
    frm_about->close();
    Frm_playlist_entry->show();
    QVERIFY(QTest::qWaitForWindowExposed(Frm_playlist_entry));
    Frm_playlist_entry->close();

    Frm_PlayerControl->ToolStopClick();
}

// With two outputs (the X11 backend run) the video window opens on the second one.
void TestWayland::fullScreenCoversTheOutputAndComesBack()
{
    playQuarters();
    if (QGuiApplication::screens().size() > 1) {
        QCOMPARE(Frm_viddisplay->screen(), QGuiApplication::screens().at(1));
    }
    TDSVideoWindowEx2* video = Frm_viddisplay->DSVideoWindowEx21;
    QScreen* output = Frm_viddisplay->screen();
    QTest::mouseClick(Frm_PlayerControl->ToolFullScreen, Qt::LeftButton);
    QWidget* form = video->FullScreenForm();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QTRY_VERIFY(form->windowState() & Qt::WindowFullScreen);
    QCOMPARE(form->screen(), output);
    const QSize outputPixels = output->geometry().size() * output->devicePixelRatio();
    QTRY_COMPARE(video->size() * video->devicePixelRatioF(), outputPixels);
    // The compositor's picture holds every output, each at its place.
    QString why;
    QVERIFY2(pictureFills(findPicture(screenshot()),
                          QRect(output->geometry().topLeft(), outputPixels), why),
             qPrintable(why));

    // Esc in the picture leaves full screen; the picture fills the video window again.
    QTest::keyClick(video, Qt::Key_Escape);
    QTRY_VERIFY(!form->isVisible());
    QCOMPARE(video->window(), static_cast<QWidget*>(Frm_viddisplay));
    QTRY_VERIFY(QTest::qWaitForWindowExposed(Frm_viddisplay));
    const Picture back = findPicture(screenshot());
    QVERIFY2(pictureFills(back,
                          QRect(back.whole().topLeft(), video->size() * video->devicePixelRatioF()),
                          why),
             qPrintable(why));
    Frm_PlayerControl->ToolStopClick();
}

void TestWayland::volumeBarShowsOverThePicture()
{
    playQuarters();
    TDSVideoWindowEx2* video = Frm_viddisplay->DSVideoWindowEx21;
    const QImage before = screenshot();
    const QRect picture = pictureOnOutput(before);
    // The bar lies over the lower left of the picture, 10 pixels in, 65 up from the bottom.
    const qreal ratio = video->devicePixelRatioF();
    const QRect bar =
        QRect(picture.left() + int(10 * ratio), picture.bottom() + 1 - int(65 * ratio),
              int(208 * ratio), int(38 * ratio))
            .adjusted(2, 2, -2, -2);
    const auto blueShare = [&bar](const QImage& shot) {
        int blue = 0;
        for (int y = bar.top(); y <= bar.bottom(); ++y) {
            for (int x = bar.left(); x <= bar.right(); ++x) {
                blue += quarterOf(shot.pixel(x, y)) == kBlue;
            }
        }
        return blue * 100 / (bar.width() * bar.height());
    };
    QVERIFY(blueShare(before) >= 95);
    // It shows for a moment after each change: take the output at once, a few times.
    int afterwards = 100;
    for (int tries = 0; tries < 5 && afterwards > 5; ++tries) {
        QTest::keyClick(video, Qt::Key_Z, Qt::ControlModifier);
        afterwards = blueShare(screenshot(30));
    }
    QVERIFY2(afterwards <= 5, qPrintable(QString::number(afterwards)));
    Frm_PlayerControl->ToolStopClick();
}

// A real click of the seat's pointer (Weston's X11 backend): a Wayland popup takes a
// grab, and the compositor grants it only for an input event it delivered itself.
void TestWayland::popupMenusOpen()
{
    requireSeat();
    playQuarters();
    const QRect picture = pictureOnOutput(screenshot());
    QVERIFY(!picture.isEmpty());
    const QPoint at = picture.topLeft() + QPoint(40, 40);
    seatClick(at, 3);
    QTRY_VERIFY(DM->Popup_Display->isVisible());
    // The menu shows at the pointer, over the picture.
    QTRY_COMPARE(quarterOf(screenshot().pixel(at + QPoint(40, 8))), kNone);
    DM->Popup_Display->close();
    QTRY_VERIFY(quarterOf(screenshot().pixel(at + QPoint(40, 8))) != kNone);
    Frm_PlayerControl->ToolStopClick();

    // The playlist's menu, on a list painted a colour of its own to find it on the output.
    Frm_viddisplay->hide();
    Frm_playlist->show();
    QWidget* list = Frm_playlist->Lst_playlist->viewport();
    QPalette marked = list->palette();
    marked.setColor(QPalette::Base, Qt::magenta);
    list->setPalette(marked);
    list->setAutoFillBackground(true);
    QVERIFY(QTest::qWaitForWindowExposed(Frm_playlist));
    const QImage shot = screenshot();
    QRect listOnOutput;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            if (shot.pixel(x, y) == qRgb(255, 0, 255)) {
                listOnOutput |= QRect(x, y, 1, 1);
            }
        }
    }
    list->setPalette(QPalette());
    QVERIFY(listOnOutput.height() > 100);
    const QPoint onList = listOnOutput.topLeft() + QPoint(20, 60);
    seatClick(onList, 3);
    QTRY_VERIFY(DM->Popup_playlist->isVisible());
    QTRY_VERIFY(screenshot().pixel(onList + QPoint(30, 8)) != qRgb(255, 0, 255));
    DM->Popup_playlist->close();
    Frm_viddisplay->show();
}

// The screen saver is held off while the picture plays in the focused window, and the
// cursor goes after three seconds without movement over it.
void TestWayland::screenSaverAndCursor()
{
    requireSeat();
    playQuarters();
    TDSVideoWindowEx2* video = Frm_viddisplay->DSVideoWindowEx21;
    const QRect picture = pictureOnOutput(screenshot());
    seatClick(picture.center(), 1); // the window a user clicks has the focus
    QTRY_VERIFY_WITH_TIMEOUT(Frm_viddisplay->isActiveWindow(), 5000);
    QTRY_COMPARE(m_screenSaver.held.load(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(video->CursorHidden(), 5000);
    seatMove(picture.center() + QPoint(5, 5));
    QTRY_VERIFY(!video->CursorHidden());
    Frm_PlayerControl->ToolStopClick();
    QTRY_COMPARE(m_screenSaver.held.load(), 0);
}

// Where the seat's pointer lies in the decoded picture: what DVD menu buttons are
// highlighted and activated by, in the window and in full screen.
void TestWayland::pointerMapsToThePicture()
{
    requireSeat();
    playQuarters();
    TDSVideoWindowEx2* video = Frm_viddisplay->DSVideoWindowEx21;
    const auto keep = video->OnMouseMove;
    QPoint heard(-1, -1);
    video->OnMouseMove = [&heard, keep](TDSVideoWindowEx2* sender, Qt::MouseButtons buttons,
                                        Qt::KeyboardModifiers shift, int x, int y) {
        heard = QPoint(x, y);
        keep(sender, buttons, shift, x, y);
    };
    const auto pictureAt = [&](const QPoint& onOutput) {
        heard = QPoint(-1, -1);
        seatMove(onOutput);
        for (int waited = 0; heard == QPoint(-1, -1) && waited < 3000; waited += 20) {
            QTest::qWait(20);
        }
        return video->navigationPoint(heard);
    };
    const auto close = [](const QPoint& a, const QPoint& b) {
        return (a - b).manhattanLength() <= 4;
    };
    // The 320 x 180 picture stretched over the window, then over the whole output.
    const QRect picture = pictureOnOutput(screenshot());
    QPoint got = pictureAt(picture.topLeft() + QPoint(picture.width() / 4, picture.height() / 4));
    QVERIFY2(close(got, QPoint(80, 45)),
             qPrintable(QStringLiteral("%1,%2").arg(got.x()).arg(got.y())));
    QTest::mouseClick(Frm_PlayerControl->ToolFullScreen, Qt::LeftButton);
    QTRY_VERIFY(video->FullScreen() &&
                video->FullScreenForm()->windowState() & Qt::WindowFullScreen);
    QTRY_COMPARE(video->size(), Frm_viddisplay->screen()->size());
    QTest::qWait(300);
    got = pictureAt(QPoint(768, 576));
    QVERIFY2(close(got, QPoint(240, 135)),
             qPrintable(QStringLiteral("%1,%2").arg(got.x()).arg(got.y())));
    video->OnMouseMove = keep;
    Frm_PlayerControl->ToolFullScreen->click();
    QTRY_VERIFY(!video->FullScreenForm()->isVisible());
    Frm_PlayerControl->ToolStopClick();
}

void TestWayland::requireSeat()
{
    if (qEnvironmentVariableIsEmpty("LUMENO_SEAT_DISPLAY")) {
        QSKIP("the compositor has no seat (run under_weston.sh with LUMENO_WESTON_BACKEND=x11)");
    }
}

void TestWayland::seatMove(const QPoint& at)
{
    seatInput({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
}

void TestWayland::seatClick(const QPoint& at, int button)
{
    seatMove(at);
    QTest::qWait(200); // the client hears of the pointer before the button
    seatInput({QStringLiteral("click"), QString::number(button)});
}

void TestWayland::seatInput(const QStringList& xdotool)
{
    QProcess input;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), qEnvironmentVariable("LUMENO_SEAT_DISPLAY"));
    input.setProcessEnvironment(env);
    input.start(QStringLiteral("xdotool"), xdotool);
    QElapsedTimer clock;
    clock.start();
    while (input.state() != QProcess::NotRunning && clock.elapsed() < 5000) {
        QTest::qWait(10);
    }
}

void TestWayland::droppedFilesJoinThePlaylist()
{
    m_support.reset();
    TListBox* list = Frm_playlist->Lst_playlist;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(media(QStringLiteral("quarters.avi"))),
                  QUrl::fromLocalFile(media(QStringLiteral("audio.mp3")))});
    const QPoint at(30, 30);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list->viewport(), &drop);
    QTRY_COMPARE(list->count(), 2);
    QCOMPARE(Frm_PlayerControl->FPlaylistItems.at(1)->Path, media(QStringLiteral("audio.mp3")));
}

QTEST_MAIN(TestWayland)
#include "test_wayland.moc"
