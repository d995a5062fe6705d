#!/usr/bin/env bash
# The installed package, as its users meet it: `cmake --install` of the build tree into a
# scratch DESTDIR, then C programs built against that tree with pkg-config and with
# find_package(Tarnwick), run on a virtual recorder made by the installed tarnwick-vdisc, and
# the man pages of the installed programs.
#
#   install-test.sh tree BINARY_DIR SOURCE_DIR WORK
#   install-test.sh pkgconfig SOURCE_DIR WORK
#   install-test.sh cmake SOURCE_DIR WORK
#   install-test.sh manpages WORK PROGRAM...
#
# WORK/root is the DESTDIR; the prefix is /usr/local.
set -euo pipefail

PREFIX=/usr/local
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# expect OUTPUT_FILE EXTENDED_REGEX WHAT
expect() {
  if ! grep -qE -- "$2" "$1"; then
    fail "$3: no line matching '$2' in the output:"
    sed 's/^/    /' "$1" >&2
  fi
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}

# A blank CD-R in a virtual recorder of a known identity, made by the installed tool.
make_disc() {
  local root=$1 disc=$2
  rm -f "$disc"
  "$root$PREFIX/bin/tarnwick-vdisc" blank "$disc" --media cdr --vendor PKGTEST --product CONSUMER --revision 9.87 >/dev/null
}

# The output of the drives program on DISC, and of the sound program.
check_drives_output() {
  local out=$1 disc=$2 what=$3
  expect "$out" "^unit [0-9]+:[0-9]+:[0-9]+:[0-9]+ virtual:$disc\$" "$what: the virtual recorder is listed"
  expect "$out" "^identity 'PKGTEST ' 'CONSUMER        ' '9.87'\$" "$what: the recorder's identity is read"
  expect "$out" "^disc status 0 erasable 0 type 2\$" "$what: the disc is a blank CD-R"
}

check_sound_output() {
  local out=$1 what=$2
  expect "$out" "^wave header 0\$" "$what: the WAV file is recognised"
  expect "$out" "^decoded 176400 bytes \(result 0\)\$" "$what: one second of sound decodes to 176400 bytes"
}

run_consumer() {
  local program=$1 out=$2 disc=$3 work=$4
  local status=0
  TARNWICK_DRIVES="virtual:$disc" "$program" "$work" >"$out" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    fail "$program exited with $status"
    sed 's/^/    /' "$out" >&2
  fi
}

# Directories as absolute paths: the checks change directory and compare paths in outputs.
absolute() { realpath -m -- "$1"; }

# consumer_setup SOURCE_DIR WORK NAME: the directories of a consumer check (source, work,
# root, dir = WORK/NAME, emptied) and its disc, dir/disc.
consumer_setup() {
  source=$(absolute "$1") work=$(absolute "$2")
  root=$work/root
  dir=$work/$3
  rm -rf "$dir"
  mkdir -p "$dir"
  make_disc "$root" "$dir/disc"
}

mode=${1:?mode}
shift
case "$mode" in
tree)
  binary=$(absolute "$1") source=$(absolute "$2") work=$(absolute "$3")
  root=$work/root
  rm -rf "$root"
  mkdir -p "$work"
  DESTDIR=$root cmake --install "$binary" --prefix "$PREFIX" >"$work/install.log"
  for file in bin/tarnwick bin/tarnwick-vdisc lib/libtarnwick.a lib/libsonquill.a include/tarnwick/tarnwick.h \
    include/tarnwick/sonquill.h lib/pkgconfig/tarnwick.pc lib/pkgconfig/sonquill.pc \
    lib/cmake/Tarnwick/TarnwickConfig.cmake lib/cmake/Tarnwick/TarnwickConfigVersion.cmake \
    share/tarnwick/Tarnwick_VideoCD.ISO share/tarnwick/Tarnwick_SuperVideoCD.ISO; do
    [ -f "$root$PREFIX/$file" ] || fail "$PREFIX/$file is not installed"
  done
  # Relocatable: the package files name no directory of the build or the sources.
  if grep -rlF -e "$binary" -e "$source" "$root$PREFIX/lib/cmake" "$root$PREFIX/lib/pkgconfig"; then
    fail "the files above name the build or source directory"
  fi
  finish
  ;;
pkgconfig)
  consumer_setup "$1" "$2" pkgconfig
  # Found through a sysroot (paths in the .pc files as installed), then with --define-prefix
  # (the prefix taken from where the .pc file lies).
  for lookup in sysroot define-prefix; do
    pc=(env PKG_CONFIG_PATH="$root$PREFIX/lib/pkgconfig")
    if [ "$lookup" = sysroot ]; then
      pc+=(PKG_CONFIG_SYSROOT_DIR="$root" pkg-config)
    else
      pc+=(pkg-config --define-prefix)
    fi
    # One program per module, each with its own flags only, and one with both.
    for build in drives:tarnwick:-DCONSUMER_DRIVES sound:sonquill:-DCONSUMER_SOUND \
      both:"tarnwick sonquill":"-DCONSUMER_DRIVES -DCONSUMER_SOUND"; do
      IFS=: read -r name modules defines <<<"$build"
      program=$dir/$name-$lookup
      # shellcheck disable=SC2046,SC2086
      if ! flags=$("${pc[@]}" --cflags --libs $modules); then
        fail "$lookup: pkg-config --cflags --libs $modules failed"
        continue
      fi
      case "$flags" in
      *"$root"*) ;;
      *) fail "$lookup: the flags of $modules do not point into the installed tree: $flags" ;;
      esac
      # shellcheck disable=SC2086
      if ! cc -std=c11 -Wall -Wextra -Werror $defines "$source/consumer.c" -o "$program" $flags 2>"$program.log"; then
        fail "$lookup: cc with the flags of $modules failed:"
        sed 's/^/    /' "$program.log" >&2
        continue
      fi
      run_consumer "$program" "$program.out" "$dir/disc" "$dir"
      case "$name" in
      drives) check_drives_output "$program.out" "$dir/disc" "$lookup $name" ;;
      sound) check_sound_output "$program.out" "$lookup $name" ;;
      both)
        check_drives_output "$program.out" "$dir/disc" "$lookup $name"
        check_sound_output "$program.out" "$lookup $name"
        ;;
      esac
    done
  done
  finish
  ;;
cmake)
  consumer_setup "$1" "$2" cmake
  if ! cmake -S "$source/consumer" -B "$dir/build" -DCMAKE_PREFIX_PATH="$root$PREFIX" >"$dir/configure.log" 2>&1 ||
    ! cmake --build "$dir/build" >"$dir/build.log" 2>&1; then
    fail "the consumer project does not build against the installed package:"
    cat "$dir/configure.log" "$dir/build.log" 2>/dev/null | sed 's/^/    /' >&2
    finish
  fi
  run_consumer "$dir/build/consumer-drives" "$dir/drives.out" "$dir/disc" "$dir"
  check_drives_output "$dir/drives.out" "$dir/disc" "find_package drives"
  run_consumer "$dir/build/consumer-sound" "$dir/sound.out" "$dir/disc" "$dir"
  check_sound_output "$dir/sound.out" "find_package sound"
  # The programs use the installed archives, not the build tree's.
  if ! grep -qF "$root$PREFIX/lib/libtarnwick.a" "$dir/build/CMakeFiles/consumer-drives.dir/link.txt"; then
    fail "consumer-drives is not linked with the installed libtarnwick.a"
  fi
  finish
  ;;
manpages)
  work=$(absolute "$1")
  shift
  root=$work/root
  dir=$work/manpages
  rm -rf "$dir"
  mkdir -p "$dir"
  cd "$dir"
  for name in "$@"; do
    program=$root$PREFIX/bin/$name
    page=$root$PREFIX/share/man/man1/$name.1
    if [ ! -x "$program" ]; then
      fail "$name is not installed"
      continue
    fi
    if [ ! -f "$page" ]; then
      fail "$name has no installed man page"
      continue
    fi
    if ! groff -man -ww -z "$page" >"$dir/$name.lint" 2>&1 || [ -s "$dir/$name.lint" ]; then
      fail "the man page of $name does not lint clean:"
      sed 's/^/    /' "$dir/$name.lint" >&2
    fi
    grep -qE "^\.TH \"?$name\"? 1 " "$page" || fail "$name: the page has no .TH line for $name in section 1"
    for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" EXAMPLES; do
      grep -qE "^\.SH \"?$section\"?\$" "$page" || fail "$name: the page has no $section section"
    done
    # Every long option the program's help shows is in the page (the sample programs print
    # their usage for any short command line). The tarnwick command shows the help of each
    # of its subcommands as well.
    "$program" --help >"$dir/$name.help" 2>&1 || true
    if [ "$name" = tarnwick ]; then
      subcommands=$(awk '/^  [a-z]+ +[a-z]/ { print $1 }' "$dir/$name.help")
      [ -n "$subcommands" ] || fail "tarnwick --help lists no subcommand"
      for sub in $subcommands; do
        "$program" "$sub" --help >>"$dir/$name.help" 2>&1 || true
      done
    fi
    [ -s "$dir/$name.help" ] || fail "$name --help printed nothing"
    sed 's/\\-/-/g' "$page" >"$dir/$name.page"
    for option in $(grep -oE -- '--[A-Za-z0-9][A-Za-z0-9-]*' "$dir/$name.help" | sort -u); do
      grep -qE -- "$option([^A-Za-z0-9-]|\$)" "$dir/$name.page" || fail "$name: the man page does not document $option"
    done
  done
  finish
  ;;
*)
  echo "unknown mode $mode" >&2
  exit 2
  ;;
esac
