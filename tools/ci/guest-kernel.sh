#!/usr/bin/env bash
# Fetches the Debian kernel the real-kernel SG_IO test boots under QEMU, without installing it
# on this machine: the package linux-image-amd64 depends on is downloaded with apt-get and
# unpacked with dpkg-deb into a cache directory (default: build/guest-kernel of the source
# tree, which git ignores). The cache then holds, for the guest:
#   current/vmlinuz          the kernel
#   current/modules/NAME.ko  the modules the guest needs, uncompressed
#   current/modules.load     their names, one a line, each after the modules it depends on
#   current/builtin          the wanted modules the kernel has built in, one a line
#   current/release          the kernel release (uname -r)
# A second run finds the cache complete and downloads nothing. A cache that lacks a module
# now wanted (made before it was added to the list) is extracted again from the package
# kept in the cache.
#
# Usage: guest-kernel.sh [CACHE-DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${1:-${TARNWICK_GUEST_KERNEL_DIR:-$here/../../build/guest-kernel}}
# What the guest needs to see a SCSI CD/DVD unit on a virtio-scsi host adapter as /dev/sr* and
# /dev/sg*, and to mount a disc's ISO9660 file system. Those the kernel has built in are left
# out.
wanted=(virtio_pci virtio_scsi sg sr_mod isofs)

apt_cmd() {
  local sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get "$@"
}

# The versioned kernel package the metapackage depends on, e.g. linux-image-6.1.0-57-amd64.
kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9]/ { print $2; exit }'
}

package=$(kernel_package || true)
if [ -z "$package" ]; then
  apt_cmd update -qq
  package=$(kernel_package || true)
fi
if [ -z "$package" ]; then
  echo "guest-kernel: apt-cache names no kernel package for linux-image-amd64" >&2
  exit 1
fi

mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
target=$cache/$package

# The wanted module that the extracted kernel in $1 lacks (neither extracted nor recorded as
# built in), else nothing; fails when the kernel itself is missing.
first_lacking() {
  local dir=$1 name
  [ -s "$dir/vmlinuz" ] && [ -s "$dir/modules.load" ] || return 1
  for name in "${wanted[@]}"; do
    if grep -qxF "$name" "$dir/modules.load" && [ -s "$dir/modules/$name.ko" ]; then continue; fi
    if [ -f "$dir/builtin" ] && grep -qxF "$name" "$dir/builtin"; then continue; fi
    echo "$name"
    return 0
  done
}

if lacking=$(first_lacking "$target"); then
  if [ -z "$lacking" ]; then
    ln -sfn "$package" "$cache/current"
    echo "guest-kernel: $package present in $cache"
    exit 0
  fi
  echo "guest-kernel: $target lacks the module $lacking: extracting again"
fi

for tool in dpkg-deb depmod; do
  command -v "$tool" >/dev/null || { echo "guest-kernel: $tool is missing (make deps installs it)" >&2; exit 1; }
done

work=$(mktemp -d "$cache/unpack.XXXXXX")
trap 'rm -rf "$work"' EXIT
download=$cache/download
mkdir -p "$download"
deb=$(ls "$download/${package}_"*.deb 2>/dev/null | head -n 1 || true)
if [ -z "$deb" ]; then
  echo "guest-kernel: downloading $package"
  # apt-get download writes into the current directory: a scratch one, so that an
  # interrupted download leaves no partial package in the cache. As root it warns that its
  # unprivileged user cannot write there; the download itself works.
  mkdir "$work/download"
  if ! (cd "$work/download" && apt_cmd download "$package"); then
    # A stale package list names a version the mirror no longer has.
    apt_cmd update -qq
    (cd "$work/download" && apt_cmd download "$package")
  fi
  fetched=$(ls "$work/download/${package}_"*.deb | head -n 1)
  mv "$fetched" "$download/"
  deb=$download/$(basename "$fetched")
fi
dpkg-deb -x "$deb" "$work/root"
release=$(ls "$work/root/lib/modules" | head -n 1)
moddir=$work/root/lib/modules/$release
vmlinuz=$work/root/boot/vmlinuz-$release
[ -s "$vmlinuz" ] || { echo "guest-kernel: $deb holds no /boot/vmlinuz-$release" >&2; exit 1; }
# The package carries no modules.dep: its installation would make it. depmod makes it here,
# inside the unpacked tree only.
depmod -b "$work/root" "$release"

# modules.dep: "kernel/path/NAME.ko[.xz|.zst|.gz]: DEPENDENCY-PATH ..."
declare -A dep_line=() path_of=()
while IFS= read -r line; do
  path=${line%%:*}
  name=$(basename "$path")
  name=${name%%.ko*}
  name=${name//-/_}
  path_of[$name]=$path
  dep_line[$name]=${line#*:}
done <"$moddir/modules.dep"
declare -A builtin=()
while IFS= read -r path; do
  name=$(basename "$path")
  name=${name%%.ko*}
  builtin[${name//-/_}]=1
done <"$moddir/modules.builtin"

# Depth first: every module after all it depends on.
declare -A placed=()
order=()
built_in=()
place() {
  local name=$1 dep depname
  [ -n "${placed[$name]:-}" ] && return 0
  placed[$name]=1
  for dep in ${dep_line[$name]}; do
    depname=$(basename "$dep")
    depname=${depname%%.ko*}
    place "${depname//-/_}"
  done
  order+=("$name")
}
for name in "${wanted[@]}"; do
  if [ -n "${builtin[$name]:-}" ]; then
    echo "guest-kernel: $name is built in"
    built_in+=("$name")
  elif [ -n "${path_of[$name]:-}" ]; then
    place "$name"
  else
    echo "guest-kernel: $release has no module $name" >&2
    exit 1
  fi
done

staging=$work/out
mkdir -p "$staging/modules"
cp "$vmlinuz" "$staging/vmlinuz"
echo "$release" >"$staging/release"
: >"$staging/modules.load"
printf '%s\n' "${built_in[@]}" | grep -v '^$' >"$staging/builtin" || true
for name in "${order[@]}"; do
  source_ko=$moddir/${path_of[$name]}
  case "$source_ko" in
    *.ko) cp "$source_ko" "$staging/modules/$name.ko" ;;
    *.ko.xz) xz -dc "$source_ko" >"$staging/modules/$name.ko" ;;
    *.ko.zst) zstd -q -dc "$source_ko" >"$staging/modules/$name.ko" ;;
    *.ko.gz) gzip -dc "$source_ko" >"$staging/modules/$name.ko" ;;
    *) echo "guest-kernel: cannot unpack $source_ko" >&2; exit 1 ;;
  esac
  echo "$name" >>"$staging/modules.load"
done
rm -rf "$target"
mv "$staging" "$target"
ln -sfn "$package" "$cache/current"
# Kernels fetched before a newer one replaced them.
for old in "$cache"/linux-image-* "$download"/linux-image-*.deb; do
  case "$old" in "$target" | "$deb" | *"*"*) ;; *) rm -rf "$old" ;; esac
done
echo "guest-kernel: $package ($release) in $target, modules: ${order[*]}"
