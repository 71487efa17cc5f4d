#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file the licence line at its head, where it is missing: after a
# shebang, else first. Run it again after adding files; it changes nothing twice.
# usage: spdx-headers.sh [--check] [ROOT]   --check only lists the files without it
# (and fails when there are any). ROOT defaults to the project this script is in.
set -eu
check=0
[ "${1:-}" = --check ] && { check=1; shift; }
root=${1:-$(dirname "$0")/..}
cd "$root"
licence="SPDX-License-Identifier: GPL-3.0-or-later"

# The comment a file's language starts a line with; nothing for what is not source.
marker() {
    case ${1##*/} in
    *.cpp | *.h | *.c | *.hpp | *.cc) echo "//" ;;
    *.sh | *.py | *.cmake | CMakeLists.txt) echo "#" ;;
    *.*) ;;
    *) head -n 1 "$1" | grep -q '^#!' && echo "#" ;;
    esac
    return 0
}

files() {
    for dir in src tests bench fuzz scripts cmake .ci; do
        [ ! -d "$dir" ] || find "$dir" -path fuzz/corpus -prune -o -type f -print
    done
    [ ! -f CMakeLists.txt ] || echo CMakeLists.txt
}

files | sort | {
    missing=0
    while IFS= read -r file; do
        comment=$(marker "$file")
        [ -n "$comment" ] || continue
        head -n 3 "$file" | grep -q 'SPDX-License-Identifier:' && continue
        if [ $check = 1 ]; then
            echo "no licence line: $file"
            missing=1
        elif head -n 1 "$file" | grep -q '^#!'; then
            sed -i "1a $comment $licence" "$file"
        else
            sed -i "1i $comment $licence" "$file"
        fi
    done
    exit $missing
}
