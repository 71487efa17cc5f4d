// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window tests share: the test media, a private profile, the program's objects
// made as at start-up, and dialogs answered by the test.

#include "RecordingDialogs.h"
#include "app/Program.h"
#include "datamodule/Un_dm.h"
#include "engine/TFilterGraph.h"
#include "engine/TMediaPlayer.h"
#include "player/TRadioGroup.h"
#include "player/Un_Mediactr.h"
#include "playlist/PlaylistOps.h"
#include "playlist/Un_Playlist.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gst/gst.h>

inline QString media(const QString& name)
{
    return QStringLiteral(LUMENO_MEDIA_DIR) + QLatin1Char('/') + name;
}

// The address of the file the program's graph plays, empty without one.
inline QString playingUri()
{
    GstElement* pipeline = DM->FilterGraph1->pipeline();
    gchar* uri = nullptr;
    if (pipeline) {
        g_object_get(pipeline, "current-uri", &uri, nullptr);
    }
    const QString result = QString::fromUtf8(uri ? uri : "");
    g_free(uri);
    return result;
}

// The graph's state once a change under way has settled (2 s at most).
inline GstState graphState()
{
    GstElement* pipeline = DM->FilterGraph1->pipeline();
    GstState state = GST_STATE_NULL;
    if (pipeline) {
        gst_element_get_state(pipeline, &state, nullptr, 2 * GST_SECOND);
    }
    return state;
}

class WindowTestSupport {
public:
    static constexpr const char* kNoMixer = "null";

    void start()
    {
        setMediaEnvironment();
        gst_init(nullptr, nullptr);
        qputenv("XDG_DATA_HOME", m_profile.path().toUtf8());
        // Tests never reach the internet: disc look-ups are off unless a test says.
        setDiscLookUp(QStringLiteral("0"));
        // Each test opens media and discs afresh, not where an earlier test left them
        // (test_resume is where resuming is tried).
        switchResumeOff(m_profile.path() + QStringLiteral("/Lumeno"));
        // The volume slider drives a mixer that does not exist rather than this machine's.
        qputenv("LUMENO_MIXER_DEVICE", kNoMixer);
        dialogs = new RecordingDialogs;
        createApplicationObjects();
    }

    // Writes the disc look-up settings: on or off, and the server asked.
    void setDiscLookUp(const QString& on, const QString& server = QString(), int timeoutS = 10)
    {
        QDir().mkpath(m_profile.path() + QStringLiteral("/Lumeno"));
        QFile file(m_profile.path() + QStringLiteral("/Lumeno/DiscLookup.ini"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(QStringLiteral("[MusicBrainz]\r\nLook up=%1\r\nServer=%2\r\nTimeout=%3\r\n")
                           .arg(on, server)
                           .arg(timeoutS)
                           .toUtf8());
    }

    // Writes a resume.ini that turns resuming off into the data folder; closed before it
    // returns, so that a player made next reads all of it.
    static void switchResumeOff(const QString& dataFolder)
    {
        QDir().mkpath(dataFolder);
        QFile resume(dataFolder + QStringLiteral("/resume.ini"));
        QVERIFY(resume.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(resume.write("[Resume]\nEnabled=false\n[Places]\n[End]\n") > 0);
    }

    void finish()
    {
        destroyApplicationObjects();
        delete dialogs;
        dialogs = nullptr;
    }

    // Nothing playing, nothing paused, no entry, the buttons as at start, an empty list.
    void reset()
    {
        TFrm_PlayerControl* p = Frm_PlayerControl;
        if (p->FCurrentItem && TFrm_PlayerControl::kindOf(p->FCurrentItem->Path) == ".cda") {
            p->ToolStopClick();
        }
        if (DM->FilterGraph1->Active()) {
            p->ToolStopClick();
            DM->FilterGraph1->setActive(false);
        }
        QCoreApplication::processEvents();
        p->FPaused = false;
        p->FCurrentItem.reset();
        p->FCurrentIndex = -1;
        p->rad_play->setItemIndex(0);
        p->ToolPlay->setEnabled(true);
        p->ToolPause->setEnabled(false);
        p->ToolStop->setEnabled(false);
        dialogs->shown.clear();
        setPlaylist({});
    }

    static void setPlaylist(const QStringList& paths)
    {
        TFileList& items = Frm_PlayerControl->FPlaylistItems;
        TPlaylistOps::ClearPlaylist(items, Frm_playlist->Lst_playlist);
        TPlaylistOps::AddFiles(paths, items, Frm_playlist->Lst_playlist);
    }

    RecordingDialogs* dialogs = nullptr;

private:
    QTemporaryDir m_profile;
};
