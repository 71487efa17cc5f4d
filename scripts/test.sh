#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what Lumeno needs, builds it with warnings as errors and runs every test.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMENO_WERROR=ON
cmake --build build
# A test that fails on timing alone gets one more try (the disc's first menu shows
# without its highlighted button now and then; see the open issue).
ctest --test-dir build --output-on-failure --timeout 900 --repeat until-pass:2
