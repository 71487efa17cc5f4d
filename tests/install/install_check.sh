#!/bin/sh
# Installs the built program into a scratch root as a package would (prefix /usr), checks
# what a desktop needs of it with the desktop's own validators, then builds the Debian
# package and checks its contents and dependencies.  usage: install_check.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
fail() { echo "install: $*"; exit 1; }

DESTDIR=$work/root cmake --install "$build" --prefix /usr >"$work/install.log" || {
    cat "$work/install.log"; fail "cmake --install failed"; }
root=$work/root/usr
id=org.lumeno.Lumeno

[ -x "$root/bin/lumeno" ] || fail "no program in bin"
grep -q 'id="keys"' "$root/share/lumeno/Help.html" || fail "no help document"

desktop=$root/share/applications/$id.desktop
[ -f "$desktop" ] || fail "no .desktop file"
desktop-file-validate "$desktop" || fail ".desktop file does not validate"
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

metainfo=$root/share/metainfo/$id.metainfo.xml
[ -f "$metainfo" ] || fail "no metainfo"
grep -q '@' "$metainfo" && fail "metainfo has an unfilled placeholder"
appstreamcli validate --no-net "$metainfo" || fail "metainfo does not validate"
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
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/lumeno ./usr/share/applications/$id.desktop ./usr/share/metainfo/$id.metainfo.xml \
         ./usr/share/icons/hicolor/48x48/apps/$id.png ./usr/share/lumeno/Help.html; do
    echo "$contents" | grep -q " $f\$" || fail "package lacks $f"
done
echo "install: ok"
