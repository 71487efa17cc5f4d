// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The running instance's program is a module of its own, which the program's front loads
// only when this start is to run the player or show a message: a later start that hands
// its files over never loads the GUI or the media framework.

#include <QStringList>

// Entries the module exports (C names, so that they can be looked up by name).
inline constexpr char kPlayerRunEntry[] = "lumeno_player_run";
inline constexpr char kPlayerMessagesEntry[] = "lumeno_player_messages";

// files: absolute paths to play, or null for the command line's.
using PlayerRunFunction = int (*)(int argc, char** argv, const QStringList* files);
using PlayerMessagesFunction = int (*)(int argc, char** argv, const QStringList* messages);
