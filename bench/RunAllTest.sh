#!/bin/bash
# Checks bench/run-all against stand-in benchmarks (scripts that print chosen RESULT lines or
# Google Benchmark JSON and exit as told) in a scratch build directory: the verdicts, the
# failures it must report, the JSON figures and the sizes of the quick mode.
# Usage: RunAllTest.sh   (exit 0 when every check holds)
set -uo pipefail
unset RUNS BENCH_QUICK BENCH_ONLY BENCH_LOG_DIR
HERE=$(cd "$(dirname "$0")" && pwd)
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
mkdir -p "$T/src/bench" "$T/build/bench" "$T/build/tools/mkiso" "$T/do"
cp "$HERE/run-all" "$T/src/bench/run-all"
echo 'CMAKE_BUILD_TYPE:STRING=Release' >"$T/build/CMakeCache.txt"
printf '#!/bin/sh\nexit 0\n' >"$T/build/tools/mkiso/tarnwick-mkiso"
chmod +x "$T/build/tools/mkiso/tarnwick-mkiso"

# A stand-in: records its arguments and RUNS in do/NAME.args, then runs do/NAME when it exists,
# else prints one figure that meets its target.
stand_in() {
  cat >"$1" <<EOF
#!/bin/bash
echo "\$* RUNS=\${RUNS:-}" >"$T/do/$2.args"
[ -e "$T/do/$2" ] && source "$T/do/$2"
echo 'RESULT label="$2 figure" ours=1 unit=s peer_name="peer" peer=2 target=<=1*peer'
EOF
  chmod +x "$1"
}
for name in pellmark_burn grab iscsi_burn sonquill_decode sao_audio dao_burn import_session; do
  stand_in "$T/build/bench/bench_$name" "$name"
done
stand_in "$T/src/bench/MkIsoBench.sh" mkiso
stand_in "$T/src/bench/MkUdfBench.sh" mkudf
# Google Benchmark stand-ins write do/NAME.json (when there is one) where --benchmark_out says.
for name in sectors raw_sectors vdisc_write vdisc_raw_write; do
  cat >"$T/build/bench/bench_$name" <<EOF
#!/bin/bash
[ -e "$T/do/$name" ] && source "$T/do/$name"
for a in "\$@"; do case \$a in --benchmark_out=*) out=\${a#--benchmark_out=} ;; esac; done
[ -e "$T/do/$name.json" ] && cp "$T/do/$name.json" "\$out"
exit 0
EOF
  chmod +x "$T/build/bench/bench_$name"
done

failures=0
OUT=$T/out RC=0
run_all() {
  env "$@" "$T/src/bench/run-all" "$T/build" >"$OUT" 2>"$T/err"
  RC=$?
}
fail() {
  echo "FAIL: $1"
  sed 's/^/    /' "$OUT"
  failures=$((failures + 1))
}
expect() { grep -Eq -- "$1" "$OUT" || fail "no line matching /$1/"; }
expect_not() { ! grep -Eq -- "$1" "$OUT" || fail "a line matches /$1/"; }
expect_exit() { [ "$RC" -eq "$1" ] || fail "exit $RC, not $1"; }
reset() { rm -rf "$T/do" && mkdir "$T/do"; }

# --- Verdicts: each target form against figures on either side of it; misses are reported
# but are no failure of the run.
reset
cat >"$T/do/pellmark_burn" <<'EOF'
echo 'RESULT label="ratio met" ours=1.5 unit=s peer_name="cat" peer=1 target=<=1.5*peer'
echo 'RESULT label="ratio missed" ours=1.51 unit=s peer_name="cat" peer=1 target=<=1.5*peer'
echo 'RESULT label="floor met" ours=500 unit=MB/s target=>=500'
echo 'RESULT label="floor missed" ours=499.9 unit=MB/s target=>=500'
echo 'RESULT label="strict at the limit" ours=50 unit=% target=<50'
echo 'RESULT label="for reference" ours=7 unit=MiB peer_name="genisoimage" peer=6 target=-'
echo 'RESULT label="exponent" ours=1.2e+03 unit=MB/s peer_name="recorder" peer=2e3 target=>=0.5*peer'
exit 0
EOF
run_all BENCH_ONLY=pellmark_burn
expect '^ratio met +ours +1\.50 s +cat +1\.00 s +target <= 1\.5 x peer \(1\.50x\) +met$'
expect '^ratio missed .* MISSED$'
expect '^floor met .*target >= 500 MB/s +met$'
expect '^floor missed .* MISSED$'
expect '^strict at the limit .*target < 50 % +MISSED$'
expect '^for reference .*genisoimage .* \(reference\)$'
expect '^exponent +ours +1200 MB/s .* met$'
expect '^3 met, 3 MISSED, 0 FAILED; 1 for reference'
expect_exit 0

# --- Failures: a crash, a missed-target exit with figures, a silent success, lines that cannot
# be read or compared, a program that was not built, one that hangs; the rest still runs and
# the exit is 1.
reset
echo 'exit 3' >"$T/do/grab"
echo 'echo "RESULT label=\"decode\" ours=2 unit=s peer_name=\"ffmpeg\" peer=1 target=<=1.3*peer"; exit 1' >"$T/do/sonquill_decode"
echo 'exit 1' >"$T/do/sao_audio"
echo 'exit 0' >"$T/do/dao_burn"
echo 'sleep 5' >"$T/do/vdisc_write"
echo 'echo "RESULT label=\"a quote left open\" ours=1 unit=s target=<=1 peer_name=\"cat peer=2"; exit 0' >"$T/do/import_session"
echo 'echo "RESULT label=\"not a number\" ours=nan unit=s target=<=1"; exit 0' >"$T/do/mkiso"
echo 'echo "RESULT label=\"peerless\" ours=1 unit=s target=<=2*peer"; exit 0' >"$T/do/mkudf"
mv "$T/build/bench/bench_iscsi_burn" "$T/iscsi"
run_all BENCH_ONLY="grab sonquill_decode sao_audio dao_burn import_session mkiso mkudf iscsi_burn pellmark_burn vdisc_write" \
  BENCH_TIMEOUT=1
mv "$T/iscsi" "$T/build/bench/bench_iscsi_burn"
expect '^grab +FAILED \(exit 3;'
expect_not '^grab figure'
expect '^decode .* MISSED$'
expect_not '^sonquill_decode +FAILED'
expect '^sao_audio +FAILED \(exit 1;'
expect '^dao_burn +FAILED \(no figures;'
expect '^import_session +FAILED \(unreadable: '
expect '^import_session +FAILED \(an unreadable figure;'
expect '^not a number +FAILED'
expect '^peerless +FAILED'
expect '^iscsi_burn +FAILED \(not built'
expect '^pellmark_burn figure .* met$'
expect '^vdisc_write +FAILED \(stopped after 1 s'
expect '^1 met, 1 MISSED, 8 FAILED'
expect_exit 1

# --- Google Benchmark JSON: rates in MB/s, times converted from the time unit and set beside
# the peer benchmark's, an error reported by a benchmark, and a result file left by an earlier
# run that must not stand for a run that wrote none.
reset
cat >"$T/do/sectors.json" <<'EOF'
{"benchmarks": [{"name": "EncodeMode1", "bytes_per_second": 9.5e8, "real_time": 1, "time_unit": "ns"},
                {"name": "CheckIntactMode1", "bytes_per_second": 4.0e8, "real_time": 1, "time_unit": "ns"},
                {"name": "CheckIntactMode1Extra", "bytes_per_second": 9e9, "real_time": 1, "time_unit": "ns"}]}
EOF
cat >"$T/do/vdisc_write.json" <<'EOF'
{"benchmarks": [{"name": "CatCopy1GiB/iterations:3/real_time", "real_time": 300, "time_unit": "ms"},
                {"name": "VirtualRecorderWrite1GiB/iterations:3/real_time", "real_time": 480000, "time_unit": "us"}]}
EOF
cat >"$T/do/vdisc_raw_write.json" <<'EOF'
{"benchmarks": [{"name": "TrackAtOnce700MB/iterations:2/manual_time", "real_time": 400, "time_unit": "ms"},
                {"name": "RawDiscAtOnce700MB/iterations:2/manual_time", "error_occurred": true,
                 "error_message": "WRITE refused", "real_time": 0, "time_unit": "ms"}]}
EOF
mkdir -p "$T/build/bench/logs"
echo '{"benchmarks": [{"name": "ExpandMode1RawRawPW", "bytes_per_second": 1e9}]}' >"$T/build/bench/logs/raw_sectors.json"
run_all BENCH_ONLY="sectors vdisc_write vdisc_raw_write raw_sectors"
expect '^sector codec, encode Mode 1 +ours +950 MB/s +- +- +target >= 500 MB/s +met$'
expect '^sector codec, check intact Mode 1 +ours +400 MB/s .* MISSED$'
expect '^recorder writes 1 GiB, time +ours +0\.480 s +cat +0\.300 s +target <= 1\.5 x peer \(1\.60x\) +MISSED$'
expect '^vdisc_raw_write +FAILED'
grep -q 'WRITE refused' "$T/build/bench/logs/vdisc_raw_write.log" || fail "the benchmark's error is not in its log"
expect '^raw_sectors +FAILED \(no .*raw_sectors\.json'
expect_not '^raw generation'
expect_exit 1

# --- Sizes: the full run passes none (each benchmark's own full size) and RUNS=5; the quick
# mode passes small images, one round and one run.
reset
run_all BENCH_ONLY="pellmark_burn iscsi_burn mkiso"
grep -qx ' RUNS=5' "$T/do/pellmark_burn.args" || fail "full run: pellmark_burn got '$(cat "$T/do/pellmark_burn.args")'"
grep -q '^[^ ]*mkiso [^ ]*/mastering-trees RUNS=5$' "$T/do/mkiso.args" || fail "full run: mkiso got '$(cat "$T/do/mkiso.args")'"
run_all BENCH_ONLY="pellmark_burn iscsi_burn mkiso" BENCH_QUICK=1
grep -qx '64 RUNS=1' "$T/do/pellmark_burn.args" || fail "quick run: pellmark_burn got '$(cat "$T/do/pellmark_burn.args")'"
grep -qx '64 1 RUNS=1' "$T/do/iscsi_burn.args" || fail "quick run: iscsi_burn got '$(cat "$T/do/iscsi_burn.args")'"
expect 'QUICK MODE'
run_all BENCH_ONLY="no_such_benchmark"
expect_exit 2

[ "$failures" -eq 0 ] && echo "run-all: every check holds"
[ "$failures" -eq 0 ]
