#!/bin/bash
# tarnwick-mkiso against xorriso and genisoimage, side by side in one run, warm cache:
#   1. a tree of 20,000 files of 1 to 64 KiB (at most 6 levels deep, so that genisoimage
#      takes all of it), the image written to /dev/null;
#   2. one directory of 100,000 empty files;
#   3. the tree of 1. with a Joliet hierarchy (-J) beside genisoimage -J.
# Prints the median elapsed time of RUNS runs and the peak memory of each tool, and whether
# the targets hold (mkiso <= 0.8 x xorriso and <= genisoimage on 1; mkiso <= genisoimage -l
# and peak memory <= 1.5 x genisoimage's on 2; mkiso -J <= 0.8 x genisoimage -J and no more
# memory on 3). Exit status 1 when a target is missed.
# Usage: MkIsoBench.sh PATH/TO/tarnwick-mkiso [WORK-DIRECTORY]
set -euo pipefail
MKISO=${1:?usage: MkIsoBench.sh PATH/TO/tarnwick-mkiso [WORK-DIRECTORY]}
WORK=${2:-$(mktemp -d)}
RUNS=${RUNS:-5}
for tool in xorriso genisoimage python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

if [ ! -e "$WORK/tree20k/.done" ]; then
  rm -rf "$WORK/tree20k"
  python3 - "$WORK/tree20k" <<'PY'
import os, random, sys
random.seed(20000)
root = sys.argv[1]
os.makedirs(root)
dirs = [(root, 1)]
while len(dirs) < 200:
    parent, depth = random.choice(dirs)
    if depth < 6:
        path = os.path.join(parent, 'dir%03d' % len(dirs))
        os.mkdir(path)
        dirs.append((path, depth + 1))
for i in range(20000):
    with open(os.path.join(random.choice(dirs)[0], 'file%05d.dat' % i), 'wb') as f:
        f.write(os.urandom(random.randint(1024, 65536)))
open(os.path.join(root, '.done'), 'w').close()
PY
fi
if [ ! -e "$WORK/flat100k/.done" ]; then
  rm -rf "$WORK/flat100k"
  python3 - "$WORK/flat100k" <<'PY'
import os, sys
root = sys.argv[1]
os.makedirs(root)
for i in range(100000):
    open(os.path.join(root, 'empty%06d' % i), 'wb').close()
open(os.path.join(root, '.done'), 'w').close()
PY
fi

# Median elapsed seconds and largest peak memory (KB) of RUNS runs of each of two commands
# (given as strings), run by turns so that a change in the machine's load falls on both:
# prints "time-1 memory-1 time-2 memory-2".
measure() {
  local t1=() t2=() p1=0 p2=0 t m
  for _ in $(seq "$RUNS"); do
    /usr/bin/time -f "%e %M" -o "$WORK/time.txt" bash -c "$1" >/dev/null 2>&1
    read -r t m < "$WORK/time.txt"; t1+=("$t"); [ "$m" -gt "$p1" ] && p1=$m
    /usr/bin/time -f "%e %M" -o "$WORK/time.txt" bash -c "$2" >/dev/null 2>&1
    read -r t m < "$WORK/time.txt"; t2+=("$t"); [ "$m" -gt "$p2" ] && p2=$m
  done
  echo "$(median "${t1[@]}") $p1 $(median "${t2[@]}") $p2"
}
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

cat "$WORK"/tree20k/*/* >/dev/null 2>&1 || true
find "$WORK/tree20k" -type f -exec cat {} + >/dev/null
ls "$WORK/flat100k" >/dev/null

status=0
read -r m1 mm1 x1 xm1 < <(measure "$MKISO -q -o /dev/null $WORK/tree20k" "xorriso -as mkisofs -quiet -o /dev/null $WORK/tree20k")
read -r _ _ g1 gm1 < <(measure "$MKISO -q -o /dev/null $WORK/tree20k" "genisoimage -quiet -o /dev/null $WORK/tree20k")
printf '20,000 files of 1-64 KiB:  tarnwick-mkiso %6.2f s %7d KB | xorriso -as mkisofs %6.2f s %7d KB | genisoimage %6.2f s %7d KB\n' \
  "$m1" "$mm1" "$x1" "$xm1" "$g1" "$gm1"
if awk -v m="$m1" -v x="$x1" -v g="$g1" 'BEGIN {exit !(m <= 0.8 * x && m <= g)}'; then
  echo "  target met: mkiso <= 0.8 x xorriso and <= genisoimage"
else
  echo "  TARGET MISSED: mkiso <= 0.8 x xorriso and <= genisoimage"; status=1
fi

read -r m2 mm2 g2 gm2 < <(measure "$MKISO -q -o /dev/null $WORK/flat100k" "genisoimage -quiet -l -o /dev/null $WORK/flat100k")
printf '100,000 empty files:       tarnwick-mkiso %6.2f s %7d KB | genisoimage -l %6.2f s %7d KB\n' "$m2" "$mm2" "$g2" "$gm2"
if awk -v m="$m2" -v g="$g2" -v mm="$mm2" -v gm="$gm2" 'BEGIN {exit !(m <= g && mm <= 1.5 * gm)}'; then
  echo "  target met: mkiso <= genisoimage -l, peak memory <= 1.5 x genisoimage's"
else
  echo "  TARGET MISSED: mkiso <= genisoimage -l, peak memory <= 1.5 x genisoimage's"; status=1
fi
read -r m3 mm3 g3 gm3 < <(measure "$MKISO -q -J -o /dev/null $WORK/tree20k" "genisoimage -quiet -J -o /dev/null $WORK/tree20k")
printf '20,000 files, Joliet:      tarnwick-mkiso -J %6.2f s %7d KB | genisoimage -J %6.2f s %7d KB\n' "$m3" "$mm3" "$g3" "$gm3"
if awk -v m="$m3" -v g="$g3" -v mm="$mm3" -v gm="$gm3" 'BEGIN {exit !(m <= 0.8 * g && mm <= gm)}'; then
  echo "  target met: mkiso -J <= 0.8 x genisoimage -J, peak memory <= genisoimage's"
else
  echo "  TARGET MISSED: mkiso -J <= 0.8 x genisoimage -J, peak memory <= genisoimage's"; status=1
fi
exit $status
