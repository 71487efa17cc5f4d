#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file names its licence at its head. The script that adds the line is
# tried on a scratch tree first: --check catches a file without it, adding keeps a
# shebang first, leaves data alone and changes nothing the second time. Then the
# project's own sources are checked.
set -eu
script=$(realpath "$(dirname "$0")/../../scripts/spdx-headers.sh")
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
fail() { echo "spdx: $*"; exit 1; }
line="SPDX-License-Identifier: GPL-3.0-or-later"

tree=$work/tree
mkdir -p "$tree/src" "$tree/scripts" "$tree/fuzz/corpus"
printf '#include <cstdio>\n' >"$tree/src/a.cpp"
printf '#!/bin/sh\necho hi\n' >"$tree/scripts/b.sh"
chmod +x "$tree/scripts/b.sh"
printf '#!/bin/sh seed\n' >"$tree/fuzz/corpus/c"
printf 'project(x)\n' >"$tree/CMakeLists.txt"

sh "$script" --check "$tree" >"$work/missing" && fail "--check passes files without the line"
for f in src/a.cpp scripts/b.sh CMakeLists.txt; do
    grep -q " $f\$" "$work/missing" || fail "--check does not name $f"
done
sh "$script" "$tree"
[ "$(head -n 1 "$tree/src/a.cpp")" = "// $line" ] || fail "C++ file: $(head -n 1 "$tree/src/a.cpp")"
[ "$(head -n 2 "$tree/scripts/b.sh" | tail -n 1)" = "# $line" ] || fail "script: $(head -n 2 "$tree/scripts/b.sh")"
[ "$(head -n 1 "$tree/scripts/b.sh")" = "#!/bin/sh" ] && [ -x "$tree/scripts/b.sh" ] || fail "shebang or mode lost"
[ "$(cat "$tree/fuzz/corpus/c")" = "#!/bin/sh seed" ] || fail "a fuzz seed was changed"
cp -r "$tree" "$work/once"
sh "$script" "$tree"
diff -r "$work/once" "$tree" || fail "a second run changed files"
sh "$script" --check "$tree" || fail "--check fails after adding"

sh "$script" --check || fail "source files without the licence line (run scripts/spdx-headers.sh)"
echo "spdx: ok"
