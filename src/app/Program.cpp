// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Program.h"

#include "about/Un_About.h"
#include "datamodule/Un_dm.h"
#include "engine/PluginPreload.h"
#include "engine/TMediaPlayer.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/HandOver.h"
#include "platform/Mpris.h"
#include "platform/Signals.h"
#include "platform/UdevDriveSource.h"
#include "player/PlayerRemote.h"
#include "player/Un_Mediactr.h"
#include "playlist/Un_Playlist.h"
#include "playlist/Un_playlist_entry.h"
#include "video/Un_VidDisplay.h"

#include <QAccessibleWidget>
#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <gst/gst.h>
#include <memory>

namespace {

// The windows are plain widgets, which Qt presents as a bare pane; a screen reader
// announces a window, with its caption, only by the frame role.
QAccessibleInterface* windowAccessible(const QString& className, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || widget->windowType() != Qt::Window ||
        className != QLatin1String(widget->metaObject()->className()) ||
        widget->metaObject()->superClass() != &QWidget::staticMetaObject) {
        return nullptr;
    }
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    QAccessible::installFactory(windowAccessible);
    // Also the display name; setting that one too would make Qt append it to every caption.
    setApplicationName(QStringLiteral("Lumeno"));
    setDesktopFileName(QStringLiteral("org.lumeno.Lumeno"));
    // Installed, the icon comes from the desktop's icon theme; in the build tree there is none.
    setWindowIcon(QIcon::fromTheme(desktopFileName()));
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        Platform::handleException(error);
    }
    return false;
}

void createApplicationObjects()
{
    registerCdTrackFiles();
    // Only a drive's device node or a .cue image can be an audio CD's root.
    Platform::registerVirtualFolderLister([](const QString& root) {
        const QFileInfo info(root);
        const bool image =
            info.isFile() && info.suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) == 0;
        const bool drive = !info.isFile() && !info.isDir() && info.exists();
        return image || drive ? TMediaPlayer::trackFiles(root) : QStringList();
    });
    DM = new TDM();
    Frm_PlayerControl = new TFrm_PlayerControl();
    Frm_viddisplay = new TFrm_viddisplay();
    Frm_playlist = new TFrm_playlist();
    Frm_playlist_entry = new TFrm_playlist_entry(Frm_playlist);
    frm_about = new Tfrm_about();
}

void closeOnTerminationRequest()
{
    // Whatever dialog is open, the player closes and saves as if the user closed it.
    Platform::closeAllDialogs();
    if (Frm_PlayerControl)
        Frm_PlayerControl->close();
}

void destroyApplicationObjects()
{
    delete frm_about;
    frm_about = nullptr;
    delete Frm_playlist; // owns the entry dialog
    Frm_playlist = nullptr;
    Frm_playlist_entry = nullptr;
    delete Frm_viddisplay;
    Frm_viddisplay = nullptr;
    delete Frm_PlayerControl;
    Frm_PlayerControl = nullptr;
    delete DM;
    DM = nullptr;
}

namespace {

void showError(const QString& message)
{
    if (Platform::dialogsClosed()) {
        qWarning("Lumeno: %s", qPrintable(message));
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                          message);
}

} // namespace

void setMediaEnvironment()
{
    // A disc plays its first-play program like a stand-alone player, not its title menu.
    if (qEnvironmentVariableIsEmpty("DVDFASTSTART")) {
        qputenv("DVDFASTSTART", "0");
    }
}

int showHandOverMessages(int argc, char** argv, const QStringList& messages)
{
    TApplication app(argc, argv);
    for (const QString& text : messages)
        Platform::dialogs().message(nullptr, text);
    return 0;
}

namespace {

// Returns whether it set anything, which the caller takes back once the application has
// read it (programs the player starts, a browser for the help, keep their own settings).
bool setWindowSystemEnvironment()
{
    // On X11 Qt hands each repaint over in shared memory and waits for the server to be
    // done with the last one before it paints again: a round trip, and a completion
    // event that wakes its event thread, for every repaint. The windows' repaints are
    // small (the clock once a second while playing, a button, a list line) and the
    // picture goes to the server by its own sink, so copying them through the socket is
    // cheaper: with the clock running a quarter less work for the player and the server.
    if (qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        return false;
    }
    qputenv("QT_XCB_NO_MITSHM", "1");
    return true;
}

} // namespace

int runLumeno(int argc, char** argv, const QStringList* files)
{
    setMediaEnvironment();
    const bool ownWindowSystemSettings = setWindowSystemEnvironment();
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    gst_init(&argc, &argv);
    PluginPreload preload; // meanwhile, on the other core
    TApplication app(argc, argv);
    if (ownWindowSystemSettings) {
        // Read when the application connected to the display. Added last above, so taking
        // it out moves no other entry under the plugin thread, which may be reading them.
        qunsetenv("QT_XCB_NO_MITSHM");
    }
    const QStringList startFiles = files ? *files : Platform::absolutePaths(app.arguments().mid(1));

    // Listening before the windows exist shortens the time in which later starts find
    // the lock taken and nobody to hand their files to; their frames wait in the queue.
    const QPointer<Platform::HandOverReceiver> receiver = new Platform::HandOverReceiver({}, &app);
    receiver->listen(Platform::handOverSocketPath());
    Platform::setExceptionHandler(showError);
    createApplicationObjects();
    preload.allowDecoders(); // the GUI's own plugins are loaded with its windows
    Frm_PlayerControl->FReceiver = receiver;
    Frm_PlayerControl->setCommandLineFiles(startFiles);
    Platform::UdevDriveSource::Options drives;
    drives.audioDisc = [](const QString& node) {
        return !TMediaPlayer::trackFiles(node).isEmpty();
    };
    Frm_PlayerControl->setDriveSource(new Platform::UdevDriveSource(drives, Frm_PlayerControl));
    Platform::onTerminationRequest(closeOnTerminationRequest);
    // The desktop's media keys and sound menu; without a session bus they are simply absent.
    PlayerRemote remote(Frm_PlayerControl);
    auto mpris = std::make_unique<Platform::MprisService>(&remote);
    mpris->publish(QDBusConnection::sessionBus());
    Frm_PlayerControl->show();
    if (receiver) // not closed during the start-up
        receiver->setHandler([](quint32 dwData, const QByteArray& text) {
            Frm_PlayerControl->WMCopyData(dwData, text);
        });
    // A termination request during the start-up (a message box of its own, say) may
    // have closed the window before the message loop ran.
    const int result = Frm_PlayerControl->hasClosed() ? 0 : app.exec();
    mpris.reset();
    // A failed save at close shows in the exit code as well as in its message.
    const int closeResult = Frm_PlayerControl->hasClosed() ? Frm_PlayerControl->closeResult() : 0;
    destroyApplicationObjects();
    return result != 0 ? result : closeResult;
}
