#include "app/Program.h"

#include "about/Un_About.h"
#include "datamodule/Un_dm.h"
#include "engine/TMediaPlayer.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/HandOver.h"
#include "platform/InstanceLock.h"
#include "platform/Mpris.h"
#include "platform/Signals.h"
#include "platform/UdevDriveSource.h"
#include "player/PlayerRemote.h"
#include "player/Un_Mediactr.h"
#include "playlist/Un_Playlist.h"
#include "playlist/Un_playlist_entry.h"
#include "video/Un_VidDisplay.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <gst/gst.h>
#include <memory>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
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

int runLumeno(int argc, char** argv)
{
    gst_init(&argc, &argv);
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);

    Platform::InstanceLock lock;
    if (!lock.tryAcquire()) {
        // Another instance runs: hand it our files and end.
        TApplication app(argc, argv);
        const QStringList files = app.arguments().mid(1);
        return Platform::forwardArguments(
            files, [](const QString& text) { Platform::dialogs().message(nullptr, text); });
    }

    TApplication app(argc, argv);
    Platform::setExceptionHandler([](const QString& message) {
        QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                              message);
    });
    createApplicationObjects();
    auto* receiver = new Platform::HandOverReceiver(
        [](quint32 dwData, const QByteArray& text) { Frm_PlayerControl->WMCopyData(dwData, text); },
        Frm_PlayerControl);
    receiver->listen(Platform::handOverSocketPath());
    Frm_PlayerControl->FReceiver = receiver;
    Platform::UdevDriveSource::Options drives;
    drives.audioDisc = [](const QString& node) {
        return !TMediaPlayer::trackFiles(node).isEmpty();
    };
    Frm_PlayerControl->setDriveSource(new Platform::UdevDriveSource(drives, Frm_PlayerControl));
    Platform::onTerminationRequest([]() {
        if (Frm_PlayerControl) {
            Frm_PlayerControl->close();
        }
    });
    // The desktop's media keys and sound menu; without a session bus they are simply absent.
    PlayerRemote remote(Frm_PlayerControl);
    auto mpris = std::make_unique<Platform::MprisService>(&remote);
    mpris->publish(QDBusConnection::sessionBus());
    Frm_PlayerControl->show();
    const int result = app.exec();
    mpris.reset();
    destroyApplicationObjects();
    return result;
}
