#!/usr/bin/env bash
# Prepares Debian's own kernel for the guest: downloads the image package that linux-image-amd64
# depends on (without installing it), unpacks it into a cache folder, runs depmod there and builds
# a small initramfs (busybox and the modules the USB/HID stack and the 9p root share need).
# Prints the cache folder. The cache is reused while the kernel package stays the same.
set -euo pipefail

cache="${HALVRIC_KERNEL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/halvric-kernel}"
mkdir -p "$cache"
here="$(cd "$(dirname "$0")" && pwd)"

fail() { echo "guest_kernel: $*" >&2; exit 1; }

command -v busybox >/dev/null || [ -x /bin/busybox ] || fail "busybox-static is not installed (scripts/bootstrap installs it)"
busybox_bin=$(command -v busybox || echo /bin/busybox)
file_type=$(head -c 4 "$busybox_bin" | od -An -c | tr -d ' ')
[ "$file_type" = "177ELF" ] || fail "$busybox_bin is not an ELF program"

image_pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ {print $2; exit}')
if [ -z "$image_pkg" ]; then
  # The package lists may be missing on a fresh machine.
  apt-get update >/dev/null 2>&1 || true
  image_pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ {print $2; exit}')
fi
[ -n "$image_pkg" ] || fail "cannot find the kernel image package that linux-image-amd64 depends on"

stamp="$cache/$image_pkg.ready"
if [ ! -f "$stamp" ]; then
  rm -rf "$cache/root" "$cache"/*.deb "$cache"/*.ready "$cache"/initrd*
  (cd "$cache" && apt-get download "$image_pkg" >/dev/null 2>"$cache/download.log") ||
    fail "apt-get download $image_pkg failed: $(tail -1 "$cache/download.log")"
  dpkg-deb -x "$cache"/"$image_pkg"_*.deb "$cache/root"
  rm -f "$cache"/"$image_pkg"_*.deb
  kver=$(ls "$cache/root/lib/modules")
  depmod -b "$cache/root" "$kver"
  echo "$kver" >"$stamp"
fi
kver=$(cat "$stamp")

# The initramfs: busybox, the modules with their dependencies in load order, and the init. It is
# made again whenever the init changes.
modules="virtio_pci 9pnet_virtio 9p usbcore usbip-core vhci-hcd hid hid-generic usbhid"
init_sum=$(cat "$here/guest_init.sh" <(echo "$modules") | sha256sum | cut -c1-16)
if [ ! -f "$cache/initrd-$init_sum.img" ]; then
  rm -f "$cache"/initrd*
  staging="$cache/initramfs"
  rm -rf "$staging"
  mkdir -p "$staging"/{bin,dev,proc,sys,host,modules}
  cp "$busybox_bin" "$staging/bin/busybox"
  ln -s busybox "$staging/bin/sh"
  : >"$staging/modules/order"
  for m in $modules; do
    modprobe -d "$cache/root" -S "$kver" --show-depends "$m" | awk '$1 == "insmod" {print $2}' |
      while read -r ko; do
        name=$(basename "$ko")
        if ! grep -qx "$name" "$staging/modules/order"; then
          cp "$ko" "$staging/modules/$name"
          echo "$name" >>"$staging/modules/order"
        fi
      done
  done
  install -m 755 "$here/guest_init.sh" "$staging/init"
  (cd "$staging" && find . | cpio -o -H newc --quiet | gzip -1) >"$cache/initrd-$init_sum.img.part"
  mv "$cache/initrd-$init_sum.img.part" "$cache/initrd-$init_sum.img"
  rm -rf "$staging"
fi
ln -sfn "initrd-$init_sum.img" "$cache/initrd.img"
echo "$cache"
