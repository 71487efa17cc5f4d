// SPDX-License-Identifier: GPL-3.0-or-later
// The playlist window as a user handles it: resizing, the Tab key, the menu buttons, the
// entry dialog, and Add File(s) through the program's real open dialog; the player
// control and the list worked from the keyboard alone.
#include "WindowTestSupport.h"
#include "engine/TDSTrackBar.h"
#include "playlist/Un_playlist_entry.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <functional>

namespace {
// Runs what a user does in the next modal dialog, then closes whatever is still open.
void whenDialogOpens(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(50, [act]() {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog) {
            act(dialog);
        }
        QTimer::singleShot(300, []() {
            while (QWidget* left = QApplication::activeModalWidget()) {
                if (auto* d = qobject_cast<QDialog*>(left)) {
                    d->reject();
                } else {
                    left->close();
                }
            }
        });
    });
}
} // namespace

class TestPlaylistWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void resizeKeepsTheAnchors();
    void tabOrder();
    void menusOpenAboveThePointer();
    void entryDialogChangesOnlyThePath();
    void addFilesTakesTypedCdTrack();
    void keyboardAloneReachesEveryCommand();

private:
    WindowTestSupport m_support;
};

void TestPlaylistWindow::initTestCase()
{
    m_support.start();
}

void TestPlaylistWindow::cleanupTestCase()
{
    m_support.finish();
}

void TestPlaylistWindow::init()
{
    m_support.reset();
}

void TestPlaylistWindow::resizeKeepsTheAnchors()
{
    TFrm_playlist* w = Frm_playlist;
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->resize(232, 414);
    QTRY_COMPARE(w->Lst_playlist->geometry(), QRect(8, 24, 217, 345));
    w->resize(332, 514);
    QTRY_COMPARE(w->size(), QSize(332, 514));
    QCOMPARE(w->cmb_playlist->geometry(), QRect(8, 0, 317, 21));
    QCOMPARE(w->Lst_playlist->geometry(), QRect(8, 24, 317, 445));
    const QList<QPushButton*> buttons{w->btn_add, w->btn_rem, w->btn_sel, w->btn_list, w->btn_DVD};
    const QList<int> lefts{8, 41, 74, 107, 140};
    for (int i = 0; i < buttons.size(); ++i) {
        QCOMPARE(buttons[i]->geometry(), QRect(lefts[i], 480, 33, 25));
    }
    QCOMPARE(w->Pnl_Action->geometry(), QRect(24, 192, 185, 41));
    w->resize(232, 414);
    QTRY_COMPARE(w->btn_add->y(), 380);
    w->hide();
}

void TestPlaylistWindow::tabOrder()
{
    TFrm_playlist* w = Frm_playlist;
    w->btn_DVD->setEnabled(true);
    const QList<QWidget*> expected{w->cmb_playlist, w->Lst_playlist, w->btn_add, w->btn_list,
                                   w->btn_sel,      w->btn_rem,      w->btn_DVD};
    QList<QWidget*> order;
    QWidget* at = w->cmb_playlist;
    for (int i = 0; i < 40 && order.size() < expected.size(); ++i) {
        if (expected.contains(at) && !order.contains(at)) {
            order << at;
        }
        at = at->nextInFocusChain();
    }
    QCOMPARE(order, expected);
    w->btn_DVD->setEnabled(false);
}

void TestPlaylistWindow::menusOpenAboveThePointer()
{
    TFrm_playlist* w = Frm_playlist;
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QPoint pointer(300, 450);
    const QList<QPair<QPushButton*, QMenu*>> pairs{{w->btn_add, DM->Popup_Add},
                                                   {w->btn_rem, DM->Popup_Rem},
                                                   {w->btn_sel, DM->Popup_Sel},
                                                   {w->btn_list, DM->Popup_List}};
    const QList<int> offsets{80, 88, 69, 69};
    for (int i = 0; i < pairs.size(); ++i) {
        QCursor::setPos(pointer);
        pairs[i].first->click();
        QMenu* menu = pairs[i].second;
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), pointer - QPoint(0, offsets[i]));
        menu->hide();
    }
    w->hide();
}

void TestPlaylistWindow::entryDialogChangesOnlyThePath()
{
    WindowTestSupport::setPlaylist({"/music/a.mp3", "/music/b.mp3"});
    TListBox* list = Frm_playlist->Lst_playlist;
    list->setItemIndex(1);
    TFrm_playlist_entry* d = Frm_playlist_entry;
    QString oldShown;
    bool readOnly = false;
    whenDialogOpens([&](QWidget*) {
        oldShown = d->Edt_old->text();
        readOnly = d->Edt_old->isReadOnly();
        d->Edt_new->selectAll();
        QTest::keyClicks(d->Edt_new, "/elsewhere/b2.mp3");
        QTest::mouseClick(d->Btn_ok, Qt::LeftButton);
    });
    DM->PlaylistEntry1->trigger();
    QCOMPARE(oldShown, QString("/music/b.mp3"));
    QVERIFY(readOnly);
    // A screen reader names the two boxes by the labels beside them.
    QCOMPARE(QAccessible::queryAccessibleInterface(d->Edt_old)->text(QAccessible::Name), "Old");
    QCOMPARE(QAccessible::queryAccessibleInterface(d->Edt_new)->text(QAccessible::Name), "New");
    const TfilePtr entry = Frm_PlayerControl->FPlaylistItems[1];
    QCOMPARE(entry->Path, QString("/elsewhere/b2.mp3"));
    QCOMPARE(list->line(1), QString("02 b.mp3")); // name and line stay
    // Cancel, and the title bar's close, change nothing.
    whenDialogOpens([&](QWidget*) {
        QTest::keyClicks(d->Edt_new, "x");
        QTest::mouseClick(d->Btn_Cancel, Qt::LeftButton);
    });
    DM->PlaylistEntry1->trigger();
    whenDialogOpens([&](QWidget* dialog) {
        QTest::keyClicks(d->Edt_new, "y");
        dialog->close();
    });
    DM->PlaylistEntry1->trigger();
    QCOMPARE(entry->Path, QString("/elsewhere/b2.mp3"));
    // An empty new path is taken as it is.
    whenDialogOpens([&](QWidget*) {
        QCOMPARE(d->Edt_new->text(), QString("/elsewhere/b2.mp3"));
        d->Edt_new->clear();
        QTest::mouseClick(d->Btn_ok, Qt::LeftButton);
    });
    DM->PlaylistEntry1->trigger();
    QCOMPARE(entry->Path, QString());
    QCOMPARE(list->line(1), QString("02 b.mp3"));
}

void TestPlaylistWindow::addFilesTakesTypedCdTrack()
{
    WindowTestSupport::setPlaylist({media("audio.wav")});
    // The program's own dialogs, as a user meets them.
    Platform::setDialogBackend(nullptr);
    QString title;
    whenDialogOpens([&](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        if (!files) {
            return;
        }
        title = "file dialog";
        files->setDirectory(media("cd"));
        auto* name = files->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(name);
        name->setText("disc.cue/Track02.cda");
        QTest::keyClick(name, Qt::Key_Return);
    });
    DM->Add_file->trigger();
    Platform::setDialogBackend(m_support.dialogs);
    QCOMPARE(title, QString("file dialog"));
    QCOMPARE(Frm_playlist->Lst_playlist->lines(),
             (QStringList{"01 audio.wav", "02 Track01.cda", "03 Track02.cda", "04 Track03.cda"}));
    QCOMPARE(Frm_PlayerControl->FPlaylistItems[2]->Path, media("cd/disc.cue/Track02.cda"));
}

// The current position of the program's graph in seconds.
static double graphSeconds()
{
    std::int64_t position = 0;
    if (auto seeking = DM->FilterGraph1->QueryMediaSeeking()) {
        seeking->GetCurrentPosition(position);
    }
    return position / 1e7;
}

void TestPlaylistWindow::keyboardAloneReachesEveryCommand()
{
    // Enter plays the focused line, as a double click does.
    TFrm_playlist* w = Frm_playlist;
    TFrm_PlayerControl* p = Frm_PlayerControl;
    WindowTestSupport::setPlaylist({media("audio.wav"), media("long12.avi")});
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->Lst_playlist->setItemIndex(1);
    QTest::keyClick(w->Lst_playlist, Qt::Key_Return);
    QCOMPARE(p->FCurrentIndex, 1);
    QVERIFY(playingUri().endsWith("long12.avi"));
    QTRY_COMPARE_WITH_TIMEOUT(p->DSTrackBar1->maximum(), 12, 3000);
    p->ToolPauseClick(); // a still picture for the focus checks below

    // Tab visits every enabled control of the player window, each showing its focus.
    p->show();
    p->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p));
    QList<QWidget*> expected;
    expected << p->DSTrackBar1 << p->Track_Volume << p->cmb_mute
             << p->rad_play->findChildren<QRadioButton*>().first();
    for (QToolButton* b : p->ToolControl->findChildren<QToolButton*>()) {
        if (b->isEnabled() && !b->toolTip().isEmpty()) {
            expected << b;
        }
    }
    p->DSTrackBar1->setFocus();
    QList<QWidget*> reached;
    QList<QImage> focused;
    while (!reached.contains(QApplication::focusWidget()) && reached.size() < 30) {
        reached << QApplication::focusWidget();
        QTest::keyClick(reached.last(), Qt::Key_Tab);
        focused << reached.last()->grab().toImage(); // now unfocused: the look without
    }
    for (QWidget* widget : expected) {
        QVERIFY2(reached.contains(widget), qPrintable(widget->objectName() + widget->toolTip()));
    }
    for (int i = 1; i < reached.size(); ++i) {
        reached[i]->setFocus(Qt::TabFocusReason);
        QVERIFY2(reached[i]->grab().toImage() != focused[i], qPrintable(reached[i]->toolTip()));
    }

    // The position bar moves by the arrow keys, and the file goes with it.
    p->DSTrackBar1->setFocus(Qt::TabFocusReason);
    const int second = p->DSTrackBar1->value();
    QTest::keyClick(p->DSTrackBar1, Qt::Key_Right);
    QTest::keyClick(p->DSTrackBar1, Qt::Key_Right);
    QTRY_VERIFY(qAbs(graphSeconds() - (second + 2)) < 0.5);
    w->hide();
    p->hide();
}

QTEST_MAIN(TestPlaylistWindow)
#include "test_playlistwindow.moc"
