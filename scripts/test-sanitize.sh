#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Lumeno and its tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and runs the whole test suite there. Any sanitizer report fails its test.
# Leaks that belong to the libraries' process-wide state (GStreamer's registry, GLib's
# type system, fontconfig, Qt's plugin loaders) are listed in scripts/lsan.supp.
# usage: test-sanitize.sh [ctest arguments...]   e.g. test-sanitize.sh -R test_storage
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
dir=${LUMENO_ASAN_DIR:-build-asan}
sh scripts/install-deps.sh
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
# -O1 keeps the instrumented build quick to compile and its stacks readable.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DLUMENO_WERROR=ON -DLUMENO_SANITIZE=ON $launcher
cmake --build "$dir"

common="detect_leaks=1:malloc_context_size=10:check_initialization_order=1"
# The leak checker's own record of dynamic TLS blocks is left off: GCC 12's runtime guesses
# a block's bounds from the 16 bytes before it when the block starts 16 bytes into a page,
# and with its own allocator those bytes are a chunk header, not the bounds. The guessed
# range then starts at a small number, and the checker crashes scanning it at exit
# ("Tracer caught signal 11" in ScanRangeForPointers). A thread's dynamic TLS blocks are
# still found through its DTV, which glibc allocates on the checked heap.
common="$common:intercept_tls_get_addr=0"
# Most tests run with exact allocation stacks: slow unwinding, ten frames deep, because
# GLib and GStreamer have no frame pointers and the suppressions need to see which
# library made an allocation.
slow="$common:fast_unwind_on_malloc=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# GLib's slice allocator hides use-after-free from ASan; plain malloc does not.
export G_SLICE=always-malloc G_DEBUG=gc-friendly
# The instrumented program starts several times slower: the scripts that drive it wait
# longer, and the many-starts race runs with 20 starts instead of 100. A test that fails
# on timing alone gets one more try.
export LUMENO_TEST_PATIENCE=5 LUMENO_TEST_STARTS=20
scripts="^(smoke_|video_repaint|video_scaled)"
status=0
ASAN_OPTIONS=$slow LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0" \
    ctest --test-dir "$dir" -E "$scripts" --repeat until-pass:2 --output-on-failure \
    --timeout 900 "$@" || status=1
# The scripts under Xvfb run the real program, and slow unwinding of every allocation
# GStreamer's threads make keeps a file from opening within the 4 s the player allows.
# They run with fast unwinding, which records allocations made inside GLib with one
# frame only; scripts/lsan-fast.supp says what that leaves unchecked there.
ASAN_OPTIONS="$common:fast_unwind_on_malloc=1" \
LSAN_OPTIONS="suppressions=$root/scripts/lsan-fast.supp:print_suppressions=0" \
    ctest --test-dir "$dir" -R "$scripts" --repeat until-pass:2 --output-on-failure \
    --timeout 900 "$@" || status=1
exit $status
