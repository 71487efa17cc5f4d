#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the built program into a scratch root as a package would (prefix /usr), checks
# what a desktop needs of it with the desktop's own validators, then builds the Debian
# package and checks its contents, its dependencies and its manual page, and that
# lintian finds nothing to warn of.  usage: install_check.sh BUILD_DIR
set -eu
build=$1
source=$(realpath "$(dirname "$0")/../..")
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
fail() { echo "install: $*"; exit 1; }

DESTDIR=$work/root cmake --install "$build" --prefix /usr >"$work/install.log" || {
    cat "$work/install.log"; fail "cmake --install failed"; }
root=$work/root/usr
id=org.lumeno.Lumeno
component=org.lumeno.lumeno
# The validators pass what only warns; here a warning or hint fails too.
quiet() {
    out=$("$@" 2>&1) && ! echo "$out" | grep -q '^[EWIP]: \|: \(error\|warning\|hint\): ' && return 0
    echo "$out"; return 1
}

[ -x "$root/bin/lumeno" ] || fail "no program in bin"
grep -q 'id="keys"' "$root/share/lumeno/Help.html" || fail "no help document"
# The installed program finds its player module and takes a later start's file.
run=$work/run; mkdir -m 700 "$run"
(
    export XDG_RUNTIME_DIR=$run HOME=$work XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config \
        QT_QPA_PLATFORM=offscreen LUMENO_MIXER_DEVICE=null LUMENO_AUDIO_SINK=fakesink \
        LUMENO_VIDEO_SINK=fakesink
    "$root/bin/lumeno" >"$work/run.log" 2>&1 &
    program=$!
    trap 'kill -KILL $program 2>/dev/null || true' EXIT
    for i in $(seq 100); do [ -S "$run/Lumeno" ] && break; kill -0 $program 2>/dev/null || break; sleep 0.1; done
    [ -S "$run/Lumeno" ] || { cat "$work/run.log"; fail "the installed program does not run"; }
    timeout 10 "$root/bin/lumeno" "$work/none.mp3" >>"$work/run.log" 2>&1 ||
        { cat "$work/run.log"; fail "the installed program takes no hand-over"; }
)

desktop=$root/share/applications/$id.desktop
[ -f "$desktop" ] || fail "no .desktop file"
quiet desktop-file-validate "$desktop" || fail ".desktop file does not validate"
grep -q '^Exec=lumeno %F$' "$desktop" || fail "Exec does not take files"
grep -q "^Icon=$id$" "$desktop" || fail "wrong icon name"
mimes=$(sed -n 's/^MimeType=//p' "$desktop")
for m in video/x-msvideo audio/midi audio/mpeg video/mpeg video/x-ms-wmv audio/x-ms-wma \
         audio/x-wav x-content/video-vcd x-content/video-dvd; do
    case ";$mimes" in *";$m;"*) ;; *) fail "MimeType lacks $m" ;; esac
done
# Every file kind the player plays maps to one of the listed types on this system.
if [ -f /usr/share/mime/globs2 ]; then
    for ext in avi mid mp3 mpg mpeg wmv wma wav; do
        kind=$(awk -F: -v g="*.$ext" '$3 == g { print $2; exit }' /usr/share/mime/globs2)
        [ -n "$kind" ] || continue
        case ";$mimes" in *";$kind;"*) ;; *) fail ".$ext is $kind, not in MimeType" ;; esac
    done
fi

metainfo=$root/share/metainfo/$component.metainfo.xml
[ -f "$metainfo" ] || fail "no metainfo"
grep -q '@' "$metainfo" && fail "metainfo has an unfilled placeholder"
quiet appstreamcli validate --pedantic --no-net "$metainfo" || fail "metainfo does not validate"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "metainfo names no licence"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not name the .desktop file"

icons=$root/share/icons/hicolor
[ -f "$icons/scalable/apps/$id.svg" ] || fail "no SVG icon"
for size in 16 22 24 32 48 64 128 256; do
    png=$icons/${size}x$size/apps/$id.png
    [ -f "$png" ] || fail "no ${size}px icon"
    # Width and height from the PNG header.
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3*256+$4 "x" $7*256+$8 }')
    [ "$dims" = "${size}x$size" ] || fail "${size}px icon is $dims"
done

# The Debian package.
( cd "$work" && cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ) || {
    cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/pkg/lumeno_*.deb) || fail "no .deb made"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6dbus6 libgstreamer1.0-0 libcdio19 libasound2 \
         gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav fluid-soundfont-gm; do
    echo "$depends" | grep -q "$d" || fail "package does not depend on $d: $depends"
done
dpkg-deb -f "$deb" Recommends | grep -q 'qt6-wayland' || fail "package does not recommend qt6-wayland"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/lumeno ./usr/share/applications/$id.desktop ./usr/share/metainfo/$component.metainfo.xml \
         ./usr/share/icons/hicolor/48x48/apps/$id.png ./usr/share/lumeno/Help.html \
         ./usr/share/doc/lumeno/copyright ./usr/share/doc/lumeno/changelog.gz ./usr/share/man/man1/lumeno.1.gz; do
    echo "$contents" | grep -q " $f\$" || fail "package lacks $f"
done
echo "$contents" | grep -q " ./usr/lib/\(.*/\)\?lumeno/lumeno-player.so$" || fail "package lacks the player module"
lintian --allow-root --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || {
    cat "$work/lintian.log"; fail "lintian finds fault with the package"; }
grep '^[EW]: ' "$work/lintian.log" && fail "lintian warns"

# What the package holds, unpacked: the whole tree as AppStream sees it, the changelog
# of this version, and a manual page that names what the program reads.
dpkg-deb -x "$deb" "$work/deb"
quiet appstreamcli validate-tree --pedantic --no-net "$work/deb" || fail "the package's tree does not validate"
version=$(dpkg-deb -f "$deb" Version)
zcat "$work/deb/usr/share/doc/lumeno/changelog.gz" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$version" ] ||
    fail "the changelog's latest entry is not version $version"
page=$work/deb/usr/share/man/man1/lumeno.1.gz
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page has faults: $warnings"
manual=$(zcat "$page")
for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES ENVIRONMENT 'EXIT STATUS'; do
    echo "$manual" | grep -q "^\.SH \"\?$section\"\?\$" || fail "the manual page has no $section"
done
# Every environment variable and every file of the data folder the sources name.
names=$(grep -rhoE '(qgetenv|qEnvironmentVariable[A-Za-z]*|getenv)\("[A-Z_]+"|"[A-Z_]+_SINK"' "$source/src" |
        grep -oE '[A-Z_]{4,}' | sort -u)
names="$names $(grep -rhoE '"/Lumeno/[^"/]+\.[a-z]+"|"/[A-Za-z]+\.(ini|dat|json|lst)"' "$source/src" |
        tr -d '"/' | sed 's/^Lumeno//' | sort -u)"
for name in $names; do
    echo "$manual" | grep -qF "$name" || fail "the manual page does not name $name"
done
echo "install: ok"
