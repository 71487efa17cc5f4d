// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlayerModule.h"

#include "app/Program.h"

#include <type_traits>

#define PLAYER_EXPORT extern "C" __attribute__((visibility("default")))

PLAYER_EXPORT int lumeno_player_run(int argc, char** argv, const QStringList* files)
{
    static_assert(std::is_same_v<decltype(&lumeno_player_run), PlayerRunFunction>);
    return runLumeno(argc, argv, files);
}

PLAYER_EXPORT int lumeno_player_messages(int argc, char** argv, const QStringList* messages)
{
    static_assert(std::is_same_v<decltype(&lumeno_player_messages), PlayerMessagesFunction>);
    return showHandOverMessages(argc, argv, *messages);
}
