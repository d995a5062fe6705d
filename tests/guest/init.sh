#!/bin/busybox sh
# /init of the real-kernel SG_IO test's guest. Everything the test judges goes to the serial
# console between marker lines:
#   @@tarnwick-guest begin NAME
#   ...
#   @@tarnwick-guest end NAME exit=CODE
# and the guest powers off at the end (the kernel reboots, and QEMU ends, should this fail).
# Runs "$@" with its output between the markers of section $1.
section() {
  name=$1
  shift
  echo "@@tarnwick-guest begin $name"
  "$@" >/tmp/section.out 2>&1
  code=$?
  cat /tmp/section.out
  echo "@@tarnwick-guest end $name exit=$code"
}

load_modules() {
  failed=0
  for module in $(cat /lib/modules/modules.load); do
    if insmod "/lib/modules/$module.ko"; then echo "loaded $module"; else echo "not loaded $module"; failed=1; fi
  done
  return $failed
}

# The SCSI units the kernel found (type 5 is an MMC unit) and their nodes. Waits up to a
# minute for /dev/sr0 and /dev/sg0: the adapter's scan runs after the modules are in.
show_devices() {
  tries=0
  while [ $tries -lt 600 ] && ! { [ -e /dev/sr0 ] && [ -e /dev/sg0 ]; }; do
    usleep 100000
    tries=$((tries + 1))
  done
  for unit in /sys/class/scsi_device/*; do
    [ -e "$unit/device" ] || continue
    echo "unit $(basename "$unit") type=$(cat "$unit/device/type") vendor=$(cat "$unit/device/vendor") model=$(cat "$unit/device/model")"
  done
  for node in /dev/sr* /dev/sg*; do
    [ -e "$node" ] && echo "node $node"
  done
  [ -e /dev/sr0 ] && [ -e /dev/sg0 ]
}

# The ISO9660 volume at the start of $1 (as many blocks of 2048 bytes as its primary volume
# descriptor gives, the little-endian copy at byte 80 of block 16) against the whole of $2.
compare_volume() {
  local blocks
  blocks=$(od -An -tu4 -j 32848 -N 4 "$1" | tr -d ' \n') || return 1
  echo "volume of $blocks blocks"
  [ -n "$blocks" ] && [ "$blocks" -gt 16 ] || return 1
  head -c $((blocks * 2048)) "$1" | cmp - "$2"
}

# PATH... in hexadecimal: any byte of a name passes the console safely.
hex() {
  printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n'
}

# One line for each entry under the directory $1, depth first:
#   entry TYPE MODE LINKS SIZE MTIME PATH TARGET DIGEST
# TYPE one of f d l p c b s; MODE the permission bits in octal, set-id and sticky bits
# included; MTIME in seconds since 1970; PATH from the listed root ($2 is the prefix of the
# entries of $1) and a link's TARGET in hexadecimal; DIGEST the MD5 of a regular file's bytes.
# "-" stands for a TARGET or DIGEST that the entry has not. Links are not followed.
list_tree() {
  local dir=$1 prefix=$2 entry name type attributes target digest
  for entry in "$dir"/* "$dir"/.*; do
    name=${entry##*/}
    case $name in . | ..) continue ;; esac
    # A pattern that matched nothing stays as it is.
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    target=- digest=-
    if [ -L "$entry" ]; then
      type=l
      target=$(readlink "$entry") || return 1
      target=$(hex "$target")
    elif [ -d "$entry" ]; then type=d
    elif [ -f "$entry" ]; then
      type=f
      digest=$(timeout 60 md5sum <"$entry") || return 1
      digest=${digest%% *}
    elif [ -p "$entry" ]; then type=p
    elif [ -c "$entry" ]; then type=c
    elif [ -b "$entry" ]; then type=b
    elif [ -S "$entry" ]; then type=s
    else
      echo "unknown type: $entry"
      return 1
    fi
    attributes=$(stat -c '%a %h %s %Y' "$entry") || return 1
    echo "entry $type $attributes $(hex "$prefix$name") $target $digest"
    if [ $type = d ]; then list_tree "$entry" "$prefix$name/" || return 1; fi
  done
  return 0
}

# The burned disc as the kernel's ISO9660 driver shows it (with Rock Ridge, which the driver
# prefers to Joliet), mounted read-only and unmounted again.
show_disc_tree() {
  local listed
  mkdir -p /mnt
  timeout 60 mount -t iso9660 -o ro /dev/sr0 /mnt || return 1
  list_tree /mnt ""
  listed=$?
  umount /mnt || return 1
  return $listed
}

# "init list-tree DIR" lists DIR as the guest lists the disc and does nothing else: the
# host's tests run the listing on a tree of their own.
if [ "${1:-}" = list-tree ]; then
  list_tree "$2" ""
  exit
fi

/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
unset TARNWICK_DRIVES
mkdir -p /tmp/work
cd /tmp/work
section modules load_modules
section devices show_devices
# A program that hangs is ended (exit 143) so that the sections after it still report.
section finddevice-help timeout 60 tarnwick-finddevice --help
section finddevice timeout 120 tarnwick-finddevice
section pellmark timeout 240 Pellmark 0 0 0 0 /image.iso 0 1
# The burned track read back through the kernel (tarnwick-grab closes the tray that Pellmark
# opened after its burn) and compared byte for byte with the volume of the image: the grab ends
# where the primary volume descriptor says the volume ends, short of the zeros padded after it.
section grab timeout 240 tarnwick-grab --ignore-errors --track 1 /tmp/work/grabbed.iso
section grabbed compare_volume /image.iso /tmp/work/grabbed.iso
section disc-tree show_disc_tree
echo "@@tarnwick-guest done"
sync
poweroff -f
