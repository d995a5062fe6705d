#!/bin/bash
# tarnwick-mkiso --udf against genisoimage -udf, side by side in one run, warm cache: the tree
# of 20,000 files of 1 to 64 KiB that MkIsoBench.sh masters, the image written to /dev/null.
# Prints the median elapsed time of RUNS runs and the peak memory of each tool, and whether the
# targets hold (mkiso <= 0.8 x genisoimage's time, peak memory <= genisoimage's), also as RESULT
# lines for bench/run-all. Exit status 1 when a target is missed, 2 when a command fails.
# Usage: MkUdfBench.sh PATH/TO/tarnwick-mkiso [WORK-DIRECTORY]
# (without a work directory the tree is made in a temporary one, removed at the end)
set -euo pipefail
MKISO=${1:?usage: MkUdfBench.sh PATH/TO/tarnwick-mkiso [WORK-DIRECTORY]}
if [ -n "${2:-}" ]; then
  WORK=$2
else
  WORK=$(mktemp -d)
  trap 'rm -rf "$WORK"' EXIT
fi
RUNS=${RUNS:-5}
for tool in genisoimage python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

source "$(dirname "$0")/MkBenchTrees.sh"
make_tree20k
find "$WORK/tree20k" -type f -exec cat {} + >/dev/null

# Both must master the tree at all before their times mean anything.
"$MKISO" --udf -q -o /dev/null "$WORK/tree20k" || { echo "tarnwick-mkiso --udf failed" >&2; exit 2; }
genisoimage -quiet -udf -o /dev/null "$WORK/tree20k" || { echo "genisoimage -udf failed" >&2; exit 2; }

status=0
read -r m mm g gm < <(measure "$MKISO --udf -q -o /dev/null $WORK/tree20k" "genisoimage -quiet -udf -o /dev/null $WORK/tree20k")
printf '20,000 files of 1-64 KiB, UDF:  tarnwick-mkiso --udf %6.2f s %7d KB | genisoimage -udf %6.2f s %7d KB\n' \
  "$m" "$mm" "$g" "$gm"
result "mkiso --udf 20k files, time" "$m" s "genisoimage -udf" "$g" "<=0.8*peer"
result "mkiso --udf 20k files, memory" "$(mib "$mm")" MiB "genisoimage -udf" "$(mib "$gm")" "<=1*peer"
if awk -v m="$m" -v g="$g" -v mm="$mm" -v gm="$gm" 'BEGIN {exit !(m <= 0.8 * g && mm <= gm)}'; then
  echo "  target met: mkiso --udf <= 0.8 x genisoimage -udf, peak memory <= genisoimage's"
else
  echo "  TARGET MISSED: mkiso --udf <= 0.8 x genisoimage -udf, peak memory <= genisoimage's"; status=1
fi
exit $status
