#!/usr/bin/env bash
# The demo: burns a small image mastered from this repository's files and a short music
# file onto the toolkit's embedded default drive, the virtual recorder, then shows the disc.
# Then a new blank disc goes into the same recorder and Quorvane burns a directory of the
# repository twice, the second session importing the first, and the last session is listed.
# Last, a third blank disc gets three music files as an audio CD written in one session
# (Session-At-Once) by tarnwick-sao, and a fourth blank disc becomes a VideoCD of a short test
# pattern, burned by tarnwick-videocd. Last, the tarnwick command burns a mixed-mode CD-RW,
# verifies it, shows it and erases it.
# (The first disc's session is closed after its audio track; a data session after audio would
# not be seen by players, so the sessions of Quorvane get a disc of their own.)
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
work="$top/build/demo"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

echo "== The drives the toolkit offers (TARNWICK_DRIVES not set: the virtual recorder in this directory)"
unset TARNWICK_DRIVES
"$build/tools/finddevice/tarnwick-finddevice"

echo
echo "== Mastering an ISO9660 image of the sources with tarnwick-mkiso"
"$build/tools/mkiso/tarnwick-mkiso" -q -o demo.iso -V TARNWICK_DEMO "$top/README.md" "$top/include" "$top/toolkit/api"
ls -l demo.iso

echo
echo "== Making a short music file (5 s of a chord, FLAC)"
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:duration=5" -f lavfi -i "sine=frequency=660:duration=5" \
    -filter_complex amix=inputs=2 -ac 2 -ar 44100 demo.flac

echo
echo "== Burning the image (Track-At-Once, session left open)"
"$build/samples/pellmark/Pellmark" 0 0 0 0 demo.iso 0 0

echo
echo "== Burning the music as an audio track, then closing the session"
"$build/samples/pellmark/Pellmark" 0 0 0 0 demo.flac 0 1

echo
echo "== The disc in the virtual recorder (file $work/tarnwick-disc)"
"$build/tools/vdisc/tarnwick-vdisc" info tarnwick-disc
"$build/tools/vdisc/tarnwick-vdisc" export tarnwick-disc --track 1 track1.iso
cmp <(head -c "$(stat -c %s demo.iso)" track1.iso) demo.iso && echo "track 1 reads back identical to demo.iso"

echo
echo "== A new blank CD-R in the same recorder: Quorvane sessions follow each other there"
"$build/tools/vdisc/tarnwick-vdisc" blank tarnwick-disc --media cdr

echo
echo "== Burning include/ with Quorvane (no import): track 1, session closed"
"$build/samples/quorvane/Quorvane" 0 0 0 0 "$top/include" 0 0

sleep 1  # the second session's directory gets a date name of its own
echo
echo "== Burning include/ again with Quorvane, importing track 1: the new session shows both"
"$build/samples/quorvane/Quorvane" 0 0 0 0 "$top/include" 0 1

echo
echo "== The disc in the virtual recorder"
"$build/tools/vdisc/tarnwick-vdisc" info tarnwick-disc
start=$("$build/tools/vdisc/tarnwick-vdisc" info tarnwick-disc | awk '$1 == "2" && $3 ~ /^Mode/ { print $4 }')
"$build/tools/vdisc/tarnwick-vdisc" export tarnwick-disc --track 2 quorvane.iso
echo
echo "== The files of the last session (track 2 starts at LBA $start), as isoinfo reads its Joliet tree"
isoinfo -J -f -T "$start" -i quorvane.iso

echo
echo "== A new blank CD-R, and three short music files in three formats"
"$build/tools/vdisc/tarnwick-vdisc" blank tarnwick-disc --media cdr
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=392:duration=4" -ac 2 -ar 44100 -c:a libmp3lame sao1.mp3
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=494:duration=5" -ac 2 -ar 44100 -c:a libvorbis sao2.ogg
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=587:duration=6" -ac 2 -ar 44100 sao3.wav
ls -l sao1.mp3 sao2.ogg sao3.wav

echo
echo "== Burning them as a three-track audio CD in one session (Session-At-Once) with tarnwick-sao;"
echo "   its table of contents follows the progress"
"$build/tools/sao/tarnwick-sao" sao1.mp3 sao2.ogg sao3.wav

echo
echo "== The audio CD in the virtual recorder"
"$build/tools/vdisc/tarnwick-vdisc" info tarnwick-disc

echo
echo "== A new blank CD-R, and ten seconds of a test pattern with a tone as an MPEG-1 VideoCD stream"
"$build/tools/vdisc/tarnwick-vdisc" blank tarnwick-disc --media cdr
ffmpeg -loglevel error -y -f lavfi -i "testsrc=duration=10:size=352x240:rate=30000/1001" \
    -f lavfi -i "sine=frequency=440:duration=10" -target ntsc-vcd demo-vcd.mpg
ls -l demo-vcd.mpg

echo
echo "== Burning it as a VideoCD (Track-At-Once) with tarnwick-videocd; the data-track template"
echo "   comes from the build's data directory"
TARNWICK_DATA_DIR="$build/share/tarnwick" "$build/tools/videocd/tarnwick-videocd" --label TARNWICK_DEMO demo-vcd.mpg

echo
echo "== The VideoCD in the virtual recorder, and what vcd-info reads from its BIN/CUE export"
"$build/tools/vdisc/tarnwick-vdisc" info tarnwick-disc
"$build/tools/vdisc/tarnwick-vdisc" export tarnwick-disc --cue videocd.cue
vcd-info --cue-file videocd.cue | grep -E "detected|volume id|album id|volume (count|number)|ENTRY\[|AVSEQ|^ *[0-9]+: [0-9]"

echo
echo "== The same with the tarnwick command: a new blank CD-RW, then toolkit/api and two of the music"
echo "   files as a mixed-mode CD (the directory mastered on the fly), read back after the burn"
"$build/tools/vdisc/tarnwick-vdisc" blank tarnwick-disc --media cdrw --write-speed 3000
"$build/tools/tarnwick/tarnwick" drives
"$build/tools/tarnwick/tarnwick" burn --verify --no-eject "$top/toolkit/api" sao1.mp3 sao3.wav
"$build/tools/tarnwick/tarnwick" info

echo
echo "== Erased again with tarnwick blank --fast"
"$build/tools/tarnwick/tarnwick" blank --fast
"$build/tools/tarnwick/tarnwick" info
