# Shared by the mastering benchmarks (sourced, with WORK and RUNS set): the generated trees,
# each made once in WORK and kept there, and the timing of two commands side by side.

# WORK/tree20k: 20,000 files of 1 to 64 KiB in 200 directories at most 6 levels deep.
make_tree20k() {
  [ -e "$WORK/tree20k/.done" ] && return
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
}

# WORK/flat100k: one directory of 100,000 empty files.
make_flat100k() {
  [ -e "$WORK/flat100k/.done" ] && return
  rm -rf "$WORK/flat100k"
  python3 - "$WORK/flat100k" <<'PY'
import os, sys
root = sys.argv[1]
os.makedirs(root)
for i in range(100000):
    open(os.path.join(root, 'empty%06d' % i), 'wb').close()
open(os.path.join(root, '.done'), 'w').close()
PY
}

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

# One figure for bench/run-all: result LABEL OURS UNIT PEER-NAME PEER TARGET (see BenchProgram.h).
result() {
  printf 'RESULT label="%s" ours=%s unit=%s peer_name="%s" peer=%s target=%s\n' "$@"
}
# Peak memory in MiB from GNU time's KB.
mib() { awk -v k="$1" 'BEGIN {printf "%.6g", k / 1024}'; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
