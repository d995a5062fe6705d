#!/bin/busybox sh
# /init of the real-kernel SG_IO test's guest. Everything the test judges goes to the serial
# console between marker lines:
#   @@tarnwick-guest begin NAME
#   ...
#   @@tarnwick-guest end NAME exit=CODE
# and the guest powers off at the end (the kernel reboots, and QEMU ends, should this fail).
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev

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
# opened after its burn), and compared with the image byte for byte. tgtd's unit answers the
# last blocks of the track (the image's zero padding) with a read error: they are taken as
# zeros, and the comparison still judges every byte.
section grab timeout 240 tarnwick-grab --ignore-errors --track 1 /tmp/work/grabbed.iso
section grabbed cmp /image.iso /tmp/work/grabbed.iso
echo "@@tarnwick-guest done"
sync
poweroff -f
