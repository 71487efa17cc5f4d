#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what Lumeno needs, builds it and starts it with the files given.
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
sh "$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target lumeno
exec "$top/build/lumeno" "$@"
