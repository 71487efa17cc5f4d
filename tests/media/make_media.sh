#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the test media (3 s each unless named otherwise) into OUTDIR: every file kind
# the player takes, a Video CD track, and the broken inputs the error paths are tested with.
# usage: make_media.sh OUTDIR   (needs: ffmpeg, python3)
set -e
out=$(realpath -m "${1:?usage: make_media.sh OUTDIR}")
mkdir -p "$out/MPEGAV"
cd "$out"
V="-f lavfi -i testsrc=size=320x240:rate=25:duration=3"
A="-f lavfi -i sine=frequency=440:sample_rate=44100:duration=3"
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
ff $V $A -c:v mpeg4 -vtag XVID -q:v 5 -c:a libmp3lame -b:a 128k -ac 2 avi_mpeg4_mp3.avi
ff $V $A -c:v mjpeg -q:v 5 -pix_fmt yuvj420p -c:a pcm_s16le -ac 2 avi_mjpeg_pcm.avi
ff $A -c:a libmp3lame -b:a 128k -ac 2 audio.mp3
ff $V $A -c:v mpeg1video -b:v 1M -c:a mp2 -b:a 192k -ac 2 -f mpeg mpeg1_ps.mpg
ff $V $A -c:v mpeg2video -b:v 2M -c:a mp2 -b:a 192k -ac 2 -f vob mpeg2_ps.mpeg
ff $V $A -c:v wmv2 -b:v 500k -c:a wmav2 -b:a 128k -ac 2 -f asf video.wmv
ff $A -c:a wmav2 -b:a 128k -ac 2 -f asf audio.wma
ff $A -c:a pcm_s16le -ac 2 audio.wav
# tagged: ID3 title, artist, album, track number and an attached cover picture
ff $A -f lavfi -i color=c=red:size=32x32:duration=1 -map 0:a -map 1:v -frames:v 1 \
   -c:a libmp3lame -b:a 128k -ac 2 -c:v mjpeg -disposition:v attached_pic -id3v2_version 3 \
   -metadata title="Test Song" -metadata artist="Test Artist" -metadata album="Test Album" \
   -metadata track=7 tagged.mp3
# Video CD track: MPEG-1 PS with the VCD constraints, named as on the disc
ff -f lavfi -i testsrc=size=352x288:rate=25:duration=3 $A -target pal-vcd MPEGAV/AVSEQ01.DAT
# a longer file for position and seek tests
ff -f lavfi -i testsrc=size=160x120:rate=10:duration=12 \
   -f lavfi -i sine=frequency=330:sample_rate=44100:duration=12 \
   -c:v mjpeg -q:v 8 -pix_fmt yuvj420p -c:a pcm_s16le -ac 1 long12.avi
# four flat quarters (red, green / blue, yellow) in a 16:9 picture, 20 s: where and how
# large the picture lies on a screen shows in a picture of that screen
ff -filter_complex "color=c=red:s=160x90:r=10:d=20[a];color=c=lime:s=160x90:r=10:d=20[b];\
color=c=blue:s=160x90:r=10:d=20[c];color=c=yellow:s=160x90:r=10:d=20[d];\
[a][b]hstack[t];[c][d]hstack[u];[t][u]vstack" -c:v mjpeg -q:v 2 -pix_fmt yuvj420p quarters.avi
# over five minutes, for resuming: tiny pictures once a second and 8 kHz sound encode in
# well under a second
ff -f lavfi -i testsrc=size=64x48:rate=1:duration=360 \
   -f lavfi -i sine=frequency=330:sample_rate=8000:duration=360 \
   -c:v mjpeg -q:v 10 -pix_fmt yuvj420p -c:a pcm_u8 -ac 1 long6min.avi
python3 - <<'PY'
import struct
# MIDI (SMF format 0): C major scale, 8 quarter notes at 120 bpm = 4 s, piano
ev = bytearray(b'\x00\xff\x51\x03\x07\xa1\x20' b'\x00\xc0\x00')
for n in (60, 62, 64, 65, 67, 69, 71, 72):
    ev += bytes([0x00, 0x90, n, 100]) + b'\x83\x60' + bytes([0x80, n, 0])
ev += b'\x00\xff\x2f\x00'
open('song.mid', 'wb').write(b'MThd' + struct.pack('>IHHH', 6, 0, 1, 480)
                             + b'MTrk' + struct.pack('>I', len(ev)) + ev)
# broken inputs
import random
random.seed(7)
open('corrupt.avi', 'wb').write(b'RIFF\x10\x00\x00\x00AVI LIST' + bytes(random.getrandbits(8) for _ in range(20000)))
data = open('mpeg1_ps.mpg', 'rb').read()
open('truncated.mpg', 'wb').write(data[:1500])
open('text.mp3', 'w').write('This is a plain text file, not an MP3.\r\n' * 40)
PY
ls "$out" >/dev/null
