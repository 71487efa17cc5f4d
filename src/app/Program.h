// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The running instance's program: the shared objects made in their fixed order, and the
// hand-over from later starts. The instance lock is taken before, by the program's front.

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    // Failures escaping a handler reach the program's general error box.
    bool notify(QObject* receiver, QEvent* event) override;
};

// The data module, then the windows, in the order later code relies on.
void createApplicationObjects();
void destroyApplicationObjects();

// What a termination request (SIGTERM and the like) does: every dialog closed as if
// cancelled, none shown any more, and the player closed with its usual saving.
void closeOnTerminationRequest();

// What the media libraries read from the environment, set once before GStreamer starts
// (their threads read the environment later; changing it then is a race).
void setMediaEnvironment();

// Runs the player until it closes. files: what to play, as absolute paths; null takes
// the command line's.
int runLumeno(int argc, char** argv, const QStringList* files = nullptr);
// What a later start could not hand over, each shown in a message box.
int showHandOverMessages(int argc, char** argv, const QStringList& messages);
