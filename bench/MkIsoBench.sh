#!/bin/bash
# tarnwick-mkiso against xorriso and genisoimage, side by side in one run, warm cache:
#   1. a tree of 20,000 files of 1 to 64 KiB (at most 6 levels deep, so that genisoimage
#      takes all of it), the image written to /dev/null;
#   2. one directory of 100,000 empty files;
#   3. the tree of 1. with a Joliet hierarchy (-J) beside genisoimage -J;
#   4. the tree of 1. with Rock Ridge records and a Joliet hierarchy (-R -J) beside
#      genisoimage -R -J.
# Prints the median elapsed time of RUNS runs and the peak memory of each tool, and whether
# the targets hold (mkiso <= 0.8 x xorriso and <= genisoimage on 1; mkiso <= genisoimage -l
# and peak memory <= 1.5 x genisoimage's on 2; mkiso -J <= 0.8 x genisoimage -J and no more
# memory on 3; mkiso -R -J <= 0.8 x genisoimage -R -J on 4, its peak memory printed beside
# genisoimage's). Exit status 1 when a target is missed, 2 when a command fails.
# Each figure is also printed as a RESULT line for bench/run-all.
# Usage: MkIsoBench.sh PATH/TO/tarnwick-mkiso [WORK-DIRECTORY]
# (without a work directory the trees are made in a temporary one, removed at the end)
set -euo pipefail
MKISO=${1:?usage: MkIsoBench.sh PATH/TO/tarnwick-mkiso [WORK-DIRECTORY]}
if [ -n "${2:-}" ]; then
  WORK=$2
else
  WORK=$(mktemp -d)
  trap 'rm -rf "$WORK"' EXIT
fi
RUNS=${RUNS:-5}
for tool in xorriso genisoimage python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

source "$(dirname "$0")/MkBenchTrees.sh"
make_tree20k
make_flat100k

cat "$WORK"/tree20k/*/* >/dev/null 2>&1 || true
find "$WORK/tree20k" -type f -exec cat {} + >/dev/null
ls "$WORK/flat100k" >/dev/null

# A command that fails would be timed as if it had done its work: each one must succeed
# once (untimed) before it is measured.
must_succeed() {
  local c
  for c in "$@"; do
    bash -c "$c" >/dev/null 2>"$WORK/error.txt" || { echo "failed: $c" >&2; cat "$WORK/error.txt" >&2; exit 2; }
  done
}

status=0
must_succeed "$MKISO -q -o /dev/null $WORK/tree20k" "xorriso -as mkisofs -quiet -o /dev/null $WORK/tree20k" \
  "genisoimage -quiet -o /dev/null $WORK/tree20k"
read -r m1 mm1 x1 xm1 < <(measure "$MKISO -q -o /dev/null $WORK/tree20k" "xorriso -as mkisofs -quiet -o /dev/null $WORK/tree20k")
read -r _ _ g1 gm1 < <(measure "$MKISO -q -o /dev/null $WORK/tree20k" "genisoimage -quiet -o /dev/null $WORK/tree20k")
printf '20,000 files of 1-64 KiB:  tarnwick-mkiso %6.2f s %7d KB | xorriso -as mkisofs %6.2f s %7d KB | genisoimage %6.2f s %7d KB\n' \
  "$m1" "$mm1" "$x1" "$xm1" "$g1" "$gm1"
result "mkiso 20k files, time" "$m1" s "xorriso -as mkisofs" "$x1" "<=0.8*peer"
result "mkiso 20k files, time" "$m1" s "genisoimage" "$g1" "<=1*peer"
if awk -v m="$m1" -v x="$x1" -v g="$g1" 'BEGIN {exit !(m <= 0.8 * x && m <= g)}'; then
  echo "  target met: mkiso <= 0.8 x xorriso and <= genisoimage"
else
  echo "  TARGET MISSED: mkiso <= 0.8 x xorriso and <= genisoimage"; status=1
fi

must_succeed "$MKISO -q -o /dev/null $WORK/flat100k" "genisoimage -quiet -l -o /dev/null $WORK/flat100k"
read -r m2 mm2 g2 gm2 < <(measure "$MKISO -q -o /dev/null $WORK/flat100k" "genisoimage -quiet -l -o /dev/null $WORK/flat100k")
printf '100,000 empty files:       tarnwick-mkiso %6.2f s %7d KB | genisoimage -l %6.2f s %7d KB\n' "$m2" "$mm2" "$g2" "$gm2"
result "mkiso 100k empty files, time" "$m2" s "genisoimage -l" "$g2" "<=1*peer"
result "mkiso 100k empty files, memory" "$(mib "$mm2")" MiB "genisoimage -l" "$(mib "$gm2")" "<=1.5*peer"
if awk -v m="$m2" -v g="$g2" -v mm="$mm2" -v gm="$gm2" 'BEGIN {exit !(m <= g && mm <= 1.5 * gm)}'; then
  echo "  target met: mkiso <= genisoimage -l, peak memory <= 1.5 x genisoimage's"
else
  echo "  TARGET MISSED: mkiso <= genisoimage -l, peak memory <= 1.5 x genisoimage's"; status=1
fi
must_succeed "$MKISO -q -J -o /dev/null $WORK/tree20k" "genisoimage -quiet -J -o /dev/null $WORK/tree20k"
read -r m3 mm3 g3 gm3 < <(measure "$MKISO -q -J -o /dev/null $WORK/tree20k" "genisoimage -quiet -J -o /dev/null $WORK/tree20k")
printf '20,000 files, Joliet:      tarnwick-mkiso -J %6.2f s %7d KB | genisoimage -J %6.2f s %7d KB\n' "$m3" "$mm3" "$g3" "$gm3"
result "mkiso -J 20k files, time" "$m3" s "genisoimage -J" "$g3" "<=0.8*peer"
result "mkiso -J 20k files, memory" "$(mib "$mm3")" MiB "genisoimage -J" "$(mib "$gm3")" "<=1*peer"
if awk -v m="$m3" -v g="$g3" -v mm="$mm3" -v gm="$gm3" 'BEGIN {exit !(m <= 0.8 * g && mm <= gm)}'; then
  echo "  target met: mkiso -J <= 0.8 x genisoimage -J, peak memory <= genisoimage's"
else
  echo "  TARGET MISSED: mkiso -J <= 0.8 x genisoimage -J, peak memory <= genisoimage's"; status=1
fi
must_succeed "$MKISO -q -R -J -o /dev/null $WORK/tree20k" "genisoimage -quiet -R -J -o /dev/null $WORK/tree20k"
read -r m4 mm4 g4 gm4 < <(measure "$MKISO -q -R -J -o /dev/null $WORK/tree20k" "genisoimage -quiet -R -J -o /dev/null $WORK/tree20k")
printf '20,000 files, Rock Ridge:  tarnwick-mkiso -R -J %6.2f s %7d KB | genisoimage -R -J %6.2f s %7d KB\n' "$m4" "$mm4" "$g4" "$gm4"
result "mkiso -R -J 20k files, time" "$m4" s "genisoimage -R -J" "$g4" "<=0.8*peer"
result "mkiso -R -J 20k files, memory" "$(mib "$mm4")" MiB "genisoimage -R -J" "$(mib "$gm4")" "-"
if awk -v m="$m4" -v g="$g4" 'BEGIN {exit !(m <= 0.8 * g)}'; then
  echo "  target met: mkiso -R -J <= 0.8 x genisoimage -R -J"
else
  echo "  TARGET MISSED: mkiso -R -J <= 0.8 x genisoimage -R -J"; status=1
fi
exit $status
