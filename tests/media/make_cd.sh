#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a 3-track audio CD image into OUTDIR: disc.bin (raw CD-DA, 16-bit LE,
# 44.1 kHz stereo, 2352-byte sectors) and disc.cue. Tracks of 3, 4 and 5 s at
# 440, 660 and 880 Hz, so track 2 starts at 00:03:00 and track 3 at 00:07:00.
# titled/disc.cue is the same disc with CD-Text lines (TITLE, PERFORMER) in the sheet,
# written in UTF-8 as sheets are today.
# usage: make_cd.sh OUTDIR   (needs: sox)
set -e
mkdir -p "${1:?usage: make_cd.sh OUTDIR}"; cd "$1"
rm -f t1.raw t2.raw t3.raw disc.bin
i=1
for tone in 3:440 4:660 5:880; do
  secs=${tone%%:*}; freq=${tone##*:}
  sox -n -r 44100 -b 16 -e signed-integer -c 2 -L -t raw t$i.raw synth "$secs" sine "$freq" vol 0.5
  sz=$(stat -c %s t$i.raw)
  [ $((sz % 2352)) -eq 0 ] || { echo "track $i not sector aligned ($sz)"; exit 1; }
  cat t$i.raw >> disc.bin
  i=$((i+1))
done
cat > disc.cue <<CUE
FILE "disc.bin" BINARY
  TRACK 01 AUDIO
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    INDEX 01 00:03:00
  TRACK 03 AUDIO
    INDEX 01 00:07:00
CUE
# libcdio finds the BIN by the sheet's own name, so the titled sheet gets a folder.
mkdir -p titled
ln -sf ../disc.bin titled/disc.bin
cat > titled/disc.cue <<CUE
TITLE "Test Disc"
PERFORMER "Disc Artist"
FILE "disc.bin" BINARY
  TRACK 01 AUDIO
    TITLE "First Song"
    PERFORMER "Singer One"
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    TITLE "Second Sông"
    INDEX 01 00:03:00
  TRACK 03 AUDIO
    INDEX 01 00:07:00
CUE
