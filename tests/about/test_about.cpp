// SPDX-License-Identifier: GPL-3.0-or-later
// The About window as a user meets it (values from the system configuration, the link,
// its hover look, closing) and the Help command handing the help document to the desktop.
#include "../player/WindowTestSupport.h"
#include "about/Un_About.h"
#include "datamodule/Un_dm.h"

#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {
// Writes the system configuration the window reads; an empty text means no file at all.
void setConfig(const QString& path, const QByteArray& text)
{
    QFile::remove(path);
    if (!text.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    qputenv("LUMENO_SYSTEM_CONFIG", path.toUtf8());
}

// Hides and shows the window again: every showing reads the configuration anew.
void reshow()
{
    frm_about->hide();
    frm_about->show();
    QVERIFY(QTest::qWaitForWindowExposed(frm_about));
}

QColor pixel(int x, int y)
{
    return frm_about->grab().toImage().pixelColor(x, y);
}
} // namespace

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QApplication::setApplicationName(QStringLiteral("Lumeno")); // as the program does
        support.start();
        QVERIFY(config.isValid());
    }
    void cleanupTestCase() { support.finish(); }
    void init()
    {
        support.dialogs->opened.clear();
        support.dialogs->shown.clear();
        qunsetenv("LUMENO_DATA_DIR");
    }

    void valuesFromSystemConfiguration_data();
    void valuesFromSystemConfiguration();
    void linkOpensAndFollowsTheMouse();
    void linkOpensFromTheKeyboardAndScreenReader();
    void aboutButtonShowsAndCloseOrEscHides();
    void helpHandsTheDocumentToTheDesktop();
    void helpThatCannotOpenSaysWhy();
    void markupInTheAddressIsShownAsWritten();

private:
    WindowTestSupport support;
    QTemporaryDir config;
};

void TestAbout::valuesFromSystemConfiguration_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("link"); // empty: no link shown
    const QString notice = Tfrm_about::kNotice;
    QTest::newRow("no file") << QByteArray() << "Lumeno " << QString();
    QTest::newRow("link with address")
        << QByteArray("[Lumeno]\nwebsite_exist=1\nwebsite_address=support.example.net\n")
        << "Lumeno "
        << "support.example.net";
    QTest::newRow("link, no address") << QByteArray("[Lumeno]\r\nwebsite_exist=1\r\n") << "Lumeno"
                                      << "www.lumeno.org";
    QTest::newRow("link, empty address")
        << QByteArray("[Lumeno]\nwebsite_exist = 1\nwebsite_address=\n") << "Lumeno"
        << "www.lumeno.org";
    QTest::newRow("switched off")
        << QByteArray("[Lumeno]\nwebsite_exist=0\nwebsite_address=support.example.net\n")
        << "Lumeno " << QString();
    QTest::newRow("exist is 2") << QByteArray("[Lumeno]\nwebsite_exist=2\nwebsite_address=a.b\n")
                                << "Lumeno " << QString();
    QTest::newRow("exist not a number")
        << QByteArray("[Lumeno]\nwebsite_exist=yes\nwebsite_address=a.b\n") << "Lumeno "
        << QString();
    QTest::newRow("other section")
        << QByteArray("[Other]\nwebsite_exist=1\nwebsite_address=a.b\n") << "Lumeno " << QString();
    static const char kGarbage[] = "\x00\xff[[=\n=1\nwebsite_exist\n[Lumeno\nwebsite_exist==1";
    QTest::newRow("garbage") << QByteArray(kGarbage, sizeof kGarbage - 1) << "Lumeno " << QString();
}

void TestAbout::valuesFromSystemConfiguration()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, title);
    QFETCH(QString, link);
    frm_about->Label1->setText(QStringLiteral("Lumeno ")); // the design caption
    setConfig(config.filePath(QStringLiteral("Lumeno.conf")), text);
    reshow();

    QCOMPARE(frm_about->Label1->text(), title);
    QCOMPARE(frm_about->Label2->text(), QStringLiteral("Version 1.0"));
    QCOMPARE(frm_about->FLinkShown, !link.isEmpty());
    QCOMPARE(frm_about->Label5->isVisible(), !link.isEmpty());
    QCOMPARE(frm_about->Label6->isVisible(), !link.isEmpty());
    if (link.isEmpty()) {
        QCOMPARE(frm_about->Label3->text(), Tfrm_about::kNotice);
        QCOMPARE(pixel(20, 141), frm_about->palette().color(QPalette::Window)); // no underline
    } else {
        QCOMPARE(frm_about->Label3->text(), Tfrm_about::kNotice + " " + link);
        QCOMPARE(frm_about->Label5->text(), QStringLiteral("Support/Contact Details :"));
        QCOMPARE(frm_about->Label6->text(), "http://" + link);
        QCOMPARE(pixel(20, 141), QColor(Qt::black));
    }
    QCOMPARE(pixel(100, 60), QColor(Qt::black)); // the rule under the version
    QVERIFY(support.dialogs->opened.isEmpty());
}

void TestAbout::linkOpensAndFollowsTheMouse()
{
    setConfig(config.filePath(QStringLiteral("Lumeno.conf")),
              "[Lumeno]\nwebsite_exist=1\nwebsite_address=help.example.org\n");
    reshow();
    QLabel* link = frm_about->Label6;
    const int smallWidth = link->width();
    QCOMPARE(link->font().pointSize(), 8);

    QEnterEvent enter(QPointF(2, 2), QPointF(18, 130), QPointF(18, 130));
    QCoreApplication::sendEvent(link, &enter);
    QVERIFY(frm_about->FLinkHot);
    QCOMPARE(link->font().pointSize(), 10);
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QVERIFY(link->width() > smallWidth);
    // The underline moves down, turns blue and follows the wider text.
    QCOMPARE(pixel(20, 144), QColor(Qt::blue));
    QCOMPARE(pixel(16 + link->width() - 1, 144), QColor(Qt::blue));
    QVERIFY(pixel(16 + link->width() + 3, 144) != QColor(Qt::blue));

    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(support.dialogs->opened, QStringList{"http://help.example.org"});
    // A right click is no click on the link.
    QTest::mouseClick(link, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(support.dialogs->opened.size(), 1);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    QVERIFY(!frm_about->FLinkHot);
    QCOMPARE(link->font().pointSize(), 8);
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(link->width(), smallWidth);
    QCOMPARE(pixel(20, 141), QColor(Qt::black));
    QVERIFY(pixel(20, 144) != QColor(Qt::blue));
}

void TestAbout::linkOpensFromTheKeyboardAndScreenReader()
{
    setConfig(config.filePath(QStringLiteral("Lumeno.conf")),
              "[Lumeno]\nwebsite_exist=1\nwebsite_address=help.example.org\n");
    reshow();
    frm_about->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frm_about));
    QApplication::setActiveWindow(frm_about); // the earlier mouse tests leave none active
    frm_about->btn_close->setFocus(Qt::TabFocusReason);
    const QRect around = frm_about->Label6->geometry().adjusted(-3, -2, 3, 2);
    const QImage unfocused = frm_about->grab(around).toImage();
    QTest::keyClick(frm_about->btn_close, Qt::Key_Tab);
    QVERIFY(frm_about->Label6->hasFocus());
    QVERIFY(frm_about->grab(around).toImage() != unfocused); // its focus frame shows
    QTest::keyClick(frm_about->Label6, Qt::Key_Return);
    QTest::keyClick(frm_about->Label6, Qt::Key_Space);
    // A screen reader meets a link named by its address, and presses it.
    QAccessibleInterface* link = QAccessible::queryAccessibleInterface(frm_about->Label6);
    QCOMPARE(link->role(), QAccessible::Link);
    QCOMPARE(link->text(QAccessible::Name), "http://help.example.org");
    link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(support.dialogs->opened, QStringList(3, "http://help.example.org"));
}

void TestAbout::aboutButtonShowsAndCloseOrEscHides()
{
    setConfig(config.filePath(QStringLiteral("Lumeno.conf")), QByteArray());
    frm_about->hide();
    Frm_PlayerControl->ToolAbout->click();
    QVERIFY(QTest::qWaitForWindowExposed(frm_about));
    QCOMPARE(frm_about->windowTitle(), QStringLiteral("About"));
    QCOMPARE(frm_about->size(), QSize(336, 193));
    // Its frame offers the system menu and Close, neither minimise nor maximise.
    const Qt::WindowFlags flags = frm_about->windowFlags();
    QVERIFY((flags & Qt::WindowSystemMenuHint) && (flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(frm_about->btn_close->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(frm_about->btn_close, Qt::LeftButton);
    QVERIFY(!frm_about->isVisible());

    DM->About1->trigger(); // the video window's menu leads to the same window
    QVERIFY(QTest::qWaitForWindowExposed(frm_about));
    QTest::keyClick(frm_about->btn_close, Qt::Key_Escape);
    QVERIFY(!frm_about->isVisible());
    QVERIFY(support.dialogs->shown.isEmpty());
}

void TestAbout::helpHandsTheDocumentToTheDesktop()
{
    Frm_PlayerControl->Tool_help->click();
    DM->Help1->trigger();
    const QString expected =
        QFileInfo(QStringLiteral(LUMENO_BUILD_DIR "/share/lumeno/Help.html")).canonicalFilePath();
    QCOMPARE(support.dialogs->opened, QStringList({expected, expected}));
    QFile help(expected);
    QVERIFY(help.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(help.readAll());
    for (const char* topic : {"id=\"windows\"", "id=\"keys\"", "id=\"playlists\"", "id=\"discs\"",
                              "Player Control", "Ctrl</kbd>+<kbd>Z"}) {
        QVERIFY2(page.contains(QLatin1String(topic)), topic);
    }
}

void TestAbout::helpThatCannotOpenSaysWhy()
{
    // No program on the desktop opens the document: one message that says so.
    support.dialogs->openWorks = false;
    Frm_PlayerControl->Tool_help->click();
    support.dialogs->openWorks = true;
    QCOMPARE(support.dialogs->opened.size(), 1);
    QCOMPARE(support.dialogs->shown.size(), 1);
    QVERIFY2(support.dialogs->shown.first().startsWith("message: No program") &&
                 support.dialogs->shown.first().contains(support.dialogs->opened.first()),
             qPrintable(support.dialogs->shown.first()));

    // The document is missing: nothing to hand over, one message that says so.
    support.dialogs->shown.clear();
    QTemporaryDir empty;
    qputenv("LUMENO_DATA_DIR", empty.path().toUtf8());
    DM->Help1->trigger();
    QCOMPARE(support.dialogs->opened.size(), 1);
    QCOMPARE(support.dialogs->shown,
             QStringList("message: The help document (Help.html) is not installed with Lumeno."));
}

void TestAbout::markupInTheAddressIsShownAsWritten()
{
    const QString address = QStringLiteral("<b>help</b>.example.org<br>x");
    setConfig(config.filePath(QStringLiteral("Lumeno.conf")),
              "[Lumeno]\nwebsite_exist=1\nwebsite_address=" + address.toUtf8() + "\n");
    reshow();
    QCOMPARE(frm_about->Label6->text(), "http://" + address);
    // Shown as written: every character takes its room on one line, tags included.
    for (QLabel* label : {frm_about->Label3, frm_about->Label6}) {
        QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text()) &&
                     label->height() < 2 * label->fontMetrics().height(),
                 qPrintable(label->text()));
    }
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
