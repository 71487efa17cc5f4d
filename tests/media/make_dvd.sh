#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Authors a small DVD-Video folder OUTDIR/dvd/VIDEO_TS:
#  - root menu (blue) and title menu (green), each with 2 buttons -> title 1 / title 2
#  - title 1: 9 s, chapters at 0, 3, 6 s; two subtitle streams (en: white bar lower left,
#    de: lower right, shown 0.5-1.4 s, 1.5-2.4 s, ... 5.5-6.4 s; then en every half
#    second 6.5-6.9 s ... 8.5-8.9 s, de one long line 6.5-8.9 s)
#  - title 2: 20 s, chapters at 0, 5 s, each its own cell with time stamps from 0
# usage: make_dvd.sh OUTDIR   (needs: ffmpeg, dvdauthor with spumux)
set -eu
BASE=$(realpath "${1:?usage: make_dvd.sh OUTDIR}"); W="$BASE/work"; OUT="$BASE/dvd"
rm -rf "$W" "$OUT"; mkdir -p "$W"; cd "$W"
export VIDEO_FORMAT=PAL
FF="ffmpeg -hide_banner -loglevel error -y"
ENC="-target pal-dvd -aspect 4:3 -b:v 1500k -maxrate 4000k -bufsize 1835k -b:a 128k -ac 2"
BOX1="drawbox=x=100:y=200:w=200:h=100:color=white:t=fill"
BOX2="drawbox=x=420:y=200:w=200:h=100:color=white:t=fill"

# menu backgrounds (1 s, still) with silent audio
$FF -f lavfi -i "color=c=0x2040a0:s=720x576:r=25:d=1,$BOX1,$BOX2" -f lavfi -i anullsrc=r=48000:cl=stereo -t 1 $ENC root.mpg
$FF -f lavfi -i "color=c=0x20a040:s=720x576:r=25:d=1,$BOX1,$BOX2" -f lavfi -i anullsrc=r=48000:cl=stereo -t 1 $ENC title.mpg
# titles: distinct patterns/tones
$FF -f lavfi -i "testsrc2=s=720x576:r=25:d=9,drawbox=x=0:y=456:w=720:h=120:color=black:t=fill" -f lavfi -i "sine=f=440:d=9:r=48000" $ENC t1.mpg
# title 2 from two files, a chapter each: each cell's time stamps start afresh, as on
# many discs, so the source's time stamps are not the title's time
for part in a:5 b:15; do
  $FF -f lavfi -i "smptebars=s=720x576:r=25:d=${part#*:},drawbox=x=0:y=456:w=720:h=120:color=black:t=fill" -f lavfi -i "sine=f=880:d=${part#*:}:r=48000" $ENC t2${part%:*}.mpg
done

# transparent overlay PNGs (<=4 colours): button highlight/select, two subtitle images.
# drawbox keeps the canvas alpha, so boxes go on opaque black that is keyed out afterwards.
png() { $FF -f lavfi -i "color=c=black:s=720x576:d=1,format=rgba,$1,colorkey=black:0.01:0" -frames:v 1 "$2"; }
png "drawbox=x=96:y=196:w=208:h=108:color=yellow:t=6,drawbox=x=416:y=196:w=208:h=108:color=yellow:t=6" hl.png
png "drawbox=x=96:y=196:w=208:h=108:color=red:t=6,drawbox=x=416:y=196:w=208:h=108:color=red:t=6" sel.png
png "drawbox=x=60:y=480:w=260:h=40:color=white:t=fill" sub_en.png
png "drawbox=x=400:y=480:w=260:h=40:color=white:t=fill" sub_de.png

cat > menu_spu.xml <<'EOF'
<subpictures><stream>
 <spu start="00:00:00.00" force="yes" highlight="hl.png" select="sel.png">
  <button name="b1" x0="96" y0="196" x1="304" y1="304" right="b2" down="b2"/>
  <button name="b2" x0="416" y0="196" x1="624" y1="304" left="b1" up="b1"/>
 </spu>
</stream></subpictures>
EOF
# one cue a second, so a stream switched on mid-title shows within a second; in the last
# chapter a long German line, still shown when English is chosen over it
cue() { echo " <spu start=\"00:00:0$1\" end=\"00:00:0$2\" image=\"sub_$3.png\"/>"; }
for s in en de; do
  { echo "<subpictures><stream>"
    for t in 0 1 2 3 4 5; do cue $t.50 $((t + 1)).40 $s; done
    if [ $s = en ]; then
      for t in 6 7 8; do cue $t.50 $t.90 en; [ $t = 8 ] || cue $((t + 1)).00 $((t + 1)).40 en; done
    else
      cue 6.50 8.90 de
    fi
    echo "</stream></subpictures>"; } > sub_$s.xml
done
spumux -m dvd menu_spu.xml < root.mpg  > root_b.mpg  2> spumux.log
spumux -m dvd menu_spu.xml < title.mpg > title_b.mpg 2>> spumux.log
spumux -m dvd -s 0 sub_en.xml < t1.mpg    > t1_en.mpg  2>> spumux.log
spumux -m dvd -s 1 sub_de.xml < t1_en.mpg > t1_sub.mpg 2>> spumux.log

cat > dvd.xml <<EOF
<dvdauthor dest="$OUT">
 <vmgm>
  <fpc>jump titleset 1 menu;</fpc>
  <menus>
   <video format="pal"/>
   <pgc entry="title">
    <button name="b1">jump title 1;</button>
    <button name="b2">jump title 2;</button>
    <vob file="title_b.mpg" pause="inf"/>
   </pgc>
  </menus>
 </vmgm>
 <titleset>
  <menus>
   <video format="pal"/>
   <pgc entry="root">
    <button name="b1">jump title 1;</button>
    <button name="b2">jump title 2;</button>
    <vob file="root_b.mpg" pause="inf"/>
   </pgc>
  </menus>
  <titles>
   <video format="pal"/>
   <subpicture lang="en"/>
   <subpicture lang="de"/>
   <pgc>
    <vob file="t1_sub.mpg" chapters="0,0:03,0:06"/>
    <post>call menu;</post>
   </pgc>
   <pgc>
    <vob file="t2a.mpg" chapters="0"/>
    <vob file="t2b.mpg" chapters="0"/>
    <post>call menu;</post>
   </pgc>
  </titles>
 </titleset>
</dvdauthor>
EOF
dvdauthor -x dvd.xml > dvdauthor.log 2>&1

test -f "$OUT/VIDEO_TS/VIDEO_TS.IFO"
rm -rf "$W"
