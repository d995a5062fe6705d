#!/usr/bin/env bash
# Builds the initramfs of the real-kernel SG_IO test: busybox, the programs under test with the
# shared libraries ldd names for them, the guest kernel's modules (as tools/ci/guest-kernel.sh
# leaves them: modules/NAME.ko and modules.load), a disc image and the guest's /init. The
# archive is an uncompressed newc cpio (the kernel takes it as it is; packing it would only
# cost time on both sides).
#
# Usage: make-initramfs.sh OUTPUT KERNEL-DIR INIT IMAGE PROGRAM...
set -euo pipefail
[ $# -ge 5 ] || { echo "usage: $0 OUTPUT KERNEL-DIR INIT IMAGE PROGRAM..." >&2; exit 2; }
output=$1 kernel=$2 init=$3 image=$4
shift 4
busybox=$(command -v busybox || true)
[ -n "$busybox" ] || { echo "make-initramfs: busybox is missing" >&2; exit 1; }
# A dynamically linked busybox would need its libraries too: only the static one will do.
if ldd "$busybox" >/dev/null 2>&1; then
  echo "make-initramfs: $busybox is not the static busybox (busybox-static)" >&2
  exit 1
fi
[ -s "$kernel/modules.load" ] || { echo "make-initramfs: $kernel has no modules.load (run make deps)" >&2; exit 1; }

root=$(mktemp -d "${output}.root.XXXXXX")
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,dev,proc,sys,tmp,lib/modules}
cp "$busybox" "$root/bin/busybox"
cp "$init" "$root/init"
chmod 755 "$root/init"
cp "$image" "$root/image.iso"
cp "$kernel/modules.load" "$root/lib/modules/"
while IFS= read -r name; do
  [ -n "$name" ] && cp "$kernel/modules/$name.ko" "$root/lib/modules/"
done <"$kernel/modules.load"

copy_with_path() {
  mkdir -p "$root$(dirname "$1")"
  [ -e "$root$1" ] || cp -L "$1" "$root$1"
}
for program in "$@"; do
  cp "$program" "$root/bin/"
  # "libX.so => /path/libX.so (0x...)" and "/lib64/ld-linux-x86-64.so.2 (0x...)"
  ldd "$program" | awk '{ for (i = 1; i <= NF; ++i) if ($i ~ /^\//) print $i }' |
    while IFS= read -r library; do copy_with_path "$library"; done
done

(cd "$root" && find . -mindepth 1 | "$busybox" cpio -o -H newc 2>/dev/null) >"$output.part"
mv "$output.part" "$output"
