#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for SECONDS
# (default 600), one after the other, starting from the seed corpus in fuzz/corpus.
# A crash or a broken expectation stops the script; the input that caused it is kept
# in build-fuzz/findings/<target>/ (rerun it: build-fuzz/fuzz/<target> FILE).
# usage: fuzz.sh [SECONDS] [TARGET...]   targets: fuzz_playlist fuzz_ini fuzz_handover
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-600}
[ $# -gt 0 ] && shift
targets=${*:-fuzz_playlist fuzz_ini fuzz_handover}
dir=${LUMENO_FUZZ_DIR:-build-fuzz}
case $dir in /*) ;; *) dir="$root/$dir" ;; esac
sh scripts/install-deps.sh
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DLUMENO_WERROR=ON -DLUMENO_FUZZ=ON $launcher >/dev/null
# shellcheck disable=SC2086
cmake --build "$dir" --target $targets

# The hand-over seeds are binary frames, kept in the repository as lines of hex.
seeds_of() {
    case $1 in
    fuzz_playlist) echo "$root/fuzz/corpus/playlist" ;;
    fuzz_ini) echo "$root/fuzz/corpus/ini" ;;
    fuzz_handover)
        out="$dir/seeds/handover"
        rm -rf "$out"; mkdir -p "$out"
        n=0
        grep -v '^#' "$root/fuzz/corpus/handover.txt" | while read -r line; do
            n=$((n + 1))
            echo "$line" | tr -d ' ' | python3 -c \
                'import sys; sys.stdout.buffer.write(bytes.fromhex(sys.stdin.read().strip()))' \
                >"$out/seed$n"
        done
        echo "$out" ;;
    esac
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1"
for t in $targets; do
    corpus="$dir/corpus/$t"
    findings="$dir/findings/$t"
    mkdir -p "$corpus" "$findings"
    echo "== $t for ${seconds}s"
    # The working corpus grows between runs; the committed seeds stay as they are.
    "$dir/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=4096 -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" "$(seeds_of "$t")" 2>"$dir/$t.log" ||
        { tail -40 "$dir/$t.log"; echo "fuzz.sh: $t failed, see $findings"; exit 1; }
    grep -E "^stat::number_of_executed_runs|^Done [0-9]+ runs" "$dir/$t.log" || true
done
