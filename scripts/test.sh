#!/bin/sh
# Installs what Lumeno needs, builds it with warnings as errors and runs every test.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMENO_WERROR=ON
cmake --build build
ctest --test-dir build --output-on-failure --timeout 900
